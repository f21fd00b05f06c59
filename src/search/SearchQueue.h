#pragma once
// The search job's work queue: result-page addresses in fetching order, each with its failed tries,
// and the set of every address ever queued since the last clear, so none is queued twice. Two locks as
// the job has always had them: seenLock (the set) and queueLock (the queue); when both are held, seenLock
// comes first. Any thread.

#include <QMutex>
#include <QString>
#include <deque>
#include <functional>
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
    // Takes the waiting addresses that match out of the queue and out of the seen set, so that a later
    // search may ask for them again; gives how many were taken. Used when an engine stops answering.
    int DropWaiting(const std::function<bool(const QString& url)>& match);
    // The address counts as never queued again (a page that was skipped, not fetched).
    void Forget(const QString& url);
    // Empties both (the "清搜索记录" button).
    void ClearSearchRecords();

    qsizetype SeenCount() const;
    qsizetype Waiting() const;

  private:
    bool MarkSeen(const QString& url);

    mutable QMutex seenLock_;
    mutable QMutex queueLock_;
    std::unordered_set<QString, TextHash> seen_;
    std::deque<QueueItem> queue_;
};
