#pragma once
// The failure of a database call: the SQLite result code (or 1000 for the wrapper's own errors) and a
// message "NAME[code]: text".

#include <QString>
#include <exception>

struct sqlite3;

class SqliteError : public std::exception {
  public:
    static constexpr int kWrapperError = 1000;

    SqliteError(int code, const QString& text);
    int Code() const { return code_; }
    const QString& Message() const { return message_; }
    const char* what() const noexcept override { return "SqliteError"; }

    static const char* CodeName(int code);
    // SQLite's text for the last failure on `db`; for a failure of the disk, with the system's reason
    // ("No space left on device"), which SQLite's own text ("disk I/O error") leaves out.
    static QString TextOf(sqlite3* db);

  private:
    int code_;
    QString message_;
};
