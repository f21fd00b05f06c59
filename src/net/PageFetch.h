#pragma once
// The two fetch operations of the search job and the download workers. Both block on the calling
// thread, report failure by their result and leave one run-log entry per failure.

#include <QString>
#include <atomic>

class CHttpClientT;
class RunLog;

// The page body as text, or empty text on failure (an empty page looks the same). "Referer" is sent only
// when referer is not empty; redirects are followed; the body of any status is returned.
QString getHtmlPageCode(CHttpClientT& client, const QString& address, const QString& referer, bool decodeUtf8,
                        RunLog* log);

// Asks link without following a redirect and gives the first "Location" header, made absolute against
// link. False (with realAddress empty) when there is none or the request failed.
// While *abort is true the request is abandoned (program exit).
bool GetRealDownUrl(const QString& link, QString& realAddress, RunLog* log,
                    const std::atomic<bool>* abort = nullptr);
