#pragma once
// The rows of one query, read forward. Owns its prepared statement only when it made it itself.

#include <QString>

struct sqlite3;
struct sqlite3_stmt;

class SqliteQuery {
  public:
    SqliteQuery(sqlite3* db, sqlite3_stmt* statement, bool eof, bool ownsStatement);
    SqliteQuery(SqliteQuery&& other) noexcept;
    SqliteQuery& operator=(SqliteQuery&&) = delete;
    ~SqliteQuery();

    bool Eof() const { return eof_; }
    int FieldCount() const;
    QString FieldValue(int field) const;
    bool FieldIsNull(int field) const;
    void NextRow();
    void Finalize();

  private:
    void CheckStatement() const;

    sqlite3* db_;
    sqlite3_stmt* statement_;
    bool eof_;
    bool owns_;
};
