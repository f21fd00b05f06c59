#pragma once
// What one search job did per engine: result pages queued, fetched and skipped, hits cut from them, rows
// they added, fetches that failed by kind, and whether the engine blocked the job (or could not be
// reached at all) and why. A blocked or unreachable engine stays suspended until the next job begins.
// Rows the deep search added belong to no engine and are counted apart. Any thread.

#include <QList>
#include <QStringList>
#include <QString>
#include <array>
#include <mutex>

// Why a fetch gave no usable answer.
enum class FetchFailure {
    Network,     // no connection: the name did not resolve, the connection was refused, no route, TLS
    NoAnswer,    // connected, but the answer did not come (a time-out, a cut connection, Stop)
    HttpStatus,  // an answer of an error status
    Unreadable,  // an answer that could not be read
};
inline constexpr int kFetchFailureKinds = 4;

struct EngineTally {
    QString engine;  // the definition's id
    int pagesQueued = 0;
    int pagesFetched = 0;
    int hits = 0;
    int rowsAdded = 0;
    int pagesSkipped = 0;  // not fetched because the engine blocked
    int answers = 0;       // fetches that got an HTTP answer of any status
    std::array<int, kFetchFailureKinds> failures{};  // by FetchFailure
    bool blocked = false;
    bool unreachable = false;  // its first fetches all failed at the network level
    QString reason;
    QStringList proxiesBlocked;  // "PROXY (why)" for each proxy of the pool the engine blocked or lost

    bool Suspended() const { return blocked || unreachable; }
};

class EngineLedger {
  public:
    // A new job: every engine is asked afresh.
    void Clear();

    void Queued(const QString& engine);
    void Fetched(const QString& engine, int hits, int rowsAdded, int pages = 1);
    void Skipped(const QString& engine, int pages);
    // An HTTP answer of any status came back from the engine.
    void Answered(const QString& engine);
    // A fetch failed. True for the network failure that makes the engine's first kNetworkStrikes fetches
    // all network failures: that caller stops the engine (it is marked unreachable with `detail`). The
    // detail of another kind is the engine's reason when it has none yet.
    static constexpr int kNetworkStrikes = 3;
    bool Failed(const QString& engine, FetchFailure kind, const QString& detail);
    // Rows the deep search added from pages that are no engine's.
    void DeepSearchRows(int rows);
    // Records a block page. True for the first one only: that caller suspends the engine and reports it.
    bool Suspend(const QString& engine, const QString& reason);
    bool IsSuspended(const QString& engine) const;
    // The engine blocked a proxy of the search pool, or the proxy failed it (`proxy` as shown: masked).
    void ProxyBlocked(const QString& engine, const QString& proxy, const QString& why);

    // In the order the engines were first met.
    QList<EngineTally> Snapshot() const;
    // True when some engine answered and every one that answered blocked.
    bool AllBlocked() const;
    // True when some engine was asked and none answered at all.
    bool NoneAnswered() const;
    // Every row the job added: the engines' and the deep search's.
    int RowsAdded() const;
    int DeepRows() const;
    // Failed fetches of every engine, by kind.
    std::array<int, kFetchFailureKinds> FailureCounts() const;

  private:
    EngineTally& Of(const QString& engine);

    mutable std::mutex lock_;
    QList<EngineTally> tallies_;
    int deepRows_ = 0;
};
