#include "search/ArchiveSearch.h"

#include <QRegularExpression>
#include <QSet>
#include <QUrl>
#include <QUrlQuery>

#include "engines/CdxAnswer.h"
#include "engines/EngineDefinition.h"
#include "lists/Options.h"
#include "lists/SettingsTable.h"

namespace {

using K = SettingKey;

QString Encoded(const QString& text) {
    return QString::fromLatin1(QUrl::toPercentEncoding(text));
}

// A bare domain is asked with matchType=domain (every host under it), an address prefix with
// matchType=prefix.
QString SiteParameters(const QString& site) {
    const bool prefix = site.contains(u'/');
    return QStringLiteral("url=") + Encoded(site) + QStringLiteral("&matchType=") +
           (prefix ? QStringLiteral("prefix") : QStringLiteral("domain"));
}

QString SiteOf(const QString& siteAddress) {
    return QUrlQuery(QUrl(siteAddress)).queryItemValue(QStringLiteral("url"), QUrl::FullyDecoded);
}

// One regular expression over the type field: the services filter with a regex.
QString MimeFilter(const QStringList& mimes) {
    QStringList escaped;
    for (QString mime : mimes) {
        // Only what a MIME type may hold that a regex reads otherwise.
        mime.replace(u'.', QStringLiteral("\\.")).replace(u'+', QStringLiteral("\\+"));
        escaped.append(mime);
    }
    return Encoded(escaped.join(u'|'));
}

QString HostOnly(QString host) {
    host = host.toLower();
    return host.startsWith(QStringLiteral("www.")) ? host.mid(4) : host;
}

// The lines of an answer; of a cut one, those before the cut (the last line is one cut in two).
QByteArray WholeLines(const ArchiveSearch::Answer& answer) {
    return answer.cut ? answer.body.left(answer.body.lastIndexOf('\n') + 1) : answer.body;
}

ArchiveSearch::Problem CutProblem() {
    return {FetchFailure::Unreadable, QStringLiteral("the answer was cut at %1 MiB; the captures before the cut are kept")
                                          .arg(ArchiveSearch::kBodyLimit / (1024 * 1024))};
}

ArchiveSearch::Problem StatusProblem(long status, const QString& what = {}) {
    const QString text = QStringLiteral("HTTP %1").arg(status);
    return {FetchFailure::HttpStatus, what.isEmpty() ? text : what + QStringLiteral(": ") + text};
}

}  // namespace

QStringList ArchiveSearch::Sites(const QString& setting) {
    QStringList sites;
    for (QString site : setting.split(QRegularExpression(QStringLiteral("[,\\s]+")), Qt::SkipEmptyParts)) {
        site = site.trimmed();
        if (site.startsWith(QStringLiteral("http://")) || site.startsWith(QStringLiteral("https://")))
            site = site.mid(site.indexOf(u'/') + 2);
        if (site.endsWith(u'/') && site.count(u'/') == 1) site.chop(1);
        if (!site.isEmpty() && site.size() <= 512 && !sites.contains(site, Qt::CaseInsensitive)) sites.append(site);
    }
    return sites;
}

ArchiveSearch::Query ArchiveSearch::QueryOf(const Options& options, const QStringList& keywords) {
    Query query;
    const std::pair<K, QStringList> formats[] = {
        {K::FormatPdf, {"application/pdf"}},
        {K::FormatWord,
         {"application/msword", "application/vnd.openxmlformats-officedocument.wordprocessingml.document",
          "application/vnd.oasis.opendocument.text"}},
        {K::FormatPpt,
         {"application/vnd.ms-powerpoint",
          "application/vnd.openxmlformats-officedocument.presentationml.presentation",
          "application/vnd.oasis.opendocument.presentation"}},
        {K::FormatXls,
         {"application/vnd.ms-excel", "application/vnd.openxmlformats-officedocument.spreadsheetml.sheet",
          "application/vnd.oasis.opendocument.spreadsheet"}},
        {K::FormatRtf, {"application/rtf", "text/rtf"}},
        {K::FormatTxt, {"text/plain"}},
        {K::FormatArchive,
         {"application/zip", "application/x-rar-compressed", "application/vnd.rar", "application/x-7z-compressed"}},
    };
    for (const auto& [key, mimes] : formats) {
        if (options.Checked(key)) query.mimes += mimes;
    }
    if (options.Checked(K::FormatOther)) {
        for (const QString& extension : options.Text(K::OtherDocExtension).split(u',', Qt::SkipEmptyParts)) {
            QString clean = extension.trimmed().toLower();
            if (clean.startsWith(u'.')) clean = clean.mid(1);
            if (!clean.isEmpty()) query.extensions.append(clean);
        }
    }
    for (const QString& keyword : keywords) {
        if (!keyword.trimmed().isEmpty()) query.keywords.append(keyword.trimmed());
    }
    query.crawls = qBound(1, options.Int(K::CommonCrawlCrawls), 100);
    return query;
}

QString ArchiveSearch::SiteAddress(const EngineDefinition& engine, const QString& site) {
    if (engine.kind == EngineKind::CommonCrawlCdx)
        return engine.indexBase + QStringLiteral("/collinfo.json?") + SiteParameters(site);
    return engine.indexBase + QStringLiteral("/cdx/search/cdx?") + SiteParameters(site);
}

void ArchiveSearch::Remember(const QString& address, const QString& engine) {
    QMutexLocker hold(&lock_);
    engines_.insert(address, engine);
}

QString ArchiveSearch::EngineOf(const QString& address) const {
    QMutexLocker hold(&lock_);
    return engines_.value(address);
}

void ArchiveSearch::Clear() {
    QMutexLocker hold(&lock_);
    engines_.clear();
}

bool ArchiveSearch::Wanted(const ArchiveCapture& capture, const Query& query) {
    if (capture.status != 200) return false;
    const QUrl url(capture.link);
    const QString path = url.path().toLower();
    bool typeWanted = query.mimes.isEmpty() && query.extensions.isEmpty();
    if (query.mimes.contains(capture.mime.toLower())) typeWanted = true;
    for (const QString& extension : query.extensions) {
        if (path.endsWith(u'.' + extension)) typeWanted = true;
    }
    if (!typeWanted) return false;
    if (query.keywords.isEmpty()) return true;
    const QString decoded = QUrl::fromPercentEncoding(path.toUtf8());
    for (const QString& keyword : query.keywords) {
        if (decoded.contains(keyword, Qt::CaseInsensitive)) return true;
    }
    return false;
}

bool ArchiveSearch::InSite(const QString& link, const QString& site) {
    const QUrl url(link);
    const QUrl asked(QStringLiteral("http://") + site);
    if (!url.isValid() || !asked.isValid() || url.host().isEmpty()) return false;
    if (asked.port() != -1 && url.port(url.scheme() == QStringLiteral("https") ? 443 : 80) != asked.port())
        return false;
    const QString host = url.host().toLower(), siteHost = asked.host().toLower();
    if (!site.contains(u'/')) return host == siteHost || host.endsWith(u'.' + siteHost);
    // The index keys an address prefix without "www." and without case.
    return HostOnly(host) == HostOnly(siteHost) && url.path().startsWith(asked.path(), Qt::CaseInsensitive);
}

ArchiveSearch::Outcome ArchiveSearch::Run(const EngineDefinition& engine, const QString& siteAddress,
                                          const Query& query, int pageLimit, const FetchFn& fetch) {
    Outcome outcome;
    QHash<QString, ArchiveCapture> newest;  // by link
    QSet<QString> digests;
    const QString site = SiteOf(siteAddress);
    auto take = [&](const CdxPage& page) {
        outcome.skippedLines += page.skippedLines;
        for (const ArchiveCapture& capture : page.captures) {
            if (!InSite(capture.link, site)) {
                ++outcome.skippedLines;
                continue;
            }
            if (!Wanted(capture, query)) continue;
            auto known = newest.find(capture.link);
            if (known != newest.end()) {
                if (capture.timestamp > known->timestamp) *known = capture;
                continue;
            }
            // The same bytes under another link are one document.
            if (!capture.digest.isEmpty() && digests.contains(capture.digest)) continue;
            if (newest.size() >= kMaxCaptures) break;
            digests.insert(capture.digest);
            newest.insert(capture.link, capture);
        }
    };
    const QString typeFilter = query.mimes.isEmpty() || !query.extensions.isEmpty() ? QString() : MimeFilter(query.mimes);
    const int pages = std::max(1, pageLimit);

    if (engine.kind == EngineKind::WaybackCdx) {
        QString base = siteAddress + QStringLiteral("&filter=statuscode:200&collapse=digest&showResumeKey=true&limit=10000");
        if (!typeFilter.isEmpty()) base += QStringLiteral("&filter=mimetype:") + typeFilter;
        QSet<QString> keysSeen;
        QString key;
        for (int page = 0; page < pages; ++page) {
            const QString address =
                key.isEmpty() ? base : base + QStringLiteral("&resumeKey=") + Encoded(key);
            const std::optional<Answer> answer = fetch(address);
            if (!answer) break;
            if (answer->status < 200 || answer->status >= 300) {
                outcome.problems.append(StatusProblem(answer->status));
                break;
            }
            const CdxPage cdx = CdxAnswer::ReadWayback(WholeLines(*answer));
            if (!cdx.problem.isEmpty()) {
                outcome.problems.append({FetchFailure::Unreadable, cdx.problem});
                break;
            }
            ++outcome.pages;
            take(cdx);
            // The resume key was in the part that did not come.
            if (answer->cut) {
                outcome.problems.append(CutProblem());
                break;
            }
            // A key that comes back again would walk the same pages for ever.
            if (cdx.resumeKey.isEmpty() || keysSeen.contains(cdx.resumeKey)) break;
            keysSeen.insert(cdx.resumeKey);
            key = cdx.resumeKey;
        }
    } else {
        const std::optional<Answer> collinfo = fetch(engine.indexBase + QStringLiteral("/collinfo.json"));
        if (!collinfo) return outcome;
        QString problem;
        const QStringList crawls =
            collinfo->status == 200
                ? CdxAnswer::ReadCrawls(collinfo->body, query.crawls, &problem, &outcome.crawlsLeftOut)
                : QStringList();
        if (crawls.isEmpty()) {
            outcome.problems.append(problem.isEmpty() ? StatusProblem(collinfo->status)
                                                      : Problem{FetchFailure::Unreadable, problem});
            return outcome;
        }
        QString parameters = QStringLiteral("?") + SiteParameters(site) + QStringLiteral("&output=json&filter=status:200");
        if (!typeFilter.isEmpty()) parameters += QStringLiteral("&filter=mime-detected:") + typeFilter;
        int asked = 0;
        bool gaveUp = false;  // the fetch gave up on the engine: the captures read so far still count
        for (const QString& crawl : crawls) {
            if (gaveUp) break;
            const QString index = engine.indexBase + u'/' + crawl + QStringLiteral("-index") + parameters;
            const std::optional<Answer> count = fetch(index + QStringLiteral("&showNumPages=true"));
            if (!count) break;
            // 404 "No Captures found" is an empty crawl, not a fault.
            if (count->status == 404) continue;
            const int numPages = count->status == 200 ? CdxAnswer::ReadPageCount(count->body) : -1;
            if (numPages < 0) {
                outcome.problems.append(count->status == 200
                                            ? Problem{FetchFailure::Unreadable, crawl + QStringLiteral(": the page count cannot be read")}
                                            : StatusProblem(count->status, crawl));
                continue;
            }
            for (int page = 0; page < numPages && asked < pages; ++page, ++asked) {
                const std::optional<Answer> answer = fetch(index + QStringLiteral("&page=%1").arg(page));
                gaveUp = !answer;
                if (gaveUp) break;
                if (answer->status == 404) break;
                if (answer->status != 200) {
                    outcome.problems.append(StatusProblem(answer->status, crawl));
                    break;
                }
                const CdxPage cdx = CdxAnswer::ReadCommonCrawl(WholeLines(*answer));
                if (!cdx.problem.isEmpty()) {
                    outcome.problems.append({FetchFailure::Unreadable, crawl + QStringLiteral(": ") + cdx.problem});
                    break;
                }
                ++outcome.pages;
                take(cdx);
                if (answer->cut) outcome.problems.append(CutProblem());
            }
        }
    }
    outcome.captures = newest.values();
    std::sort(outcome.captures.begin(), outcome.captures.end(),
              [](const ArchiveCapture& a, const ArchiveCapture& b) { return a.link < b.link; });
    return outcome;
}
