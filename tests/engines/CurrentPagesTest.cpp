// The built-in layouts and block signatures against result pages that today's engines served, with every
// page's organic results listed by hand in expected-hits.tsv.

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QHash>
#include <QSet>
#include <QUrl>

#include <iostream>
#include <thread>
#include <vector>

#include "engines/BlockDetector.h"
#include "engines/EngineCatalog.h"
#include "lists/TextCodec.h"
#include "search/EngineHitReader.h"
#include "search/ResultPageParsers.h"

namespace {

QString FixtureDir() {
    return qEnvironmentVariable("SKIMMER_FIXTURES", "../shared/fixtures") + "/current-pages";
}

// The address each engine's saved page is read as, as a search would have fetched it.
QString PageUrl(const QString& engine, const QString& kind) {
    static const QHash<QString, QString> urls = {
        {"google", "https://www.google.com/search?q=x"},
        {"scholar", "https://scholar.google.com/scholar?q=x"},
        {"bing", "https://www.bing.com/search?q=x"},
        {"baidu", "https://www.baidu.com/s?wd=x"},
        {"duckduckgo", "https://html.duckduckgo.com/html/?q=x"},
        {"sogou", "https://www.sogou.com/web?query=x"},
        {"yahoo", "https://search.yahoo.com/search?p=x"},
        {"brave", "https://search.brave.com/search?q=x"},
        {"yandex", "https://yandex.com/search/?text=x"},
        {"startpage", "https://www.startpage.com/sp/search?query=x"},
    };
    if (engine == "duckduckgo" && kind == "serp-lite") return "https://lite.duckduckgo.com/lite/?q=x";
    return urls.value(engine);
}

// Links compare as a browser would follow them: resolved, without fragment or a trailing slash.
QString Comparable(const QString& base, const QString& link) {
    QUrl url = QUrl(base).resolved(QUrl(link.trimmed()));
    url = url.adjusted(QUrl::RemoveFragment | QUrl::StripTrailingSlash | QUrl::NormalizePathSegments);
    QString text = url.toString(QUrl::FullyEncoded);
    while (text.endsWith(u'/') || text.endsWith(u'?')) text.chop(1);
    return text;
}

struct SavedPage {
    QString engine, file, kind;
    int results = 0;  // organic results the page shows
};

QList<SavedPage> ReadProvenance(const QDir& dir) {
    QList<SavedPage> pages;
    QFile file(dir.filePath("PROVENANCE.tsv"));
    if (!file.open(QIODevice::ReadOnly)) return pages;
    const QStringList lines = QString::fromUtf8(file.readAll()).split(u'\n', Qt::SkipEmptyParts);
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QStringList fields = lines[i].split(u'\t');
        if (fields.size() >= 10) pages.append({fields[0], fields[1], fields[9], fields[8].toInt()});
    }
    return pages;
}

QHash<QString, QStringList> ReadExpected(const QDir& dir) {
    QHash<QString, QStringList> expected;  // "engine/file" -> links
    QFile file(dir.filePath("expected-hits.tsv"));
    if (!file.open(QIODevice::ReadOnly)) return expected;
    const QStringList lines = QString::fromUtf8(file.readAll()).split(u'\n', Qt::SkipEmptyParts);
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QStringList fields = lines[i].split(u'\t');
        if (fields.size() >= 3) expected[fields[0] + u'/' + fields[1]].append(fields[2]);
    }
    return expected;
}

TEST(CurrentPages, LayoutsFindTheResultsAndSignaturesTheBlockPages) {
    const QDir dir(FixtureDir());
    const QList<SavedPage> pages = ReadProvenance(dir);
    if (pages.isEmpty()) GTEST_SKIP() << "saved result pages not found in " << dir.path().toStdString();
    const QHash<QString, QStringList> expected = ReadExpected(dir);
    const auto catalog = EngineCatalog::BuiltIn();
    // The classic layout first, as a search reads pages.
    const ResultPageParsers parsers{ParserKeys()};
    const ClassicHitCutter classic = [&](const EngineDefinition& engine, const QString& url,
                                         const QString& page) {
        return parsers.CutClassicHits(engine, url, page);
    };

    qsizetype expectedTotal = 0, foundTotal = 0, extraTotal = 0;
    for (const SavedPage& saved : pages) {
        SCOPED_TRACE((saved.engine + u'/' + saved.file).toStdString());
        const EngineDefinition* engine = catalog->Find(saved.engine);
        ASSERT_NE(engine, nullptr);
        QFile file(dir.filePath(saved.engine + u'/' + saved.file));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const QString page = TextCodec::Decode(file.readAll());
        const QString url = PageUrl(saved.engine, saved.kind);
        const BlockVerdict verdict = DetectBlock(*engine, 200, url, page);
        if (!saved.kind.startsWith("serp")) {
            EXPECT_TRUE(verdict.blocked)
                << "a block page (" << saved.kind.toStdString() << ") passes as results";
            EXPECT_FALSE(verdict.reason.isEmpty());
            continue;
        }
        EXPECT_FALSE(verdict.blocked)
            << "a result page is taken for a block page: " << verdict.reason.toStdString();
        const QList<EngineHit> hits = ReadEngineHits(*engine, url, page, classic);
        const QString key = saved.engine + u'/' + saved.file;
        if (!expected.contains(key)) {
            // Listed without its links: only the count can be checked.
            EXPECT_GE(hits.size() * 5, saved.results * 4)
                << hits.size() << " of " << saved.results << " results";
            continue;
        }
        QSet<QString> wanted;
        for (const QString& link : expected.value(key)) wanted.insert(Comparable(url, link));
        QSet<QString> got, matchedTitles;
        QStringList untitled;
        for (const EngineHit& hit : hits) {
            const QString link = Comparable(url, hit.link);
            got.insert(link);
            if (wanted.contains(link)) matchedTitles.insert(hit.title);
            // A title expression that selects the wrong nodes loses the titles and keeps every link.
            if (wanted.contains(link) && hit.title.trimmed().isEmpty()) untitled.append(link);
        }
        EXPECT_TRUE(untitled.isEmpty()) << "results without a title: " << untitled.join(' ').toStdString();
        qsizetype found = 0, extra = 0;
        for (const QString& link : wanted) found += got.contains(link);
        QStringList extras;
        for (const EngineHit& hit : hits) {
            const QString link = Comparable(url, hit.link);
            if (wanted.contains(link) || extras.contains(link)) continue;
            // A document's side link shares its result's title: a hit of its own, not an extra.
            if (saved.engine == "scholar" && matchedTitles.contains(hit.title)) continue;
            extras.append(link);
        }
        extra = extras.size();
        if (qEnvironmentVariableIsSet("SKIMMER_SHOW_HITS")) {
            std::cout << saved.engine.toStdString() << "/" << saved.file.toStdString() << ": " << found << "/"
                      << wanted.size() << " found, " << extra << " extra\n";
            for (const QString& link : wanted)
                if (!got.contains(link)) std::cout << "  missing " << link.toStdString() << "\n";
            for (const QString& link : extras) std::cout << "  extra   " << link.toStdString() << "\n";
        }
        EXPECT_GE(found * 5, wanted.size() * 4) << found << " of " << wanted.size() << " results found";
        expectedTotal += wanted.size();
        foundTotal += found;
        extraTotal += extra;
    }
    std::cout << "current pages: " << foundTotal << " of " << expectedTotal << " expected hits, "
              << extraTotal << " extra\n";
    EXPECT_GE(foundTotal * 100, expectedTotal * 95);
    EXPECT_LE(extraTotal * 10, expectedTotal);
}

}  // namespace

namespace {

// Older result pages of the same engines must not be taken for block pages: the signatures are read on
// every page a search fetches.
TEST(CurrentPages, OlderResultPagesAreNotBlockPages) {
    const QDir dir(qEnvironmentVariable("SKIMMER_FIXTURES", "../shared/fixtures") + "/result-pages");
    const QStringList engines = dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    if (engines.isEmpty()) GTEST_SKIP() << "saved result pages not found in " << dir.path().toStdString();
    const auto catalog = EngineCatalog::BuiltIn();
    int checked = 0;
    for (const QString& id : engines) {
        const EngineDefinition* engine = catalog->Find(id);
        if (!engine) continue;  // pages of no one engine
        const QDir pages(dir.filePath(id));
        for (const QString& name : pages.entryList({"*.html"})) {
            QFile file(pages.filePath(name));
            ASSERT_TRUE(file.open(QIODevice::ReadOnly));
            const BlockVerdict verdict = DetectBlock(*engine, 200, "https://" + engine->hosts.value(0) + "/",
                                                     TextCodec::Decode(file.readAll()));
            EXPECT_FALSE(verdict.blocked) << (id + u'/' + name + ": " + verdict.reason).toStdString();
            ++checked;
        }
    }
    EXPECT_GT(checked, 20);
}

}  // namespace

namespace {

// Search threads read pages at once with one shared catalogue: every thread gets what one thread alone
// gets.
TEST(CurrentPages, ThreadsReadingAtOnceGetWhatOneThreadGets) {
    const QDir dir(FixtureDir());
    const QList<SavedPage> pages = ReadProvenance(dir);
    if (pages.isEmpty()) GTEST_SKIP() << "saved result pages not found in " << dir.path().toStdString();
    QList<QPair<const SavedPage*, QString>> texts;
    const auto catalog = EngineCatalog::BuiltIn();
    for (const SavedPage& saved : pages) {
        QFile file(dir.filePath(saved.engine + u'/' + saved.file));
        if (file.open(QIODevice::ReadOnly)) texts.append({&saved, TextCodec::Decode(file.readAll())});
    }
    auto readAll = [&] {
        QList<qsizetype> counts;
        for (const auto& [saved, text] : texts) {
            const EngineDefinition* engine = EngineCatalog::BuiltIn()->Find(saved->engine);
            const QString url = PageUrl(saved->engine, saved->kind);
            counts.append(DetectBlock(*engine, 200, url, text).blocked
                              ? -1
                              : ReadEngineHits(*engine, url, text, nullptr).size());
        }
        return counts;
    };
    const QList<qsizetype> alone = readAll();
    std::vector<QList<qsizetype>> results(4);
    std::vector<std::thread> threads;
    for (size_t i = 0; i < results.size(); ++i) threads.emplace_back([&, i] { results[i] = readAll(); });
    for (std::thread& thread : threads) thread.join();
    for (const QList<qsizetype>& counts : results) EXPECT_EQ(counts, alone);
}

}  // namespace
