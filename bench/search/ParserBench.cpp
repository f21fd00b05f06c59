// Runs the result-page parser of each engine folder over the saved pages in it (the "other" format set
// to html so the mostly non-document links of those pages count as hits) and prints, per engine, MB/s
// and rows/s with the page's decoding inside the timer, as a search decodes every page it fetches.
// The headline counts only pages that yield rows: a page a parser reads nothing from is cheap for a
// reason that says nothing about reading hits.
//
//   parser_bench FIXTURES_DIR [REPEAT=20]

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <chrono>
#include <cstdio>

#include "engines/DocLinkRules.h"
#include "lists/IniFile.h"
#include "lists/Options.h"
#include "lists/Profile.h"
#include "lists/ResultList.h"
#include "lists/TextCodec.h"
#include "search/KeywordList.h"
#include "search/LinkFilters.h"
#include "search/ResultPageParsers.h"
#include "search/SearchQueue.h"

namespace {

struct Tally {
    qint64 pages = 0, bytes = 0, rows = 0, nanos = 0;

    void Add(const Tally& other) {
        pages += other.pages, bytes += other.bytes, rows += other.rows, nanos += other.nanos;
    }
    void Print(const char* name) const {
        const double seconds = double(nanos) / 1e9;
        std::printf("%-22s %6lld pages %8.1f MB %9lld rows %8.3f s %9.1f MB/s %11.0f rows/s\n", name,
                    (long long)pages, double(bytes) / 1e6, (long long)rows, seconds,
                    seconds > 0 ? double(bytes) / seconds / 1e6 : 0.0,
                    seconds > 0 ? double(rows) / seconds : 0.0);
    }
};

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: parser_bench FIXTURES_DIR [REPEAT]\n");
        return 2;
    }
    const QDir root(QString::fromLocal8Bit(argv[1]) + QStringLiteral("/result-pages"));
    const int repeat = argc > 2 ? std::max(1, std::atoi(argv[2])) : 20;
    const std::pair<const char*, PageParser> folders[] = {
        {"google", PageParser::Google}, {"scholar", PageParser::Scholar}, {"baidu", PageParser::Baidu},
        {"bing", PageParser::Bing},     {"sogou", PageParser::Sogou},     {"yahoo", PageParser::Yahoo},
        {"aol", PageParser::Aol}};
    Options options;
    options.Load(IniFile());
    options.SetLiveInt(SettingKey::FormatOther, 1);
    options.SetLiveText(SettingKey::OtherDocExtension, QStringLiteral("html"));
    options.SetLiveInt(SettingKey::SuffixSameTitles, 0);
    KeywordList keywords(QStringLiteral("/nonexistent/key.list"));
    LinkFilters filters(options, keywords);
    DocLinkRules rules(options);
    SearchQueue queue;
    const std::atomic<int> state{0};
    const ResultPageParsers parsers(ParserKeys::Load(Profile(QStringLiteral("/nonexistent/Setting.ini"))));

    struct Page {
        PageParser parser;
        QByteArray bytes;  // as fetched: decoding is part of the work timed
    };
    Tally withRows, withoutRows;
    std::printf("%d rounds over the saved pages of %s (decoding included):\n", repeat,
                qPrintable(root.path()));
    for (const auto& [folder, parser] : folders) {
        const QDir dir(root.filePath(QLatin1StringView(folder)));
        QList<Page> pages;
        for (const QString& name : dir.entryList({QStringLiteral("*.html")})) {
            QFile file(dir.filePath(name));
            if (file.open(QIODevice::ReadOnly)) pages.append({parser, file.readAll()});
        }
        if (pages.isEmpty()) continue;
        Tally engine, engineRows, engineEmpty;
        for (const Page& page : pages) {
            Tally one;
            for (int r = 0; r < repeat; ++r) {
                ResultList results(options, nullptr);
                ParseContext context{state, results, filters, rules, options, queue, nullptr};
                const auto start = std::chrono::steady_clock::now();
                const QString text = TextCodec::Decode(page.bytes);
                parsers.Parse(page.parser, context, QStringLiteral("http://engine.example/search?q=x"), text);
                one.nanos += std::chrono::duration_cast<std::chrono::nanoseconds>(
                                 std::chrono::steady_clock::now() - start)
                                 .count();
                one.rows += results.Size();
                one.bytes += page.bytes.size();
                one.pages += 1;
            }
            engine.Add(one);
            (one.rows > 0 ? engineRows : engineEmpty).Add(one);
        }
        engine.Print(folder);
        withRows.Add(engineRows);
        withoutRows.Add(engineEmpty);
    }
    if (withRows.pages + withoutRows.pages == 0) {
        std::printf("parser bench: no saved pages under %s\n", qPrintable(root.path()));
        return 0;
    }
    withoutRows.Print("pages with no rows");
    withRows.Print("HEADLINE (with rows)");
    return 0;
}
