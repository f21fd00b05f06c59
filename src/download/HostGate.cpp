#include "download/HostGate.h"

#include <algorithm>

HostGate::Ticket& HostGate::Ticket::operator=(Ticket&& other) noexcept {
    if (this != &other) {
        Release();
        gate_ = other.gate_;
        host_ = std::move(other.host_);
        other.gate_ = nullptr;
    }
    return *this;
}

void HostGate::Ticket::Release() {
    if (gate_) gate_->Leave(host_);
    gate_ = nullptr;
}

QString HostGate::HostOf(const QString& address) {
    const QStringView text(address);
    const qsizetype scheme = text.indexOf(u"://");
    const qsizetype start = scheme < 0 ? 0 : scheme + 3;
    qsizetype end = start;
    while (end < text.size() && text[end] != u'/' && text[end] != u'?' && text[end] != u'#' &&
           text[end] != u'\\') {
        ++end;
    }
    QStringView authority = text.mid(start, end - start);
    if (const qsizetype at = authority.lastIndexOf(u'@'); at >= 0) authority = authority.mid(at + 1);
    if (authority.startsWith(u'[')) {
        const qsizetype close = authority.indexOf(u']');
        return close < 0 ? QString() : authority.mid(1, close - 1).toString().toLower();
    }
    if (const qsizetype colon = authority.indexOf(u':'); colon >= 0) authority = authority.left(colon);
    return authority.trimmed().toString().toLower();
}

bool HostGate::HasRoomLocked(const QString& host, Clock::time_point now) const {
    const auto lane = lanes_.find(host);
    if (lane == lanes_.end()) return true;
    const int cap = cap_.load();
    return now >= lane->second.restUntil && (cap == 0 || lane->second.open < cap);
}

HostGate::Ticket HostGate::TryEnter(const QString& host) {
    if (host.isEmpty()) return Ticket(this, host);
    std::lock_guard hold(lock_);
    if (!HasRoomLocked(host, Clock::now())) return {};
    ++lanes_[host].open;
    return Ticket(this, host);
}

bool HostGate::Refuses(const QString& host) {
    if (host.isEmpty()) return false;
    std::lock_guard hold(lock_);
    return !HasRoomLocked(host, Clock::now());
}

HostGate::Ticket HostGate::WaitForRoom(const QSet<QString>& hosts, int milliseconds) {
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(milliseconds);
    std::unique_lock hold(lock_);
    for (;;) {
        const Clock::time_point now = Clock::now();
        // A rest ends without anyone saying so: wake for the first one that ends before the deadline.
        Clock::time_point wake = deadline;
        for (const QString& host : hosts) {
            if (HasRoomLocked(host, now)) {
                if (!host.isEmpty()) ++lanes_[host].open;
                return Ticket(this, host);
            }
            const auto lane = lanes_.find(host);
            if (lane != lanes_.end() && lane->second.restUntil > now)
                wake = std::min(wake, lane->second.restUntil);
        }
        if (now >= deadline) return {};
        changed_.wait_until(hold, wake);
    }
}

void HostGate::Rest(const QString& host, Clock::time_point until) {
    if (host.isEmpty()) return;
    {
        std::lock_guard hold(lock_);
        Lane& lane = lanes_[host];
        lane.restUntil = std::max(lane.restUntil, until);
    }
    changed_.notify_all();
}

int HostGate::Open(const QString& host) {
    std::lock_guard hold(lock_);
    const auto lane = lanes_.find(host);
    return lane == lanes_.end() ? 0 : lane->second.open;
}

void HostGate::Leave(const QString& host) {
    if (host.isEmpty()) return;
    {
        std::lock_guard hold(lock_);
        const auto lane = lanes_.find(host);
        if (lane == lanes_.end()) return;
        --lane->second.open;
        // Hosts come and go by the thousand in a big list: keep only those that hold something.
        if (lane->second.open <= 0 && lane->second.restUntil <= Clock::now()) lanes_.erase(lane);
    }
    changed_.notify_all();
}
