#include "net/PageFetch.h"

#include <QUrl>

#include "lists/RunLog.h"
#include "net/HttpClient.h"
#include "net/HttpError.h"
#include "net/PageDecoder.h"

namespace {

// A redirector's own body is of no interest; read a little of it and close the connection.
constexpr qint64 kRedirectDrainLimit = 1024 * 1024;

}  // namespace

namespace {

// The page's answer, its body left undecoded in *body (and its Content-Type in *contentType).
// prefixBytes >= 0: a longer body is cut to its whole lines within that many bytes.
FetchedPage FetchRaw(HttpClient& client, const QString& address, const QString& referer,
                     const RequestHeaders& extra, RunLog* log, qint64 prefixBytes, QByteArray* body,
                     QString* contentType) {
    FetchedPage page;
    try {
        client.ClearHeaders();
        if (!referer.isEmpty()) client.AddHeader(QStringLiteral("Referer"), referer);
        for (const auto& [name, value] : extra) {
            const QString key = QString::fromUtf8(name).trimmed();
            const QString text = QString::fromUtf8(value).trimmed();
            if (key.isEmpty() || text.isEmpty()) continue;
            if (key.compare(QStringLiteral("User-Agent"), Qt::CaseInsensitive) == 0) {
                client.SetUserAgent(text);
            } else {
                client.AddHeader(key, text);
            }
        }
        auto response = client.Get(address, false);
        page.answered = true;
        page.status = response->StatusCode();
        page.finalUrl = response->EffectiveUrl();
        *body = response->ReadAll();
        if (prefixBytes >= 0 && body->size() > prefixBytes) {
            body->truncate(prefixBytes);
            body->truncate(body->lastIndexOf('\n') + 1);  // a cut line could say what its whole does not
        }
        *contentType = response->Header(QStringLiteral("Content-Type"));
    } catch (const HttpError& failure) {
        body->clear();
        page.failureCode = failure.Code();
        if (log) log->WriteRunLog(QStringLiteral("getHtmlPageCode"), failure.Message());
    }
    return page;
}

FetchedPage Fetch(HttpClient& client, const QString& address, const QString& referer, bool decodeUtf8,
                  const RequestHeaders& extra, RunLog* log, qint64 prefixBytes = -1) {
    QByteArray body;
    QString contentType;
    FetchedPage page = FetchRaw(client, address, referer, extra, log, prefixBytes, &body, &contentType);
    if (page.answered) page.text = PageDecoder::Decode(body, contentType, decodeUtf8);
    return page;
}

}  // namespace

QString FetchPageText(HttpClient& client, const QString& address, const QString& referer, bool decodeUtf8,
                      RunLog* log) {
    return Fetch(client, address, referer, decodeUtf8, {}, log).text;
}

FetchedBody FetchPageBody(HttpClient& client, const QString& address, const QString& referer, RunLog* log) {
    FetchedBody fetched;
    FetchRaw(client, address, referer, {}, log, -1, &fetched.body, &fetched.contentType);
    return fetched;
}

FetchedPage FetchResultPage(HttpClient& client, const QString& address, const QString& referer,
                            const RequestHeaders& headers, RunLog* log) {
    client.SetUserAgent(QString::fromLatin1(kBrowserUserAgent));
    RequestHeaders all{
        {"Accept", "text/html,application/xhtml+xml,application/xml;q=0.9,*/*;q=0.8"},
    };
    all += headers;
    return Fetch(client, address, referer, true, all, log);
}

FetchedPage FetchSmallText(HttpClient& client, const QString& address, qint64 maxBytes, RunLog* log) {
    // One byte more than kept tells a body that was cut from one that fits exactly.
    client.SetBodyLimit(maxBytes + 1);
    client.SetKeepBodyPrefix(true);
    return Fetch(client, address, QString(), true, {}, log, maxBytes);
}

bool ResolveRedirect(const QString& link, QString& realAddress, RunLog* log, const std::atomic<bool>* abort) {
    realAddress.clear();
    try {
        HttpClient client;
        client.ClearHeaders();
        client.SetFollowRedirects(false);
        client.SetDiscardBody(true);
        client.SetBodyLimit(kRedirectDrainLimit);
        client.SetAbortFlag(abort);
        auto response = client.Get(link, false);
        const QString location = response->Header(QStringLiteral("Location")).trimmed();
        if (location.isEmpty()) return false;
        const QUrl relative(location);
        // A relative Location would reach the list as an address no one can download.
        realAddress = relative.isRelative()
                          ? QUrl(response->EffectiveUrl()).resolved(relative).toString(QUrl::FullyEncoded)
                          : location;
        return !realAddress.isEmpty();
    } catch (const HttpError& failure) {
        if (log) log->WriteRunLog(QStringLiteral("GetRealDownUrl"), failure.Message());
        return false;
    }
}
