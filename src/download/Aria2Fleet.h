#pragma once
// The aria2 daemons of one hand-off and the rows handed to them. Rows are spread by host (HostSpread),
// added paused and started daemon by daemon, then followed with batched tellStatus calls: each row's
// progress and outcome go into the result list, and a completed link into the registry. A daemon that
// does not answer at the start takes nothing; one that stops answering while followed has its unfinished
// rows added afresh to the others. Used on the hand-off thread only.

#include <QHash>
#include <QList>
#include <QString>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "download/Aria2Agent.h"
#include "lists/ResultList.h"

class DocRegistry;
class StatusLine;

class Aria2Fleet {
  public:
    struct Endpoint {
        QString url;
        QString secret;
    };
    // A row already marked downloading by the caller, with the file name the daemon is to write.
    struct Row {
        RowId id = 0;
        QString link;
        QString title;
        QString name;
    };

    // Polls in a row without a usable answer before a daemon's rows go to the others.
    static constexpr int kSilentPollsBeforeMove = 3;
    // Tasks asked about in one system.multicall.
    static constexpr qsizetype kBatch = 200;

    Aria2Fleet(ResultList& results, DocRegistry& registry, StatusLine& status, QString folder);
    ~Aria2Fleet();

    // Asks each daemon for its version; one that does not answer is reported and takes no rows. Gives how
    // many answered.
    int Connect(const QList<Endpoint>& endpoints);
    // Before Connect: the daemons download through this proxy unless they have one of their own.
    void SetProxy(const std::optional<ProxyAddress>& proxy) { proxy_ = proxy; }
    // From now on a call under way ends as soon as this says so (the hand-off's Stop).
    void SetCancel(const std::function<bool()>& cancelled);
    // Spreads the rows over the daemons that answer, adds them paused and then starts them, daemon by
    // daemon. A link a daemon refuses ends failed; the rows of a daemon that stops answering meanwhile go
    // to the others.
    void HandOver(const QList<Row>& rows);
    // One round of following: every followed task's state, written into its row.
    void Poll();

    // Rows that were handed over and have not ended yet.
    qsizetype Following() const;
    int Downloaded() const { return downloaded_; }
    int Failed() const { return failed_; }

  private:
    enum class Stage { Pending, Followed, Done };
    struct Handed {
        Row row;
        QString host;
        int daemon = -1;
        QString gid;
        Stage stage = Stage::Pending;
        int shownPercent = -1;
    };
    struct Daemon {
        std::unique_ptr<Aria2Agent> agent;
        bool alive = false;
        int silentPolls = 0;
    };

    // Adds the pending rows (indexes into rows_) to the daemons of their hosts until each is followed or
    // has ended; `paused` adds a daemon's share paused and starts it once all of it is in.
    void Place(QList<int> pending, bool paused);
    void AssignHosts(const QList<int>& pending);
    // The daemon is given up; its unfinished rows are returned to be placed again.
    QList<int> Drop(int daemon, const QString& why);
    void Apply(int index, const Aria2Agent::TaskAnswer& answer, const QString& endpoint);
    void Fail(int index, const QString& what, const QString& why);

    ResultList& results_;
    DocRegistry& registry_;
    StatusLine& status_;
    const QString folder_;
    std::vector<Daemon> daemons_;
    std::vector<Handed> rows_;
    QHash<QString, int> daemonOfHost_;
    int downloaded_ = 0;
    int failed_ = 0;
    std::optional<ProxyAddress> proxy_;
};
