#include "search/SearchQueue.h"

#include <QMutexLocker>

bool SearchQueue::MarkSeen(const QString& url) {
    QMutexLocker seen(&seenLock_);
    return seen_.insert(url).second;
}

bool SearchQueue::QueueUrl(const QString& url, int tries) {
    if (!MarkSeen(url)) return false;
    QMutexLocker queue(&queueLock_);
    queue_.push_back({url, tries});
    return true;
}

bool SearchQueue::QueueUrlFront(const QString& url) {
    if (!MarkSeen(url)) return false;
    QMutexLocker queue(&queueLock_);
    queue_.push_front({url, 0});
    return true;
}

void SearchQueue::Requeue(const QueueItem& item) {
    QMutexLocker queue(&queueLock_);
    queue_.push_back(item);
}

std::optional<QueueItem> SearchQueue::PopUrl() {
    QMutexLocker queue(&queueLock_);
    if (queue_.empty()) return std::nullopt;
    QueueItem item = std::move(queue_.front());
    queue_.pop_front();
    return item;
}

int SearchQueue::DropWaiting(const std::function<bool(const QString& url)>& match) {
    QMutexLocker seen(&seenLock_);
    QMutexLocker queue(&queueLock_);
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
    QMutexLocker queue(&queueLock_);
    queue_.clear();
}

qsizetype SearchQueue::SeenCount() const {
    QMutexLocker seen(&seenLock_);
    return qsizetype(seen_.size());
}

qsizetype SearchQueue::Waiting() const {
    QMutexLocker queue(&queueLock_);
    return qsizetype(queue_.size());
}
