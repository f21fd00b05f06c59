#include "cli/JobCommands.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QFile>
#include <QTimer>
#include <atomic>
#include <tuple>

#include "app/Session.h"
#include "cli/CliArgs.h"
#include "cli/CtrlC.h"
#include "cli/SearchCommands.h"
#include "lists/TextCodec.h"
#include "search/CHtmlParse.h"
#include "search/SearchJob.h"

namespace {

using K = SettingKey;

QString Row(const ResultEntry& e) {
    return e.title + u'\t' + e.type + u'\t' + e.size + u'\t' + e.link + u'\t' + e.status;
}

void PrintRowsFrom(CliContext& context, qsizetype first) {
    const QList<ResultEntry> rows = context.session.Results().Snapshot();
    for (qsizetype i = first; i < rows.size(); ++i) context.out << Row(rows[i]) << '\n';
}

}  // namespace

QString ParseCommand::Help() const {
    return QStringLiteral(
        "usage: skimmer-cli parse --engine ID --url URL FILE [--deep]\n"
        "\n"
        "Runs the parser that the search job picks for URL over the saved page FILE, with the saved\n"
        "settings, and prints every row it adds as title<TAB>type<TAB>size<TAB>link<TAB>status. ID names "
        "the\n"
        "parser you expect (google, scholar, baidu, bing, bingacademic, sogou, youdao, soso, yahoo, "
        "zhongsou,\n"
        "aol, osun, 63da-search, 63da, none) and is only checked. --deep then runs the deep search over the\n"
        "page's links and prints its rows and, prefixed queue<TAB>, the addresses it would queue. Nothing\n"
        "is fetched but document sizes, when size computation is on.\n");
}

int ParseCommand::Run(CliContext& context, const QStringList& args) {
    CliArgs parsed({QStringLiteral("--deep")}, {QStringLiteral("--engine"), QStringLiteral("--url")});
    if (!parsed.Parse(args)) return context.Usage(QStringLiteral("parse: ") + parsed.Error());
    if (parsed.Positionals().size() != 1 || !parsed.Has(QStringLiteral("--engine")) ||
        !parsed.Has(QStringLiteral("--url"))) {
        return context.Usage(QStringLiteral("parse: expected --engine ID --url URL FILE"));
    }
    Session& session = context.session;
    const QString url = parsed.Value(QStringLiteral("--url"));
    bool fetch = false;
    const PageParser parser = SearchJob::Dispatch(url, session.GetOptions(), session.Rules(), &fetch);
    const QString expected = QLatin1StringView(ResultPageParsers::Name(parser));
    if (parsed.Value(QStringLiteral("--engine")).toLower() != expected) {
        return context.Usage(
            QStringLiteral("parse: the search job reads %1 with the %2 parser").arg(url, expected));
    }
    QFile file(parsed.Positionals()[0]);
    if (!file.open(QIODevice::ReadOnly))
        return context.Failed(QStringLiteral("parse: cannot read %1").arg(file.fileName()));
    const QString page = TextCodec::Decode(file.readAll());

    SearchJob& job = session.Search();
    QObject::disconnect(&session.Status(), nullptr, nullptr, nullptr);  // rows only, no progress chatter
    const std::atomic<int> state{0};
    qsizetype before = session.Results().Size();
    if (parser != PageParser::None) job.RunParser(parser, state, url, page);
    PrintRowsFrom(context, before);
    before = session.Results().Size();
    if (parsed.Has(QStringLiteral("--deep"))) {
        CHtmlParse document;
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
        "                          [--interval S] [--deep-limit N] [--no-deep] --out FILE\n"
        "\n"
        "Runs the whole search as the Search button does and writes the rows found to FILE (.list text, or\n"
        "XML for any other extension). The query options are those of 'skimmer-cli queries'; without them\n"
        "the saved settings and keyword list are used. --threads 1-50 search threads, --interval seconds\n"
        "between fetches, --deep-limit stops the deep search once that many addresses wait, --no-deep\n"
        "skips it. Progress goes to stderr; Ctrl-C stops the search (the list is still written).\n");
}

int SearchCommand::Run(CliContext& context, const QStringList& args) {
    QStringList valued = QueryOptionValues();
    valued << QStringLiteral("--threads") << QStringLiteral("--interval") << QStringLiteral("--deep-limit")
           << QStringLiteral("--out");
    CliArgs parsed(QueryOptionSwitches() << QStringLiteral("--no-deep"), valued, {QStringLiteral("-k")});
    if (!parsed.Parse(args)) return context.Usage(QStringLiteral("search: ") + parsed.Error());
    if (!parsed.Positionals().isEmpty() || !parsed.Has(QStringLiteral("--out"))) {
        return context.Usage(QStringLiteral("search: expected --out FILE"));
    }
    Session& session = context.session;
    Options& options = session.GetOptions();
    bool pdfSites = true;
    QString error;
    if (!ApplyQueryOptions(parsed, options, &pdfSites, &error))
        return context.Usage(QStringLiteral("search: ") + error);
    const auto threads = parsed.Number(QStringLiteral("--threads"), options.Int(K::SearchMaxThread));
    const auto interval = parsed.Number(QStringLiteral("--interval"), options.Int(K::SearchInterval));
    const auto deepLimit = parsed.Number(QStringLiteral("--deep-limit"), options.Int(K::URLsCount));
    for (const auto& [flag, value, key] : {std::tuple{"--threads", threads, K::SearchMaxThread},
                                           std::tuple{"--interval", interval, K::SearchInterval},
                                           std::tuple{"--deep-limit", deepLimit, K::URLsCount}}) {
        if (!value || !SettingsTable::Accepts(key, *value)) {
            return context.Usage(QStringLiteral("search: %1 takes %2")
                                     .arg(QLatin1StringView(flag), SettingsTable::RangeText(key)));
        }
    }
    options.SetCommittedInt(K::SearchMaxThread, int(*threads));
    options.SetCommittedInt(K::SearchInterval, int(*interval));
    options.SetCommittedInt(K::URLsCount, int(*deepLimit));
    if (parsed.Has(QStringLiteral("-k"))) {
        session.Keywords().ClearKeywords();
        for (const QString& keyword : parsed.Values(QStringLiteral("-k")))
            session.Keywords().AddKeyword(keyword);
    }
    SearchJob& job = session.Search();
    job.SetPdfSitesEnabled(pdfSites);
    job.SetDeepSearchAllowed(!parsed.Has(QStringLiteral("--no-deep")));

    QEventLoop loop;
    QObject::connect(&job, &SearchJob::searchFinished, &loop, &QEventLoop::quit);
    CtrlC ctrlC;
    QTimer progress;
    QObject::connect(&progress, &QTimer::timeout, &loop, [&] {
        if (ctrlC.Take()) {
            context.err << "\nstopping...\n";
            job.StopSearch();
        }
        context.err << '\r' << session.SearchCounters() << "  " << session.ListCounters().section(u' ', 0, 0)
                    << QStringLiteral("  线程:%1   ").arg(job.RunningThreads());
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
    const int written = ListFiles::IsTextPath(out) ? files.ExportListText(out, StatusFilter())
                                                   : files.ExportListXml(out, StatusFilter());
    if (written == 0 && session.Results().Size() > 0)
        return context.Failed(QStringLiteral("search: ") + files.LastError());
    context.err << "found " << session.Results().Size() << " documents; list written to " << out << '\n';
    return kCliDone;
}
