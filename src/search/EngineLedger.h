#pragma once
// What one search job did per engine: result pages queued, fetched and skipped, hits cut from them, rows
// they added, and whether the engine blocked the job and why. A blocked engine stays suspended until
// the next job begins. Any thread.

#include <QList>
#include <QString>
#include <mutex>

struct EngineTally {
    QString engine;  // the definition's id
    int pagesQueued = 0;
    int pagesFetched = 0;
    int hits = 0;
    int rowsAdded = 0;
    int pagesSkipped = 0;  // not fetched because the engine blocked
    bool blocked = false;
    QString reason;
};

class EngineLedger {
  public:
    // A new job: every engine is asked afresh.
    void Clear();

    void Queued(const QString& engine);
    void Fetched(const QString& engine, int hits, int rowsAdded);
    void Skipped(const QString& engine, int pages);
    // Records a block page. True for the first one only: that caller suspends the engine and reports it.
    bool Suspend(const QString& engine, const QString& reason);
    bool IsSuspended(const QString& engine) const;

    // In the order the engines were first met.
    QList<EngineTally> Snapshot() const;
    // True when some engine was asked and every one asked blocked.
    bool AllBlocked() const;

  private:
    EngineTally& Of(const QString& engine);

    mutable std::mutex lock_;
    QList<EngineTally> tallies_;
};
