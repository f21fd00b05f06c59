// Runs the result-page parser of each engine folder over the saved pages in it (the "other" format set
// to html so the mostly non-document links of those pages count as hits) and prints MB/s and rows/s.
//
//   parser_bench FIXTURES_DIR [REPEAT=20]

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <cstdio>

#include "lists/IniFile.h"
#include "lists/Options.h"
#include "lists/Profile.h"
#include "lists/ResultList.h"
#include "lists/TextCodec.h"
#include "search/DocLinkRules.h"
#include "search/KeywordList.h"
#include "search/LinkFilters.h"
#include "search/ResultPageParsers.h"
#include "search/SearchQueue.h"

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: parser_bench FIXTURES_DIR [REPEAT]\n");
        return 2;
    }
    const QDir root(QString::fromLocal8Bit(argv[1]) + QStringLiteral("/result-pages"));
    const int repeat = argc > 2 ? std::atoi(argv[2]) : 20;
    const std::pair<const char*, PageParser> folders[] = {
        {"google", PageParser::Google}, {"scholar", PageParser::Scholar}, {"baidu", PageParser::Baidu},
        {"bing", PageParser::Bing},     {"sogou", PageParser::Sogou},     {"yahoo", PageParser::Yahoo},
        {"aol", PageParser::Aol}};
    Options options;
    options.Load(IniFile());
    options.SetLiveInt(SettingKey::DocOther, 1);
    options.SetLiveText(SettingKey::EDocOther, QStringLiteral("html"));
    options.SetLiveInt(SettingKey::AddRandName, 0);
    KeywordList keywords(QStringLiteral("/nonexistent/key.list"));
    LinkFilters filters(options, keywords);
    DocLinkRules rules(options);
    SearchQueue queue;
    const std::atomic<int> state{0};
    const ResultPageParsers parsers(ParserKeys::Load(Profile(QStringLiteral("/nonexistent/Setting.ini"))));

    struct Page {
        PageParser parser;
        QString text;
        qint64 bytes;
    };
    QList<Page> pages;
    for (const auto& [folder, parser] : folders) {
        const QDir dir(root.filePath(QLatin1StringView(folder)));
        for (const QString& name : dir.entryList({QStringLiteral("*.html")})) {
            QFile file(dir.filePath(name));
            if (!file.open(QIODevice::ReadOnly)) continue;
            const QByteArray bytes = file.readAll();
            pages.append({parser, TextCodec::Decode(bytes), bytes.size()});
        }
    }
    if (pages.isEmpty()) {
        std::printf("parser bench: no saved pages under %s\n", qPrintable(root.path()));
        return 0;
    }
    qint64 bytes = 0, rows = 0;
    QElapsedTimer clock;
    clock.start();
    for (int r = 0; r < repeat; ++r) {
        for (const Page& page : pages) {
            ResultList results(options, nullptr);
            ParseContext context{state, results, filters, rules, options, queue, nullptr};
            parsers.Parse(page.parser, context, QStringLiteral("http://engine.example/search?q=x"),
                          page.text);
            rows += results.Size();
            bytes += page.bytes;
        }
    }
    const double seconds = double(clock.nsecsElapsed()) / 1e9;
    std::printf("parsers: %lld pages, %.1f MB/s, %.0f rows/s (%lld rows)\n", (long long)pages.size() * repeat,
                double(bytes) / seconds / 1e6, double(rows) / seconds, (long long)rows);
    return 0;
}
