#include "net/RemoteSizeProbe.h"

#include <curl/curl.h>

#include "net/CurlSetup.h"
#include "net/HttpRequest.h"

qint64 RemoteSizeProbe::Size(const QString& address) {
    const QString normalized = CurlSetup::NormalizeAddress(address);
    if (!CurlSetup::IsUsableAddress(normalized)) return 0;
    CURL* handle = CurlSetup::ThreadHandle();
    if (!handle) return 0;
    HttpRequest request;
    request.url = normalized.toUtf8();
    request.userAgent = "skimmer/" SKIMMER_VERSION;
    request.headers = {"Accept: */*"};
    request.role = NetRole::Document;
    request.followRedirects = true;
    request.connectTimeoutMs = kConnectBoundMs;
    request.totalTimeoutMs = kAnswerBoundMs;
    // The first byte of the body means the headers are in: stop there (libcurl then closes the
    // connection rather than keep one with an unread body).
    request.sink = HttpRequest::BodySink::Callback;
    request.onBody = [](const char*, size_t) { return false; };

    const HttpResult result = HttpTransport::Perform(handle, request);
    if (!result.Ok() && result.code != CURLE_WRITE_ERROR) return 0;
    if (result.status != 200) return 0;
    curl_off_t length = -1;
    curl_easy_getinfo(handle, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length);
    return length > 0 ? qint64(length) : 0;
}
