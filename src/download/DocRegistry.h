#pragma once
// The downloaded-link registry: every link downloaded or handed to the external download manager, kept
// in config/docdata.db (table docdata, one column doclink; table docfiles: for a link whose download was
// kept, the document's sha256, size and the file that holds it). One connection, one lock around each
// statement; callable from any thread. Failures go to the status line and the run log under the
// operation's name and answer "not present", so nothing is skipped because of a broken database.
//
// New links are written in batches: one transaction per kBatchLinks links or kBatchMs milliseconds,
// whichever comes first (a transaction per link costs a disk sync each). Until its batch is written a
// link is answered from memory, so nobody sees the difference; a kill loses at most the last batch. A
// list that is about to be saved calls CommitPending() after taking its rows, so a row saved as
// downloaded always has its link on disk.
//
// Every new link is first looked up, and a look-up in the index of a million links costs microseconds:
// a filter of the links' hashes (LinkFilter), filled in the background after the open and kept up with
// other programs' writes every kBatchMs, answers "absent" without the database. Their links are thus
// seen up to kBatchMs late, as they see ours.

#include <QMutex>
#include <QString>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <unordered_set>

#include "download/LinkFilter.h"
#include "download/SqliteDatabase.h"
#include "lists/TextHash.h"
#include "net/DocumentLedger.h"
#include "net/TempFileLedger.h"

class StatusLine;

// It also keeps the temporary download files this program made (table tempfiles: doclink, path), so
// transfers reuse and remove only their own.
class DocRegistry : public TempFileLedger, public DocumentLedger {
  public:
    explicit DocRegistry(StatusLine* status) : status_(status) {}
    ~DocRegistry();
    DocRegistry(const DocRegistry&) = delete;
    DocRegistry& operator=(const DocRegistry&) = delete;

    // Each link of a batch dirties a page of the look-up index, and a transaction writes each dirty page
    // once: a burst of links written in a few big batches costs a fraction of the same in small ones.
    static constexpr int kBatchLinks = 50000;
    static constexpr int kBatchMs = 100;

    // Opens or creates the database and its table (and the look-up index, when it can); an existing
    // database that cannot be opened for writing is opened read-only. False when the database cannot
    // be opened or the table cannot be made.
    bool OpenDocDatabase(const QString& path, int busyTimeoutMs = SqliteDatabase::kDefaultBusyTimeoutMs);
    void Close();  // writes what is pending first
    // Writes the links still waiting for their batch, in one transaction, and reads what other programs
    // wrote since; any thread. Runs every kBatchMs by itself.
    void CommitPending();
    // Opened read-only because the database could not be opened for writing.
    bool IsReadOnly() const { return readOnly_.load(); }
    // Why links or documents went unrecorded since the open: the cause of a failed or read-only open, or
    // the first write that failed; empty while every write went through. A download reports it rather
    // than call itself a success.
    QString WriteProblem() const;
    // New links are answered from memory: the filter has been filled since the open.
    bool IsFilterReady();

    enum class LinkCheck { Present, Absent };  // a failed look-up answers Absent
    enum class LinkInsert { Inserted, AlreadyPresent, Failed };
    enum class LinkDelete { Deleted, NoneOrFailed };  // Deleted: at least one row
    LinkCheck CheckDocLink(const QString& link);
    LinkInsert InsertDocLink(const QString& link);
    LinkDelete DelDocLinkInDatabase(const QString& link);
    qint64 Count();  // rows in the table; -1 when it cannot be read

    // What a link led to. `found` is false when the link is not recorded; the other fields are empty
    // (size -1) for a link recorded without its document (handed off, or from an older registry).
    struct Document {
        bool found = false;
        QString sha256;
        qint64 size = -1;
        QString file;
    };
    Document DocumentOf(const QString& link);
    QString ClaimDocument(const QString& link, const QString& sha256, qint64 size,
                          const QString& file) override;
    void DropDocument(const QString& link, const QString& file) override;
    bool MayHaveTwin(qint64 size, const QString& head) override;
    QString ClaimDocumentWithHead(const QString& link, const QString& sha256, qint64 size, const QString& file,
                                  const QString& head) override;
    void RecordDocument(const QString& link, qint64 size, const QString& file, const QString& head) override;

    bool IsTempFileRecorded(const QString& link, const QString& path) override;
    bool RecordTempFile(const QString& link, const QString& path) override;
    void ForgetTempFile(const QString& path) override;
    bool ReserveTempFile(const QString& link, const QString& path) override;
    void ConfirmTempFile(const QString& path) override;
    bool IsTempFileReserved(const QString& path) override;
    QString TempFileValidator(const QString& path) override;
    qint64 TempFileTotal(const QString& path) override;
    void SetTempFileValidator(const QString& path, const QString& validator, qint64 total) override;
    // Removes recorded temporary files not written for `olderThanSeconds` (plain files only) and the
    // records of those already gone; files it did not record are never touched. Done on each writable
    // open with a week. Returns how many files were removed.
    int RemoveStaleTempFiles(qint64 olderThanSeconds);
    static constexpr qint64 kStaleTempSeconds = 7 * 24 * 3600;

  private:
    // One field of the temporary file's record at `path` (0 validator, 1 total, 2 pending) as text; empty
    // without one.
    QString TempFileRecord(const QString& path, int field);
    bool WriteTempFileRecord(const QString& link, const QString& path, bool pending);
    // Runs a statement whose one parameter is a temporary file's path; a failure is reported as `operation`.
    void ExecOnPath(SqliteStatement& statement, const QString& path, const char* operation);
    void FinalizeAll();
    void PrepareDocumentsLocked(bool writable);
    // Records `holder` for link with these values; throws SqliteError.
    void RecordLocked(const QString& link, const QString& sha256, qint64 size, const QString& holder,
                      const QString& head);
    bool OpenReadOnlyLocked(const QString& path, int busyTimeoutMs);
    void Report(const char* operation, const QString& message);
    QString CommitPendingLocked();  // the failure, empty on success
    bool PendingLocked(const QString& link) const { return pending_.count(link) != 0; }
    void StartCommitter();
    void StopCommitter();
    bool CommitterStopping();
    // Brings the filter up to the table, a chunk of rows per hold of the lock so look-ups go on meanwhile.
    void CatchUpFilter();
    bool CatchUpFilterStepLocked();  // true when the filter is complete (or cannot be filled now)
    bool FilterSaysAbsentLocked(const QString& link) const;

    StatusLine* status_;
    std::atomic<bool> readOnly_{false};
    mutable QMutex problemLock_;  // held for the text only, never while waiting for lock_
    QString writeProblem_;
    QMutex lock_;
    SqliteDatabase db_;
    SqliteStatement lookup_;
    SqliteStatement insert_;
    SqliteStatement remove_;
    SqliteStatement docFind_;
    SqliteStatement docUpdate_;
    SqliteStatement docInsert_;
    SqliteStatement docDrop_;
    SqliteStatement docOf_;
    SqliteStatement docTwinSize_;  // a document of a size whose head matches or is not known
    SqliteStatement docSetHead_;
    SqliteStatement docFillDigest_;  // a digest taken later for a file recorded without one
    SqliteStatement docForget_;
    SqliteStatement docForgetFile_;  // the records that say a file holds some bytes
    SqliteStatement tempLookup_;
    SqliteStatement tempInsert_;
    SqliteStatement tempRemove_;
    SqliteStatement tempConfirm_;
    SqliteStatement tempValidator_;
    SqliteStatement tempSetValidator_;
    SqliteStatement filterLoad_;

    // Under lock_. Complete: every row up to filterRowid_ is in it and no other connection has written
    // since dataVersion_; until then look-ups ask the database.
    LinkFilter filter_;
    bool filterComplete_ = false;
    qint64 filterRowid_ = 0;
    qint64 dataVersion_ = -1;
    static constexpr int kFilterChunk = 50000;
    static constexpr int kFilterReread = 1024;

    // Links recorded but not yet written (under lock_), in the order they came.
    std::unordered_set<QString, TextHash> pending_;
    // Files recorded by this program since the registry opened. A record is written a moment before its
    // file takes its name, so another transfer's claim may find such a file missing: that is no sign of a
    // stale record, which would be forgotten with its document.
    std::unordered_set<QString, TextHash> recordedHere_;
    std::vector<QString> pendingOrder_;
    bool commitFailing_ = false;  // the last batch could not be written
    // The committer writes the pending links every kBatchMs.
    std::mutex committerMutex_;
    std::condition_variable committerWake_;
    bool committerStop_ = false;
    std::thread committer_;
};
