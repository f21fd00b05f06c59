#pragma once
// Reads a sitemap as the sitemaps protocol describes it: a <urlset> of page and document addresses or
// a <sitemapindex> of further sitemaps, plain or gzipped. The protocol's bounds hold: at most 50,000
// addresses and 50 MiB inflated per file; a file with a DTD is refused (its entities are never
// expanded), and so is nesting deeper than any sitemap needs. Also reads the Sitemap: lines of a
// robots.txt. Pure; any thread.

#include <QByteArray>
#include <QString>
#include <QStringList>

class SitemapReader {
  public:
    static constexpr int kMaxAddresses = 50'000;
    static constexpr qint64 kMaxBytes = 50LL * 1024 * 1024;
    static constexpr int kMaxDepth = 16;

    enum class Kind { UrlSet, Index, Unknown };
    struct Sitemap {
        Kind kind = Kind::Unknown;
        QStringList addresses;  // http(s) only, in file order
        bool truncated = false; // more than kMaxAddresses: the rest is left out
        QString problem;        // in words; the addresses read before it are kept
    };

    static Sitemap Read(const QByteArray& bytes);
    // The addresses of the Sitemap: lines (any case), in file order, without repeats.
    static QStringList RobotsSitemaps(const QString& robotsText);
};
