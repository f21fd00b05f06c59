#pragma once
// Reads the metadata of the kept documents in the background, off the download path: one thread that
// takes the documents the metadata table has no record of, sends them one at a time to the worker process
// and stores the answers, so each document is read once (a failure is recorded too). It looks again every
// few seconds and when poked after a download.

#include <QString>
#include <QStringList>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <thread>

class MetadataTable;
class MetaWorkerClient;

class MetaHarvest {
  public:
    // `table` must be open and outlive the harvest; the worker is `program arguments...`.
    MetaHarvest(MetadataTable& table, const QString& program, const QStringList& arguments);
    ~MetaHarvest();
    MetaHarvest(const MetaHarvest&) = delete;
    MetaHarvest& operator=(const MetaHarvest&) = delete;

    void Start();
    void Stop();
    // Look now rather than at the next round.
    void Poke();
    // Reads every pending document on the calling thread; how many were read. For `meta --all` and the
    // window's action, which may end it between two documents through `stop`.
    int ReadAllPending(const std::function<void(const QString& file)>& progress = {},
                       const std::atomic<bool>* stop = nullptr);
    qint64 DocumentsRead() const { return read_.load(); }

    static constexpr int kRoundSeconds = 3;
    static constexpr int kSettleSeconds = 60;
    // The worker: $SKIMMER_META_WORKER when set, else skimmer-cli beside this program; with its argument.
    static QString WorkerProgram();
    static QStringList WorkerArguments();

  private:
    void Loop();
    // The background loop leaves a batch when stopped; ReadAllPending finishes it.
    int ReadBatch(const std::function<void(const QString& file)>& progress, bool background,
                  const std::atomic<bool>* stop = nullptr);

    MetadataTable& table_;
    std::unique_ptr<MetaWorkerClient> worker_;
    std::thread thread_;
    std::mutex lock_;
    std::condition_variable wake_;
    bool poked_ = false;
    std::atomic<bool> stop_{false};
    std::atomic<qint64> read_{0};
    // Files the background reading found missing or not yet the recorded bytes, since when (one reading at
    // a time: the background loop, or ReadAllPending once it has stopped).
    std::map<QString, std::chrono::steady_clock::time_point> deferred_;
};
