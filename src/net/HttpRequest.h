#pragma once
// One HTTP request as every part of the program describes it, and the one place that turns such a
// description into a configured libcurl handle and runs it. The shared options of CurlSetup (HTTP(S)
// only, at most 20 redirects, the test host mapping and CA file) come first; the description adds the
// rest. Proxies come from http_proxy, https_proxy and no_proxy unless the description turns them off.

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>
#include <functional>

#include "lists/NetworkSettings.h"

typedef void CURL;

struct HttpRequest {
    enum class Method { Get, Post };
    // Where the body of the answer goes.
    enum class BodySink {
        Memory,    // into HttpResult::body, up to bodyLimit
        Discard,   // read and dropped, up to bodyLimit
        Callback,  // handed to onBody piece by piece
    };
    enum class Proxy { FromEnvironment, None };

    QByteArray url;  // as sent: the caller has made it a usable address
    Method method = Method::Get;
    QByteArray postBody;          // sent with Method::Post
    QByteArray userAgent;         // empty: no User-Agent header
    QList<QByteArray> headers;    // whole "Name: value" lines, in order
    // Lines that carry a secret (an API key, a token): sent to the address's own scheme, host and port
    // only, never after a redirect to another.
    QList<QByteArray> secretHeaders;
    // With secret headers: a redirect to another scheme, host or port ends the request as refused
    // (kRedirectRefused) instead of being followed without them.
    bool refuseForeignRedirects = false;
    bool acceptEncoding = false;  // offer every content coding libcurl can undo
    QByteArray userName;          // with a password: HTTP authentication
    QByteArray password;

    bool followRedirects = false;
    long maxRedirects = 20;
    Proxy proxy = Proxy::FromEnvironment;
    // Which configured proxy carries it (CurlSetup::SetNetwork); a pool's proxy, when set, comes first.
    NetRole role = NetRole::Other;
    QString poolProxy;

    long connectTimeoutMs = 0;  // 0: libcurl's own bound
    long totalTimeoutMs = 0;    // 0: no bound on the whole request
    long stallSeconds = 0;      // give up after this long below one byte a second; 0: never
    long bufferBytes = 0;       // libcurl's receive buffer; 0: its default

    BodySink sink = BodySink::Memory;
    qint64 bodyLimit = -1;  // Memory and Discard: a longer body stops the transfer; -1: no limit
    bool keepPrefix = false;  // Memory: a longer body keeps its first bodyLimit bytes (overLimit is set)
    // Callback: each piece of the body; false stops the transfer (libcurl then reports a write error).
    std::function<bool(const char* data, size_t size)> onBody;
    bool collectHeaders = false;  // keep the headers of the final answer in HttpResult::headers
    // Polled about once a second while the request runs; true abandons it.
    std::function<bool()> cancelled;
};

// HttpResult::code of a request whose secrets would have gone to another site through a redirect.
inline constexpr int kRedirectRefused = -2;

struct HttpResult {
    int code = 0;                                  // libcurl's result code; 0 is success
    QString errorDetail;                           // libcurl's own words for a failure; may be empty
    long status = 0;                               // of the final answer; 0 when none arrived
    QString effectiveUrl;                          // the address of the final answer
    QByteArray body;                               // with BodySink::Memory
    bool overLimit = false;                        // the body was longer than bodyLimit
    QList<QPair<QByteArray, QByteArray>> headers;  // with collectHeaders, in order
    QString proxy;                                 // the proxy it went through, without credentials
    bool proxyFailed = false;                      // errorDetail names the proxy as the cause

    bool Ok() const { return code == 0; }
    // errorDetail, or libcurl's general text for the code.
    QString ErrorText() const;
};

// A failure that says the network cannot reach the host at all, as opposed to one answer that went wrong.
enum class NetworkFault { None, Resolve, Connect, Tls };

namespace HttpTransport {
// What a libcurl result code says about the network (None for every other failure).
NetworkFault NetworkFaultOf(int code);

// Applies the description to handle (fresh or reset), runs the request on the calling thread and
// leaves the handle as it is afterwards, so the caller may still ask it about the answer.
HttpResult Perform(CURL* handle, const HttpRequest& request);
}  // namespace HttpTransport
