#pragma once
// The robots.txt of each site the deep search visits, read once per search job: the first thread to
// ask about a site (scheme, host and port) fetches it while others asking about the same site wait for
// that answer. A 4xx answer allows everything; so does a 5xx answer or no answer at all, which the run
// log reports once per site: the deep search reads a handful of pages at the search's own pace, and
// dropping a whole site for a passing server fault would lose its documents for the job. Any thread.

#include <QString>
#include <QStringList>
#include <QUrl>
#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <unordered_map>

#include "lists/TextHash.h"
#include "search/RobotsRules.h"

class RunLog;

class RobotsCache {
  public:
    // Of a longer file only this much is read, as the robots standard (RFC 9309) allows: the rules in it
    // are obeyed, never dropped for the length of the rest.
    static constexpr qint64 kBodyLimit = 500 * 1024;

    explicit RobotsCache(RunLog* log) : log_(log) {}

    // Forgets every site: the next job reads them again.
    void Clear();
    // Whether the address may be fetched. Addresses that are not http(s) are not ours to judge (true).
    // While cancelled() says so a fetch under way is abandoned and the site counts as unreachable.
    bool Allows(const QString& address, const std::function<bool()>& cancelled = {});
    // The most one robots.txt fetch may take; 0: no bound.
    void SetTimeLimit(long milliseconds) { timeLimitMs_.store(milliseconds); }
    // The Sitemap: lines of the robots.txt of the address's site (read now if it was not yet).
    QStringList Sitemaps(const QString& address, const std::function<bool()>& cancelled = {});
    // Sites whose robots.txt was asked for since the last Clear.
    int SitesRead() const;

  private:
    struct Site {
        bool ready = false;
        std::shared_ptr<const RobotsRules> rules;
        QStringList sitemaps;
    };
    std::shared_ptr<const RobotsRules> Fetch(const QString& site, const std::function<bool()>& cancelled,
                                             QStringList* sitemaps);
    static QString SiteOf(const QUrl& url);

    RunLog* log_;
    std::atomic<long> timeLimitMs_{0};
    mutable std::mutex lock_;
    std::condition_variable ready_;
    std::unordered_map<QString, Site, TextHash> sites_;
};
