#pragma once
// The search job's work queue: result-page addresses in fetching order, each with its failed tries,
// and the set of every address ever queued since the last clear, so none is queued twice. Two locks as
// the job has always had them: seenLock (the set) and queueLock (the queue); when both are held, seenLock
// comes first. Any thread.
//
// The queue also knows when the work is done. Its takers (the search threads) wait on it while it is
// empty; once every taker waits on the empty queue and no queue build is under way, nobody can queue
// anything any more, and every waiting taker is let go.

#include <QMutex>
#include <QString>
#include <QStringList>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <unordered_set>

#include "lists/TextHash.h"

struct QueueItem {
    QString url;
    int tries = 0;
};

class SearchQueue {
  public:
    // Appends the address unless it was queued before; true when it was appended.
    bool QueueUrl(const QString& url, int tries);
    // The same test, but the address goes to the head of the queue (63da document pages).
    bool QueueUrlFront(const QString& url);
    // A failed page again, at the tail; the seen set is not asked.
    void Requeue(const QueueItem& item);
    std::optional<QueueItem> PopUrl();

    // A taker starts (before its thread runs) or has ended, whichever way.
    void AddTaker();
    void RemoveTaker();
    // A queue build (the Search button's control thread) is under way: takers that run dry wait for it.
    void BeginBuild();
    void EndBuild();
    // The oldest address; when none waits, waits until one is queued. Empty when the work is done
    // (*done set: every taker waited on the empty queue with no build under way) or when stopRequested,
    // asked under the queue's lock, says so after a WakeTakers.
    std::optional<QueueItem> TakeOrWait(const std::function<bool()>& stopRequested, bool* done);
    // Has every waiting taker ask its stopRequested again (the Stop button, after the stop words are set).
    void WakeTakers();
    int WaitingTakers() const;
    // Takes the waiting addresses that match out of the queue and out of the seen set, so that a later
    // search may ask for them again; gives how many were taken. Used when an engine stops answering.
    int DropWaiting(const std::function<bool(const QString& url)>& match);
    // The address counts as never queued again (a page that was skipped, not fetched).
    void Forget(const QString& url);
    // Empties both (the "清搜索记录" button).
    void ClearSearchRecords();

    qsizetype SeenCount() const;
    qsizetype Waiting() const;
    // The waiting addresses, oldest first.
    QStringList WaitingUrls() const;

  private:
    bool MarkSeen(const QString& url);
    // With queueLock_ held: when every taker waits on the empty queue and no build is under way, the
    // work is done; every waiting taker is told so.
    void EndIfDrainedLocked();

    mutable QMutex seenLock_;
    mutable std::mutex queueLock_;
    std::unordered_set<QString, TextHash> seen_;
    std::deque<QueueItem> queue_;
    std::condition_variable changed_;  // an address queued, the work done, or a wake-up
    int takers_ = 0;
    int waiting_ = 0;
    int builds_ = 0;
    std::uint64_t endings_ = 0;  // how many times the work was done; a waiter compares its own reading
};
