#include "download/CppSQLite3DB.h"

#include <sqlite3.h>

#include <QFileInfo>
#include <QUrl>

#include "download/CppSQLite3Exception.h"

CppSQLite3DB::~CppSQLite3DB() {
    Close();
}

void CppSQLite3DB::Open(const QString& path, Mode mode) {
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
            db ? QString::fromUtf8(sqlite3_errmsg(db)) : QStringLiteral("cannot open %1").arg(path);
        sqlite3_close(db);
        throw CppSQLite3Exception(result, text);
    }
    db_ = db;
    SetBusyTimeout(busyTimeoutMs_);
}

void CppSQLite3DB::Close() {
    if (db_) sqlite3_close_v2(db_);
    db_ = nullptr;
}

void CppSQLite3DB::SetBusyTimeout(int milliseconds) {
    busyTimeoutMs_ = milliseconds;
    if (db_) sqlite3_busy_timeout(db_, milliseconds);
}

void CppSQLite3DB::CheckDB() const {
    if (!db_)
        throw CppSQLite3Exception(CppSQLite3Exception::kWrapperError, QStringLiteral("Database not open"));
}

sqlite3_stmt* CppSQLite3DB::Compile(const QString& sql) {
    CheckDB();
    sqlite3_stmt* statement = nullptr;
    const int result = sqlite3_prepare16_v2(db_, sql.utf16(), int(sql.size() * 2), &statement, nullptr);
    if (result != SQLITE_OK) throw CppSQLite3Exception(result, QString::fromUtf8(sqlite3_errmsg(db_)));
    return statement;
}

int CppSQLite3DB::ExecDML(const QString& sql) {
    CppSQLite3Statement statement(db_, Compile(sql));
    return statement.ExecDML();
}

CppSQLite3Query CppSQLite3DB::ExecQuery(const QString& sql) {
    sqlite3_stmt* statement = Compile(sql);
    const int result = sqlite3_step(statement);
    if (result == SQLITE_ROW || result == SQLITE_DONE)
        return CppSQLite3Query(db_, statement, result == SQLITE_DONE, true);
    sqlite3_finalize(statement);
    throw CppSQLite3Exception(result, QString::fromUtf8(sqlite3_errmsg(db_)));
}

int CppSQLite3DB::ExecScalar(const QString& sql) {
    CppSQLite3Query query = ExecQuery(sql);
    if (query.Eof() || query.FieldCount() < 1) {
        throw CppSQLite3Exception(CppSQLite3Exception::kWrapperError, QStringLiteral("Invalid scalar query"));
    }
    return query.FieldValue(0).toInt();
}

CppSQLite3Statement CppSQLite3DB::CompileStatement(const QString& sql) {
    return CppSQLite3Statement(db_, Compile(sql));
}
