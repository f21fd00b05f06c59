#pragma once
// A prepared statement with parameters, run many times. Values are always bound, never pasted into the
// SQL text, so a link with quotes or SQL in it is just text.

#include <QString>

#include "download/SqliteQuery.h"

struct sqlite3;
struct sqlite3_stmt;

class SqliteStatement {
  public:
    SqliteStatement() = default;
    SqliteStatement(sqlite3* db, sqlite3_stmt* statement) : db_(db), statement_(statement) {}
    SqliteStatement(SqliteStatement&& other) noexcept;
    SqliteStatement& operator=(SqliteStatement&& other) noexcept;
    ~SqliteStatement();

    void Bind(int parameter, const QString& value);
    void Bind(int parameter, qint64 value);
    // Runs it once; the number of rows changed.
    int ExecDML();
    // Runs it as a query; the statement stays ours and is reset when the query is finalized.
    SqliteQuery ExecQuery();
    void Finalize();
    bool IsValid() const { return statement_ != nullptr; }

  private:
    void CheckStatement() const;

    sqlite3* db_ = nullptr;
    sqlite3_stmt* statement_ = nullptr;
};
