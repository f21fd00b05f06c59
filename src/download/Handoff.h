#pragma once
// Handing the result list to the external download manager (aria2) instead of downloading it here: one
// background thread at a time adds every row as a paused task, starts them together and records in the
// registry each link that aria2 took; a link it refused is reported and not recorded. The button, Cancel and
// the reaping run on the owner's thread.

#include <QObject>
#include <QString>
#include <atomic>
#include <thread>

#include "lists/Profile.h"

class DocRegistry;
class MessageSink;
class Options;
class ResultList;
class StatusLine;

class Handoff : public QObject {
    Q_OBJECT
  public:
    struct Services {
        Options& options;
        ResultList& results;
        DocRegistry& registry;
        StatusLine& status;
        MessageSink& messages;
        Profile settings;  // section "Aria2": RpcUrl, RpcSecret
    };

    explicit Handoff(Services services, QObject* parent = nullptr);
    ~Handoff() override;

    // The "迅雷下载" button; false when nothing was started.
    bool Start();
    // Overrides the endpoint and secret of Setting.ini (the command line's --rpc and --secret).
    void SetEndpoint(const QString& url, const QString& secret) {
        endpointOverride_ = url;
        secretOverride_ = secret;
    }
    // Stop download: the hand-off ends as cancelled.
    void Cancel() { state_.store(8); }
    bool IsRunning() const { return (state_.load() & 1) != 0; }
    int State() const { return state_.load(); }
    // Of the last hand-off: links aria2 took (and the registry recorded), and links it did not take.
    int Accepted() const { return accepted_.load(); }
    int Refused() const { return refused_.load(); }

  Q_SIGNALS:
    void finished();

  private:
    void Thread(QString endpoint, QString secret, QString folder);
    void Reap();

    Services s_;
    std::atomic<int> state_{0};
    std::atomic<int> accepted_{0};
    std::atomic<int> refused_{0};
    QString endpointOverride_;
    QString secretOverride_;
    std::thread thread_;
};
