#include "net/HttpClient.h"

#include <curl/curl.h>

#include "net/CurlSetup.h"
#include "net/HttpError.h"
#include "net/HttpRequest.h"

namespace {

// How long a silent connection may last before the fetch is given up: nothing ever hangs for good.
constexpr long kConnectTimeoutMs = 20000;
constexpr long kStallSeconds = 60;

}  // namespace

void HttpClient::AddHeader(const QString& name, const QString& value) {
    // Run-log readers search for these texts word for word.
    if (name.isNull()) throw HttpError(-1, QStringLiteral("HttpClient::AddHeader: szName can not be NULL."));
    if (name.isEmpty())
        throw HttpError(-1, QStringLiteral("HttpClient::AddHeader: szName can not be an empty string."));
    if (value.isNull())
        throw HttpError(-1, QStringLiteral("HttpClient::AddHeader: szValue can not be NULL."));
    if (value.isEmpty())
        throw HttpError(-1, QStringLiteral("HttpClient::AddHeader: szValue can not be an empty string."));
    headers_.append({name, value});
}

void HttpClient::AddSecretHeader(const QString& name, const QString& value) {
    if (name.isEmpty() || value.isEmpty())
        throw HttpError(-1, QStringLiteral("HttpClient::AddSecretHeader: empty name or value"));
    secretHeaders_.append({name, value});
}

namespace {

QByteArray HeaderLine(const QPair<QString, QString>& header) {
    // A referer comes from the web: a line break in it must not start a header of its own.
    QString line = header.first + QStringLiteral(": ") + header.second;
    line.replace(u'\r', u' ').replace(u'\n', u' ');
    return line.toUtf8();
}

}  // namespace

std::unique_ptr<HttpResponse> HttpClient::Get(const QString& address, bool useCache) {
    const QString target = CurlSetup::NormalizeAddress(address);
    if (!CurlSetup::IsUsableAddress(target)) {
        throw HttpError(CURLE_URL_MALFORMAT, QStringLiteral("invalid address: %1").arg(address));
    }

    CURL* handle = CurlSetup::ThreadHandle();
    if (!handle) throw HttpError(CURLE_FAILED_INIT, QStringLiteral("libcurl could not start"));

    HttpRequest request;
    request.url = target.toUtf8();
    request.userAgent = userAgent_.toUtf8();
    for (const auto& header : headers_) request.headers.append(HeaderLine(header));
    for (const auto& header : secretHeaders_) request.secretHeaders.append(HeaderLine(header));
    request.refuseForeignRedirects = refuseForeignRedirects_;
    request.totalTimeoutMs = timeLimitMs_;
    request.keepPrefix = keepPrefix_;
    if (!useCache) {
        request.headers.append("Cache-Control: no-cache");
        request.headers.append("Pragma: no-cache");
    }
    request.followRedirects = followRedirects_;
    request.role = role_;
    request.poolProxy = poolProxy_;
    request.acceptEncoding = true;
    request.connectTimeoutMs = kConnectTimeoutMs;
    request.stallSeconds = kStallSeconds;
    request.sink = discardBody_ ? HttpRequest::BodySink::Discard : HttpRequest::BodySink::Memory;
    request.bodyLimit = bodyLimit_;
    request.collectHeaders = true;
    if (abort_ || cancelled_) {
        request.cancelled = [abort = abort_, cancelled = cancelled_] {
            return (abort && abort->load()) || (cancelled && cancelled());
        };
    }

    HttpResult result = HttpTransport::Perform(handle, request);
    const bool drainedEnough = result.overLimit && (discardBody_ || keepPrefix_);
    if (!result.Ok() && !drainedEnough) {
        const QString detail = result.overLimit
                                   ? QStringLiteral("the body is larger than %1 bytes").arg(bodyLimit_)
                                   : result.ErrorText();
        throw HttpError(result.code, QStringLiteral("%1: %2").arg(address, detail));
    }
    return std::make_unique<HttpResponse>(result.status, std::move(result.headers), std::move(result.body),
                                          result.effectiveUrl);
}
