#pragma once
// The download workers: a fixed pool of 100 slot threads, created once and idle until Start download.
// The waiting rows sit in a RowScheduler, one queue per host, fed from the result list as rows come in
// or go back to waiting; an active slot takes the next row of the next host with room (no walk over the
// list), resolves Baidu click-through links, downloads the file through a temporary file under the
// per-file time limit, and marks the row downloaded or failed. When nothing waits, failed rows go back
// to waiting, and a slot goes idle after five such rounds. Stop idles every slot; a row stopped in flight
// goes back to waiting at the front of its host's queue, keeps its partial file and is taken first at the
// next start. A host holds at most PerHostConnections transfers; one that answers 429 or 503 rests (see
// RetryAfter), its rows staying queued, and its row waits again without using up a try.
//
// Threads: StartDownload, StopDownload and Shutdown on the owner's thread; the rest on the slots.

#include <QHash>
#include <QMutex>
#include <QSet>
#include <QString>
#include <array>
#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

#include "download/HostName.h"
#include "download/RowScheduler.h"
#include "lists/ResultList.h"

class ArchiveRescue;
class FileDownload;
class DocRegistry;
class MessageSink;
class Options;
class RunLog;
class StatusLine;

class DownloadPool {
  public:
    static constexpr int kSlots = 100;

    struct Services {
        Options& options;
        ResultList& results;
        DocRegistry& registry;
        StatusLine& status;
        RunLog& log;
        MessageSink& messages;
        const std::atomic<qint64>& secondsTick;
        std::function<void()> cancelHandoff;  // Stop also cancels a hand-off under way
        ArchiveRescue* rescue = nullptr;       // dead links fetched from a web archive; none: no rescue
    };

    explicit DownloadPool(Services services);
    ~DownloadPool();

    // Creates the 100 idle slot threads, 10 ms apart.
    void Create();
    // The Start button: false (after its message box) for an empty list or no save folder.
    bool StartDownload();
    void StopDownload();
    // Program exit: closing, Stop, the shutdown event, then at most 2 s for each slot.
    void Shutdown();

    int BusySlots() const;
    // Slots holding a row. After Stop a slot may still be giving its row back; the list holds no row
    // in flight once this is 0.
    int WalkingSlots() const { return walking_.load(); }
    // After StopDownload: waits until no slot holds a row any more; false after `milliseconds`.
    bool WaitWalksEnded(int milliseconds) const;

    // Rows of this run by their tries: in flight for the first time, in flight again after a failure,
    // and failed at their last try (waiting for a retry or given up).
    struct TryCounts {
        int trying = 0;
        int retrying = 0;
        int failed = 0;
    };
    TryCounts Tries() const;
    // Bytes of the files completed since the pool was made.
    qint64 BytesDone() const { return bytesDone_.load(); }
    // Files completed since the pool was made, and the bytes that arrived so far for rows in flight.
    qint64 FilesDone() const { return filesDone_.load(); }
    qint64 BytesInFlight() const { return inFlightBytes_.load(); }
    bool IsIdle(int slot) const { return idle_[size_t(slot)].load() != 0; }

    // Called on the slot thread with the row's link before its transfer starts and at each poll while it
    // runs. An exception it throws ends the try as any unexpected failure inside a transfer does: the
    // row fails with "internal error: ..." and a partial file is kept for the next try. Set before
    // StartDownload; tests use it to make a transfer fail that way.
    void SetTransferWatch(std::function<void(const QString& link)> watch) {
        transferWatch_ = std::move(watch);
    }

    // folder/title.type, made safe: never outside folder, no separators or control characters, short
    // enough for a file name with the temporary suffix. Empty when folder, title or type is empty.
    static QString BuildTargetPath(const QString& folder, const QString& title, const QString& type,
                                   bool* exists);

  private:
    enum class Outcome {
        Done,
        InternalError,  // an exception inside the try: the row fails, with what it said as the reason
        Stopped,
        Present,
        Passed,   // its host was full or resting: the row waits again, no try used
        BackOff,  // the server answered 429 or 503: the row waits again, no try used
        Failed,
    };
    // Why a worker should stop what it is doing, if it should.
    enum class WorkerStop { GoOn, SlotIdled, FileTimedOut, Closing };
    // A row told to come back later this many times in one start has failed.
    static constexpr int kMaxBackOffs = 10;
    // Without a time limit, a host that asks for a pause this many times in a row fails its rows.
    static constexpr int kMaxRestsInARow = 3;

    void SlotThread(int slot);
    // Moves the rows that came in waiting (or went back to waiting) into the scheduler's queues.
    void FeedScheduler();
    // Downloads the row the scheduler gave this slot, if it still waits.
    void DownloadPass(const QString& folder, int slot, const RowScheduler::Taken& taken);
    // `reason` says why the row ends as it does, when there is more to say than its status.
    // `rested` is the rest the host asked for, which counts against the row's time.
    Outcome DownloadOne(int slot, const QString& folder, const QString& title, const QString& type,
                        const QString& link, quint64 row, QString& reason, qint64& rested);
    // Rests the host that answered 429/503 as long as it asked, and says so in the run log; the seconds.
    int RestHost(const QString& link, int status, const QByteArray& retryAfter);
    // A host whose rests leave its rows no time (a rest past the per-file limit, or kMaxRestsInARow
    // rests in a row without one) fails its rows with `reason` until its rest is over.
    void GiveUpHost(const QString& host, const QString& reason, int restSeconds);
    QString GivenUpReason(const QString& host);  // empty unless the host is given up right now
    WorkerStop CheckWorkerStop(int slot, bool watchExit);
    bool WaitShutdown(int milliseconds);

    Services s_;
    std::array<std::thread, kSlots> threads_;
    std::array<std::atomic<int>, kSlots> idle_;
    std::array<std::atomic<qint64>, kSlots> startTimes_{};
    std::array<std::atomic<bool>, kSlots> ended_{};
    std::atomic<int> closing_{0};
    std::atomic<int> walking_{0};
    std::atomic<qint64> bytesDone_{0};
    std::atomic<qint64> filesDone_{0};
    std::atomic<qint64> inFlightBytes_{0};
    std::atomic<bool> abortRequests_{false};  // at exit: abandon click-through look-ups under way
    bool created_ = false;

    // The shutdown event (manual reset) and the wake-up of idle slots share one lock.
    std::mutex eventMutex_;
    std::condition_variable eventChanged_;
    bool shutdown_ = false;

    // What each row of this run has had: its tries and the seconds they took together, which the
    // per-file time limit bounds. Rows that succeed leave the table.
    struct RowTries {
        int start = 0;  // the start of downloads these tries belong to
        int tries = 0;
        qint64 seconds = 0;
        int backOffs = 0;  // 429/503 answers
        bool inFlight = false;
        bool failed = false;
    };
    qint64 BeginTry(RowId row);
    // The outcome as it stands (BackOff becomes Failed once a row has had too many).
    Outcome EndTry(RowId row, Outcome outcome, qint64 seconds);
    std::atomic<int> startCount_{0};
    mutable std::mutex triesMutex_;
    QHash<RowId, RowTries> tries_;

    RowScheduler scheduler_;
    std::mutex feedMutex_;

    // The rests of each host since its last completed file, and hosts given up until their rest ends.
    struct HostRests {
        int inRow = 0;
        QString failure;
        RowScheduler::Clock::time_point until{};
    };
    std::mutex restsMutex_;
    QHash<QString, HostRests> rests_;
    std::atomic<int> givenUp_{0};  // hosts ever given up: until then the claim step need not ask

    // Targets being written right now: two rows with the same target never write one temporary file.
    QMutex inFlightMutex_;
    std::function<void(const QString& link)> transferWatch_;
    QSet<QString> inFlight_;
};
