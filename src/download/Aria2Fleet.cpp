#include "download/Aria2Fleet.h"

#include <QCoreApplication>
#include <QSet>

#include "download/DocRegistry.h"
#include "download/HostSpread.h"
#include "lists/ResultEntry.h"
#include "lists/StatusLine.h"

using State = Aria2Agent::TaskStatus::State;

Aria2Fleet::Aria2Fleet(ResultList& results, DocRegistry& registry, StatusLine& status, QString folder)
    : results_(results), registry_(registry), status_(status), folder_(std::move(folder)) {}

Aria2Fleet::~Aria2Fleet() = default;

int Aria2Fleet::Connect(const QList<Endpoint>& endpoints) {
    int alive = 0;
    for (const Endpoint& endpoint : endpoints) {
        Daemon daemon;
        daemon.agent = std::make_unique<Aria2Agent>(endpoint.url, endpoint.secret);
        if (proxy_) daemon.agent->SetProxy(*proxy_);
        QString error;
        daemon.alive = daemon.agent->Create(&error);
        if (daemon.alive) {
            ++alive;
        } else {
            status_.ShowMsg(
                (endpoints.size() > 1
                     ? QCoreApplication::translate(
                           "Aria2Fleet", "aria2 at %1 does not answer; its share goes to the others:")
                     : QCoreApplication::translate("Aria2Fleet", "aria2 at %1 does not answer:"))
                    .arg(daemon.agent->Endpoint()),
                error, QString(), 1);
        }
        daemons_.push_back(std::move(daemon));
    }
    return alive;
}

void Aria2Fleet::SetCancel(const std::function<bool()>& cancelled) {
    for (Daemon& daemon : daemons_) daemon.agent->SetCancel(cancelled);
}

void Aria2Fleet::HandOver(const QList<Row>& rows) {
    QList<int> pending;
    for (const Row& row : rows) {
        Handed handed;
        handed.row = row;
        handed.host = HostSpread::HostOf(row.link);
        rows_.push_back(std::move(handed));
        // Without a name of ours the daemon would take one from the server, as our own workers never do.
        if (row.name.isEmpty()) {
            Fail(int(rows_.size() - 1), QStringLiteral("no safe file name for %1").arg(row.link), QString());
            continue;
        }
        pending.append(int(rows_.size() - 1));
    }
    Place(pending, true);
}

qsizetype Aria2Fleet::Following() const {
    return std::count_if(rows_.cbegin(), rows_.cend(),
                         [](const Handed& h) { return h.stage != Stage::Done; });
}

void Aria2Fleet::AssignHosts(const QList<int>& pending) {
    QList<qsizetype> loads(qsizetype(daemons_.size()), 0);
    for (size_t d = 0; d < daemons_.size(); ++d) {
        if (!daemons_[d].alive) loads[qsizetype(d)] = -1;
    }
    for (const Handed& handed : rows_) {
        if (handed.stage == Stage::Followed && loads[handed.daemon] >= 0) ++loads[handed.daemon];
    }
    QList<std::pair<QString, qsizetype>> unplaced;
    QHash<QString, qsizetype> slotOf;
    for (const int index : pending) {
        const QString& host = rows_[size_t(index)].host;
        const int daemon = daemonOfHost_.value(host, -1);
        if (daemon >= 0 && daemons_[size_t(daemon)].alive) {
            ++loads[daemon];
            continue;
        }
        const auto slot = slotOf.constFind(host);
        if (slot != slotOf.constEnd()) {
            ++unplaced[*slot].second;
        } else {
            slotOf.insert(host, unplaced.size());
            unplaced.append({host, 1});
        }
    }
    const QHash<QString, int> spread = HostSpread::Spread(unplaced, loads);
    for (auto it = spread.cbegin(); it != spread.cend(); ++it) daemonOfHost_.insert(it.key(), it.value());
}

void Aria2Fleet::Place(QList<int> pending, bool paused) {
    while (!pending.isEmpty()) {
        if (std::none_of(daemons_.cbegin(), daemons_.cend(), [](const Daemon& d) { return d.alive; })) {
            for (const int index : pending) {
                Fail(index,
                     QStringLiteral("no aria2 daemon is left to take %1").arg(rows_[size_t(index)].row.link),
                     QString());
            }
            return;
        }
        AssignHosts(pending);
        QList<int> again;
        for (int d = 0; d < int(daemons_.size()); ++d) {
            Daemon& daemon = daemons_[size_t(d)];
            QList<int> share;
            QSet<QString> hosts;
            for (const int index : pending) {
                if (daemonOfHost_.value(rows_[size_t(index)].host) != d) continue;
                share.append(index);
                hosts.insert(rows_[size_t(index)].host);
            }
            if (share.isEmpty()) continue;
            status_.ShowMsg(QCoreApplication::translate("Aria2Fleet", "aria2 at %1 takes %2 rows of %3 hosts")
                                .arg(daemon.agent->Endpoint())
                                .arg(share.size())
                                .arg(hosts.size()),
                            QString(), QString(), 1);
            QList<int> added;
            for (qsizetype i = 0; i < share.size(); ++i) {
                Handed& handed = rows_[size_t(share[i])];
                QString error;
                const QString gid =
                    daemon.agent->AddTask(handed.row.link, handed.row.name, folder_, paused, &error);
                if (!gid.isEmpty()) {
                    handed.daemon = d;
                    handed.gid = gid;
                    handed.stage = Stage::Followed;
                    added.append(share[i]);
                } else if (daemon.agent->Reachable()) {
                    Fail(share[i],
                         QCoreApplication::translate("Aria2Fleet", "aria2 refused %1:").arg(handed.row.link),
                         error);
                } else {
                    again += Drop(d, error);
                    again += share.mid(i);
                    break;
                }
            }
            if (!paused || !daemon.alive) continue;
            // Only a task the daemon started is followed; one it would not start is taken out again, so
            // nothing stays paused there unseen.
            for (const int index : added) {
                Handed& handed = rows_[size_t(index)];
                QString error;
                if (daemon.agent->Unpause(handed.gid, &error)) continue;
                if (!daemon.agent->Reachable()) {
                    again += Drop(d, error);
                    break;
                }
                QString ignored;
                daemon.agent->Remove(handed.gid, &ignored);
                Fail(
                    index,
                    QCoreApplication::translate("Aria2Fleet", "aria2 did not start %1:").arg(handed.row.link),
                    error);
            }
        }
        pending = again;
    }
}

QList<int> Aria2Fleet::Drop(int daemon, const QString& why) {
    daemons_[size_t(daemon)].alive = false;
    QList<int> unfinished;
    for (size_t i = 0; i < rows_.size(); ++i) {
        Handed& handed = rows_[i];
        if (handed.daemon != daemon || handed.stage == Stage::Done) continue;
        handed.daemon = -1;
        handed.gid.clear();
        handed.stage = Stage::Pending;
        unfinished.append(int(i));
    }
    status_.ShowMsg(
        QCoreApplication::translate("Aria2Fleet",
                                    "aria2 at %1 stopped answering; its %2 unfinished rows go to the others:")
            .arg(daemons_[size_t(daemon)].agent->Endpoint())
            .arg(unfinished.size()),
        why, QString(), 1);
    return unfinished;
}

void Aria2Fleet::Poll() {
    QList<int> moved;
    for (int d = 0; d < int(daemons_.size()); ++d) {
        Daemon& daemon = daemons_[size_t(d)];
        if (!daemon.alive) continue;
        QList<int> followed;
        for (size_t i = 0; i < rows_.size(); ++i) {
            if (rows_[i].daemon == d && rows_[i].stage == Stage::Followed) followed.append(int(i));
        }
        for (qsizetype from = 0; from < followed.size(); from += kBatch) {
            const QList<int> batch = followed.mid(from, kBatch);
            QStringList gids;
            for (const int index : batch) gids.append(rows_[size_t(index)].gid);
            QList<Aria2Agent::TaskAnswer> answers;
            QString error;
            if (!daemon.agent->TellStatus(gids, &answers, &error)) {
                if (++daemon.silentPolls >= kSilentPollsBeforeMove) {
                    moved += Drop(d, error);
                } else {
                    status_.ShowMsg(QCoreApplication::translate("Aria2Fleet", "aria2 at %1 did not answer:")
                                        .arg(daemon.agent->Endpoint()),
                                    error, QString(), 1);
                }
                break;
            }
            daemon.silentPolls = 0;
            for (qsizetype i = 0; i < batch.size(); ++i)
                Apply(batch[i], answers[i], daemon.agent->Endpoint());
        }
    }
    if (!moved.isEmpty()) Place(moved, false);
}

void Aria2Fleet::Apply(int index, const Aria2Agent::TaskAnswer& answer, const QString& endpoint) {
    Handed& handed = rows_[size_t(index)];
    if (!answer.ok) {
        Fail(index,
             QCoreApplication::translate("Aria2Fleet", "aria2 at %1 gave no usable state of %2:")
                 .arg(endpoint, handed.row.link),
             answer.problem);
        return;
    }
    const Aria2Agent::TaskStatus& status = answer.status;
    switch (status.state) {
        case State::Complete:
            handed.stage = Stage::Done;
            ++downloaded_;
            registry_.InsertDocLink(handed.row.link);  // before the row says so, as the pool does
            results_.SetStatus(handed.row.id, RowStatus::Downloaded);
            if (status.totalLength > 0)
                results_.SetSize(handed.row.id,
                                 QString::asprintf("%.02f", double(status.totalLength) / 1024.0));
            return;
        case State::Error:
            Fail(index,
                 QCoreApplication::translate("Aria2Fleet", "aria2 could not download %1:")
                     .arg(handed.row.link),
                 QStringLiteral("error %1 %2").arg(status.errorCode, status.errorMessage).trimmed());
            return;
        case State::Removed:
            Fail(index, QCoreApplication::translate("Aria2Fleet", "aria2 dropped %1:").arg(handed.row.link),
                 QCoreApplication::translate("Aria2Fleet", "its task was removed there"));
            return;
        case State::Active:
            if (status.Percent() != handed.shownPercent) {
                handed.shownPercent = status.Percent();
                results_.SetStatus(handed.row.id, RowStatus::InProgress(handed.shownPercent));
            }
            return;
        case State::Waiting:
        case State::Paused:
            return;
    }
}

void Aria2Fleet::Fail(int index, const QString& what, const QString& why) {
    Handed& handed = rows_[size_t(index)];
    handed.stage = Stage::Done;
    ++failed_;
    results_.SetStatus(handed.row.id, RowStatus::Failed);
    status_.ShowMsg(handed.row.title, what, why, 1);
}
