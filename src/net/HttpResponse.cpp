#include "net/HttpResponse.h"

#include "lists/TextCodec.h"

HttpResponse::HttpResponse(long status, QList<QPair<QByteArray, QByteArray>> headers, QByteArray body,
                           QString effectiveUrl)
    : status_(status),
      headers_(std::move(headers)),
      body_(std::move(body)),
      effectiveUrl_(std::move(effectiveUrl)) {}

QString HttpResponse::Header(const QString& name, int index) const {
    const QByteArray wanted = name.toLatin1().toLower();
    for (const auto& header : headers_) {
        if (header.first.toLower() == wanted && index-- == 0) return TextCodec::Decode(header.second);
    }
    return {};
}

QByteArray HttpResponse::ReadAll() {
    QByteArray rest = body_.mid(readPos_);
    readPos_ = body_.size();
    return rest;
}
