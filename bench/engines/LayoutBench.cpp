// Hits per second and MB/s of the built-in engine layouts over the saved result pages of today's engines:
// each page cut the way a search cuts it (block signatures, the classic layout, the XPath layouts), REPEAT
// rounds, with the HTML parse alone timed beside it.

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QMap>

#include <cstdio>

#include "engines/BlockDetector.h"
#include "engines/EngineCatalog.h"
#include "engines/HtmlDocument.h"
#include "lists/TextCodec.h"
#include "search/EngineHitReader.h"
#include "search/ResultPageParsers.h"

namespace {

struct Page {
    const EngineDefinition* engine;
    QString url;
    QString text;
    qsizetype bytes;
};

struct Totals {
    qint64 bytes = 0;
    qint64 hits = 0;
    qint64 nanoseconds = 0;
    int pages = 0;
};

void Print(const char* label, const Totals& totals) {
    const double seconds = double(totals.nanoseconds) / 1e9;
    std::printf("%-12s %5d pages %8.2f MB %9lld hits %8.3f s %10.0f hits/s %8.1f MB/s\n", label, totals.pages,
                double(totals.bytes) / 1e6, static_cast<long long>(totals.hits), seconds,
                seconds > 0 ? double(totals.hits) / seconds : 0.0,
                seconds > 0 ? double(totals.bytes) / 1e6 / seconds : 0.0);
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QString fixtures = argc > 1 ? QString::fromLocal8Bit(argv[1])
                                      : qEnvironmentVariable("SKIMMER_FIXTURES", "../shared/fixtures");
    const int repeat = argc > 2 ? std::max(1, std::atoi(argv[2])) : 20;
    const QDir dir(fixtures + "/current-pages");
    QFile provenance(dir.filePath("PROVENANCE.tsv"));
    if (!provenance.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "layout_bench: no saved pages in %s\n", qPrintable(dir.path()));
        return 1;
    }
    const auto catalog = EngineCatalog::BuiltIn();
    const QMap<QString, QString> addresses = {{"google", "https://www.google.com/search?q=x"},
                                              {"scholar", "https://scholar.google.com/scholar?q=x"},
                                              {"bing", "https://www.bing.com/search?q=x"},
                                              {"baidu", "https://www.baidu.com/s?wd=x"},
                                              {"duckduckgo", "https://html.duckduckgo.com/html/?q=x"},
                                              {"sogou", "https://www.sogou.com/web?query=x"},
                                              {"yahoo", "https://search.yahoo.com/search?p=x"},
                                              {"brave", "https://search.brave.com/search?q=x"},
                                              {"yandex", "https://yandex.com/search/?text=x"},
                                              {"startpage", "https://www.startpage.com/sp/search?query=x"}};
    QList<Page> pages;
    const QStringList lines = QString::fromUtf8(provenance.readAll()).split(u'\n', Qt::SkipEmptyParts);
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QStringList fields = lines[i].split(u'\t');
        // Result pages only: block pages are told apart before any layout runs.
        if (fields.size() < 10 || !fields[9].startsWith("serp")) continue;
        const EngineDefinition* engine = catalog->Find(fields[0]);
        QFile file(dir.filePath(fields[0] + u'/' + fields[1]));
        if (!engine || !file.open(QIODevice::ReadOnly)) continue;
        const QByteArray bytes = file.readAll();
        pages.append({engine, addresses.value(fields[0]), TextCodec::Decode(bytes), bytes.size()});
    }
    const ResultPageParsers parsers{ParserKeys()};
    const ClassicHitCutter classic = [&](const EngineDefinition& engine, const QString& url,
                                         const QString& page) {
        return parsers.CutClassicHits(engine, url, page);
    };

    QMap<QString, Totals> perEngine;
    Totals all, parseOnly;
    QElapsedTimer timer;
    for (int round = 0; round < repeat; ++round) {
        for (const Page& page : pages) {
            timer.start();
            const BlockVerdict verdict = DetectBlock(*page.engine, 200, page.url, page.text);
            const qsizetype hits =
                verdict.blocked ? 0 : ReadEngineHits(*page.engine, page.url, page.text, classic).size();
            const qint64 elapsed = timer.nsecsElapsed();
            for (Totals* totals : {&perEngine[page.engine->id], &all}) {
                totals->bytes += page.bytes;
                totals->hits += hits;
                totals->nanoseconds += elapsed;
                if (round == 0) ++totals->pages;
            }
            timer.start();
            const auto document = HtmlDocument::Parse(page.text);
            parseOnly.nanoseconds += timer.nsecsElapsed();
            parseOnly.bytes += page.bytes;
            if (round == 0) ++parseOnly.pages;
        }
    }
    std::printf(
        "layout_bench: %d result pages of %s, %d rounds (MB as saved, before decoding, and hits summed over "
        "the rounds)\n",
        int(pages.size()), qPrintable(dir.path()), repeat);
    for (auto it = perEngine.cbegin(); it != perEngine.cend(); ++it) Print(qPrintable(it.key()), it.value());
    Print("all", all);
    Print("parse only", parseOnly);
    return 0;
}
