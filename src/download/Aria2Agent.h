#pragma once
// The external download manager's agent: aria2 reached over its JSON-RPC interface. Creating it means
// the endpoint answers aria2.getVersion; tasks are added paused and started once all are in.
// Used on the hand-off thread only.

#include <QJsonArray>
#include <QJsonValue>
#include <QString>
#include <QStringList>

class Aria2Agent {
  public:
    static constexpr const char* kDefaultEndpoint = "http://127.0.0.1:6800/jsonrpc";

    Aria2Agent(QString endpoint, QString secret)
        : endpoint_(std::move(endpoint)), secret_(std::move(secret)) {}

    bool Create(QString* error);
    // The task id of a paused task, or an empty text (with error set).
    QString AddTask(const QString& link, const QString& fileName, const QString& folder, QString* error);
    bool Unpause(const QString& gid, QString* error);
    bool Remove(const QString& gid, QString* error);
    // False once a call got no JSON-RPC answer at all (as opposed to aria2 refusing one request).
    bool Reachable() const { return reachable_; }

  private:
    // The result of one call; an undefined value (with error set) on any failure.
    QJsonValue Call(const QString& method, QJsonArray params, QString* error);

    QString endpoint_;
    QString secret_;
    int nextId_ = 1;
    bool reachable_ = true;
};
