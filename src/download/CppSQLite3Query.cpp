#include "download/CppSQLite3Query.h"

#include <sqlite3.h>

#include "download/CppSQLite3Exception.h"

CppSQLite3Query::CppSQLite3Query(sqlite3* db, sqlite3_stmt* statement, bool eof, bool ownsStatement)
    : db_(db), statement_(statement), eof_(eof), owns_(ownsStatement) {}

CppSQLite3Query::CppSQLite3Query(CppSQLite3Query&& other) noexcept
    : db_(other.db_), statement_(other.statement_), eof_(other.eof_), owns_(other.owns_) {
    other.statement_ = nullptr;
}

CppSQLite3Query::~CppSQLite3Query() {
    Finalize();
}

void CppSQLite3Query::CheckStatement() const {
    if (!statement_) {
        throw CppSQLite3Exception(CppSQLite3Exception::kWrapperError,
                                  QStringLiteral("Null Virtual Machine pointer"));
    }
}

int CppSQLite3Query::FieldCount() const {
    CheckStatement();
    return sqlite3_column_count(statement_);
}

QString CppSQLite3Query::FieldValue(int field) const {
    CheckStatement();
    if (field < 0 || field >= sqlite3_column_count(statement_)) {
        throw CppSQLite3Exception(CppSQLite3Exception::kWrapperError,
                                  QStringLiteral("Invalid field index requested"));
    }
    const void* text = sqlite3_column_text16(statement_, field);
    const int bytes = sqlite3_column_bytes16(statement_, field);
    return text ? QString(static_cast<const QChar*>(text), bytes / 2) : QString();
}

bool CppSQLite3Query::FieldIsNull(int field) const {
    CheckStatement();
    if (field < 0 || field >= sqlite3_column_count(statement_)) {
        throw CppSQLite3Exception(CppSQLite3Exception::kWrapperError,
                                  QStringLiteral("Invalid field index requested"));
    }
    return sqlite3_column_type(statement_, field) == SQLITE_NULL;
}

void CppSQLite3Query::NextRow() {
    CheckStatement();
    const int result = sqlite3_step(statement_);
    if (result == SQLITE_ROW) return;
    eof_ = true;
    if (result != SQLITE_DONE) throw CppSQLite3Exception(result, QString::fromUtf8(sqlite3_errmsg(db_)));
}

void CppSQLite3Query::Finalize() {
    if (!statement_) return;
    if (owns_) {
        sqlite3_finalize(statement_);
    } else {
        sqlite3_reset(statement_);
    }
    statement_ = nullptr;
}
