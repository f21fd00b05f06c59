#pragma once
// The answer to one GET: status, the headers of the final response (in order, names without case) and
// the body. Owned by the caller; used on one thread.

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>

class HttpResponse {
  public:
    HttpResponse(long status, QList<QPair<QByteArray, QByteArray>> headers, QByteArray body,
                 QString effectiveUrl);

    long StatusCode() const { return status_; }
    const QString& EffectiveUrl() const { return effectiveUrl_; }

    // The index-th header of that name; empty when there is none.
    QString Header(const QString& name, int index = 0) const;
    // The whole unread rest of the body.
    QByteArray ReadAll();

  private:
    long status_;
    QList<QPair<QByteArray, QByteArray>> headers_;
    QByteArray body_;
    qsizetype readPos_ = 0;
    QString effectiveUrl_;
};
