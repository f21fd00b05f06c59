#include <gtest/gtest.h>

#include <QHash>

#include "ArchiveAnswers.h"
#include "engines/EngineDefinition.h"
#include "search/ArchiveSearch.h"

namespace {

EngineDefinition Archive(EngineKind kind) {
    EngineDefinition engine;
    engine.id = kind == EngineKind::WaybackCdx ? "wayback" : "commoncrawl";
    engine.kind = kind;
    engine.indexBase = "http://127.0.0.1:9";
    engine.dataBase = "http://127.0.0.1:9";
    return engine;
}

// Answers by the part of the address that tells the request apart; every address asked is kept.
struct Served {
    QList<QPair<QString, ArchiveSearch::Answer>> answers;
    QStringList asked;
    ArchiveSearch::FetchFn Fetch() {
        return [this](const QString& address) -> std::optional<ArchiveSearch::Answer> {
            asked.append(address);
            for (const auto& [marker, answer] : answers) {
                if (address.contains(marker)) return answer;
            }
            return ArchiveSearch::Answer{404, {}};
        };
    }
};

QByteArray Line(const char* link, const char* timestamp, const char* mime, const char* status, const char* digest) {
    return QByteArray("k ") + timestamp + ' ' + link + ' ' + mime + ' ' + status + ' ' + digest + " 100\n";
}

}  // namespace

TEST(ArchiveSearch, WaybackPagesFollowTheKeyAndStopAtARepeat) {
    ArchiveSearch::Query query;
    query.mimes = {"application/pdf"};
    query.keywords = {"Report"};
    Served served;
    // Written from the CDX server's documentation: page 1 hands a key; page 2 hands the same key again.
    const QByteArray page1 = Line("http://a.org/annual-report.pdf", "20190304000000", "application/pdf", "200", "D1") +
                             Line("http://a.org/annual-report.pdf", "20200101000000", "application/pdf", "200", "D2") +
                             Line("http://a.org/other.pdf", "20190304000000", "application/pdf", "200", "D3") +
                             Line("http://a.org/report.html", "20190304000000", "text/html", "200", "D4") +
                             "\nKEY1\n";
    const QByteArray page2 = Line("http://a.org/mirror/REPORT.pdf", "20190304000000", "application/pdf", "200", "D1") +
                             Line("http://a.org/gone-report.pdf", "20190304000000", "application/pdf", "404", "D5") +
                             Line("http://a.org/late-report.pdf", "20190304000000", "application/pdf", "200", "D6") +
                             "\nKEY1\n";
    served.answers = {{"resumeKey=KEY1", {200, page2}}, {"cdx/search/cdx", {200, page1}}};
    const EngineDefinition engine = Archive(EngineKind::WaybackCdx);
    const ArchiveSearch::Outcome outcome =
        ArchiveSearch::Run(engine, ArchiveSearch::SiteAddress(engine, "a.org"), query, 50, served.Fetch());
    EXPECT_EQ(served.asked.size(), 2);  // the repeated key ends the walk
    EXPECT_TRUE(served.asked.first().contains("matchType=domain"));
    EXPECT_TRUE(served.asked.first().contains("filter=mimetype:application%2Fpdf"));
    ASSERT_EQ(outcome.captures.size(), 2);
    // The newest capture of a link wins; the same digest under another link is one document; a 404
    // capture and a non-PDF are left out; the keyword matches without case.
    EXPECT_EQ(outcome.captures[0].link, "http://a.org/annual-report.pdf");
    EXPECT_EQ(outcome.captures[0].timestamp, "20200101000000");
    EXPECT_EQ(outcome.captures[1].link, "http://a.org/late-report.pdf");
}

TEST(ArchiveSearch, WaybackFaultsEndTheSiteWithAReason) {
    ARCHIVE_ANSWER(blocked, "wayback-cdx-error-403-blocked-site.txt");
    const EngineDefinition engine = Archive(EngineKind::WaybackCdx);
    const QString site = ArchiveSearch::SiteAddress(engine, "a.org/docs/");
    EXPECT_TRUE(site.contains("matchType=prefix"));
    const std::pair<ArchiveSearch::Answer, FetchFailure> faults[] = {
        {{403, blocked}, FetchFailure::HttpStatus},
        {{500, "oops"}, FetchFailure::HttpStatus},
        {{200, "<html><body>busy</body></html>"}, FetchFailure::Unreadable},
        {{200, R"([["urlkey","timestamp","original"],["a","2020")"}, FetchFailure::Unreadable},
    };
    for (const auto& [answer, kind] : faults) {
        Served served;
        served.answers = {{"cdx", answer}};
        const ArchiveSearch::Outcome outcome = ArchiveSearch::Run(engine, site, {}, 50, served.Fetch());
        EXPECT_TRUE(outcome.captures.isEmpty());
        EXPECT_EQ(outcome.pages, 0);  // an error page is no page read
        ASSERT_EQ(outcome.problems.size(), 1);
        EXPECT_EQ(outcome.problems[0].kind, kind);
    }
}

TEST(ArchiveSearch, ACutAnswerKeepsItsWholeLinesAndSaysSo) {
    const EngineDefinition engine = Archive(EngineKind::WaybackCdx);
    Served served;
    ArchiveSearch::Answer cut{200, Line("http://a.org/1.pdf", "20200101000000", "application/pdf", "200", "D1") +
                                       Line("http://a.org/2.pdf", "20200101000000", "application/pdf", "200", "D2") +
                                       "k 20200101000000 http://a.org/3.pdf application/pdf 200 D3 1"};
    cut.cut = true;
    served.answers = {{"cdx", cut}};
    const ArchiveSearch::Outcome outcome =
        ArchiveSearch::Run(engine, ArchiveSearch::SiteAddress(engine, "a.org"), {}, 50, served.Fetch());
    EXPECT_EQ(outcome.captures.size(), 2);  // the line cut in two is not a capture
    EXPECT_EQ(outcome.pages, 1);
    ASSERT_EQ(outcome.problems.size(), 1);
    EXPECT_TRUE(outcome.problems[0].text.contains("cut"));
}

TEST(ArchiveSearch, RowsStayWithinTheSiteAsked) {
    const struct {
        const char* site;
        const char* link;
        bool in;
    } cases[] = {
        {"example.org", "http://example.org/a.pdf", true},
        {"example.org", "https://docs.EXAMPLE.org:8443/a.pdf", true},
        {"example.org", "http://evil.test/a.pdf", false},
        {"example.org", "http://127.0.0.1:1/internal.pdf", false},
        {"example.org", "http://notexample.org/a.pdf", false},
        {"example.org", "http://example.org.evil.test/a.pdf", false},
        {"example.org/docs/", "http://www.example.org/Docs/a.pdf", true},
        {"example.org/docs/", "http://example.org/other/a.pdf", false},
        {"example.org/docs/", "http://sub.example.org/docs/a.pdf", false},
        {"example.org:8080", "http://example.org:8080/a.pdf", true},
        {"example.org:8080", "http://example.org/a.pdf", false},
    };
    for (const auto& c : cases) EXPECT_EQ(ArchiveSearch::InSite(c.link, c.site), c.in) << c.site << " " << c.link;
}

TEST(ArchiveSearch, CommonCrawlAsksTheNewestCrawlsPageByPage) {
    ARCHIVE_ANSWER(collinfo, "cc-collinfo.json");
    ARCHIVE_ANSWER(none, "cc-index-no-captures-404.json");
    Served served;
    const QByteArray line =
        R"({"url":"https://a.org/x.pdf","timestamp":"20250101000000","mime":"text/html","mime-detected":"application/pdf","status":"200","digest":"D","length":"9","offset":"5","filename":"crawl-data/a.warc.gz"})"
        "\n";
    served.answers = {{"collinfo.json", {200, collinfo}},
                      {"CC-MAIN-2025-33-index?url=a.org&matchType=domain&output=json&filter=status:200&filter=mime-detected:application%2Fpdf&showNumPages", {200, "{\"pages\": 2}"}},
                      {"CC-MAIN-2025-33-index", {200, line}},
                      {"CC-MAIN-2025-30-index", {404, none}}};
    ArchiveSearch::Query query;
    query.mimes = {"application/pdf"};
    query.crawls = 2;
    const EngineDefinition engine = Archive(EngineKind::CommonCrawlCdx);
    const ArchiveSearch::Outcome outcome =
        ArchiveSearch::Run(engine, ArchiveSearch::SiteAddress(engine, "a.org"), query, 50, served.Fetch());
    EXPECT_EQ(served.asked.size(), 1 + 1 + 2 + 1);  // list, count and two pages, count of the empty crawl
    EXPECT_TRUE(outcome.problems.isEmpty()) << outcome.problems.value(0).text.toStdString();
    ASSERT_EQ(outcome.captures.size(), 1);
    EXPECT_EQ(outcome.captures.first().offset, 5);
    for (const QString& address : served.asked) EXPECT_TRUE(address.startsWith("http://127.0.0.1:9/"));
}

TEST(ArchiveSearch, SitesFromTheSetting) {
    EXPECT_EQ(ArchiveSearch::Sites(" a.org, https://b.org/docs/ ,a.org\nA.ORG c.org/"),
              QStringList({"a.org", "b.org/docs/", "c.org"}));
}
