#include "download/SqliteError.h"

#include <sqlite3.h>

#include <cstring>

namespace {

constexpr const char* kPrimaryNames[] = {
    "SQLITE_OK",       "SQLITE_ERROR",   "SQLITE_INTERNAL", "SQLITE_PERM",     "SQLITE_ABORT",
    "SQLITE_BUSY",     "SQLITE_LOCKED",  "SQLITE_NOMEM",    "SQLITE_READONLY", "SQLITE_INTERRUPT",
    "SQLITE_IOERR",    "SQLITE_CORRUPT", "SQLITE_NOTFOUND", "SQLITE_FULL",     "SQLITE_CANTOPEN",
    "SQLITE_PROTOCOL", "SQLITE_EMPTY",   "SQLITE_SCHEMA",   "SQLITE_TOOBIG",   "SQLITE_CONSTRAINT",
    "SQLITE_MISMATCH", "SQLITE_MISUSE",  "SQLITE_NOLFS",    "SQLITE_AUTH",     "SQLITE_FORMAT",
    "SQLITE_RANGE",    "SQLITE_NOTADB",  "SQLITE_NOTICE"};

}  // namespace

const char* SqliteError::CodeName(int code) {
    if (code >= 0 && code < int(std::size(kPrimaryNames))) return kPrimaryNames[code];
    if (code == 100) return "SQLITE_ROW";
    if (code == 101) return "SQLITE_DONE";
    if (code == kWrapperError) return "CPPSQLITE_ERROR";
    return "UNKNOWN_ERROR";
}

SqliteError::SqliteError(int code, const QString& text)
    : code_(code),
      message_(QStringLiteral("%1[%2]: %3").arg(QLatin1StringView(CodeName(code))).arg(code).arg(text)) {}

QString SqliteError::TextOf(sqlite3* db) {
    QString text = QString::fromUtf8(sqlite3_errmsg(db));
    const int primary = sqlite3_extended_errcode(db) & 0xff;
    const int error = sqlite3_system_errno(db);
    if ((primary == SQLITE_IOERR || primary == SQLITE_FULL || primary == SQLITE_CANTOPEN) && error != 0)
        text += QStringLiteral(" (%1)").arg(QString::fromLocal8Bit(std::strerror(error)));
    return text;
}
