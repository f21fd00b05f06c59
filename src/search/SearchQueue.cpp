#include "search/SearchQueue.h"

#include <QMutexLocker>

bool SearchQueue::MarkSeen(const QString& url) {
    QMutexLocker seen(&seenLock_);
    return seen_.insert(url).second;
}

bool SearchQueue::QueueUrl(const QString& url, int tries) {
    if (!MarkSeen(url)) return false;
    std::lock_guard queue(queueLock_);
    queue_.push_back({url, tries});
    changed_.notify_one();
    return true;
}

bool SearchQueue::QueueUrlFront(const QString& url) {
    if (!MarkSeen(url)) return false;
    std::lock_guard queue(queueLock_);
    queue_.push_front({url, 0});
    changed_.notify_one();
    return true;
}

void SearchQueue::Requeue(const QueueItem& item) {
    std::lock_guard queue(queueLock_);
    queue_.push_back(item);
    changed_.notify_one();
}

std::optional<QueueItem> SearchQueue::PopUrl() {
    std::lock_guard queue(queueLock_);
    if (queue_.empty()) return std::nullopt;
    QueueItem item = std::move(queue_.front());
    queue_.pop_front();
    return item;
}

void SearchQueue::AddTaker() {
    std::lock_guard queue(queueLock_);
    ++takers_;
}

void SearchQueue::RemoveTaker() {
    std::lock_guard queue(queueLock_);
    --takers_;
    EndIfDrainedLocked();  // the others may all be waiting for what this one would have queued
}

void SearchQueue::BeginBuild() {
    std::lock_guard queue(queueLock_);
    ++builds_;
}

void SearchQueue::EndBuild() {
    std::lock_guard queue(queueLock_);
    --builds_;
    EndIfDrainedLocked();
}

void SearchQueue::EndIfDrainedLocked() {
    if (waiting_ == 0 || waiting_ < takers_ || builds_ > 0 || !queue_.empty()) return;
    ++endings_;
    changed_.notify_all();
}

std::optional<QueueItem> SearchQueue::TakeOrWait(const std::function<bool()>& stopRequested, bool* done) {
    *done = false;
    std::unique_lock queue(queueLock_);
    if (queue_.empty() && !stopRequested()) {
        const std::uint64_t ending = endings_;
        ++waiting_;
        EndIfDrainedLocked();
        // A taker busy with a page (fetching, parsing, or waiting out an engine's politeness delay) may
        // still queue links, so the others wait for it rather than for a count or a clock.
        changed_.wait(queue, [&] { return !queue_.empty() || endings_ != ending || stopRequested(); });
        --waiting_;
        if (queue_.empty() && endings_ != ending) *done = true;
    }
    if (queue_.empty()) return std::nullopt;
    QueueItem item = std::move(queue_.front());
    queue_.pop_front();
    return item;
}

void SearchQueue::WakeTakers() {
    std::lock_guard queue(queueLock_);
    changed_.notify_all();
}

int SearchQueue::WaitingTakers() const {
    std::lock_guard queue(queueLock_);
    return waiting_;
}

int SearchQueue::DropWaiting(const std::function<bool(const QString& url)>& match) {
    QMutexLocker seen(&seenLock_);
    std::lock_guard queue(queueLock_);
    int dropped = 0;
    std::deque<QueueItem> kept;
    for (QueueItem& item : queue_) {
        if (match(item.url)) {
            seen_.erase(item.url);
            ++dropped;
        } else {
            kept.push_back(std::move(item));
        }
    }
    queue_.swap(kept);
    return dropped;
}

void SearchQueue::Forget(const QString& url) {
    QMutexLocker seen(&seenLock_);
    seen_.erase(url);
}

void SearchQueue::ClearSearchRecords() {
    QMutexLocker seen(&seenLock_);
    seen_.clear();
    std::lock_guard queue(queueLock_);
    queue_.clear();
}

qsizetype SearchQueue::SeenCount() const {
    QMutexLocker seen(&seenLock_);
    return qsizetype(seen_.size());
}

qsizetype SearchQueue::Waiting() const {
    std::lock_guard queue(queueLock_);
    return qsizetype(queue_.size());
}

QStringList SearchQueue::WaitingUrls() const {
    std::lock_guard queue(queueLock_);
    QStringList urls;
    urls.reserve(qsizetype(queue_.size()));
    for (const QueueItem& item : queue_) urls.append(item.url);
    return urls;
}
