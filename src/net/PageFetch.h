#pragma once
// The fetch operations of the search job and the download workers. They block on the calling thread,
// report failure by their result and leave one run-log entry per failure, tagged "getHtmlPageCode"
// (pages) or "GetRealDownUrl" (redirects): run logs have always used these tags, and people search
// them for those words.

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>
#include <atomic>

class HttpClient;
class RunLog;

// The page body as text, or empty text on failure (an empty page looks the same). "Referer" is sent only
// when referer is not empty; redirects are followed; the body of any status is returned.
QString FetchPageText(HttpClient& client, const QString& address, const QString& referer, bool decodeUtf8,
                      RunLog* log);

// A page's body as it came (redirects followed), for a reader that decodes it only when it must; empty on
// failure, logged as FetchPageText logs it.
struct FetchedBody {
    QByteArray body;
    QString contentType;
};
FetchedBody FetchPageBody(HttpClient& client, const QString& address, const QString& referer, RunLog* log);

// A result page with what tells a block page from a page without hits: the status of the final answer
// and the address it came from after redirects.
struct FetchedPage {
    bool answered = false;  // a response arrived, of any status; false: the request failed (logged)
    int failureCode = 0;    // when not answered: libcurl's code for why
    long status = 0;
    QString finalUrl;
    QString text;
};

using RequestHeaders = QList<QPair<QByteArray, QByteArray>>;

// The User-Agent result pages are asked with unless an engine names its own: engines serve their
// current layout, or none at all, only to browsers they know.
inline constexpr const char* kBrowserUserAgent =
    "Mozilla/5.0 (Windows NT 10.0; Win64; x64) AppleWebKit/537.36 (KHTML, like Gecko) Chrome/143.0.0.0 "
    "Safari/537.36";

// FetchPageText for a search engine's result page: a browser's User-Agent and Accept headers, then the
// engine's own headers (a User-Agent among them replaces the browser's; headers with an empty name or
// value are left out). Failures are logged as FetchPageText logs them.
FetchedPage FetchResultPage(HttpClient& client, const QString& address, const QString& referer,
                            const RequestHeaders& headers, RunLog* log);

// A small text file such as robots.txt: the status and text of the answer, redirects followed. Of a body
// larger than maxBytes only the whole lines within its first maxBytes are read (a site's rules still
// count when the file goes on too long).
FetchedPage FetchSmallText(HttpClient& client, const QString& address, qint64 maxBytes, RunLog* log);

// Asks link without following a redirect and gives the first "Location" header, made absolute against
// link. False (with realAddress empty) when there is none or the request failed.
// While *abort is true the request is abandoned (program exit).
bool ResolveRedirect(const QString& link, QString& realAddress, RunLog* log,
                     const std::atomic<bool>* abort = nullptr);
