#pragma once
// Handing the result list to the external download manager (aria2, one daemon or several) instead of
// downloading it here: one background thread at a time spreads the rows over the daemons (Aria2Fleet), then
// follows them until every row has ended, so the list shows each row's progress and outcome, and the
// registry records each link a daemon completed. Stop ends the following; the daemons keep their tasks. The
// button, Cancel and the reaping run on the owner's thread.

#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <atomic>
#include <thread>

#include "download/Aria2Fleet.h"
#include "lists/Profile.h"

class DocRegistry;
class IniFile;
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
        Profile settings;  // section "Aria2": RpcUrl, RpcSecret, RpcUrls, RpcSecrets
    };

    // Between two rounds of following.
    static constexpr int kPollMs = 1000;

    explicit Handoff(Services services, QObject* parent = nullptr);
    ~Handoff() override;

    // The "Send to aria2" button; false when nothing was started.
    bool Start();
    // Overrides the daemons of Setting.ini (the command line's --rpc and --secret, each in the same order):
    // given addresses replace the configured ones; given secrets alone replace the configured secrets.
    void SetEndpoints(const QStringList& urls, const QStringList& secrets) {
        urlOverrides_ = urls;
        secretOverrides_ = secrets;
    }
    // The daemons to use: [Aria2] RpcUrl (the default address when neither RpcUrl nor RpcUrls is set) with
    // RpcSecret first, then the comma-separated RpcUrls with the RpcSecrets in the same place (missing ones
    // empty); blanks dropped, an address met before skipped.
    static QList<Aria2Fleet::Endpoint> Endpoints(const IniFile& ini, const QStringList& urlOverrides = {},
                                                 const QStringList& secretOverrides = {});
    // Stop download: the hand-off, or the following of the daemons, ends as cancelled.
    void Cancel() { state_.store(StateBits::kStop); }
    bool IsRunning() const { return (state_.load() & StateBits::kRunning) != 0; }
    int State() const { return state_.load(); }
    // Of the last hand-off: whether any daemon answered; rows that ended downloaded (and were recorded);
    // rows that ended failed (refused, failed in aria2, or left without a daemon); rows still with aria2
    // when the following was stopped.
    bool Connected() const { return connected_.load(); }
    int Accepted() const { return accepted_.load(); }
    int Refused() const { return refused_.load(); }
    int Unfinished() const { return unfinished_.load(); }

  Q_SIGNALS:
    void finished();

  private:
    void Thread(QList<Aria2Fleet::Endpoint> endpoints, QString folder, std::optional<ProxyAddress> proxy);
    // The bits of state_, as the search job keeps its own: kStop stays until the next Start, Reap clears
    // the others.
    struct StateBits {
        static constexpr int kRunning = 1;
        static constexpr int kCancel = 4;
        static constexpr int kStop = 8;
        static constexpr int kLowBits = 7;
    };
    bool Cancelled() const { return (state_.load() & (StateBits::kCancel | StateBits::kStop)) != 0; }
    void Reap();

    Services s_;
    std::atomic<int> state_{0};
    std::atomic<int> accepted_{0};
    std::atomic<int> refused_{0};
    std::atomic<int> unfinished_{0};
    std::atomic<bool> connected_{false};
    QStringList urlOverrides_;
    QStringList secretOverrides_;
    std::thread thread_;
};
