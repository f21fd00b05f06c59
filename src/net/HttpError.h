#pragma once
// The failure every HTTP client and response operation throws: a code (libcurl's, or -1 for a refused
// argument) and a message. Caught at the boundary of each fetch operation, never beyond it.

#include <QString>
#include <exception>

class HttpError : public std::exception {
  public:
    HttpError(int code, QString message) : code_(code), message_(std::move(message)) {}
    int Code() const { return code_; }
    const QString& Message() const { return message_; }
    const char* what() const noexcept override { return "HttpError"; }

  private:
    int code_;
    QString message_;
};
