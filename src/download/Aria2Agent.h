#pragma once
// One aria2 daemon reached over its JSON-RPC interface. Creating it means the endpoint answers
// aria2.getVersion; tasks are added (paused or started), started, removed, and their states read in
// batches with system.multicall. Every answer is outside input: anything that is not what aria2 sends
// is refused with a reason, never trusted. Used on the hand-off thread only.

#include <QJsonArray>
#include <QJsonValue>
#include <QList>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

#include "lists/NetworkSettings.h"

class Aria2Agent {
  public:
    static constexpr const char* kDefaultEndpoint = "http://127.0.0.1:6800/jsonrpc";

    // What aria2 says of one task (the fields the hand-off follows).
    struct TaskStatus {
        enum class State { Waiting, Active, Paused, Complete, Error, Removed };
        State state = State::Waiting;
        qint64 totalLength = 0;  // 0 while aria2 does not know it yet
        qint64 completedLength = 0;
        QString errorCode;
        QString errorMessage;
        // Whole percent received, 0 while the length is unknown, never above 100.
        int Percent() const;
    };
    // One task's entry of a batch: its status, or why the entry could not be read.
    struct TaskAnswer {
        bool ok = false;
        TaskStatus status;
        QString problem;
    };

    Aria2Agent(QString endpoint, QString secret);

    // The address as messages show it: a password inside it masked.
    const QString& Endpoint() const { return shown_; }
    // Asked before and during each call: true ends the call at once, as a failure without an answer.
    void SetCancel(std::function<bool()> cancelled) { cancelled_ = std::move(cancelled); }

    // Tasks added from now on download through this HTTP(S) proxy, unless the daemon has a proxy of its
    // own (asked when it is created).
    void SetProxy(const ProxyAddress& proxy) { proxy_ = proxy; }
    bool Create(QString* error);
    // The task id of a new task, or an empty text (with error set).
    QString AddTask(const QString& link, const QString& fileName, const QString& folder, bool paused,
                    QString* error);
    bool Unpause(const QString& gid, QString* error);
    bool Remove(const QString& gid, QString* error);
    // The states of the tasks, one answer per gid in order. False (with error set) when the call as a whole
    // got no usable answer; `answers` is then left empty.
    bool TellStatus(const QStringList& gids, QList<TaskAnswer>* answers, QString* error);
    // Of the last call: false when it got no JSON-RPC answer at all (nothing listens, a time-out, not
    // JSON-RPC), as opposed to aria2 refusing one request.
    bool Reachable() const { return reachable_; }

    // Reads the body of a JSON-RPC answer: Answered with its result, Refused with aria2's reason, or
    // Garbled (not a JSON-RPC answer at all) with what was wrong.
    enum class Reply { Answered, Refused, Garbled };
    // Every text taken from the answer has each of `secrets` replaced by "***".
    static Reply ReadReply(const QByteArray& body, QJsonValue* result, QString* error,
                           const QStringList& secrets = {});
    // Reads the result of system.multicall over aria2.tellStatus for `gids`, one answer per gid; false
    // (with error set) when it is not one entry per gid.
    static bool ReadStatuses(const QJsonValue& result, const QStringList& gids, QList<TaskAnswer>* answers,
                             QString* error, const QStringList& secrets = {});
    // Reads one entry of such a result for `gid`: [ {fields} ] or a fault {code, message}.
    static TaskAnswer ReadTaskStatus(const QJsonValue& entry, const QString& gid,
                                     const QStringList& secrets = {});
    // Texts from the daemon end up in the status line and the run log: one line, at most this long.
    static constexpr qsizetype kMaxText = 300;

  private:
    // The result of one call; an undefined value (with error set) on any failure.
    QJsonValue Call(const QString& method, QJsonArray params, QString* error);
    QJsonArray WithToken(QJsonArray params) const;
    QStringList Secrets() const;
    bool DaemonHasProxy();

    QString endpoint_;
    QString shown_;
    QString secret_;
    std::optional<ProxyAddress> proxy_;
    bool daemonHasProxy_ = false;
    std::function<bool()> cancelled_;
    int nextId_ = 1;
    bool reachable_ = true;
};
