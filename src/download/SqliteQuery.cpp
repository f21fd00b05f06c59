#include "download/SqliteQuery.h"

#include <sqlite3.h>

#include "download/SqliteError.h"

SqliteQuery::SqliteQuery(sqlite3* db, sqlite3_stmt* statement, bool eof, bool ownsStatement)
    : db_(db), statement_(statement), eof_(eof), owns_(ownsStatement) {}

SqliteQuery::SqliteQuery(SqliteQuery&& other) noexcept
    : db_(other.db_), statement_(other.statement_), eof_(other.eof_), owns_(other.owns_) {
    other.statement_ = nullptr;
}

SqliteQuery::~SqliteQuery() {
    Finalize();
}

void SqliteQuery::CheckStatement() const {
    if (!statement_) {
        throw SqliteError(SqliteError::kWrapperError, QStringLiteral("Null Virtual Machine pointer"));
    }
}

int SqliteQuery::FieldCount() const {
    CheckStatement();
    return sqlite3_column_count(statement_);
}

QString SqliteQuery::FieldValue(int field) const {
    CheckStatement();
    if (field < 0 || field >= sqlite3_column_count(statement_)) {
        throw SqliteError(SqliteError::kWrapperError, QStringLiteral("Invalid field index requested"));
    }
    const void* text = sqlite3_column_text16(statement_, field);
    const int bytes = sqlite3_column_bytes16(statement_, field);
    return text ? QString(static_cast<const QChar*>(text), bytes / 2) : QString();
}

bool SqliteQuery::FieldIsNull(int field) const {
    CheckStatement();
    if (field < 0 || field >= sqlite3_column_count(statement_)) {
        throw SqliteError(SqliteError::kWrapperError, QStringLiteral("Invalid field index requested"));
    }
    return sqlite3_column_type(statement_, field) == SQLITE_NULL;
}

void SqliteQuery::NextRow() {
    CheckStatement();
    const int result = sqlite3_step(statement_);
    if (result == SQLITE_ROW) return;
    eof_ = true;
    if (result != SQLITE_DONE) throw SqliteError(result, SqliteError::TextOf(db_));
}

void SqliteQuery::Finalize() {
    if (!statement_) return;
    if (owns_) {
        sqlite3_finalize(statement_);
    } else {
        sqlite3_reset(statement_);
    }
    statement_ = nullptr;
}
