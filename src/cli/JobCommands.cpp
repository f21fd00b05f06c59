#include "cli/JobCommands.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QTimer>
#include <algorithm>
#include <array>
#include <atomic>
#include <tuple>

#include "app/Session.h"
#include "cli/CliArgs.h"
#include "cli/CtrlC.h"
#include "cli/SearchCommands.h"
#include "engines/BlockDetector.h"
#include "engines/EngineCatalog.h"
#include "lists/TextCodec.h"
#include "search/EngineHitReader.h"
#include "search/HtmlAnchorLister.h"
#include "search/ResultPageParsers.h"
#include "search/SearchJob.h"

namespace {

using K = SettingKey;

QString Row(const ResultEntry& e) {
    return e.title + u'\t' + e.type + u'\t' + e.size + u'\t' + e.link + u'\t' + e.status.Stored();
}

// "3 network, 1 no answer": the kinds that occurred.
QString FailureText(const std::array<int, kFetchFailureKinds>& failures) {
    static const char* const kNames[kFetchFailureKinds] = {"network", "no answer", "HTTP error", "unreadable"};
    QStringList parts;
    for (size_t k = 0; k < failures.size(); ++k) {
        if (failures[k] > 0) parts.append(QStringLiteral("%1 %2").arg(failures[k]).arg(kNames[k]));
    }
    return parts.isEmpty() ? QStringLiteral("none") : parts.join(QStringLiteral(", "));
}

// Per engine: pages fetched, hits, rows added, pages skipped because it blocked, and the reason.
void PrintEngineTable(CliContext& context, const EngineLedger& ledger) {
    const QList<EngineTally> tallies = ledger.Snapshot();
    if (tallies.isEmpty()) return;
    int width = int(qstrlen("engine"));
    for (const EngineTally& tally : tallies) width = std::max(width, int(tally.engine.size()));
    const auto line = [&](const QString& engine, const QString& fetched, const QString& hits,
                          const QString& rows, const QString& skipped, const QString& reason) {
        context.err << engine.leftJustified(width) << "  " << fetched.rightJustified(7) << "  "
                    << hits.rightJustified(6) << "  " << rows.rightJustified(6) << "  "
                    << skipped.rightJustified(7)
                    << (reason.isEmpty() ? QString() : QStringLiteral("  ") + reason) << '\n';
    };
    line(QStringLiteral("engine"), QStringLiteral("pages"), QStringLiteral("hits"), QStringLiteral("rows"),
         QStringLiteral("skipped"), QStringLiteral("blocked because"));
    for (const EngineTally& tally : tallies) {
        QString reason = tally.reason;
        // An engine that never answered and was not stopped for it still says why it gave nothing.
        if (reason.isEmpty() && tally.answers == 0 && tally.pagesQueued > 0)
            reason = QStringLiteral("no answer (%1)").arg(FailureText(tally.failures));
        line(tally.engine, QString::number(tally.pagesFetched), QString::number(tally.hits),
             QString::number(tally.rowsAdded), QString::number(tally.pagesSkipped), reason);
    }
    // Which proxy of the pool each engine blocked, so the user can take it out of the pool.
    for (const EngineTally& tally : tallies) {
        for (const QString& proxy : tally.proxiesBlocked)
            context.err << tally.engine << ": blocked the proxy " << proxy << '\n';
    }
    line(QStringLiteral("deep search"), QString(), QString(), QString::number(ledger.DeepRows()), QString(),
         QString());
    const std::array<int, kFetchFailureKinds> failures = ledger.FailureCounts();
    if (failures != std::array<int, kFetchFailureKinds>{})
        context.err << "failed fetches: " << FailureText(failures) << '\n';
}

void PrintRowsFrom(CliContext& context, qsizetype first) {
    const QList<ResultEntry> rows = context.session.Results().Snapshot();
    for (qsizetype i = first; i < rows.size(); ++i) context.out << Row(rows[i]) << '\n';
}

}  // namespace

QString ParseCommand::Help() const {
    return QStringLiteral(
        "usage: skimmer-cli parse --engine ID --url URL FILE [--deep | --hits]\n"
        "\n"
        "Runs the parser that the search job picks for URL over the saved page FILE, with the saved\n"
        "settings, and prints every row it adds as title<TAB>type<TAB>size<TAB>link<TAB>status. ID names "
        "the\n"
        "parser you expect (google, scholar, baidu, bing, bingacademic, sogou, youdao, soso, yahoo, "
        "zhongsou,\n"
        "aol, osun, 63da-search, 63da, none) and is only checked. --deep then runs the deep search over the\n"
        "page's links and prints its rows and, prefixed queue<TAB>, the addresses it would queue. Nothing\n"
        "is fetched but document sizes, when size computation is on.\n"
        "\n"
        "--hits prints instead every result the definition of engine ID (see 'skimmer-cli engines list')\n"
        "cuts from the page, before the type, size and title filters, as hit<TAB>link<TAB>title, the link\n"
        "unwrapped from the engine's redirector and resolved against URL. When the page is one the engine\n"
        "serves instead of results (a CAPTCHA, a consent or JavaScript page), parse prints\n"
        "blocked<TAB>reason (with --hits; on stderr without it) and exits 3.\n");
}

namespace {

// The page as the engine's block signatures see it; a saved page carries no status, so it counts as a 200.
BlockVerdict BlockOf(const EngineCatalog& catalog, const QString& id, const QString& url,
                     const QString& page) {
    const EngineDefinition* engine = catalog.Find(id);
    return engine ? DetectBlock(*engine, 200, url, page) : BlockVerdict();
}

int PrintHits(CliContext& context, const EngineCatalog& catalog, const QString& id, const QString& url,
              const QString& page) {
    const EngineDefinition* engine = catalog.Find(id);
    if (!engine) return context.Usage(QStringLiteral("parse: no engine definition has the id %1").arg(id));
    const BlockVerdict verdict = DetectBlock(*engine, 200, url, page);
    if (verdict.blocked) {
        context.out << "blocked\t" << verdict.reason << '\n';
        return kCliBlocked;
    }
    const ResultPageParsers parsers(ParserKeys::Load(context.session.Settings()));
    const ClassicHitCutter classic = [&parsers](const EngineDefinition& definition, const QString& pageUrl,
                                                const QString& text) {
        return parsers.CutClassicHits(definition, pageUrl, text);
    };
    QString unreadable;
    for (const EngineHit& hit : ReadEngineHits(*engine, url, page, classic, &unreadable)) {
        // A tab or line break inside a title would break the line format.
        QString title = hit.title;
        title.replace(u'\t', u' ').replace(u'\n', u' ').replace(u'\r', u' ');
        context.out << "hit\t" << hit.link << '\t' << title << '\n';
    }
    if (!unreadable.isEmpty()) context.err << "parse: the page was not read: " << unreadable << '\n';
    return kCliDone;
}

}  // namespace

int ParseCommand::Run(CliContext& context, const QStringList& args) {
    CliArgs parsed({QStringLiteral("--deep"), QStringLiteral("--hits")},
                   {QStringLiteral("--engine"), QStringLiteral("--url")});
    if (!parsed.Parse(args)) return context.Usage(QStringLiteral("parse: ") + parsed.Error());
    if (parsed.Positionals().size() != 1 || !parsed.Has(QStringLiteral("--engine")) ||
        !parsed.Has(QStringLiteral("--url"))) {
        return context.Usage(QStringLiteral("parse: expected --engine ID --url URL FILE"));
    }
    const bool hits = parsed.Has(QStringLiteral("--hits"));
    if (hits && parsed.Has(QStringLiteral("--deep")))
        return context.Usage(QStringLiteral("parse: --hits and --deep do not go together"));
    Session& session = context.session;
    const QString url = parsed.Value(QStringLiteral("--url"));
    const QString id = parsed.Value(QStringLiteral("--engine")).toLower();
    QString catalogProblem;
    const auto catalog = EngineCatalog::Load(session.Home().Dir(), &catalogProblem);
    if (!catalogProblem.isEmpty())
        context.err << "parse: " << catalogProblem << " (the built-in definitions are used)\n";
    bool fetch = false;
    const PageParser parser = SearchJob::Dispatch(url, session.GetOptions(), session.Rules(), &fetch);
    const QString expected = QLatin1StringView(ResultPageParsers::Name(parser));
    if (!hits && id != expected) {
        return context.Usage(
            QStringLiteral("parse: the search job reads %1 with the %2 parser").arg(url, expected));
    }
    QFile file(parsed.Positionals()[0]);
    if (!file.open(QIODevice::ReadOnly))
        return context.Failed(QStringLiteral("parse: cannot read %1").arg(file.fileName()));
    const QString page = TextCodec::Decode(file.readAll());
    if (hits) return PrintHits(context, *catalog, id, url, page);

    const BlockVerdict verdict = BlockOf(*catalog, id, url, page);
    if (verdict.blocked) {
        context.err << "parse: " << file.fileName() << " is a block page of " << id << ": " << verdict.reason
                    << '\n';
        return kCliBlocked;
    }

    SearchJob& job = session.Search();
    QObject::disconnect(&session.Status(), nullptr, nullptr, nullptr);  // rows only, no progress chatter
    const std::atomic<int> state{0};
    qsizetype before = session.Results().Size();
    if (parser != PageParser::None) job.RunParser(parser, state, url, page);
    PrintRowsFrom(context, before);
    before = session.Results().Size();
    if (parsed.Has(QStringLiteral("--deep"))) {
        HtmlAnchorLister document;
        const bool loaded = document.SetHtml(page, true);
        job.AnalysePage(state, url, document, loaded);
        PrintRowsFrom(context, before);
    }
    while (const auto item = job.Queue().PopUrl()) context.out << "queue\t" << item->url << '\n';
    return kCliDone;
}

QString SearchCommand::Help() const {
    return QStringLiteral(
        "usage: skimmer-cli search [-k KEYWORD]... [--engines LIST] [--formats LIST] [--other-ext EXT]\n"
        "                          [--time 0-4] [--bing-english] [--other-engine URL] [--threads N]\n"
        "                          [--interval S] [--deep-limit N] [--no-deep] [--site SITE]... --out FILE\n"
        "\n"
        "Runs the whole search as the Search button does and writes the rows found to FILE (.list text, or\n"
        "XML for any other extension). The query options are those of 'skimmer-cli queries'; without them\n"
        "the saved settings and keyword list are used. --threads 1-50 search threads, --interval seconds\n"
        "between fetches, --deep-limit stops the deep search once that many addresses wait, --no-deep\n"
        "skips it. Every search starts anew. Progress goes to stderr; Ctrl-C stops the search and the list\n"
        "is written with what was found until then; a second Ctrl-C ends at once and writes nothing.\n"
        "--site (repeatable) names the sites the web archives (--engines wayback,commoncrawl) are asked\n"
        "about: a domain (every host under it) or an address prefix; without it, ArchiveSites.\n"
        "\n"
        "At the end a table on stderr gives per engine the result pages fetched, the hits its layouts cut,\n"
        "the rows they added, the pages skipped because the engine blocked the search, and why; then the\n"
        "rows the deep search added and the failed fetches by kind. An engine that answers with a block\n"
        "page (a CAPTCHA, a rate limit) is not asked again in that search; nor is one whose first 3\n"
        "fetches all fail at the network level (\"no network: could not resolve HOST\").\n"
        "\n"
        "exit status: 130 after Ctrl-C; else 3 when every engine that answered blocked the search; else 1\n"
        "when no engine answered at all (or the list could not be written); else 0.\n");
}

int SearchCommand::Run(CliContext& context, const QStringList& args) {
    QStringList valued = QueryOptionValues();
    valued << QStringLiteral("--threads") << QStringLiteral("--interval") << QStringLiteral("--deep-limit")
           << QStringLiteral("--out");
    CliArgs parsed(QueryOptionSwitches() << QStringLiteral("--no-deep"), valued,
                   {QStringLiteral("-k"), QStringLiteral("--site")});
    if (!parsed.Parse(args)) return context.Usage(QStringLiteral("search: ") + parsed.Error());
    if (!parsed.Positionals().isEmpty() || !parsed.Has(QStringLiteral("--out"))) {
        return context.Usage(QStringLiteral("search: expected --out FILE"));
    }
    // The list is written when the search ends: a destination that cannot take it is said now, not after
    // a search whose rows would then be lost.
    const QFileInfo target(parsed.Value(QStringLiteral("--out")));
    if (target.exists() && !target.isSymLink() && !target.isFile())
        return context.Failed(QStringLiteral("search: --out %1 is not a regular file").arg(target.filePath()));
    if (const QFileInfo folder(target.absolutePath()); !folder.isDir() || !folder.isWritable())
        return context.Failed(QStringLiteral("search: --out: cannot write into the folder %1").arg(folder.filePath()));
    Session& session = context.session;
    Options& options = session.GetOptions();
    bool pdfSites = true;
    QString error;
    if (!ApplyQueryOptions(parsed, options, &pdfSites, &error))
        return context.Usage(QStringLiteral("search: ") + error);
    const auto threads = parsed.Number(QStringLiteral("--threads"), options.Int(K::SearchThreads));
    const auto interval = parsed.Number(QStringLiteral("--interval"), options.Int(K::SearchPauseSeconds));
    const auto deepLimit =
        parsed.Number(QStringLiteral("--deep-limit"), options.Int(K::DeepSearchQueueLimit));
    for (const auto& [flag, value, key] : {std::tuple{"--threads", threads, K::SearchThreads},
                                           std::tuple{"--interval", interval, K::SearchPauseSeconds},
                                           std::tuple{"--deep-limit", deepLimit, K::DeepSearchQueueLimit}}) {
        if (!value || !SettingsTable::Accepts(key, *value)) {
            return context.Usage(QStringLiteral("search: %1 takes %2")
                                     .arg(QLatin1StringView(flag), SettingsTable::RangeText(key)));
        }
    }
    options.SetCommittedInt(K::SearchThreads, int(*threads));
    options.SetCommittedInt(K::SearchPauseSeconds, int(*interval));
    options.SetCommittedInt(K::DeepSearchQueueLimit, int(*deepLimit));
    if (parsed.Has(QStringLiteral("-k"))) {
        session.Keywords().ClearKeywords();
        for (const QString& keyword : parsed.Values(QStringLiteral("-k")))
            session.Keywords().AddKeyword(keyword);
    }
    if (parsed.Has(QStringLiteral("--site")))
        options.SetCommittedText(K::ArchiveSites, parsed.Values(QStringLiteral("--site")).join(u','));
    SearchJob& job = session.Search();
    job.SetPdfSitesEnabled(pdfSites);
    job.SetDeepSearchAllowed(!parsed.Has(QStringLiteral("--no-deep")));
    job.DropPendingPages();

    QEventLoop loop;
    QObject::connect(&job, &SearchJob::searchFinished, &loop, &QEventLoop::quit);
    CtrlC ctrlC(CtrlC::SecondPress::Exits);
    bool interrupted = false;
    QTimer progress;
    QObject::connect(&progress, &QTimer::timeout, &loop, [&] {
        if (ctrlC.Take()) {
            context.err << "\nstopping... (Ctrl-C again ends at once without writing the list)\n";
            interrupted = true;
            job.StopSearch();
        }
        context.err << '\r' << session.SearchCounters() << "  " << session.ListCounters().section(u' ', 0, 0)
                    << QStringLiteral("  threads:%1   ").arg(job.RunningThreads());
        context.err.flush();
        if (!job.IsBusy()) loop.quit();
    });
    progress.start(500);
    // Messages about the job's own end come on the status line; the terminal shows only the counters.
    QObject::disconnect(&session.Status(), nullptr, nullptr, nullptr);
    if (!job.StartSearch()) {
        return context.Failed(QStringLiteral("search: the search did not start (size limits?)"));
    }
    loop.exec();
    context.err << '\n';

    const QString out = parsed.Value(QStringLiteral("--out"));
    ListFiles& files = session.Lists().Files();
    const int written = files.ExportList(out, StatusFilter());
    if (written == 0 && session.Results().Size() > 0)
        return context.Failed(QStringLiteral("search: ") + files.LastError());
    context.err << "found " << session.Results().Size() << " documents; list written to " << out << '\n';
    if (interrupted) context.err << "stopped by Ctrl-C: the list holds what was found until then\n";
    PrintEngineTable(context, job.Ledger());
    for (const EngineTally& tally : job.Ledger().Snapshot()) {
        // A block is in the table; a stop or an unusable answer says its reason in full.
        if (!tally.blocked && !tally.reason.isEmpty()) context.err << tally.engine << ": " << tally.reason << '\n';
    }
    if (interrupted) return kCliInterrupted;
    if (job.Ledger().AllBlocked()) return kCliBlocked;
    return job.Ledger().NoneAnswered() ? kCliFailed : kCliDone;
}
