#include "download/CaptureTable.h"

#include "download/SqliteError.h"
#include "download/SqliteQuery.h"

bool CaptureTable::Open(const QString& path) {
    QMutexLocker hold(&lock_);
    try {
        keep_ = {};
        find_ = {};
        keepRescue_ = {};
        findRescue_ = {};
        db_.Close();
        db_.Open(path);
        // As the registry's connection to the same file: a rescue's record would otherwise wait for the
        // disk, once per row. A power cut could cost the last records, which the next rescue writes again.
        db_.ExecQuery(QStringLiteral("PRAGMA journal_mode=WAL"));
        db_.ExecDML(QStringLiteral("PRAGMA synchronous=NORMAL"));
        db_.ExecDML(QStringLiteral("CREATE TABLE IF NOT EXISTS rescues (doclink TEXT PRIMARY KEY NOT NULL, "
                                   "source TEXT NOT NULL, timestamp TEXT NOT NULL)"));
        keepRescue_ = db_.CompileStatement(QStringLiteral("INSERT OR REPLACE INTO rescues VALUES (?1, ?2, ?3)"));
        findRescue_ =
            db_.CompileStatement(QStringLiteral("SELECT source, timestamp FROM rescues WHERE doclink = ?1"));
        db_.ExecDML(QStringLiteral(
            "CREATE TABLE IF NOT EXISTS captures (doclink TEXT NOT NULL, source TEXT NOT NULL, "
            "timestamp TEXT NOT NULL, digest TEXT, mime TEXT, filename TEXT, warc_offset INTEGER, warc_length INTEGER, "
            "PRIMARY KEY (doclink, source))"));
        keep_ = db_.CompileStatement(QStringLiteral(
            "INSERT INTO captures VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8) ON CONFLICT (doclink, source) DO "
            "UPDATE SET timestamp = excluded.timestamp, digest = excluded.digest, mime = excluded.mime, "
            "filename = excluded.filename, warc_offset = excluded.warc_offset, warc_length = excluded.warc_length "
            "WHERE excluded.timestamp > captures.timestamp"));
        find_ = db_.CompileStatement(QStringLiteral(
            "SELECT source, timestamp, digest, mime, filename, warc_offset, warc_length FROM captures WHERE doclink = ?1 "
            "ORDER BY timestamp DESC"));
        return true;
    } catch (const SqliteError& error) {
        lastError_ = error.Message();
        return false;
    }
}

void CaptureTable::Close() {
    QMutexLocker hold(&lock_);
    keep_ = {};
    find_ = {};
    keepRescue_ = {};
    findRescue_ = {};
    db_.Close();
}

bool CaptureTable::Keep(const ArchiveCapture& capture) {
    QMutexLocker hold(&lock_);
    if (!keep_.IsValid()) return false;
    try {
        keep_.Bind(1, capture.link);
        keep_.Bind(2, ArchiveCapture::SourceName(capture.source));
        keep_.Bind(3, capture.timestamp);
        keep_.Bind(4, capture.digest);
        keep_.Bind(5, capture.mime);
        keep_.Bind(6, capture.filename);
        keep_.Bind(7, capture.offset);
        keep_.Bind(8, capture.length);
        keep_.ExecDML();
        return true;
    } catch (const SqliteError& error) {
        lastError_ = error.Message();
        return false;
    }
}

QList<ArchiveCapture> CaptureTable::CapturesOf(const QString& link) {
    QMutexLocker hold(&lock_);
    QList<ArchiveCapture> captures;
    if (!find_.IsValid()) return captures;
    try {
        find_.Bind(1, link);
        for (SqliteQuery query = find_.ExecQuery(); !query.Eof() && captures.size() < 16; query.NextRow()) {
            ArchiveCapture capture;
            capture.link = link;
            capture.source = query.FieldValue(0) == QLatin1StringView("commoncrawl") ? ArchiveSource::CommonCrawl
                                                                                    : ArchiveSource::Wayback;
            capture.timestamp = query.FieldValue(1);
            capture.digest = query.FieldValue(2);
            capture.mime = query.FieldValue(3);
            capture.filename = query.FieldValue(4);
            capture.offset = query.FieldIsNull(5) ? -1 : query.FieldValue(5).toLongLong();
            capture.length = query.FieldIsNull(6) ? -1 : query.FieldValue(6).toLongLong();
            capture.status = 200;
            captures.append(capture);
        }
    } catch (const SqliteError& error) {
        lastError_ = error.Message();
    }
    return captures;
}

bool CaptureTable::KeepRescue(const ArchiveCapture& capture) {
    QMutexLocker hold(&lock_);
    if (!keepRescue_.IsValid()) return false;
    try {
        keepRescue_.Bind(1, capture.link);
        keepRescue_.Bind(2, ArchiveCapture::SourceName(capture.source));
        keepRescue_.Bind(3, capture.timestamp);
        keepRescue_.ExecDML();
        return true;
    } catch (const SqliteError& error) {
        lastError_ = error.Message();
        return false;
    }
}

ArchiveCapture CaptureTable::RescueOf(const QString& link, bool* found) {
    QMutexLocker hold(&lock_);
    ArchiveCapture capture;
    capture.link = link;
    *found = false;
    if (!findRescue_.IsValid()) return capture;
    try {
        findRescue_.Bind(1, link);
        SqliteQuery query = findRescue_.ExecQuery();
        if (query.Eof()) return capture;
        capture.source = query.FieldValue(0) == QLatin1StringView("commoncrawl") ? ArchiveSource::CommonCrawl
                                                                                : ArchiveSource::Wayback;
        capture.timestamp = query.FieldValue(1);
        *found = true;
    } catch (const SqliteError& error) {
        lastError_ = error.Message();
    }
    return capture;
}

QString CaptureTable::LastError() const {
    QMutexLocker hold(&lock_);
    return lastError_;
}
