#include "net/CHttpResponseT.h"

#include <cstring>

#include "lists/TextCodec.h"
#include "net/httpclientexception.h"

CHttpResponseT::CHttpResponseT(long status, QList<QPair<QByteArray, QByteArray>> headers, QByteArray body,
                               QString effectiveUrl)
    : status_(status),
      headers_(std::move(headers)),
      body_(std::move(body)),
      effectiveUrl_(std::move(effectiveUrl)) {}

QString CHttpResponseT::GetHeader(const QString& name, int index) const {
    if (name.isNull())
        throw httpclientexception(-1, QStringLiteral("CHttpResponseT::GetHeader: szName can not be NULL."));
    const QByteArray wanted = name.toLatin1().toLower();
    for (const auto& header : headers_) {
        if (header.first.toLower() == wanted && index-- == 0) return TextCodec::Decode(header.second);
    }
    return {};
}

qint64 CHttpResponseT::ReadContent(char* buffer, qint64 capacity) {
    if (!buffer)
        throw httpclientexception(-1,
                                  QStringLiteral("CHttpResponseT::ReadContent: pbyBuff can not be NULL."));
    if (capacity == 0)
        throw httpclientexception(-1, QStringLiteral("CHttpResponseT::ReadContent: cbBuff can not be zero."));
    const qint64 count = qMin<qint64>(capacity, body_.size() - readPos_);
    std::memcpy(buffer, body_.constData() + readPos_, size_t(count));
    readPos_ += count;
    return count;
}

QByteArray CHttpResponseT::ReadAll() {
    QByteArray rest = body_.mid(readPos_);
    readPos_ = body_.size();
    return rest;
}
