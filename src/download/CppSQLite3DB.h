#pragma once
// One SQLite connection opened through the UTF-16 entry points, with a busy time-out (60 s unless told
// otherwise). Throws CppSQLite3Exception on every failure. Not thread-safe: the owner locks.

#include <QString>

#include "download/CppSQLite3Query.h"
#include "download/CppSQLite3Statement.h"

struct sqlite3;

class CppSQLite3DB {
  public:
    static constexpr int kDefaultBusyTimeoutMs = 60000;

    CppSQLite3DB() = default;
    ~CppSQLite3DB();
    CppSQLite3DB(const CppSQLite3DB&) = delete;
    CppSQLite3DB& operator=(const CppSQLite3DB&) = delete;

    // ReadOnly never writes; Immutable also assumes nobody else changes the file, which is how a
    // write-ahead-log database in a folder we may not write to can be read at all.
    enum class Mode { ReadWrite, ReadOnly, Immutable };
    void Open(const QString& path, Mode mode = Mode::ReadWrite);
    void Close();
    bool IsOpen() const { return db_ != nullptr; }
    void SetBusyTimeout(int milliseconds);

    int ExecDML(const QString& sql);
    CppSQLite3Query ExecQuery(const QString& sql);
    int ExecScalar(const QString& sql);
    CppSQLite3Statement CompileStatement(const QString& sql);

  private:
    void CheckDB() const;
    struct sqlite3_stmt* Compile(const QString& sql);

    sqlite3* db_ = nullptr;
    int busyTimeoutMs_ = kDefaultBusyTimeoutMs;
};
