#pragma once
// The sitemaps of the sites the deep search visits: for each site (scheme, host and port) once per
// search job, the Sitemap: lines of its robots.txt (read by the robots cache) and its /sitemap.xml, sitemap indexes followed with
// every sitemap read at most once, so an index that names itself or an earlier index ends. What they
// list goes to the deep search like the links of a page. Visit/Clear: any thread; Addresses: the
// calling search thread, with the fetch it is given.

#include <QByteArray>
#include <QMutex>
#include <QSet>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

class SitemapSites {
  public:
    // Sitemap files read for one site, and addresses taken from them: a site of millions of pages
    // does not turn one search into a crawl of all of them.
    static constexpr int kMaxFiles = 64;
    static constexpr int kMaxAddresses = 200'000;

    // The body of a 200 answer; nothing for any other answer or none.
    using FetchFn = std::function<std::optional<QByteArray>(const QString& address)>;

    // The site's root ("https://host:port") the first time an address of it is seen since Clear;
    // empty after that, and for addresses that are not http(s).
    QString Visit(const QString& address);
    void Clear();

    // The page and document addresses the site's sitemaps list, in the order read, without repeats.
    // `problems` gets one line per sitemap that could not be read as one. Only addresses on the site's
    // host count, as the sitemaps protocol has it: a sitemap must not lead the search to another site
    // (or into this machine). `offHost` (when given) gets how many were left out for that.
    static QStringList Addresses(const QString& siteRoot, const QStringList& robotsSitemaps,
                                 const FetchFn& fetch, QStringList* problems, int* offHost = nullptr);

  private:
    QMutex lock_;
    QSet<QString> seen_;
    QSet<QString> origins_;  // the plain origins (PlainOrigin) of the addresses whose root is in seen_
};
