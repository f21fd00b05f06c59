#include "download/SqliteDatabase.h"

#include <sqlite3.h>

#include <QFileInfo>
#include <QUrl>

#include "download/SqliteError.h"

SqliteDatabase::~SqliteDatabase() {
    Close();
}

void SqliteDatabase::Open(const QString& path, Mode mode) {
    Close();
    sqlite3* db = nullptr;
    int result;
    if (mode == Mode::ReadWrite) {
        result = sqlite3_open16(path.utf16(), &db);
    } else {
        // Read-only opens go through a file: URI, whose path is percent-encoded.
        const QByteArray uri = QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()).toEncoded() +
                               (mode == Mode::Immutable ? "?immutable=1" : "?mode=ro");
        result = sqlite3_open_v2(uri.constData(), &db, SQLITE_OPEN_READONLY | SQLITE_OPEN_URI, nullptr);
    }
    if (result != SQLITE_OK) {
        const QString text =
            db ? SqliteError::TextOf(db) : QStringLiteral("cannot open %1").arg(path);
        sqlite3_close(db);
        throw SqliteError(result, text);
    }
    db_ = db;
    SetBusyTimeout(busyTimeoutMs_);
}

void SqliteDatabase::Close() {
    if (db_) sqlite3_close_v2(db_);
    db_ = nullptr;
}

void SqliteDatabase::SetBusyTimeout(int milliseconds) {
    busyTimeoutMs_ = milliseconds;
    if (db_) sqlite3_busy_timeout(db_, milliseconds);
}

void SqliteDatabase::CheckDB() const {
    if (!db_) throw SqliteError(SqliteError::kWrapperError, QStringLiteral("Database not open"));
}

sqlite3_stmt* SqliteDatabase::Compile(const QString& sql) {
    CheckDB();
    sqlite3_stmt* statement = nullptr;
    const int result = sqlite3_prepare16_v2(db_, sql.utf16(), int(sql.size() * 2), &statement, nullptr);
    if (result != SQLITE_OK) throw SqliteError(result, SqliteError::TextOf(db_));
    return statement;
}

int SqliteDatabase::ExecDML(const QString& sql) {
    SqliteStatement statement(db_, Compile(sql));
    return statement.ExecDML();
}

SqliteQuery SqliteDatabase::ExecQuery(const QString& sql) {
    sqlite3_stmt* statement = Compile(sql);
    const int result = sqlite3_step(statement);
    if (result == SQLITE_ROW || result == SQLITE_DONE)
        return SqliteQuery(db_, statement, result == SQLITE_DONE, true);
    sqlite3_finalize(statement);
    throw SqliteError(result, SqliteError::TextOf(db_));
}

int SqliteDatabase::ExecScalar(const QString& sql) {
    SqliteQuery query = ExecQuery(sql);
    if (query.Eof() || query.FieldCount() < 1) {
        throw SqliteError(SqliteError::kWrapperError, QStringLiteral("Invalid scalar query"));
    }
    return query.FieldValue(0).toInt();
}

SqliteStatement SqliteDatabase::CompileStatement(const QString& sql) {
    return SqliteStatement(db_, Compile(sql));
}
