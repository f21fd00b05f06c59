#include "search/SearxngInstances.h"

void SearxngInstances::Reset(const QStringList& instances) {
    QMutexLocker hold(&lock_);
    instances_.clear();
    for (const QString& address : instances) instances_.push_back({address, Clock::time_point()});
    next_ = 0;
}

void SearxngInstances::SetRest(std::chrono::milliseconds rest) {
    QMutexLocker hold(&lock_);
    rest_ = rest;
}

std::optional<QString> SearxngInstances::Next() {
    QMutexLocker hold(&lock_);
    const Clock::time_point now = Clock::now();
    for (size_t tried = 0; tried < instances_.size(); ++tried) {
        Instance& instance = instances_[next_ % instances_.size()];
        next_ = (next_ + 1) % instances_.size();
        if (instance.restUntil <= now) return instance.address;
    }
    return std::nullopt;
}

void SearxngInstances::Rest(const QString& address) {
    QMutexLocker hold(&lock_);
    for (Instance& instance : instances_) {
        if (instance.address == address) instance.restUntil = Clock::now() + rest_;
    }
}

int SearxngInstances::Count() const {
    QMutexLocker hold(&lock_);
    return int(instances_.size());
}
