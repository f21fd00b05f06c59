#include "download/RowScheduler.h"

void RowScheduler::SetCap(int cap) {
    std::lock_guard lock(lock_);
    cap_ = cap < 0 ? 0 : cap;
    const Clock::time_point now = Clock::now();
    for (auto& [host, queue] : hosts_) ConsiderLocked(host, queue, now);
    changed_.notify_all();
}

bool RowScheduler::HasRoomLocked(const Queue& queue, Clock::time_point now) const {
    return (cap_ == 0 || queue.open < cap_) && queue.restUntil <= now;
}

void RowScheduler::ConsiderLocked(const QString& host, Queue& queue, Clock::time_point now) {
    if (queue.inRing || queue.rows.empty() || !HasRoomLocked(queue, now)) return;
    queue.inRing = true;
    ring_.push_back(host);
}

void RowScheduler::WakeRestedLocked(Clock::time_point now) {
    while (!resting_.empty() && resting_.begin()->first <= now) {
        const QString host = resting_.begin()->second;
        resting_.erase(resting_.begin());
        if (const auto it = hosts_.find(host); it != hosts_.end()) ConsiderLocked(host, it->second, now);
    }
}

void RowScheduler::Add(RowId row, const QString& host) {
    std::lock_guard lock(lock_);
    if (!queued_.insert(row).second) return;
    Queue& queue = hosts_[host];
    queue.rows.push_back(row);
    ++queuedRows_;
    ConsiderLocked(host, queue, Clock::now());
    changed_.notify_one();
}

void RowScheduler::AddFirst(RowId row, const QString& host) {
    std::lock_guard lock(lock_);
    // Queued already further back: that entry is passed over once the row is taken from the front.
    queued_.insert(row);
    Queue& queue = hosts_[host];
    queue.rows.push_front(row);
    ++queuedRows_;
    ConsiderLocked(host, queue, Clock::now());
    changed_.notify_one();
}

void RowScheduler::ClearQueues() {
    std::lock_guard lock(lock_);
    for (auto& [host, queue] : hosts_) {
        queue.rows.clear();
        queue.inRing = false;
    }
    ring_.clear();
    queued_.clear();
    queuedRows_ = 0;
}

std::optional<RowScheduler::Taken> RowScheduler::Take(Clock::time_point now) {
    std::lock_guard lock(lock_);
    WakeRestedLocked(now);
    while (!ring_.empty()) {
        QString host = std::move(ring_.front());
        ring_.pop_front();
        Queue& queue = hosts_[host];
        queue.inRing = false;
        // A host that filled up or began to rest since it joined the ring waits for Done or its rest's
        // end to come back.
        if (queue.rows.empty() || !HasRoomLocked(queue, now)) continue;
        const RowId row = queue.rows.front();
        queue.rows.pop_front();
        --queuedRows_;
        if (queued_.erase(row) == 0) {
            // The second entry of a row given back: the first was taken already.
            ConsiderLocked(host, queue, now);
            continue;
        }
        ++queue.open;
        ConsiderLocked(host, queue, now);  // to the back of the ring: the hosts take turns
        return Taken{row, std::move(host)};
    }
    return std::nullopt;
}

std::optional<RowScheduler::Taken> RowScheduler::WaitTake(int milliseconds) {
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(milliseconds);
    for (;;) {
        if (auto taken = Take()) return taken;
        std::unique_lock lock(lock_);
        Clock::time_point until = deadline;
        if (!resting_.empty() && resting_.begin()->first < until) until = resting_.begin()->first;
        if (Clock::now() >= deadline) return std::nullopt;
        changed_.wait_until(lock, until);
        if (Clock::now() >= deadline && ring_.empty()) return std::nullopt;
    }
}

bool RowScheduler::Enter(const QString& host, int milliseconds) {
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(milliseconds);
    std::unique_lock lock(lock_);
    for (;;) {
        const Clock::time_point now = Clock::now();
        Queue& queue = hosts_[host];
        if (HasRoomLocked(queue, now)) {
            ++queue.open;
            return true;
        }
        if (now >= deadline) return false;
        changed_.wait_until(lock, std::min(deadline, queue.restUntil > now ? queue.restUntil : deadline));
    }
}

void RowScheduler::Done(const QString& host) {
    std::lock_guard lock(lock_);
    const auto it = hosts_.find(host);
    if (it == hosts_.end()) return;
    Queue& queue = it->second;
    if (queue.open > 0) --queue.open;
    ConsiderLocked(host, queue, Clock::now());
    if (queue.open == 0 && queue.rows.empty() && queue.restUntil <= Clock::now()) hosts_.erase(it);
    changed_.notify_one();
}

void RowScheduler::Rest(const QString& host, Clock::time_point until) {
    std::lock_guard lock(lock_);
    Queue& queue = hosts_[host];
    if (until <= queue.restUntil) return;
    queue.restUntil = until;
    resting_.emplace(until, host);
}

void RowScheduler::Lift(const QString& host) {
    std::lock_guard lock(lock_);
    const auto it = hosts_.find(host);
    if (it == hosts_.end()) return;
    it->second.restUntil = {};
    ConsiderLocked(host, it->second, Clock::now());
    changed_.notify_all();
}

size_t RowScheduler::Queued() const {
    std::lock_guard lock(lock_);
    return queued_.size();
}

int RowScheduler::Open(const QString& host) const {
    std::lock_guard lock(lock_);
    const auto it = hosts_.find(host);
    return it == hosts_.end() ? 0 : it->second.open;
}
