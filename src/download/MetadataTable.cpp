#include "download/MetadataTable.h"

#include <QJsonDocument>
#include <QMutexLocker>

#include "download/SqliteError.h"

namespace {

DocMetadata Parse(const QString& json) {
    return DocMetadata::FromJson(QJsonDocument::fromJson(json.toUtf8()).object());
}

}  // namespace

MetadataTable::~MetadataTable() { Close(); }

bool MetadataTable::Open(const QString& path, QString* problem) {
    QMutexLocker lock(&lock_);
    try {
        db_.Close();
        db_.Open(path);
        try {
            // A record per document read, each its own commit: with full syncing each waited for the
            // disk. The registry's connection syncs the same way; a crash of the program loses nothing.
            db_.ExecDML(QStringLiteral("PRAGMA synchronous=NORMAL"));
        } catch (const SqliteError&) {
        }
        // The columns the window sorts and the report groups by, beside the whole record as JSON.
        db_.ExecDML(QStringLiteral(
            "create table if not exists docmeta(sha256 text primary key, status text, title text, author text, "
            "pages integer, created text, producer text, fields text);"));
        // The pending documents come from docfiles, which an older registry may lack until the link
        // registry opens it writable: made here the same way so the query below always compiles.
        db_.ExecDML(QStringLiteral(
            "create table if not exists docfiles(doclink text, sha256 text, size integer, file text);"));
        return true;
    } catch (const SqliteError& failure) {
        db_.Close();
        if (problem) *problem = failure.Message();
        return false;
    }
}

void MetadataTable::Close() {
    QMutexLocker lock(&lock_);
    db_.Close();
}

bool MetadataTable::Store(const DocMetadata& metadata) {
    if (metadata.sha256.isEmpty()) return false;
    QMutexLocker lock(&lock_);
    try {
        SqliteStatement insert = db_.CompileStatement(QStringLiteral(
            "insert or replace into docmeta(sha256, status, title, author, pages, created, producer, fields) "
            "values(?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8)"));
        insert.Bind(1, metadata.sha256);
        insert.Bind(2, DocMetadata::StatusName(metadata.status));
        insert.Bind(3, metadata.title);
        insert.Bind(4, metadata.author);
        insert.Bind(5, qint64(metadata.pages));
        insert.Bind(6, metadata.created);
        insert.Bind(7, metadata.producer.isEmpty() ? metadata.application : metadata.producer);
        insert.Bind(8, QString::fromUtf8(QJsonDocument(metadata.ToJson()).toJson(QJsonDocument::Compact)));
        insert.ExecDML();
        return true;
    } catch (const SqliteError&) {
        return false;
    }
}

std::optional<DocMetadata> MetadataTable::Find(const QString& sha256) {
    QMutexLocker lock(&lock_);
    try {
        SqliteStatement find = db_.CompileStatement(QStringLiteral("SELECT fields FROM docmeta WHERE sha256=?1"));
        find.Bind(1, sha256);
        SqliteQuery query = find.ExecQuery();
        if (query.Eof()) return std::nullopt;
        return Parse(query.FieldValue(0));
    } catch (const SqliteError&) {
        return std::nullopt;
    }
}

QList<MetadataTable::Pending> MetadataTable::PendingDocuments(int limit) {
    QList<Pending> pending;
    QMutexLocker lock(&lock_);
    try {
        SqliteStatement select = db_.CompileStatement(QStringLiteral(
            "SELECT f.sha256, MIN(f.file) FROM docfiles f LEFT JOIN docmeta m ON m.sha256=f.sha256 "
            "WHERE m.sha256 IS NULL AND f.sha256 IS NOT NULL AND f.sha256<>'' AND f.file IS NOT NULL AND f.file<>'' "
            "GROUP BY f.sha256 UNION ALL "
            "SELECT '', file FROM docfiles WHERE sha256='' AND file IS NOT NULL AND file<>'' GROUP BY file LIMIT ?1"));
        select.Bind(1, qint64(limit));
        for (SqliteQuery query = select.ExecQuery(); !query.Eof(); query.NextRow()) {
            pending.append({query.FieldValue(0), query.FieldValue(1)});
        }
    } catch (const SqliteError&) {
    }
    return pending;
}

void MetadataTable::FillDigest(const QString& file, const QString& sha256) {
    QMutexLocker lock(&lock_);
    try {
        SqliteStatement fill = db_.CompileStatement(
            QStringLiteral("UPDATE docfiles SET sha256=NULLIF(?2, '') WHERE file=?1 AND sha256=''"));
        fill.Bind(1, file);
        fill.Bind(2, sha256);
        fill.ExecDML();
    } catch (const SqliteError&) {
    }
}

QList<MetadataTable::Entry> MetadataTable::Documents() {
    QList<Entry> entries;
    QMutexLocker lock(&lock_);
    try {
        SqliteQuery query = db_.ExecQuery(QStringLiteral(
            "SELECT f.doclink, f.file, m.fields FROM docfiles f JOIN docmeta m ON m.sha256=f.sha256 ORDER BY f.rowid"));
        for (; !query.Eof(); query.NextRow()) {
            entries.append({query.FieldValue(0), query.FieldValue(1), Parse(query.FieldValue(2))});
        }
    } catch (const SqliteError&) {
    }
    return entries;
}

std::optional<DocMetadata> MetadataTable::ForLink(const QString& link) {
    QMutexLocker lock(&lock_);
    try {
        SqliteStatement find = db_.CompileStatement(QStringLiteral(
            "SELECT m.fields FROM docfiles f JOIN docmeta m ON m.sha256=f.sha256 WHERE f.doclink=?1 LIMIT 1"));
        find.Bind(1, link);
        SqliteQuery query = find.ExecQuery();
        if (query.Eof()) return std::nullopt;
        return Parse(query.FieldValue(0));
    } catch (const SqliteError&) {
        return std::nullopt;
    }
}
