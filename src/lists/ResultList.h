#pragma once
// The result list: every document found, as rows of five text cells in insertion order, each with a
// stable id. Producers (search threads, imports) append through AddEntry; download workers claim a
// waiting row in one step and then address it by id, so a row the user deletes meanwhile is simply gone
// for them and never confused with another. Views pull batched change notes with TakeChanges().
// Every operation is safe from any thread.

#include <QHash>
#include <QList>
#include <QMutex>
#include <QSet>
#include <QString>
#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <unordered_map>
#include <vector>

#include "lists/LinkSet.h"
#include "lists/ResultEntry.h"
#include "lists/TextHash.h"

class Options;
class StatusLine;

using RowId = quint64;

class ResultList {
  public:
    // Injected by the owner: whether the registry holds a link, and removing a link from it.
    using RegistryCheck = std::function<bool(const QString& link)>;
    using RegistryDelete = std::function<void(const QString& link)>;
    // Writes the links the registry still keeps for its next batch.
    using RegistryCommit = std::function<void()>;

    ResultList(Options& options, StatusLine* status);
    void SetRegistry(RegistryCheck check, RegistryDelete remove, RegistryCommit commit = {});
    // A list file about to be written calls this after taking its rows: a row it saves as downloaded
    // then has its link on disk (workers record the link before they mark the row).
    void CommitRegistry() const {
        if (registryCommit_) registryCommit_();
    }

    // The duplicate guard (linkSetLock is its own lock).
    LinkSet& Links() { return links_; }
    int AddLinkIfNew(const QString& link) { return links_.AddLinkIfNew(link); }

    enum class AddResult {
        Added,
        EmptyField,         // a field is empty (after trimming the title)
        AlreadyDownloaded,  // the link is in the registry and SkipDownloaded is on
    };
    // Cleans the title on the way (random suffix, domain titles, "...", escapes). A row that comes in
    // downloading or with a progress text comes in waiting.
    AddResult AddEntry(QString title, const QString& type, const QString& size, const QString& link,
                       RowStatus status);

    void ClearRows();  // all rows and the link set

    // A big load builds a list on the side and then takes its place in one step. A staging list has
    // this list's options, status line and registry, and ids that never meet this list's.
    std::unique_ptr<ResultList> MakeStaging() const;
    RowId NextId() const;
    // Replaces the rows and the link set with the staging list's; rows this list gained from
    // `keepFromId` on (a search that ran during the load) stay, ahead of the loaded ones.
    // The staging list is left holding what this list let go of, for FreeSome.
    void AdoptRows(ResultList& staging, RowId keepFromId);
    // Frees up to `count` rows of a list that is going away, with their title index entries and links,
    // so that a million rows go a slice at a time between the window's paints; false once all are gone.
    // (Freed on another thread they would hold the allocator's locks the window's thread waits on.)
    bool FreeSome(qsizetype count);
    bool DeleteChecked();  // false when the list is empty
    bool ClearList();      // false when the list is empty; also forgets the list path
    void SetCheckOnSelectionOrAll(bool check);
    bool CheckByStatus(const StatusFilter& filter);  // false when the list is empty
    // The choices of the status dialog, in its order.
    enum class StatusAction {
        AllToWaiting,  // every row but downloaded and duplicate ones, and out of the registry
        CheckedToDownloaded,
        CheckedToWaiting,  // and out of the registry
        CheckedToFailed,
        CheckedToDuplicate,
    };
    void ApplyStatusAction(StatusAction action);
    // The same operations on the rows in `ids` (the rows a view highlights) instead of the ticked ones;
    // ids of rows gone meanwhile are passed over. DeleteRows returns how many rows went.
    qsizetype DeleteRows(const QSet<RowId>& ids);
    void SetCheckedRows(const QSet<RowId>& ids, bool check);
    void ApplyStatusActionToRows(StatusAction action, const QSet<RowId>& ids);
    void InvertChecks();
    void ResetFailedToWaiting();
    void ResetUploadingToWaiting();
    int CountDownloaded() const;
    struct StatusCounts {
        qsizetype waiting = 0;
        qsizetype downloaded = 0;
        qsizetype failed = 0;
    };
    StatusCounts Counts() const;
    // The figures of the window's status line, read without waiting: when a worker or a load holds the
    // rows, the figures of the last glance that got them, at most a tick old, rather than a frozen window.
    struct Glance {
        qsizetype rows = 0;
        StatusCounts counts;
        qint64 bytesPerSecond = 0;
    };
    Glance GlanceNoWait() const;

    qsizetype Size() const;
    // Room for this many more rows, so a big import does not grow the indexes step by step.
    void Reserve(qsizetype count);
    std::optional<RowId> IdAt(qsizetype position) const;
    std::optional<qsizetype> PositionOf(RowId id) const;
    std::optional<ResultEntry> Entry(RowId id) const;
    QList<ResultEntry> Snapshot() const;
    // The rows with their ids, taken in short slices of the list's lock: what a view sorts away from it.
    std::vector<std::pair<RowId, ResultEntry>> SnapshotWithIds() const;

    // Cell writes of a worker on its row; false when the row is gone.
    bool SetStatus(RowId id, const RowStatus& status);
    // The status together with why the row ended so (a refusal, an HTTP error, "same as <file>"). The
    // reason lives only here, never in list files: it goes when the row is taken again or given another
    // status, but stays while a failed row waits for its retry.
    bool SetStatus(RowId id, const RowStatus& status, const QString& reason);
    QString Reason(RowId id) const;  // empty when the row has none or is gone
    // A row stopped in flight: waiting again, and claimed before every other waiting row, so the bytes
    // it kept are continued first. False when the row is gone.
    bool ReturnToWaiting(RowId id);
    // The transfer speed of a row in flight, in bytes per second. Like the reason it lives only here and
    // goes when the row gets a status other than downloading. SpeedOf takes the row's position (the
    // table's row) and gives 0 for a row without a speed or a position out of range.
    void SetSpeed(RowId id, qint64 bytesPerSecond);
    qint64 SpeedOf(int row) const;
    qint64 SpeedOfId(RowId id) const;
    qint64 TotalSpeed() const;  // all rows in flight together
    bool SetLink(RowId id, const QString& link);
    bool SetSize(RowId id, const QString& size);
    // Marks a waiting row as downloading and gives its cells; nothing when it is not waiting (or gone).
    std::optional<ResultEntry> ClaimIfWaiting(RowId id);
    // The same for the row at a position, giving its id too.
    std::optional<std::pair<RowId, ResultEntry>> ClaimWaitingAt(qsizetype position);
    // A download worker's walk: claims the first waiting row at or after `from` and before `end`, and
    // tells its position. One lock per claim, and rows known not to wait are skipped without a look.
    struct Claim {
        qsizetype position;
        RowId id;
        ResultEntry entry;
        bool returned = false;  // a row given back by ReturnToWaiting, taken out of its turn
    };
    std::optional<Claim> ClaimNextWaiting(qsizetype from, qsizetype end);
    // The same, taking only a waiting row that `accept` takes; the rows it passes over stay waiting.
    // `accept` runs under the list's lock: it must be quick and must not call back into the list.
    std::optional<Claim> ClaimNextWaiting(qsizetype from, qsizetype end,
                                          const std::function<bool(const ResultEntry&)>& accept);
    // A walk in steps, so that no walk keeps the list from the window for long: looks at no more than
    // `budget` rows under one lock. Without a claim, `*next` tells where the walk goes on (`end` once it
    // is over); with one, the walk goes on after the claimed row.
    std::optional<Claim> ClaimNextWaiting(qsizetype from, qsizetype end,
                                          const std::function<bool(const ResultEntry&)>& accept,
                                          qsizetype budget, qsizetype* next);
    // The download workers' feed of waiting rows, so they never walk the list to find one. The first
    // take after RestartWaitingFeed, and the first after rows were removed or replaced, is full: every
    // waiting row, those given back in flight first, then in list order. The others give the rows that
    // came in waiting or went back to waiting since the last take, in that order. Rows that stopped
    // waiting meanwhile are left out; a row may still stop waiting after the take.
    struct WaitingRow {
        RowId id;
        QString link;
    };
    struct WaitingFeed {
        bool full = false;
        std::vector<WaitingRow> rows;
    };
    void RestartWaitingFeed();
    WaitingFeed TakeWaitingFeed();
    // Changes each time a row comes in waiting or goes back to waiting (and when rows move): a walk
    // that found nothing to take need not be repeated while this stays the same. Lock-free.
    quint64 WaitingGeneration() const { return waitingGeneration_.load(std::memory_order_acquire); }
    // Rows looked at by the claiming walks since the list was made: what the walks cost.
    quint64 RowsExaminedByClaims() const { return rowsExamined_.load(std::memory_order_relaxed); }

    void SetChecked(RowId id, bool checked);
    bool IsChecked(RowId id) const;
    void SetSelected(RowId id, bool selected);
    bool IsSelected(RowId id) const;

    // What changed since the last call: rows added or removed (structural) and ids of changed rows.
    struct Changes {
        bool structural = false;
        QList<RowId> rows;
    };
    Changes TakeChanges();

    // The title clean-up of AddEntry (domain titles, "...", percent escapes), exposed for the parsers'
    // tests and the list tools.
    static QString TitleFromLink(const QString& link);
    static QString DecodePercentTitle(const QString& title);

  private:
    struct Row {
        RowId id;
        ResultEntry entry;
        bool checked = false;
        bool selected = false;
    };

    // Rows stay in id order (appended with rising ids, never reordered), so a binary search finds one.
    qsizetype PositionLocked(RowId id) const;
    Row* FindLocked(RowId id);
    const Row* FindLocked(RowId id) const;
    void RebuildIndexesLocked();
    QString InternLocked(const QString& value);
    void ClearLocked();
    void NoteChangedLocked(RowId id) { changed_.insert(id); }
    void NoteWaitingLocked() { waitingGeneration_.fetch_add(1, std::memory_order_release); }
    void FeedWaitingLocked(RowId id) {
        if (feedOn_ && !feedFull_) newlyWaiting_.push_back(id);
    }
    void FeedRestartLocked() {
        feedFull_ = true;
        newlyWaiting_.clear();
    }
    // Every status change goes through here, so the counts and the waiting hint stay true.
    void SetStatusLocked(Row& row, qsizetype position, const RowStatus& status);
    void PruneReasonsLocked();  // after rows went away
    void CountStatusLocked(const RowStatus& status, int delta);
    qsizetype DeleteWhere(const std::function<bool(const Row&)>& goes);  // -1 when the list is empty
    void ApplyStatusActionWhere(StatusAction action, const QSet<RowId>* only);

    Options& options_;
    StatusLine* status_;
    RegistryCheck registryCheck_;
    RegistryDelete registryDelete_;
    RegistryCommit registryCommit_;
    LinkSet links_;

    QMutex appendLock_;  // serialises AddEntry from end to end
    mutable QMutex rowsMutex_;
    std::vector<Row> rows_;
    std::unordered_map<QString, RowId, TextHash> firstRowWithTitle_;
    QSet<QString> shortValues_;  // types and statuses repeat on every row: keep one copy of each
    RowId nextId_ = 1;
    bool structural_ = false;
    QSet<RowId> changed_;
    QHash<RowId, QString> reasons_;  // few rows have one: kept beside the rows, not in each
    QHash<RowId, qint64> speeds_;    // rows in flight only
    QList<RowId> returned_;          // rows given back in flight, oldest first
    bool feedOn_ = false;            // a download pool takes the feed
    bool feedFull_ = false;          // its next take lists every waiting row
    std::vector<RowId> newlyWaiting_;
    qsizetype waitingRows_ = 0;
    qsizetype downloadedRows_ = 0;
    qsizetype failedRows_ = 0;
    qsizetype waitingHint_ = 0;                  // no row before this position is waiting
    std::atomic<quint64> waitingGeneration_{0};  // written under rowsMutex_, read anywhere
    std::atomic<quint64> rowsExamined_{0};
    mutable QMutex glanceLock_;  // never held while waiting for rowsMutex_
    mutable Glance lastGlance_;
};
