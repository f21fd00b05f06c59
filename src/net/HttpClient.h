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
#include <functional>
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
    // A header that holds a secret (an API key): sent to the address's own site only. With
    // refuseForeignRedirects a redirect to another scheme, host or port fails the request (HttpError
    // with kRedirectRefused) instead of being followed without the secret.
    void AddSecretHeader(const QString& name, const QString& value);
    void SetRefuseForeignRedirects(bool refuse) { refuseForeignRedirects_ = refuse; }
    void SetFollowRedirects(bool follow) { followRedirects_ = follow; }
    // The most a whole request may take, answer included; 0: no bound (a stall still ends it).
    void SetTimeLimit(long milliseconds) { timeLimitMs_ = milliseconds; }
    // Which configured proxy carries the requests (result pages unless told); a pool's proxy goes first.
    void SetRole(NetRole role) { role_ = role; }
    void SetPoolProxy(const QString& proxy) { poolProxy_ = proxy; }

    // With discardBody the body is read and thrown away up to the body limit, then the connection is
    // closed; the response then holds no body.
    void SetDiscardBody(bool discard) { discardBody_ = discard; }
    void SetBodyLimit(qint64 bytes) { bodyLimit_ = bytes; }
    // A body beyond the limit keeps its first bytes up to the limit instead of failing the request.
    void SetKeepBodyPrefix(bool keep) { keepPrefix_ = keep; }
    // While the flag is true a request under way is abandoned (within about a second) and fails.
    void SetAbortFlag(const std::atomic<bool>* flag) { abort_ = flag; }
    // The same with a question asked while the request runs (a search thread's Stop word).
    void SetCancelCheck(std::function<bool()> cancelled) { cancelled_ = std::move(cancelled); }

    // Sends the GET; any status counts as an answer. useCache false bypasses every cache.
    std::unique_ptr<HttpResponse> Get(const QString& address, bool useCache);

  private:
    QString userAgent_ = QString::fromLatin1(kDefaultUserAgent);
    QList<QPair<QString, QString>> headers_;
    QList<QPair<QString, QString>> secretHeaders_;
    bool refuseForeignRedirects_ = false;
    long timeLimitMs_ = 0;
    bool keepPrefix_ = false;
    std::function<bool()> cancelled_;
    bool followRedirects_ = true;
    NetRole role_ = NetRole::SearchPage;
    QString poolProxy_;
    bool discardBody_ = false;
    qint64 bodyLimit_ = kDefaultBodyLimit;
    const std::atomic<bool>* abort_ = nullptr;
};
