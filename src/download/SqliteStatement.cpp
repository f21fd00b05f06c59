#include "download/SqliteStatement.h"

#include <sqlite3.h>

#include "download/SqliteError.h"

SqliteStatement::SqliteStatement(SqliteStatement&& other) noexcept
    : db_(other.db_), statement_(other.statement_) {
    other.statement_ = nullptr;
}

SqliteStatement& SqliteStatement::operator=(SqliteStatement&& other) noexcept {
    if (this != &other) {
        Finalize();
        db_ = other.db_;
        statement_ = other.statement_;
        other.statement_ = nullptr;
    }
    return *this;
}

SqliteStatement::~SqliteStatement() {
    Finalize();
}

void SqliteStatement::CheckStatement() const {
    if (!statement_) {
        throw SqliteError(SqliteError::kWrapperError, QStringLiteral("Null Virtual Machine pointer"));
    }
}

void SqliteStatement::Bind(int parameter, const QString& value) {
    CheckStatement();
    // UTF-16 lengths are in bytes.
    const int result =
        sqlite3_bind_text16(statement_, parameter, value.utf16(), int(value.size() * 2), SQLITE_TRANSIENT);
    if (result != SQLITE_OK) throw SqliteError(result, SqliteError::TextOf(db_));
}

void SqliteStatement::Bind(int parameter, qint64 value) {
    CheckStatement();
    const int result = sqlite3_bind_int64(statement_, parameter, sqlite3_int64(value));
    if (result != SQLITE_OK) throw SqliteError(result, SqliteError::TextOf(db_));
}

int SqliteStatement::ExecDML() {
    CheckStatement();
    const int result = sqlite3_step(statement_);
    sqlite3_reset(statement_);
    if (result != SQLITE_DONE && result != SQLITE_ROW) {
        throw SqliteError(result, SqliteError::TextOf(db_));
    }
    return sqlite3_changes(db_);
}

SqliteQuery SqliteStatement::ExecQuery() {
    CheckStatement();
    const int result = sqlite3_step(statement_);
    if (result == SQLITE_ROW) return SqliteQuery(db_, statement_, false, false);
    if (result == SQLITE_DONE) return SqliteQuery(db_, statement_, true, false);
    sqlite3_reset(statement_);
    throw SqliteError(result, SqliteError::TextOf(db_));
}

void SqliteStatement::Finalize() {
    if (statement_) sqlite3_finalize(statement_);
    statement_ = nullptr;
}
