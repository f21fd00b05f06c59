#include "download/DocRegistry.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QFileInfo>
#include <QMutexLocker>
#include <QStringList>
#include <algorithm>
#include <cerrno>
#include <ctime>

#include "download/SqliteError.h"
#include "lists/StatusLine.h"
#include "net/Sha256Stream.h"

QString DocRegistry::WriteProblem() const {
    QMutexLocker lock(&problemLock_);
    return writeProblem_;
}

void DocRegistry::Report(const char* operation, const QString& message) {
    if (qstrcmp(operation, "CheckDocLink") != 0) {  // a failed look-up records nothing less
        QMutexLocker lock(&problemLock_);
        if (writeProblem_.isEmpty()) writeProblem_ = message;
    }
    if (!status_) return;
    if (*operation) {
        status_->ShowMsg(QLatin1StringView(operation), message, QString(), 1);
    } else {
        status_->ShowMsg(message, QString(), QString(), 1);
    }
}

DocRegistry::~DocRegistry() {
    Close();
}

void DocRegistry::StartCommitter() {
    if (committer_.joinable()) return;
    {
        std::lock_guard wake(committerMutex_);
        committerStop_ = false;
    }
    committer_ = std::thread([this] {
        CatchUpFilter();
        std::unique_lock wake(committerMutex_);
        while (!committerStop_) {
            committerWake_.wait_for(wake, std::chrono::milliseconds(kBatchMs));
            wake.unlock();
            CommitPending();
            CatchUpFilter();  // the first filling, if it was stopped by a failure
            wake.lock();
        }
    });
}

bool DocRegistry::CommitterStopping() {
    std::lock_guard wake(committerMutex_);
    return committerStop_;
}

void DocRegistry::CatchUpFilter() {
    for (;;) {
        {
            QMutexLocker lock(&lock_);
            if (CatchUpFilterStepLocked()) return;
        }
        if (CommitterStopping()) return;
    }
}

bool DocRegistry::CatchUpFilterStepLocked() {
    if (!filterLoad_.IsValid()) return true;
    try {
        if (filterComplete_) {
            // Other programs may write into the table too. Their rows come after those already read,
            // unless they deleted the last rows first: new rows then reuse those numbers, so the last
            // rows read are read again (a deletion of more than that many followed by new links within
            // one round is not seen until the next open).
            const qint64 version = db_.ExecScalar(QStringLiteral("PRAGMA data_version"));
            if (version == dataVersion_) return true;
            dataVersion_ = version;
            filterRowid_ = std::max<qint64>(0, filterRowid_ - kFilterReread);
            filterComplete_ = false;
        } else if (dataVersion_ < 0) {
            dataVersion_ = db_.ExecScalar(QStringLiteral("PRAGMA data_version"));
        }
        filterLoad_.Bind(1, filterRowid_);
        filterLoad_.Bind(2, qint64(kFilterChunk));
        int rows = 0;
        for (SqliteQuery query = filterLoad_.ExecQuery(); !query.Eof(); query.NextRow(), ++rows) {
            filterRowid_ = query.FieldValue(0).toLongLong();
            filter_.Add(LinkFilter::HashOf(query.FieldValue(1)));
        }
        filterComplete_ = rows < kFilterChunk;
        return filterComplete_;
    } catch (const SqliteError&) {
        // Look-ups keep asking the database; the next round tries again.
        filterComplete_ = false;
        return true;
    }
}

bool DocRegistry::IsFilterReady() {
    QMutexLocker lock(&lock_);
    return filterComplete_;
}

bool DocRegistry::FilterSaysAbsentLocked(const QString& link) const {
    // A link that is not valid UTF-16 may come back from the database as other text, with another hash.
    return filterComplete_ && !filter_.MayContain(LinkFilter::HashOf(link)) && link.isValidUtf16();
}

void DocRegistry::StopCommitter() {
    if (!committer_.joinable()) return;
    {
        std::lock_guard wake(committerMutex_);
        committerStop_ = true;
    }
    committerWake_.notify_all();
    committer_.join();
}

void DocRegistry::CommitPending() {
    QString failure;
    {
        QMutexLocker lock(&lock_);
        failure = CommitPendingLocked();
        // Another program's few new rows; the first filling after the open is the committer's alone,
        // so a caller (a list being saved) never waits for it.
        if (filterComplete_) {
            while (!CatchUpFilterStepLocked()) {
            }
        }
    }
    if (!failure.isEmpty()) Report("InsertDocLink", failure);
}

QString DocRegistry::CommitPendingLocked() {
    if (pendingOrder_.empty()) return {};
    std::vector<QString> batch;
    batch.swap(pendingOrder_);
    pending_.clear();
    // In index order, the pages each link dirties are the ones the previous link left in the cache.
    std::sort(batch.begin(), batch.end());
    try {
        if (!insert_.IsValid()) throw SqliteError(SqliteError::kWrapperError, QStringLiteral("Database not open"));
        db_.ExecDML(QStringLiteral("BEGIN"));
        try {
            for (const QString& link : batch) {
                insert_.Bind(1, link);
                insert_.ExecDML();
            }
            db_.ExecDML(QStringLiteral("COMMIT"));
        } catch (const SqliteError&) {
            try {
                db_.ExecDML(QStringLiteral("ROLLBACK"));
            } catch (const SqliteError&) {
                // The failed statement ended the transaction already.
            }
            throw;
        }
        commitFailing_ = false;
        return {};
    } catch (const SqliteError& e) {
        // Kept for the next batch (a lock held by another program passes); said once per failing spell.
        for (QString& link : batch) {
            if (pending_.insert(link).second) pendingOrder_.push_back(std::move(link));
        }
        if (commitFailing_) return {};
        commitFailing_ = true;
        return QStringLiteral("%1 links not recorded yet: %2").arg(pendingOrder_.size()).arg(e.Message());
    }
}

bool DocRegistry::OpenDocDatabase(const QString& path, int busyTimeoutMs) {
    StopCommitter();
    QMutexLocker lock(&lock_);
    readOnly_ = false;
    {
        QMutexLocker problem(&problemLock_);
        writeProblem_.clear();
    }
    try {
        CommitPendingLocked();
        FinalizeAll();
        db_.SetBusyTimeout(busyTimeoutMs);
        db_.Open(path);
        if (db_.ExecScalar(QStringLiteral(
                "select count(*) from sqlite_master where type='table' and name='docdata'")) <= 0) {
            db_.ExecDML(QStringLiteral("create table docdata(doclink char(1204));"));
        }
        try {
            // One committed insert per finished download: with a rollback journal each costs a few disk
            // flushes and 100 workers queue behind them. A write-ahead log with normal syncing keeps
            // the database safe from a crash of the program and makes an insert cost microseconds.
            db_.ExecQuery(QStringLiteral("PRAGMA journal_mode=WAL"));
            db_.ExecDML(QStringLiteral("PRAGMA synchronous=NORMAL"));
            // New links land on pages all over the look-up index: with SQLite's 2 MB page cache a batch
            // of them reads most of its pages back from the file and the log grows by a page per link.
            // 32 MB keeps most of the index of a million links in memory, and a checkpoint every 32 MB
            // of log (not every 4 MB) syncs the database file an eighth as often.
            db_.ExecDML(QStringLiteral("PRAGMA cache_size=-32768"));
            db_.ExecQuery(QStringLiteral("PRAGMA wal_autocheckpoint=8000"));
        } catch (const SqliteError&) {
            // A read-only database keeps its journal; it only answers look-ups anyway.
        }
        try {
            // Without it every look-up scans the whole table.
            db_.ExecDML(QStringLiteral("create index if not exists docdata_doclink on docdata(doclink);"));
        } catch (const SqliteError&) {
            // A read-only database still answers look-ups, only slower.
        }
        lookup_ = db_.CompileStatement(QStringLiteral("SELECT 1 FROM docdata WHERE doclink=?1 LIMIT 1"));
        insert_ = db_.CompileStatement(QStringLiteral("insert into docdata(doclink)Values(?1)"));
        filter_.Clear();
        filterComplete_ = false;
        filterRowid_ = 0;
        dataVersion_ = -1;
        filterLoad_ = db_.CompileStatement(
            QStringLiteral("SELECT rowid, doclink FROM docdata WHERE rowid > ?1 ORDER BY rowid LIMIT ?2"));
        remove_ = db_.CompileStatement(QStringLiteral("DELETE FROM docdata WHERE doclink=?1"));
        PrepareDocumentsLocked(true);
        try {
            // Registries from before it gain the table on their first open.
            db_.ExecDML(QStringLiteral("create table if not exists tempfiles(doclink text, path text);"));
            tempLookup_ = db_.CompileStatement(
                QStringLiteral("SELECT 1 FROM tempfiles WHERE path=?1 AND doclink=?2 LIMIT 1"));
            tempRemove_ = db_.CompileStatement(QStringLiteral("DELETE FROM tempfiles WHERE path=?1"));
            // Registries from before them gain the columns (a record without a total: size unknown; one
            // without `pending`, as earlier versions write them, is of a file already made).
            for (const char* column : {"validator text", "total integer", "pending integer"}) {
                try {
                    db_.ExecDML(QStringLiteral("alter table tempfiles add column %1;").arg(QLatin1String(column)));
                } catch (const SqliteError&) {
                    // It is there already.
                }
            }
            tempInsert_ = db_.CompileStatement(QStringLiteral(
                "insert into tempfiles(doclink, path, pending) Values(?1, ?2, nullif(?3, 0))"));
            tempConfirm_ =
                db_.CompileStatement(QStringLiteral("UPDATE tempfiles SET pending=NULL WHERE path=?1"));
            tempValidator_ = db_.CompileStatement(
                QStringLiteral("SELECT validator, total, pending FROM tempfiles WHERE path=?1 LIMIT 1"));
            tempSetValidator_ = db_.CompileStatement(
                QStringLiteral("UPDATE tempfiles SET validator=?2, total=?3 WHERE path=?1"));
        } catch (const SqliteError&) {
            // A read-only registry without the table: no temporary file counts as ours, so none is reused.
        }
        lock.unlock();
        StartCommitter();
        RemoveStaleTempFiles(kStaleTempSeconds);
        return true;
    } catch (const SqliteError& failure) {
        FinalizeAll();
        db_.Close();
        // A home we may not write to (a read-only medium, another user's folder) still has a registry
        // worth reading: without this every recorded link would be answered "absent".
        if (QFileInfo(path).isFile() && OpenReadOnlyLocked(path, busyTimeoutMs)) {
            lock.unlock();
            Report("", QStringLiteral("%1 cannot be written (%2): links are looked up but not recorded")
                           .arg(path, failure.Message()));
            return true;
        }
        lock.unlock();
        Report("", failure.Message());
        return false;
    }
}

bool DocRegistry::OpenReadOnlyLocked(const QString& path, int busyTimeoutMs) {
    for (const auto mode : {SqliteDatabase::Mode::ReadOnly, SqliteDatabase::Mode::Immutable}) {
        try {
            db_.SetBusyTimeout(busyTimeoutMs);
            db_.Open(path, mode);
            if (db_.ExecScalar(QStringLiteral(
                    "select count(*) from sqlite_master where type='table' and name='docdata'")) <= 0) {
                db_.Close();
                return false;
            }
            lookup_ = db_.CompileStatement(QStringLiteral("SELECT 1 FROM docdata WHERE doclink=?1 LIMIT 1"));
            lookup_.Bind(1, QString());
            lookup_.ExecQuery();  // the first read is where a missing log index shows
            PrepareDocumentsLocked(false);
            readOnly_ = true;
            return true;
        } catch (const SqliteError&) {
            FinalizeAll();
            db_.Close();
        }
    }
    return false;
}

void DocRegistry::PrepareDocumentsLocked(bool writable) {
    if (writable) {
        // A table of its own, so docdata keeps exactly the shape other programs write into; a registry
        // without it gains it on its first open, its links with no document.
        try {
            db_.ExecDML(QStringLiteral(
                "create table if not exists docfiles(doclink text, sha256 text, size integer, file text);"));
            db_.ExecDML(QStringLiteral("create index if not exists docfiles_doclink on docfiles(doclink);"));
            db_.ExecDML(QStringLiteral("create index if not exists docfiles_sha256 on docfiles(sha256);"));
        } catch (const SqliteError&) {
            // Without it downloads are still registered, only never compared by their bytes.
        }
        try {
            // The digest of a document's first bytes: registries from before gain the column.
            db_.ExecDML(QStringLiteral("alter table docfiles add column head text;"));
        } catch (const SqliteError&) {
            // It is there already.
        }
        try {
            // Every kept download asks for documents of its size and first bytes, and the metadata
            // reader fills in digests by file: without these each is a walk over all documents (a
            // thousand downloads of one size walked half a million rows).
            db_.ExecDML(QStringLiteral("create index if not exists docfiles_size_head on docfiles(size, head);"));
            db_.ExecDML(QStringLiteral("create index if not exists docfiles_file on docfiles(file);"));
        } catch (const SqliteError&) {
            // Answers stay right, only slower.
        }
    }
    try {
        docOf_ = db_.CompileStatement(
            QStringLiteral("SELECT sha256, size, file FROM docfiles WHERE doclink=?1 LIMIT 1"));
        if (!writable) return;
        // Files of these bytes, and files of this size recorded without a digest whose head matches
        // (or is not known): those are hashed when asked.
        docFind_ = db_.CompileStatement(QStringLiteral(
            "SELECT DISTINCT file, sha256 FROM docfiles WHERE size=?2 AND (sha256=?1 OR "
            "((sha256 IS NULL OR sha256='') AND (head=?3 OR head IS NULL OR head='')))"));
        docTwinSize_ = db_.CompileStatement(QStringLiteral(
            "SELECT 1 FROM docfiles WHERE size=?1 AND head IN (?2, '') UNION ALL "
            "SELECT 1 FROM docfiles WHERE size=?1 AND head IS NULL LIMIT 1"));
        docSetHead_ = db_.CompileStatement(QStringLiteral("UPDATE docfiles SET head=?2 WHERE doclink=?1"));
        docFillDigest_ = db_.CompileStatement(
            QStringLiteral("UPDATE docfiles SET sha256=?2 WHERE file=?1 AND (sha256 IS NULL OR sha256='')"));
        docUpdate_ = db_.CompileStatement(
            QStringLiteral("UPDATE docfiles SET sha256=?2, size=?3, file=?4 WHERE doclink=?1"));
        docInsert_ = db_.CompileStatement(
            QStringLiteral("insert into docfiles(doclink, sha256, size, file) Values(?1, ?2, ?3, ?4)"));
        docDrop_ = db_.CompileStatement(QStringLiteral("DELETE FROM docfiles WHERE doclink=?1 AND file=?2"));
        docForget_ = db_.CompileStatement(QStringLiteral("DELETE FROM docfiles WHERE doclink=?1"));
        docForgetFile_ =
            db_.CompileStatement(QStringLiteral("DELETE FROM docfiles WHERE file=?1 AND sha256=?2"));
    } catch (const SqliteError&) {
        // A read-only registry from before has no such table: links are known, their documents not.
    }
}

void DocRegistry::FinalizeAll() {
    filterLoad_.Finalize();
    filterComplete_ = false;
    filter_.Clear();
    docFind_.Finalize();
    docTwinSize_.Finalize();
    docSetHead_.Finalize();
    docFillDigest_.Finalize();
    docUpdate_.Finalize();
    docInsert_.Finalize();
    docDrop_.Finalize();
    docOf_.Finalize();
    docForget_.Finalize();
    docForgetFile_.Finalize();
    lookup_.Finalize();
    insert_.Finalize();
    remove_.Finalize();
    tempLookup_.Finalize();
    tempInsert_.Finalize();
    tempRemove_.Finalize();
    tempConfirm_.Finalize();
    tempValidator_.Finalize();
    tempSetValidator_.Finalize();
}

void DocRegistry::Close() {
    StopCommitter();
    QMutexLocker lock(&lock_);
    if (const QString failure = CommitPendingLocked(); !failure.isEmpty()) {
        lock.unlock();
        Report("InsertDocLink", failure);
        lock.relock();
    }
    FinalizeAll();
    db_.Close();
}

DocRegistry::LinkCheck DocRegistry::CheckDocLink(const QString& link) {
    QString failure;
    {
        QMutexLocker lock(&lock_);
        try {
            if (!lookup_.IsValid()) {
                throw SqliteError(SqliteError::kWrapperError, QStringLiteral("Database not open"));
            }
            if (PendingLocked(link)) return LinkCheck::Present;
            if (FilterSaysAbsentLocked(link)) return LinkCheck::Absent;
            lookup_.Bind(1, link);
            SqliteQuery query = lookup_.ExecQuery();
            return query.Eof() ? LinkCheck::Absent : LinkCheck::Present;
        } catch (const SqliteError& e) {
            failure = e.Message();
        }
    }
    Report("CheckDocLink", failure);
    return LinkCheck::Absent;
}

DocRegistry::LinkInsert DocRegistry::InsertDocLink(const QString& link) {
    if (CheckDocLink(link) == LinkCheck::Present) return LinkInsert::AlreadyPresent;
    QString failure;
    {
        QMutexLocker lock(&lock_);
        try {
            if (!insert_.IsValid()) {
                throw SqliteError(SqliteError::kWrapperError,
                                  readOnly_.load() ? QStringLiteral("the registry is open read-only")
                                                   : QStringLiteral("Database not open"));
            }
            // Written with its batch; until then look-ups answer it from memory.
            if (!pending_.insert(link).second) return LinkInsert::AlreadyPresent;
            pendingOrder_.push_back(link);
            filter_.Add(LinkFilter::HashOf(link));
            if (pendingOrder_.size() < size_t(kBatchLinks)) return LinkInsert::Inserted;
            failure = CommitPendingLocked();
            if (failure.isEmpty()) return LinkInsert::Inserted;
        } catch (const SqliteError& e) {
            failure = e.Message();
        }
    }
    Report("InsertDocLink", failure);
    // A batch that could not be written stays pending with this link in it.
    return CheckDocLink(link) == LinkCheck::Present ? LinkInsert::Inserted : LinkInsert::Failed;
}

DocRegistry::LinkDelete DocRegistry::DelDocLinkInDatabase(const QString& link) {
    QString failure;
    {
        QMutexLocker lock(&lock_);
        try {
            if (!remove_.IsValid()) {
                throw SqliteError(SqliteError::kWrapperError,
                                  readOnly_.load() ? QStringLiteral("the registry is open read-only")
                                                   : QStringLiteral("Database not open"));
            }
            // A link still waiting for its batch is no longer to be written.
            const bool wasPending = pending_.erase(link) != 0;
            if (wasPending)
                pendingOrder_.erase(std::find(pendingOrder_.begin(), pendingOrder_.end(), link));
            remove_.Bind(1, link);
            const int removed = remove_.ExecDML();
            // A forgotten link leads to no document any more.
            if (docForget_.IsValid()) {
                docForget_.Bind(1, link);
                docForget_.ExecDML();
            }
            return removed > 0 || wasPending ? LinkDelete::Deleted : LinkDelete::NoneOrFailed;
        } catch (const SqliteError& e) {
            failure = e.Message();
        }
    }
    Report("DelDocLinkInDatabase", failure);
    return LinkDelete::NoneOrFailed;
}

qint64 DocRegistry::Count() {
    QMutexLocker lock(&lock_);
    try {
        CommitPendingLocked();
        return db_.ExecScalar(QStringLiteral("select count(*) from docdata"));
    } catch (const SqliteError&) {
        return -1;
    }
}

namespace {

// The file still holds the document: a plain file (not a link to one) of the recorded size and bytes. The
// user may have deleted, replaced, edited or cut it since, and then it holds the document no more.
// The digest of what the file holds now, or empty when it is no plain file of that size any more.
QString DigestOfFile(const QString& file, qint64 size) {
    const int fd =
        ::open(QFile::encodeName(file).constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return {};
    struct stat info;
    QString digest;
    if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && qint64(info.st_size) == size) {
        Sha256Stream hash;
        if (hash.AddFilePrefix(fd, size, nullptr)) digest = hash.HexDigest();
    }
    ::close(fd);
    return digest;
}

}  // namespace

DocRegistry::Document DocRegistry::DocumentOf(const QString& link) {
    Document document;
    {
        QMutexLocker lock(&lock_);
        try {
            if (!lookup_.IsValid()) return document;
            lookup_.Bind(1, link);
            document.found = PendingLocked(link) || !lookup_.ExecQuery().Eof();
            if (!document.found || !docOf_.IsValid()) return document;
            docOf_.Bind(1, link);
            SqliteQuery query = docOf_.ExecQuery();
            if (query.Eof()) return document;
            document.sha256 = query.FieldValue(0);
            if (!query.FieldIsNull(1)) document.size = query.FieldValue(1).toLongLong();
            document.file = query.FieldValue(2);
        } catch (const SqliteError&) {
            // Whatever was read stands; a registry that cannot answer knows no document.
            return document;
        }
    }
    // Saved without its digest (no twin was possible then): taken now from the file, off the download
    // path, and kept. A file that holds other bytes by now still gives what it holds.
    if (!document.sha256.isEmpty() || document.file.isEmpty() || document.size < 0) return document;
    const QString digest = DigestOfFile(document.file, document.size);
    if (digest.isEmpty()) return document;
    QMutexLocker lock(&lock_);
    try {
        if (docFillDigest_.IsValid()) {
            docFillDigest_.Bind(1, document.file);
            docFillDigest_.Bind(2, digest);
            docFillDigest_.ExecDML();
        }
    } catch (const SqliteError&) {
        // Answered all the same; the next look-up reads the file again.
    }
    document.sha256 = digest;
    return document;
}


QString DocRegistry::ClaimDocument(const QString& link, const QString& sha256, qint64 size,
                                   const QString& file) {
    return ClaimDocumentWithHead(link, sha256, size, file, QString());
}

bool DocRegistry::MayHaveTwin(qint64 size, const QString& head) {
    QMutexLocker lock(&lock_);
    try {
        if (!docTwinSize_.IsValid()) return true;
        docTwinSize_.Bind(1, size);
        docTwinSize_.Bind(2, head);
        return !docTwinSize_.ExecQuery().Eof();
    } catch (const SqliteError&) {
        return true;  // a registry that cannot tell: the bytes are compared the long way
    }
}

void DocRegistry::RecordLocked(const QString& link, const QString& sha256, qint64 size, const QString& holder,
                               const QString& head) {
    docUpdate_.Bind(1, link);
    docUpdate_.Bind(2, sha256);
    docUpdate_.Bind(3, size);
    docUpdate_.Bind(4, holder);
    if (docUpdate_.ExecDML() == 0) {
        docInsert_.Bind(1, link);
        docInsert_.Bind(2, sha256);
        docInsert_.Bind(3, size);
        docInsert_.Bind(4, holder);
        docInsert_.ExecDML();
    }
    if (docSetHead_.IsValid()) {
        docSetHead_.Bind(1, link);
        docSetHead_.Bind(2, head);
        docSetHead_.ExecDML();
    }
}

void DocRegistry::RecordDocument(const QString& link, qint64 size, const QString& file, const QString& head) {
    QString failure;
    {
        QMutexLocker lock(&lock_);
        try {
            if (!docUpdate_.IsValid()) return;
            RecordLocked(link, QStringLiteral(""), size, file, head);
            recordedHere_.insert(file);
            return;
        } catch (const SqliteError& e) {
            failure = e.Message();
        }
    }
    Report("RecordDocument", failure);
}

QString DocRegistry::ClaimDocumentWithHead(const QString& link, const QString& sha256, qint64 size,
                                           const QString& file, const QString& head) {
    QString failure;
    // The files said to hold these bytes, or recorded of this size without a digest; each is read back
    // before it is trusted, outside the lock, so that other workers' look-ups do not wait for a big file
    // to be hashed.
    struct Candidate {
        QString file;
        QString recorded;  // its recorded digest
        bool recordedHere;
    };
    QList<Candidate> candidates;
    {
        QMutexLocker lock(&lock_);
        try {
            if (!docFind_.IsValid()) return {};
            docFind_.Bind(1, sha256);
            docFind_.Bind(2, size);
            docFind_.Bind(3, head);
            SqliteQuery query = docFind_.ExecQuery();
            for (; !query.Eof(); query.NextRow()) {
                // The file about to be replaced is no copy to keep.
                if (const QString candidate = query.FieldValue(0); candidate != file)
                    candidates.append({candidate, query.FieldValue(1), recordedHere_.contains(candidate)});
            }
        } catch (const SqliteError& e) {
            failure = e.Message();
        }
    }
    if (!failure.isEmpty()) {
        Report("ClaimDocument", failure);
        return {};
    }
    QString same;
    QList<std::pair<QString, QString>> stale;  // files that hold these bytes no more, with their digest
    QList<std::pair<QString, QString>> filled;  // files recorded without a digest, with the one read now
    for (const auto& [candidate, recorded, recordedHere] : candidates) {
        // A transfer records its document while the bytes are still in the temporary file beside the
        // final name, and renames it after: a process sharing this home may be between the two. Looked
        // at before the file, so a rename in between shows as the file itself.
        struct stat info;
        const bool inFlight =
            ::lstat(QFile::encodeName(candidate + QStringLiteral(".download.temp")).constData(), &info) == 0;
        const QString digest = DigestOfFile(candidate, size);
        if (recorded.isEmpty() && !digest.isEmpty()) filled.append({candidate, digest});
        if (!digest.isEmpty() && digest.compare(sha256, Qt::CaseInsensitive) == 0) {
            same = candidate;
            break;
        }
        // A file of this run or of a transfer in flight that is not there at all is most likely about to
        // take its name.
        const bool notYetThere = (recordedHere || inFlight) && digest.isEmpty() &&
                                 ::lstat(QFile::encodeName(candidate).constData(), &info) != 0 && errno == ENOENT;
        if ((!recorded.isEmpty() || digest.isEmpty()) && !notYetThere) stale.append({candidate, recorded});
    }
    {
        QMutexLocker lock(&lock_);
        try {
            // A file that no longer holds the document is no proof for the next link either.
            for (const auto& [gone, recorded] : docForgetFile_.IsValid() ? stale : decltype(stale)()) {
                docForgetFile_.Bind(1, gone);
                docForgetFile_.Bind(2, recorded);
                docForgetFile_.ExecDML();
            }
            // A digest read is kept, so the file is not read again for the next document of its size.
            for (const auto& [holder, digest] : filled) {
                docFillDigest_.Bind(1, holder);
                docFillDigest_.Bind(2, digest);
                docFillDigest_.ExecDML();
            }
            RecordLocked(link, sha256, size, same.isEmpty() ? file : same, head);
            if (same.isEmpty()) recordedHere_.insert(file);
            return same;
        } catch (const SqliteError& e) {
            failure = e.Message();
        }
    }
    Report("ClaimDocument", failure);
    return {};
}

void DocRegistry::DropDocument(const QString& link, const QString& file) {
    QString failure;
    {
        QMutexLocker lock(&lock_);
        try {
            if (!docDrop_.IsValid()) return;
            docDrop_.Bind(1, link);
            docDrop_.Bind(2, file);
            docDrop_.ExecDML();
            return;
        } catch (const SqliteError& e) {
            failure = e.Message();
        }
    }
    Report("DropDocument", failure);
}

bool DocRegistry::IsTempFileRecorded(const QString& link, const QString& path) {
    QMutexLocker lock(&lock_);
    try {
        if (!tempLookup_.IsValid()) return false;
        tempLookup_.Bind(1, path);
        tempLookup_.Bind(2, link);
        return !tempLookup_.ExecQuery().Eof();
    } catch (const SqliteError&) {
        return false;
    }
}

bool DocRegistry::RecordTempFile(const QString& link, const QString& path) {
    return WriteTempFileRecord(link, path, false);
}

bool DocRegistry::ReserveTempFile(const QString& link, const QString& path) {
    return WriteTempFileRecord(link, path, true);
}

bool DocRegistry::WriteTempFileRecord(const QString& link, const QString& path, bool pending) {
    QString failure;
    {
        QMutexLocker lock(&lock_);
        try {
            if (!tempInsert_.IsValid()) return false;
            // One record per path: the newest link made the file there.
            tempRemove_.Bind(1, path);
            tempRemove_.ExecDML();
            tempInsert_.Bind(1, link);
            tempInsert_.Bind(2, path);
            tempInsert_.Bind(3, qint64(pending ? 1 : 0));
            return tempInsert_.ExecDML() == 1;
        } catch (const SqliteError& e) {
            failure = e.Message();
        }
    }
    Report("RecordTempFile", failure);
    return false;
}

void DocRegistry::ConfirmTempFile(const QString& path) {
    ExecOnPath(tempConfirm_, path, "RecordTempFile");
}

bool DocRegistry::IsTempFileReserved(const QString& path) {
    return !TempFileRecord(path, 2).isEmpty();
}

void DocRegistry::ForgetTempFile(const QString& path) {
    ExecOnPath(tempRemove_, path, "ForgetTempFile");
}

void DocRegistry::ExecOnPath(SqliteStatement& statement, const QString& path, const char* operation) {
    QString failure;
    {
        QMutexLocker lock(&lock_);
        try {
            if (!statement.IsValid()) return;
            statement.Bind(1, path);
            statement.ExecDML();
            return;
        } catch (const SqliteError& e) {
            failure = e.Message();
        }
    }
    Report(operation, failure);
}

QString DocRegistry::TempFileValidator(const QString& path) {
    return TempFileRecord(path, 0);
}

qint64 DocRegistry::TempFileTotal(const QString& path) {
    bool number = false;
    const qint64 total = TempFileRecord(path, 1).toLongLong(&number);
    return number && total >= 0 ? total : -1;
}

QString DocRegistry::TempFileRecord(const QString& path, int field) {
    QMutexLocker lock(&lock_);
    try {
        if (!tempValidator_.IsValid()) return {};
        tempValidator_.Bind(1, path);
        SqliteQuery query = tempValidator_.ExecQuery();
        return query.Eof() ? QString() : query.FieldValue(field);
    } catch (const SqliteError&) {
        return {};
    }
}

void DocRegistry::SetTempFileValidator(const QString& path, const QString& validator, qint64 total) {
    QString failure;
    {
        QMutexLocker lock(&lock_);
        try {
            if (!tempSetValidator_.IsValid()) return;
            tempSetValidator_.Bind(1, path);
            tempSetValidator_.Bind(2, validator);
            tempSetValidator_.Bind(3, total);
            tempSetValidator_.ExecDML();
            return;
        } catch (const SqliteError& e) {
            failure = e.Message();
        }
    }
    Report("SetTempFileValidator", failure);
}

int DocRegistry::RemoveStaleTempFiles(qint64 olderThanSeconds) {
    QStringList paths;
    {
        QMutexLocker lock(&lock_);
        try {
            if (!tempRemove_.IsValid()) return 0;
            SqliteQuery query = db_.ExecQuery(QStringLiteral("SELECT path FROM tempfiles"));
            for (; !query.Eof(); query.NextRow()) paths.append(query.FieldValue(0));
        } catch (const SqliteError&) {
            return 0;
        }
    }
    const qint64 now = qint64(::time(nullptr));
    int removed = 0;
    for (const QString& path : paths) {
        const QByteArray name = QFile::encodeName(path);
        struct stat info;
        if (::lstat(name.constData(), &info) != 0) {
            if (errno == ENOENT) ForgetTempFile(path);
            continue;
        }
        // A link, a folder or a second name of some other file is not what was recorded.
        if (!S_ISREG(info.st_mode) || info.st_nlink != 1) continue;
        if (now - qint64(info.st_mtime) < olderThanSeconds) continue;
        if (::unlink(name.constData()) == 0) {
            ++removed;
            ForgetTempFile(path);
        }
    }
    return removed;
}
