#pragma once
// The program's side of the metadata worker: starts `PROGRAM ARGS...` (skimmer-cli --meta-worker) with a
// socket for its standard input and output, sends it one document at a time and waits for its answer up to
// a time-out. A worker that crashes, exceeds a limit or stays silent is ended and the document gets status
// Failed with the reason; the next document starts a new worker. Thread-safe: callers take turns.

#include <QByteArray>
#include <QMutex>
#include <QString>
#include <QStringList>
#include <atomic>
#include <sys/types.h>

#include "meta/DocMetadata.h"

class MetaWorkerClient {
  public:
    MetaWorkerClient(QString program, QStringList arguments, int timeoutMs = kDefaultTimeoutMs);
    ~MetaWorkerClient();
    MetaWorkerClient(const MetaWorkerClient&) = delete;
    MetaWorkerClient& operator=(const MetaWorkerClient&) = delete;

    DocMetadata Read(const QString& path);
    // Workers started so far (the first one included).
    int Starts() const { return starts_.load(); }

    static constexpr int kDefaultTimeoutMs = 60000;
    static constexpr qsizetype kMaxAnswerBytes = 32 * 1024 * 1024;

  private:
    bool StartLocked(QString* problem);
    // Ends the worker; the reason it ended (a signal, an exit) when it did so by itself.
    QString StopLocked(bool kill);
    DocMetadata FailedLocked(const QString& path, const QString& reason);

    const QString program_;
    const QStringList arguments_;
    const int timeoutMs_;
    QMutex lock_;
    pid_t pid_ = -1;
    int socket_ = -1;
    QByteArray pending_;
    std::atomic<int> starts_{0};
};
