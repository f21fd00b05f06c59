// skimmer-cli engines list|check and parse --hits, with its block-page exit status.

#include <gtest/gtest.h>

#include "CliRun.h"

namespace {

const char* kExample = R"([{"id": "example", "name": "Example Search", "setting": "ExampleSearch",
  "hosts": ["search.example"],
  "layouts": [{"results": "//li[@class='r']", "link": "a/@href", "title": "a",
               "unwrap": [{"type": "query", "name": "to", "pathContains": "/go"}]}],
  "blocks": [{"reason": "CAPTCHA", "body": ["id=\"captcha\""]}]}])";

TEST(CliEngines, ListShowsEveryDefinitionWithItsSetting) {
    TempHome home;
    CliRun run = RunIn(home, {"engines", "list"});
    ASSERT_EQ(run.status, 0) << run.err.toStdString();
    QStringList lines = run.out.split('\n', Qt::SkipEmptyParts);
    EXPECT_TRUE(lines.contains("baidu\tBaidu\t1"));  // ticked by default
    EXPECT_TRUE(lines.contains("google\tGoogle\t0"));
    EXPECT_TRUE(lines.contains("duckduckgo\tDuckDuckGo\t0"));
    for (const char* api : {"searxng\tSearXNG instances\t0", "google-api\tGoogle Programmable Search API\t0",
                            "brave-api\tBrave Search API\t0", "openalex\tOpenAlex (open access papers)\t0"})
        EXPECT_TRUE(lines.contains(api)) << api;
    // queries takes the new ids; an API query is printed once, for its first page, without keys.
    home.Write("config/Setting.ini", "[Engines]\nGoogleApiKey=hidden-key\n");
    const CliRun queries =
        RunIn(home, {"queries", "-k", "k", "--engines", "google-api,openalex", "--formats", "pdf"});
    ASSERT_EQ(queries.status, 0) << queries.err.toStdString();
    EXPECT_EQ(queries.out,
              "https://www.googleapis.com/customsearch/v1?q=k&fileType=pdf\n"
              "https://api.openalex.org/works?search=k&filter=open_access.is_oa:true&per-page=200&"
              "select=id,display_name,best_oa_location,primary_location,locations\n");
    ASSERT_EQ(RunIn(home, {"config", "set", "GoogleSearch", "1"}).status, 0);
    home.Write("config/engines.json", kExample);
    lines = RunIn(home, {"engines", "list"}).out.split('\n', Qt::SkipEmptyParts);
    EXPECT_TRUE(lines.contains("google\tGoogle\t1"));
    EXPECT_TRUE(lines.contains("example\tExample Search\t0"));

    // A user file that cannot be used: named on stderr, the built-ins listed, the command still done.
    home.Write("config/engines.json", "[{\"id\": \"example\",");
    run = RunIn(home, {"engines", "list"});
    EXPECT_EQ(run.status, 0);
    EXPECT_TRUE(run.err.contains("config/engines.json: line 1")) << run.err.toStdString();
    EXPECT_FALSE(run.out.contains("example\t"));
    EXPECT_TRUE(run.out.contains("google\tGoogle\t1"));
}

TEST(CliEngines, CheckExitsOneWithTheFirstErrorAndItsPlace) {
    TempHome home;
    home.Write("good.json", kExample);
    EXPECT_EQ(RunIn(home, {"engines", "check", home.Path("good.json")}).status, 0);
    home.Write("bad.json", QByteArray(kExample).replace("a/@href", "a/@@href"));
    const CliRun bad = RunIn(home, {"engines", "check", home.Path("bad.json")});
    EXPECT_EQ(bad.status, 1);
    EXPECT_TRUE(bad.err.contains("[0] (example).layouts[0].link: the XPath does not compile"))
        << bad.err.toStdString();
    EXPECT_EQ(RunIn(home, {"engines", "check", home.Path("missing.json")}).status, 1);
    EXPECT_EQ(RunIn(home, {"engines", "check"}).status, 2);
    EXPECT_EQ(RunIn(home, {"engines"}).status, 2);
}

TEST(CliParse, HitsAreUnwrappedResolvedAndBlockPagesExitThree) {
    TempHome home;
    home.Write("config/engines.json", kExample);
    home.Write("page.html",
               "<ul><li class='r'><a href='/go?to=https%3A%2F%2Fdocs.example%2Fa.pdf'>First\tdoc</a></li>"
               "<li class='r'><a href='files/b.doc#page=2'>Second</a></li>"
               "<li class='r'><a href='javascript:void(0)'>Script</a></li></ul>");
    CliRun run = RunIn(home, {"parse", "--engine", "example", "--url", "https://search.example/s/q?x=1",
                              "--hits", home.Path("page.html")});
    ASSERT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_EQ(run.out,
              "hit\thttps://docs.example/a.pdf\tFirst doc\n"
              "hit\thttps://search.example/s/files/b.doc\tSecond\n");

    home.Write("captcha.html", "<form id=\"captcha\"><li class='r'><a href='/x'>x</a></li></form>");
    run = RunIn(home, {"parse", "--engine", "example", "--url", "https://search.example/s", "--hits",
                       home.Path("captcha.html")});
    EXPECT_EQ(run.status, 3);
    EXPECT_EQ(run.out, "blocked\tCAPTCHA\n");

    // Without --hits the engine's own parser runs; a block page still exits 3, with the reason on stderr.
    home.Write("consent.html", "<form action=\"https://consent.google.com/save\"></form>");
    run = RunIn(home, {"parse", "--engine", "google", "--url", "http://www.google.com.hk/search?q=x",
                       home.Path("consent.html")});
    EXPECT_EQ(run.status, 3);
    EXPECT_TRUE(run.err.contains("consent page")) << run.err.toStdString();

    EXPECT_EQ(RunIn(home, {"parse", "--engine", "nosuch", "--url", "https://e.example/", "--hits",
                           home.Path("page.html")})
                  .status,
              2);
}

}  // namespace
