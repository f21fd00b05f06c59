#include "net/HttpRequest.h"

#include <curl/curl.h>

#include <QCoreApplication>

#include "net/CurlSetup.h"

namespace {

struct Receiver {
    const HttpRequest* request = nullptr;
    HttpResult* result = nullptr;
    qint64 seen = 0;
};

size_t OnHeader(char* data, size_t size, size_t count, void* user) {
    auto* receiver = static_cast<Receiver*>(user);
    // Read in place: a page's dozen header lines cost no copies but the kept name and value.
    const QByteArrayView line = QByteArrayView(data, qsizetype(size * count)).trimmed();
    auto& headers = receiver->result->headers;
    // Each answer of a redirect chain starts with its status line: keep only the last one's headers.
    if (line.startsWith("HTTP/")) {
        headers.clear();
        headers.reserve(16);  // an answer's usual count, grown once instead of line by line
    } else if (const qsizetype colon = line.indexOf(':'); colon > 0) {
        headers.append({line.first(colon).trimmed().toByteArray(), line.sliced(colon + 1).trimmed().toByteArray()});
    }
    return size * count;
}

size_t OnBody(char* data, size_t size, size_t count, void* user) {
    auto* receiver = static_cast<Receiver*>(user);
    const size_t bytes = size * count;
    const HttpRequest& request = *receiver->request;
    if (request.sink == HttpRequest::BodySink::Callback) {
        return request.onBody && request.onBody(data, bytes) ? bytes : 0;
    }
    const qint64 before = receiver->seen;
    receiver->seen += qint64(bytes);
    if (request.bodyLimit >= 0 && receiver->seen > request.bodyLimit) {
        receiver->result->overLimit = true;
        if (request.keepPrefix && request.sink == HttpRequest::BodySink::Memory)
            receiver->result->body.append(data, qsizetype(request.bodyLimit - before));
        return 0;  // stops the transfer
    }
    if (request.sink == HttpRequest::BodySink::Memory) receiver->result->body.append(data, qsizetype(bytes));
    return bytes;
}

int OnProgress(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    const auto* cancelled = static_cast<const std::function<bool()>*>(user);
    return (*cancelled)() ? 1 : 0;
}

}  // namespace

QString HttpResult::ErrorText() const {
    if (!errorDetail.isEmpty()) return errorDetail;
    return QString::fromUtf8(curl_easy_strerror(CURLcode(code)));
}

NetworkFault HttpTransport::NetworkFaultOf(int code) {
    switch (CURLcode(code)) {
        case CURLE_COULDNT_RESOLVE_HOST:
        case CURLE_COULDNT_RESOLVE_PROXY:
            return NetworkFault::Resolve;
        case CURLE_COULDNT_CONNECT:
            return NetworkFault::Connect;
        case CURLE_SSL_CONNECT_ERROR:
        case CURLE_PEER_FAILED_VERIFICATION:
        case CURLE_SSL_CERTPROBLEM:
        case CURLE_SSL_CIPHER:
        case CURLE_SSL_CACERT_BADFILE:
        case CURLE_SSL_ISSUER_ERROR:
        case CURLE_SSL_PINNEDPUBKEYNOTMATCH:
        case CURLE_SSL_INVALIDCERTSTATUS:
            return NetworkFault::Tls;
        default:
            return NetworkFault::None;
    }
}

namespace {

// libcurl's own words ("Maximum (20) redirects followed") leave the user guessing which site is at fault.
QString RedirectLoop(long maxRedirects, const QString& last) {
    return QCoreApplication::translate("HttpTransport",
                                       "too many redirects (%1): the server redirects in a loop, last to %2")
        .arg(maxRedirects)
        .arg(last);
}

HttpResult PerformOnce(CURL* handle, const HttpRequest& request) {
    HttpResult result;
    if (!handle) {
        result.code = CURLE_FAILED_INIT;
        return result;
    }
    CurlSetup::Lists lists;
    CurlSetup::ApplyCommon(handle, lists);
    for (const QByteArray& line : request.headers)
        lists.headers = curl_slist_append(lists.headers, line.constData());
    for (const QByteArray& line : request.secretHeaders)
        lists.headers = curl_slist_append(lists.headers, line.constData());

    if (request.proxy != HttpRequest::Proxy::None &&
        !CurlSetup::ApplyProxy(handle, request.role, request.poolProxy, &result.proxy, &result.errorDetail)) {
        result.code = CURLE_COULDNT_RESOLVE_PROXY;
        return result;
    }

    Receiver receiver{&request, &result, 0};
    char error[CURL_ERROR_SIZE] = {0};
    curl_easy_setopt(handle, CURLOPT_URL, request.url.constData());
    if (request.method == HttpRequest::Method::Post) {
        curl_easy_setopt(handle, CURLOPT_POSTFIELDS, request.postBody.constData());
        curl_easy_setopt(handle, CURLOPT_POSTFIELDSIZE, long(request.postBody.size()));
    }
    if (!request.userAgent.isEmpty())
        curl_easy_setopt(handle, CURLOPT_USERAGENT, request.userAgent.constData());
    if (lists.headers) curl_easy_setopt(handle, CURLOPT_HTTPHEADER, lists.headers);
    if (request.acceptEncoding) curl_easy_setopt(handle, CURLOPT_ACCEPT_ENCODING, "");
    if (!request.userName.isEmpty()) {
        curl_easy_setopt(handle, CURLOPT_USERNAME, request.userName.constData());
        curl_easy_setopt(handle, CURLOPT_PASSWORD, request.password.constData());
    }
    curl_easy_setopt(handle, CURLOPT_FOLLOWLOCATION, request.followRedirects ? 1L : 0L);
    curl_easy_setopt(handle, CURLOPT_MAXREDIRS, request.maxRedirects);
    // An empty proxy turns off the environment's proxies too.
    if (request.proxy == HttpRequest::Proxy::None) curl_easy_setopt(handle, CURLOPT_PROXY, "");
    if (request.connectTimeoutMs > 0)
        curl_easy_setopt(handle, CURLOPT_CONNECTTIMEOUT_MS, request.connectTimeoutMs);
    if (request.totalTimeoutMs > 0) curl_easy_setopt(handle, CURLOPT_TIMEOUT_MS, request.totalTimeoutMs);
    if (request.stallSeconds > 0) {
        curl_easy_setopt(handle, CURLOPT_LOW_SPEED_LIMIT, 1L);
        curl_easy_setopt(handle, CURLOPT_LOW_SPEED_TIME, request.stallSeconds);
    }
    if (request.bufferBytes > 0) curl_easy_setopt(handle, CURLOPT_BUFFERSIZE, request.bufferBytes);
    if (request.collectHeaders) {
        curl_easy_setopt(handle, CURLOPT_HEADERFUNCTION, OnHeader);
        curl_easy_setopt(handle, CURLOPT_HEADERDATA, &receiver);
    }
    curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, OnBody);
    curl_easy_setopt(handle, CURLOPT_WRITEDATA, &receiver);
    if (request.cancelled) {
        curl_easy_setopt(handle, CURLOPT_XFERINFOFUNCTION, OnProgress);
        curl_easy_setopt(handle, CURLOPT_XFERINFODATA, &request.cancelled);
        curl_easy_setopt(handle, CURLOPT_NOPROGRESS, 0L);
    }
    curl_easy_setopt(handle, CURLOPT_ERRORBUFFER, error);

    result.code = curl_easy_perform(handle);
    // The buffer and the lists die with this call; the handle may live on (a thread's handle).
    curl_easy_setopt(handle, CURLOPT_ERRORBUFFER, nullptr);
    curl_easy_setopt(handle, CURLOPT_HTTPHEADER, nullptr);
    curl_easy_setopt(handle, CURLOPT_CONNECT_TO, nullptr);
    result.errorDetail = QString::fromUtf8(error).trimmed();
    curl_easy_getinfo(handle, CURLINFO_RESPONSE_CODE, &result.status);
    if (!result.proxy.isEmpty() && (result.code != CURLE_OK || result.status == 407)) {
        const QString cause = CurlSetup::ProxyFailure(handle, result.code, result.status, result.proxy);
        if (!cause.isEmpty()) {
            result.errorDetail = cause;
            result.proxyFailed = true;
        }
    }
    char* effective = nullptr;
    curl_easy_getinfo(handle, CURLINFO_EFFECTIVE_URL, &effective);
    result.effectiveUrl = effective ? QString::fromUtf8(effective) : QString::fromUtf8(request.url);
    if (result.code == CURLE_TOO_MANY_REDIRECTS) {
        char* next = nullptr;
        curl_easy_getinfo(handle, CURLINFO_REDIRECT_URL, &next);
        result.errorDetail =
            RedirectLoop(request.maxRedirects, next ? QString::fromUtf8(next) : result.effectiveUrl);
    }
    return result;
}

// Scheme, host and port, as a redirect target is compared with the address the secrets were meant for.
QByteArray Origin(const QByteArray& address) {
    CURLU* url = curl_url();
    if (!url) return {};
    QByteArray origin;
    if (curl_url_set(url, CURLUPART_URL, address.constData(), 0) == CURLUE_OK) {
        char* scheme = nullptr;
        char* host = nullptr;
        char* port = nullptr;
        if (curl_url_get(url, CURLUPART_SCHEME, &scheme, 0) == CURLUE_OK &&
            curl_url_get(url, CURLUPART_HOST, &host, 0) == CURLUE_OK &&
            curl_url_get(url, CURLUPART_PORT, &port, CURLU_DEFAULT_PORT) == CURLUE_OK) {
            origin = QByteArray(scheme).toLower() + "://" + QByteArray(host).toLower() + ':' + port;
        }
        curl_free(scheme);
        curl_free(host);
        curl_free(port);
    }
    curl_url_cleanup(url);
    return origin;
}

}  // namespace

HttpResult HttpTransport::Perform(CURL* handle, const HttpRequest& request) {
    if (request.secretHeaders.isEmpty() || !request.followRedirects) return PerformOnce(handle, request);
    // libcurl would send every custom header to whatever host a redirect names: walk the redirects here
    // and keep the secrets to the site they belong to.
    const QByteArray home = Origin(request.url);
    HttpRequest hop = request;
    hop.followRedirects = false;
    for (long redirects = 0;; ++redirects) {
        HttpResult result = PerformOnce(handle, hop);
        char* next = nullptr;
        if (!result.Ok() || result.status < 300 || result.status >= 400 ||
            curl_easy_getinfo(handle, CURLINFO_REDIRECT_URL, &next) != CURLE_OK || !next) {
            return result;
        }
        const QByteArray target(next);
        if (redirects >= request.maxRedirects) {
            result.code = CURLE_TOO_MANY_REDIRECTS;
            result.errorDetail = RedirectLoop(request.maxRedirects, QString::fromUtf8(target));
            return result;
        }
        if (!hop.secretHeaders.isEmpty() && Origin(target) != home) {
            if (request.refuseForeignRedirects) {
                HttpResult refused;
                refused.code = kRedirectRefused;
                refused.status = result.status;
                refused.effectiveUrl = result.effectiveUrl;
                // The target is the other site's address; it is named, the secrets are not.
                refused.errorDetail = QStringLiteral("a redirect to another site was refused: %1")
                                          .arg(QString::fromUtf8(Origin(target)));
                return refused;
            }
            hop.secretHeaders.clear();
        }
        hop.url = target;
    }
}
