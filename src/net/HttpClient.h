#pragma once
// A small HTTP GET client over libcurl: user agent, a header list sent with every request, and whether
// redirects are followed. One object serves one request at a time on one thread; the libcurl handle is
// the calling thread's, so connections are kept alive between requests of that thread. Every failure
// throws HttpError.

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>
#include <atomic>
#include <memory>

#include "lists/NetworkSettings.h"

#include "net/HttpResponse.h"

class HttpClient {
  public:
    static constexpr const char* kDefaultUserAgent =
        "Mozilla/5.0 (Windows NT 10.0) AppleWebKit/537.36 (KHTML, like Gecko) Chrome/45.0.2454.101 "
        "Safari/537.36";
    // A body beyond this is refused as a failure (a page), or cut off unread (a drained body).
    static constexpr qint64 kDefaultBodyLimit = 32LL * 1024 * 1024;

    void SetUserAgent(const QString& userAgent) { userAgent_ = userAgent; }
    const QString& UserAgent() const { return userAgent_; }

    void ClearHeaders() { headers_.clear(); }
    // Throws HttpError for an empty name or value.
    void AddHeader(const QString& name, const QString& value);
    void SetFollowRedirects(bool follow) { followRedirects_ = follow; }
    // Which configured proxy carries the requests (result pages unless told); a pool's proxy goes first.
    void SetRole(NetRole role) { role_ = role; }
    void SetPoolProxy(const QString& proxy) { poolProxy_ = proxy; }

    // With discardBody the body is read and thrown away up to the body limit, then the connection is
    // closed; the response then holds no body.
    void SetDiscardBody(bool discard) { discardBody_ = discard; }
    void SetBodyLimit(qint64 bytes) { bodyLimit_ = bytes; }
    // While the flag is true a request under way is abandoned (within about a second) and fails.
    void SetAbortFlag(const std::atomic<bool>* flag) { abort_ = flag; }

    // Sends the GET; any status counts as an answer. useCache false bypasses every cache.
    std::unique_ptr<HttpResponse> Get(const QString& address, bool useCache);

  private:
    QString userAgent_ = QString::fromLatin1(kDefaultUserAgent);
    QList<QPair<QString, QString>> headers_;
    bool followRedirects_ = true;
    NetRole role_ = NetRole::SearchPage;
    QString poolProxy_;
    bool discardBody_ = false;
    qint64 bodyLimit_ = kDefaultBodyLimit;
    const std::atomic<bool>* abort_ = nullptr;
};
