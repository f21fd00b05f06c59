#pragma once
// The waiting rows of a download run in one queue per host. A free worker takes the next row of the next
// host that has room (fewer transfers than the cap, no rest under way) in constant time: hosts with rows
// and room wait their turn in a ring, so the hosts take turns and a full or resting host is never asked.
// The cap and the rests are properties of a host's queue. A row stopped in flight goes back to the front
// of its host's queue. Rows are known by id only: the taker checks that a row still waits before it
// downloads it. Any thread.

#include <QString>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>
#include <optional>
#include <unordered_map>
#include <unordered_set>

#include "lists/TextHash.h"

class RowScheduler {
  public:
    using Clock = std::chrono::steady_clock;
    using RowId = quint64;

    struct Taken {
        RowId row;
        QString host;
    };

    // Transfers per host; 0 lifts the cap.
    void SetCap(int cap);
    // A row that waits: at the back of its host's queue, unless it is queued already.
    void Add(RowId row, const QString& host);
    // A row given back in flight: at the front of its host's queue, taken before the others.
    void AddFirst(RowId row, const QString& host);
    // Forgets every queued row (transfers under way still count against their hosts).
    void ClearQueues();
    // The next row of the next host with room, which then counts one transfer more until Done(host).
    std::optional<Taken> Take(Clock::time_point now = Clock::now());
    // As Take, waiting up to `milliseconds` for a host to have room or a row to come.
    std::optional<Taken> WaitTake(int milliseconds);
    // A transfer to host that is not a queued row's (a rescue from the web archive) takes a place there
    // like a row would, waiting up to `milliseconds` for room; false when none came. Done(host) gives it back.
    bool Enter(const QString& host, int milliseconds);
    // A transfer of host is over.
    void Done(const QString& host);
    // No row of host is taken before `until` (a later rest already set stays); Lift ends a rest now.
    void Rest(const QString& host, Clock::time_point until);
    void Lift(const QString& host);
    // Rows queued, whether or not their hosts have room.
    size_t Queued() const;
    // Transfers under way at host.
    int Open(const QString& host) const;

  private:
    struct Queue {
        std::deque<RowId> rows;
        int open = 0;
        Clock::time_point restUntil{};
        bool inRing = false;
    };
    bool HasRoomLocked(const Queue& queue, Clock::time_point now) const;
    // Puts the host in the ring when it has rows and room and is not there yet.
    void ConsiderLocked(const QString& host, Queue& queue, Clock::time_point now);
    void WakeRestedLocked(Clock::time_point now);

    mutable std::mutex lock_;
    std::condition_variable changed_;
    int cap_ = 0;
    std::unordered_map<QString, Queue, TextHash> hosts_;
    std::deque<QString> ring_;                    // hosts with rows and room, each once
    std::multimap<Clock::time_point, QString> resting_;  // rests by their end
    std::unordered_set<RowId> queued_;
    size_t queuedRows_ = 0;  // entries in all queues (a row given back may be there twice)
};
