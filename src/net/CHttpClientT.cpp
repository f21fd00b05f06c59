#include "net/CHttpClientT.h"

#include <curl/curl.h>

#include <QUrl>
#include <QUrlQuery>

#include "net/CurlSetup.h"
#include "net/httpclientexception.h"

namespace {

// How long a silent connection may last before the fetch is given up: nothing ever hangs for good.
constexpr long kConnectTimeoutMs = 20000;
constexpr long kStallSeconds = 60;

struct Receiver {
    QList<QPair<QByteArray, QByteArray>> headers;
    QByteArray body;
    bool discard = false;
    qint64 limit = 0;
    qint64 seen = 0;
    bool overLimit = false;
};

size_t OnHeader(char* data, size_t size, size_t count, void* user) {
    auto* receiver = static_cast<Receiver*>(user);
    const QByteArray line = QByteArray(data, qsizetype(size * count)).trimmed();
    // Each response of a redirect chain starts with its status line: keep only the last one's headers.
    if (line.startsWith("HTTP/")) {
        receiver->headers.clear();
    } else if (const qsizetype colon = line.indexOf(':'); colon > 0) {
        receiver->headers.append({line.left(colon).trimmed(), line.mid(colon + 1).trimmed()});
    }
    return size * count;
}

size_t OnBody(char* data, size_t size, size_t count, void* user) {
    auto* receiver = static_cast<Receiver*>(user);
    const size_t bytes = size * count;
    receiver->seen += qint64(bytes);
    if (receiver->seen > receiver->limit) {
        receiver->overLimit = true;
        return 0;  // stops the transfer
    }
    if (!receiver->discard) receiver->body.append(data, qsizetype(bytes));
    return bytes;
}

int OnProgress(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    const auto* abort = static_cast<const std::atomic<bool>*>(user);
    return abort && abort->load() ? 1 : 0;
}

}  // namespace

void CHttpClientT::AddHeader(const QString& name, const QString& value) {
    if (name.isNull())
        throw httpclientexception(-1, QStringLiteral("CHttpClientT::AddHeader: szName can not be NULL."));
    if (name.isEmpty()) {
        throw httpclientexception(
            -1, QStringLiteral("CHttpClientT::AddHeader: szName can not be an empty string."));
    }
    if (value.isNull()) {
        throw httpclientexception(-1, QStringLiteral("CHttpClientT::AddHeader: szValue can not be NULL."));
    }
    if (value.isEmpty()) {
        throw httpclientexception(
            -1, QStringLiteral("CHttpClientT::AddHeader: szValue can not be an empty string."));
    }
    headers_.append({name, value});
}

std::unique_ptr<CHttpResponseT> CHttpClientT::RequestGet(const QString& address, bool useCache) {
    QString target = CurlSetup::NormalizeAddress(address);
    if (!params_.isEmpty()) {
        QUrlQuery query;
        for (const auto& param : params_) query.addQueryItem(param.first, param.second);
        target += (target.contains(u'?') ? u'&' : u'?') + query.toString(QUrl::FullyEncoded);
    }
    if (!CurlSetup::IsUsableAddress(target)) {
        throw httpclientexception(CURLE_URL_MALFORMAT, QStringLiteral("invalid address: %1").arg(address));
    }

    CURL* handle = CurlSetup::ThreadHandle();
    if (!handle) throw httpclientexception(CURLE_FAILED_INIT, QStringLiteral("libcurl could not start"));
    CurlSetup::Lists lists;
    CurlSetup::ApplyCommon(handle, lists);

    for (const auto& header : headers_) {
        // A referer comes from the web: a line break in it must not start a header of its own.
        QString line = header.first + QStringLiteral(": ") + header.second;
        line.replace(u'\r', u' ').replace(u'\n', u' ');
        lists.headers = curl_slist_append(lists.headers, line.toUtf8().constData());
    }
    if (!useCache) {
        lists.headers = curl_slist_append(lists.headers, "Cache-Control: no-cache");
        lists.headers = curl_slist_append(lists.headers, "Pragma: no-cache");
    }
    Receiver receiver;
    receiver.discard = discardBody_;
    receiver.limit = bodyLimit_;
    char error[CURL_ERROR_SIZE] = {0};

    const QByteArray url = target.toUtf8();
    const QByteArray agent = userAgent_.toUtf8();
    curl_easy_setopt(handle, CURLOPT_URL, url.constData());
    curl_easy_setopt(handle, CURLOPT_USERAGENT, agent.constData());
    curl_easy_setopt(handle, CURLOPT_HTTPHEADER, lists.headers);
    curl_easy_setopt(handle, CURLOPT_FOLLOWLOCATION, (extraFlags_ & kNoAutoRedirect) ? 0L : 1L);
    curl_easy_setopt(handle, CURLOPT_ACCEPT_ENCODING, "");
    curl_easy_setopt(handle, CURLOPT_CONNECTTIMEOUT_MS, kConnectTimeoutMs);
    curl_easy_setopt(handle, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(handle, CURLOPT_LOW_SPEED_TIME, kStallSeconds);
    curl_easy_setopt(handle, CURLOPT_HEADERFUNCTION, OnHeader);
    curl_easy_setopt(handle, CURLOPT_HEADERDATA, &receiver);
    curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, OnBody);
    curl_easy_setopt(handle, CURLOPT_WRITEDATA, &receiver);
    curl_easy_setopt(handle, CURLOPT_ERRORBUFFER, error);
    if (abort_) {
        curl_easy_setopt(handle, CURLOPT_XFERINFOFUNCTION, OnProgress);
        curl_easy_setopt(handle, CURLOPT_XFERINFODATA, abort_);
        curl_easy_setopt(handle, CURLOPT_NOPROGRESS, 0L);
    }

    const CURLcode code = curl_easy_perform(handle);
    curl_easy_setopt(handle, CURLOPT_ERRORBUFFER, nullptr);
    const bool drainedEnough = receiver.overLimit && discardBody_;
    if (code != CURLE_OK && !drainedEnough) {
        const QString detail = receiver.overLimit
                                   ? QStringLiteral("the body is larger than %1 bytes").arg(bodyLimit_)
                               : *error ? QString::fromUtf8(error)
                                        : QString::fromUtf8(curl_easy_strerror(code));
        throw httpclientexception(code, QStringLiteral("%1: %2").arg(address, detail));
    }
    long status = 0;
    curl_easy_getinfo(handle, CURLINFO_RESPONSE_CODE, &status);
    char* effective = nullptr;
    curl_easy_getinfo(handle, CURLINFO_EFFECTIVE_URL, &effective);
    return std::make_unique<CHttpResponseT>(status, std::move(receiver.headers), std::move(receiver.body),
                                            effective ? QString::fromUtf8(effective) : target);
}
