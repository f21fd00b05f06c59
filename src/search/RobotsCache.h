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
#include <memory>
#include <mutex>
#include <unordered_map>

#include "lists/TextHash.h"
#include "search/RobotsRules.h"

class RunLog;

class RobotsCache {
  public:
    // Bodies beyond this are not read: the rules come from the first RobotsRules::kMaxChars anyway.
    static constexpr qint64 kBodyLimit = 1024 * 1024;

    explicit RobotsCache(RunLog* log) : log_(log) {}

    // Forgets every site: the next job reads them again.
    void Clear();
    // Whether the address may be fetched. Addresses that are not http(s) are not ours to judge (true).
    // While *abort is true a fetch under way is abandoned and the site counts as unreachable.
    bool Allows(const QString& address, const std::atomic<bool>* abort = nullptr);
    // The Sitemap: lines of the robots.txt of the address's site (read now if it was not yet).
    QStringList Sitemaps(const QString& address, const std::atomic<bool>* abort = nullptr);
    // Sites whose robots.txt was asked for since the last Clear.
    int SitesRead() const;

  private:
    struct Site {
        bool ready = false;
        std::shared_ptr<const RobotsRules> rules;
        QStringList sitemaps;
    };
    std::shared_ptr<const RobotsRules> Fetch(const QString& site, const std::atomic<bool>* abort,
                                             QStringList* sitemaps);
    static QString SiteOf(const QUrl& url);

    RunLog* log_;
    mutable std::mutex lock_;
    std::condition_variable ready_;
    std::unordered_map<QString, Site, TextHash> sites_;
};
