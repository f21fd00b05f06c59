#pragma once
// Asks a web archive's capture index for the documents of a site: the Wayback CDX server page by page
// through its resume key, Common Crawl's newest crawls page by page through their page counts. The
// ticked formats become MIME filters, only status-200 captures count, one capture per document (digest)
// and per link (the newest wins), and keywords, when any, narrow the links by path and file name.
// The queue holds one address per site and archive; this object remembers which archive each belongs to
// (the definition's base address may be anywhere). Remember/EngineOf/Clear: any thread; Run: the
// calling search thread, with the fetch it is given.

#include <QHash>
#include <QMutex>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

#include "engines/ArchiveCapture.h"
#include "search/EngineLedger.h"

class Options;
struct EngineDefinition;

class ArchiveSearch {
  public:
    // Most captures kept from one site and archive: a bound on memory and on the rows one site adds.
    static constexpr int kMaxCaptures = 200'000;
    // Most bytes read of one index answer: a real page (10,000 lines) is a few megabytes; the lines of a
    // longer answer are kept up to here and the answer counts as cut.
    static constexpr qint64 kBodyLimit = 32LL * 1024 * 1024;

    struct Answer {
        long status = 0;
        QByteArray body;
        bool cut = false;  // the body stopped at kBodyLimit
    };
    // The answer to a GET through the engine's politeness gate; nothing when the search gives up on the
    // engine (suspended, cancelled, no answer) - the fetch has said why.
    using FetchFn = std::function<std::optional<Answer>(const QString& address)>;

    struct Query {
        QStringList mimes;       // MIME types of the ticked formats; empty: every type
        QStringList extensions;  // the "other" extension(s), matched on the link's path
        QStringList keywords;    // any of them in the link's path or file name; empty: all
        int crawls = 3;          // Common Crawl: the newest this many
    };
    struct Problem {
        FetchFailure kind;
        QString text;
    };
    struct Outcome {
        QList<ArchiveCapture> captures;
        QList<Problem> problems;  // one per answer that could not be read (or was read only in part)
        int pages = 0;            // answers read
        int skippedLines = 0;   // lines that were not captures (missing or extra fields), or outside the site
        int crawlsLeftOut = 0;  // Common Crawl: crawls of the list older than the newest asked
    };

    // The sites of the ArchiveSites setting (commas or spaces between them), without repeats.
    static QStringList Sites(const QString& setting);
    static Query QueryOf(const Options& options, const QStringList& keywords);
    // The address queued for a site: the first page of the Wayback's index, or Common Crawl's list of
    // crawls with the site in its query (the server ignores it; the search thread reads it back).
    static QString SiteAddress(const EngineDefinition& engine, const QString& site);

    void Remember(const QString& address, const QString& engine);
    QString EngineOf(const QString& address) const;
    void Clear();

    static Outcome Run(const EngineDefinition& engine, const QString& siteAddress, const Query& query,
                       int pageLimit, const FetchFn& fetch);

    // Whether the capture belongs to the query: status 200, a wanted type, a keyword in its path.
    static bool Wanted(const ArchiveCapture& capture, const Query& query);
    // Whether the link lies within the site asked (a domain and its subdomains, or an address prefix):
    // an index may answer with any host, and a row must not lead elsewhere.
    static bool InSite(const QString& link, const QString& site);

  private:
    mutable QMutex lock_;
    QHash<QString, QString> engines_;
};
