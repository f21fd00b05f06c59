#pragma once
// One SQLite connection opened through the UTF-16 entry points, with a busy time-out (60 s unless told
// otherwise). Throws SqliteError on every failure. Not thread-safe: the owner locks.

#include <QString>

#include "download/SqliteQuery.h"
#include "download/SqliteStatement.h"

struct sqlite3;

class SqliteDatabase {
  public:
    static constexpr int kDefaultBusyTimeoutMs = 60000;

    SqliteDatabase() = default;
    ~SqliteDatabase();
    SqliteDatabase(const SqliteDatabase&) = delete;
    SqliteDatabase& operator=(const SqliteDatabase&) = delete;

    // ReadOnly never writes; Immutable also assumes nobody else changes the file, which is how a
    // write-ahead-log database in a folder we may not write to can be read at all.
    enum class Mode { ReadWrite, ReadOnly, Immutable };
    void Open(const QString& path, Mode mode = Mode::ReadWrite);
    void Close();
    bool IsOpen() const { return db_ != nullptr; }
    void SetBusyTimeout(int milliseconds);

    int ExecDML(const QString& sql);
    SqliteQuery ExecQuery(const QString& sql);
    int ExecScalar(const QString& sql);
    SqliteStatement CompileStatement(const QString& sql);

  private:
    void CheckDB() const;
    struct sqlite3_stmt* Compile(const QString& sql);

    sqlite3* db_ = nullptr;
    int busyTimeoutMs_ = kDefaultBusyTimeoutMs;
};
