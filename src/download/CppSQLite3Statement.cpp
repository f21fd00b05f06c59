#include "download/CppSQLite3Statement.h"

#include <sqlite3.h>

#include "download/CppSQLite3Exception.h"

CppSQLite3Statement::CppSQLite3Statement(CppSQLite3Statement&& other) noexcept
    : db_(other.db_), statement_(other.statement_) {
    other.statement_ = nullptr;
}

CppSQLite3Statement& CppSQLite3Statement::operator=(CppSQLite3Statement&& other) noexcept {
    if (this != &other) {
        Finalize();
        db_ = other.db_;
        statement_ = other.statement_;
        other.statement_ = nullptr;
    }
    return *this;
}

CppSQLite3Statement::~CppSQLite3Statement() {
    Finalize();
}

void CppSQLite3Statement::CheckStatement() const {
    if (!statement_) {
        throw CppSQLite3Exception(CppSQLite3Exception::kWrapperError,
                                  QStringLiteral("Null Virtual Machine pointer"));
    }
}

void CppSQLite3Statement::Bind(int parameter, const QString& value) {
    CheckStatement();
    // UTF-16 lengths are in bytes.
    const int result =
        sqlite3_bind_text16(statement_, parameter, value.utf16(), int(value.size() * 2), SQLITE_TRANSIENT);
    if (result != SQLITE_OK) throw CppSQLite3Exception(result, QString::fromUtf8(sqlite3_errmsg(db_)));
}

void CppSQLite3Statement::Bind(int parameter, qint64 value) {
    CheckStatement();
    const int result = sqlite3_bind_int64(statement_, parameter, sqlite3_int64(value));
    if (result != SQLITE_OK) throw CppSQLite3Exception(result, QString::fromUtf8(sqlite3_errmsg(db_)));
}

int CppSQLite3Statement::ExecDML() {
    CheckStatement();
    const int result = sqlite3_step(statement_);
    sqlite3_reset(statement_);
    if (result != SQLITE_DONE && result != SQLITE_ROW) {
        throw CppSQLite3Exception(result, QString::fromUtf8(sqlite3_errmsg(db_)));
    }
    return sqlite3_changes(db_);
}

CppSQLite3Query CppSQLite3Statement::ExecQuery() {
    CheckStatement();
    const int result = sqlite3_step(statement_);
    if (result == SQLITE_ROW) return CppSQLite3Query(db_, statement_, false, false);
    if (result == SQLITE_DONE) return CppSQLite3Query(db_, statement_, true, false);
    sqlite3_reset(statement_);
    throw CppSQLite3Exception(result, QString::fromUtf8(sqlite3_errmsg(db_)));
}

void CppSQLite3Statement::Finalize() {
    if (statement_) sqlite3_finalize(statement_);
    statement_ = nullptr;
}
