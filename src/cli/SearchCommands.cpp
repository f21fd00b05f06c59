#include "cli/SearchCommands.h"

#include <QFile>
#include <QSet>

#include "app/Session.h"
#include "cli/CliArgs.h"
#include "net/PageDecoder.h"
#include "search/HtmlAnchorLister.h"
#include "search/QueryCatalogue.h"

namespace {

using K = SettingKey;

struct NamedBox {
    const char* id;
    K key;
};

constexpr NamedBox kEngines[] = {
    {"google", K::EngineGoogle},
    {"scholar", K::EngineGoogleScholar},
    {"baidu", K::EngineBaidu},
    {"bing", K::EngineBing},
    {"bingacademic", K::EngineBingAcademic},
    {"sogou", K::EngineSogou},
    {"youdao", K::EngineYoudao},
    {"yahoo", K::EngineYahoo},
    {"aol", K::EngineAol},
    {"zhongsou", K::EngineZhongsou},
    {"osun", K::EngineOsun},
    {"63da", K::Engine63Da},
    {"duckduckgo", K::EngineDuckDuckGo},
    {"brave", K::EngineBrave},
    {"yandex", K::EngineYandex},
    {"startpage", K::EngineStartpage},
    {"searxng", K::EngineSearxng},
    {"google-api", K::EngineGoogleApi},
    {"brave-api", K::EngineBraveApi},
    {"openalex", K::EngineOpenAlex},
    {"wayback", K::EngineWayback},
    {"commoncrawl", K::EngineCommonCrawl},
};

constexpr NamedBox kFormats[] = {
    {"word", K::FormatWord}, {"pdf", K::FormatPdf}, {"ppt", K::FormatPpt},     {"xls", K::FormatXls},
    {"rtf", K::FormatRtf},   {"txt", K::FormatTxt}, {"zip", K::FormatArchive}, {"other", K::FormatOther},
};

// Ticks exactly the boxes named in a comma-separated list; false (with the bad name) for an unknown one.
template <size_t N>
bool TickOnly(Options& options, const NamedBox (&boxes)[N], const QString& list, QSet<QString>& extra,
              QString* bad) {
    const QStringList names = list.split(u',', Qt::SkipEmptyParts);
    for (const NamedBox& box : boxes) options.SetCommittedInt(box.key, 0);
    for (const QString& raw : names) {
        const QString name = raw.trimmed().toLower();
        bool known = extra.contains(name);
        for (const NamedBox& box : boxes) {
            if (name == QLatin1StringView(box.id)) {
                options.SetCommittedInt(box.key, 1);
                known = true;
            }
        }
        if (!known) {
            *bad = raw;
            return false;
        }
        extra.remove(name);
    }
    return true;
}

}  // namespace

QString QueriesCommand::Help() const {
    return QStringLiteral(
        "usage: skimmer-cli queries [-k KEYWORD]... [--engines LIST] [--formats LIST] [--other-ext EXT]\n"
        "                           [--time 0-4] [--bing-english] [--other-engine URL]\n"
        "\n"
        "Prints, one a line and in fetching order, the result-page addresses a search would queue.\n"
        "Without -k the saved keyword list is used; without the other options the saved settings.\n"
        "  --engines   google, scholar, baidu, bing, bingacademic, sogou, youdao, yahoo, aol, zhongsou,\n"
        "              osun, 63da, duckduckgo, brave, yandex, startpage, pdf (the three PDF sites),\n"
        "              searxng, google-api, brave-api, openalex (the search APIs: each query is\n"
        "              printed once, for its first page; keys are added when it is sent),\n"
        "              wayback, commoncrawl (the web archives, asked per site of ArchiveSites or\n"
        "              --site rather than per keyword), comma-separated\n"
        "  --formats   word, pdf, ppt, xls, rtf, txt, zip, other\n"
        "  --time      0 any time, 1 last day, 2 last week, 3 last month, 4 last year\n");
}

QStringList QueryOptionSwitches() {
    return {QStringLiteral("--bing-english")};
}

QStringList QueryOptionValues() {
    return {QStringLiteral("--engines"), QStringLiteral("--formats"), QStringLiteral("--other-ext"),
            QStringLiteral("--time"), QStringLiteral("--other-engine")};
}

bool ApplyQueryOptions(CliArgs& parsed, Options& options, bool* pdfSites, QString* error) {
    QString bad;
    *pdfSites = true;
    if (parsed.Has(QStringLiteral("--engines"))) {
        QSet<QString> extra{QStringLiteral("pdf")};
        if (!TickOnly(options, kEngines, parsed.Value(QStringLiteral("--engines")), extra, &bad)) {
            *error = QStringLiteral("unknown engine '%1'").arg(bad);
            return false;
        }
        *pdfSites = extra.isEmpty();  // "pdf" was named
        options.SetCommittedInt(K::EngineOther, 0);
    }
    if (parsed.Has(QStringLiteral("--formats"))) {
        QSet<QString> none;
        if (!TickOnly(options, kFormats, parsed.Value(QStringLiteral("--formats")), none, &bad)) {
            *error = QStringLiteral("unknown format '%1'").arg(bad);
            return false;
        }
    }
    if (parsed.Has(QStringLiteral("--other-ext"))) {
        options.SetCommittedText(K::OtherDocExtension, parsed.Value(QStringLiteral("--other-ext")));
    }
    if (parsed.Has(QStringLiteral("--bing-english"))) options.SetCommittedInt(K::BingEnglishOnly, 1);
    if (parsed.Has(QStringLiteral("--other-engine"))) {
        options.SetCommittedInt(K::EngineOther, 1);
        options.SetCommittedText(K::OtherEngineAddress, parsed.Value(QStringLiteral("--other-engine")));
    }
    const auto time = parsed.Number(QStringLiteral("--time"), options.TimeRange());
    if (!time || *time < 0 || *time > 4) {
        *error = QStringLiteral("--time takes 0 to 4");
        return false;
    }
    options.SetTimeRange(int(*time));
    return true;
}

int QueriesCommand::Run(CliContext& context, const QStringList& args) {
    CliArgs parsed(QueryOptionSwitches(), QueryOptionValues(), {QStringLiteral("-k")});
    if (!parsed.Parse(args)) return context.Usage(QStringLiteral("queries: ") + parsed.Error());
    if (!parsed.Positionals().isEmpty())
        return context.Usage(QStringLiteral("queries: unexpected '%1'").arg(parsed.Positionals()[0]));
    Options& options = context.session.GetOptions();
    bool pdfSites = true;
    QString error;
    if (!ApplyQueryOptions(parsed, options, &pdfSites, &error))
        return context.Usage(QStringLiteral("queries: ") + error);
    // The definitions in force, the user's file included, as the search would use them.
    QueryCatalogue catalogue(options, context.session.Engines());
    catalogue.SetPdfSitesEnabled(pdfSites);
    const QStringList keywords = parsed.Has(QStringLiteral("-k")) ? parsed.Values(QStringLiteral("-k"))
                                                                  : context.session.Keywords().Keywords();
    QSet<QString> seen;
    catalogue.BuildQueue(keywords, options.TimeRange(), [&](const QString& address) {
        if (seen.contains(address)) return;
        seen.insert(address);
        context.out << address << '\n';
    });
    return kCliDone;
}

QString AnchorsCommand::Help() const {
    return QStringLiteral(
        "usage: skimmer-cli anchors FILE --url URL\n"
        "\n"
        "Lists the anchors of the saved page FILE as text<TAB>link, in document order, each link resolved\n"
        "as the deep search does it for a page fetched from URL (or the page's <base href>). FILE is read "
        "as\n"
        "the deep search reads a page: UTF-16 by its byte-order mark, UTF-8, else the charset of its\n"
        "<meta>, else GB18030. A page the HTML parser refuses (larger than 16 MB) exits 1 with the reason.\n");
}

int AnchorsCommand::Run(CliContext& context, const QStringList& args) {
    CliArgs parsed({}, {QStringLiteral("--url")});
    if (!parsed.Parse(args)) return context.Usage(QStringLiteral("anchors: ") + parsed.Error());
    if (parsed.Positionals().size() != 1 || !parsed.Has(QStringLiteral("--url"))) {
        return context.Usage(QStringLiteral("anchors: expected FILE --url URL"));
    }
    QFile file(parsed.Positionals()[0]);
    if (!file.open(QIODevice::ReadOnly))
        return context.Failed(QStringLiteral("anchors: cannot read %1").arg(file.fileName()));
    const QString url = parsed.Value(QStringLiteral("--url"));
    HtmlAnchorLister page;
    page.SetBaseUrl(url);
    if (!page.SetHtml(PageDecoder::Decode(file.readAll(), QString(), true), true)) {
        if (page.Refusal().isEmpty()) return kCliDone;  // an empty page has no anchors
        return context.Failed(QStringLiteral("anchors: %1: %2").arg(file.fileName(), page.Refusal()));
    }
    QList<AnchorRecord> anchors;
    page.ListAnchors(anchors);
    for (const AnchorRecord& anchor : anchors) {
        QString text = anchor.text;
        text.replace(u'\t', u' ');
        // Links the rules refused stay empty, as the deep search skips them.
        context.out << text << '\t'
                    << (anchor.link.isEmpty() ? QString() : HtmlAnchorLister::ResolveUrl(url, anchor.link))
                    << '\n';
    }
    return kCliDone;
}

QString ResolveCommand::Help() const {
    return QStringLiteral(
        "usage: skimmer-cli resolve BASE LINK\n"
        "\n"
        "Prints LINK resolved against the page address BASE as a browser resolves it, less its fragment and\n"
        "a trailing slash. Empty and fragment-only links, schemes other than http, https and ftp, and\n"
        "paths of scripts, style sheets and pictures come out empty.\n");
}

int ResolveCommand::Run(CliContext& context, const QStringList& args) {
    if (args.size() != 2) return context.Usage(QStringLiteral("resolve: expected BASE LINK"));
    context.out << HtmlAnchorLister::ResolveUrl(args[0], args[1]) << '\n';
    return kCliDone;
}
