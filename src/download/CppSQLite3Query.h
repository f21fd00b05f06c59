#pragma once
// The rows of one query, read forward. Owns its prepared statement only when it made it itself.

#include <QString>

struct sqlite3;
struct sqlite3_stmt;

class CppSQLite3Query {
  public:
    CppSQLite3Query(sqlite3* db, sqlite3_stmt* statement, bool eof, bool ownsStatement);
    CppSQLite3Query(CppSQLite3Query&& other) noexcept;
    CppSQLite3Query& operator=(CppSQLite3Query&&) = delete;
    ~CppSQLite3Query();

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
