#include <gtest/gtest.h>

#include <QJsonDocument>

#include "TempHome.h"
#include "engines/ClassicLayout.h"
#include "engines/DocLinkRules.h"
#include "engines/EngineCatalog.h"
#include "lists/IniFile.h"
#include "lists/Options.h"
#include "lists/Profile.h"
#include "lists/ResultList.h"
#include "search/KeywordList.h"
#include "search/LinkFilters.h"
#include "search/ResultPageParsers.h"
#include "search/SearchQueue.h"
#include "search/WorkerState.h"

namespace {

class ParsersTest : public ::testing::Test {
  protected:
    void SetUp() override {
        options.Load(IniFile());
        options.SetLiveInt(SettingKey::SuffixSameTitles, 0);
    }
    QList<ResultEntry> Parse(PageParser parser, const QString& url, const QString& page) {
        ParseContext context{
            state, results, filters, rules, options, queue, [this](const QString&) { return size; }};
        EXPECT_EQ(ResultPageParsers(ParserKeys::Load(Profile(home.Path("Setting.ini"))))
                      .Parse(parser, context, url, page),
                  1);
        return results.Snapshot();
    }

    TempHome home;
    Options options;
    KeywordList keywords{home.Path("key.list")};
    LinkFilters filters{options, keywords};
    DocLinkRules rules{options};
    ResultList results{options, nullptr};
    SearchQueue queue;
    std::atomic<int> state{0};
    qint64 size = 0;
};

TEST_F(ParsersTest, BaiduBlocks) {
    const QString base = "http://www.baidu.com/s?wd=x";
    const auto rows =
        Parse(PageParser::Baidu, base,
              "se_com_default url=abc.pdf\" x>Annual <em>report</em></a> c-tip-icon "
              "se_com_default url=def\" x></a> title\":\"Fallback title\" 文件格式>DOC/ c-tip-icon "
              "se_com_default url=w.pdf\" x>百度文库 copy</a> c-tip-icon "
              "se_com_default url=abc.pdf\" x>again</a> c-tip-icon");
    ASSERT_EQ(rows.size(), 2);
    EXPECT_EQ(rows[0], (ResultEntry{"Annual report", "pdf", "未知", "http://www.baidu.com/link?url=abc.pdf",
                                    RowStatus::Waiting}));
    EXPECT_EQ(rows[1].title, "Fallback title");
    EXPECT_EQ(rows[1].type, "DOC");  // as the page wrote it
}

TEST_F(ParsersTest, BaiduBlockWithoutATitleLeavesItsLinkToTheNextBlock) {
    const auto rows = Parse(PageParser::Baidu, "http://www.baidu.com/s?wd=x",
                            "se_com_default url=same.pdf\" x><em></em></a> c-tip-icon "
                            "se_com_default url=same.pdf\" x>Real title</a> c-tip-icon");
    ASSERT_EQ(rows.size(), 1);
    EXPECT_EQ(rows[0].title, "Real title");
    EXPECT_EQ(rows[0].link, "http://www.baidu.com/link?url=same.pdf");
}

TEST_F(ParsersTest, GoogleQueryGateAndYahooDecoding) {
    auto rows = Parse(PageParser::Google, "https://www.google.com.hk/search?q=x",
                      "<h3 class=\"r\"><a href=\"/url?q=http://d.example/a.doc&amp;sa=U\">A</a></h3></cite>"
                      "<h3 class=\"r\"><a href=\"/url?q=http://d.example/page\">B</a></h3></cite>");
    ASSERT_EQ(rows.size(), 1);
    EXPECT_EQ(rows[0].link, "http://d.example/a.doc");
    rows = Parse(PageParser::Yahoo, "http://search.yahoo.com/search?p=x",
                 "<h3 class=\"title\"><a "
                 "href=\"http://r.example/RU=http%253A%252F%252Fd.example%3Aa/b.pdf\">Y</a></h3>");
    ASSERT_EQ(rows.size(), 2);
    EXPECT_EQ(rows[1].link, "http://r.example/RU=http%3A%2F%2Fd.example:a/b.pdf");
}

TEST_F(ParsersTest, BingTitlesAndSixtyThreeDaLinks) {
    auto rows =
        Parse(PageParser::Bing, "http://cn.bing.com/search?q=x",
              "</div><div><h2><a href=\"http://d.example/docs/report.pdf\">www.d.example</a>b_caption");
    ASSERT_EQ(rows.size(), 1);
    EXPECT_EQ(rows[0].title, "report.pdf");
    rows = Parse(PageParser::Doc63, "http://www.63da.com/DOC/1.html",
                 "<div>文档标题：T1</div><a href=\"files/a.doc\">nofollow <div>文档标题：T2</div><a "
                 "href=\"HTTP://X.example/b.doc\">nofollow");
    ASSERT_EQ(rows.size(), 3);
    EXPECT_EQ(rows[1].link, "http://files/a.doc");
    EXPECT_EQ(rows[2].link, "HTTP://X.example/b.doc");
}

TEST_F(ParsersTest, SizesAndSearchPagesAndEmptyPages) {
    options.SetLiveInt(SettingKey::ProbeDocumentSize, 1);
    size = 1536;
    auto rows = Parse(PageParser::Scholar, "https://scholar.google.com/scholar?q=x",
                      "<h3><a href=\"http://d.example/s.pdf\">S</a></h3>");
    ASSERT_EQ(rows.size(), 1);
    EXPECT_EQ(rows[0].size, "1.500");
    size = 0;  // the probe failed: dropped, not added with an unknown size
    rows = Parse(PageParser::Scholar, "https://scholar.google.com/scholar?q=x",
                 "<h3><a href=\"http://d.example/t.pdf\">T</a></h3>");
    EXPECT_EQ(rows.size(), 1);

    queue.QueueUrl("http://already.example/", 0);
    Parse(PageParser::Search63, "http://www.63da.com/?Doc1-k/",
          "class=\"voteicon\" /> <a href=\"/PDF/9.html\" target=\"_blank\">Nine<img></a>");
    EXPECT_EQ(queue.PopUrl()->url, "http://www.63da.com/PDF/9.html");  // to the front

    EXPECT_EQ(Parse(PageParser::Youdao, "http://www.youdao.com/search?q=x", "").size(), 1);
    state.store(8);
    EXPECT_THROW(Parse(PageParser::Youdao, "http://www.youdao.com/search?q=x", "<h3>x</h3>"),
                 WorkerCancelled);
}

}  // namespace

namespace {

EngineDefinition Definition(const QByteArray& classic) {
    EngineDefinition engine;
    engine.id = "test";
    engine.classic = QJsonDocument::fromJson(classic).object();
    return engine;
}

TEST(ClassicLayoutData, BuiltInLayoutsReadAndBadOnesAreRefusedWithTheirPlace) {
    const auto catalog = EngineCatalog::BuiltIn();
    for (const EngineDefinition& engine : catalog->Engines()) {
        if (engine.classic.isEmpty()) continue;
        QString error;
        EXPECT_TRUE(ClassicLayout::Read(engine.classic, &error))
            << engine.id.toStdString() << error.toStdString();
    }
    const std::pair<const char*, const char*> bad[] = {
        {R"({"block": {"left": "<li>"}, "link": {"left": "a"}, "title": {}, "colour": 1})", "classic.colour"},
        {R"({"link": {"left": "a"}, "title": {}})", "classic.block: missing"},
        {R"({"block": {"left": 3}, "link": {}, "title": {}})", "classic.block.left: expected a string"},
        {R"({"block": {}, "link": {}, "title": {}})", "classic.block: a left or a right key"},
        {R"({"block": {"left": "x", "rigth": "y"}, "link": {}, "title": {}})", "classic.block.rigth"},
        {R"({"walk": "sideways"})", "classic.walk"},
        {R"({"block": {"left": "x"}, "link": {}, "title": {}, "linkReplace": [["%25"]]})",
         "classic.linkReplace[0]"},
        {R"({"block": {"left": "x"}, "link": {}, "title": {}, "linkReplace": [["", "a"]]})",
         "classic.linkReplace[0][0]: empty"},
        {R"({"block": {"left": "x"}, "link": {}, "title": {}, "untypedLink": "explode"})",
         "classic.untypedLink"},
        {R"({"block": {"left": "x"}, "link": {}, "title": {}, "typeFromBlock": [{"left": "["}, 7]})",
         "classic.typeFromBlock[1]"},
        {R"({"block": {"left": "x"}, "link": {}, "title": {}, "titleRefuse": "ads"})", "classic.titleRefuse"},
        {R"({"block": {"left": "x"}, "link": {}, "title": {}, "resolve": "yes"})", "classic.resolve"},
    };
    for (const auto& [json, place] : bad) {
        QString error;
        EXPECT_FALSE(ClassicLayout::Read(QJsonDocument::fromJson(json).object(), &error)) << json;
        EXPECT_TRUE(error.startsWith(QLatin1StringView(place))) << json << " gave " << error.toStdString();
    }
    QString error;
    const QByteArray huge =
        "{\"block\": {\"left\": \"" + QByteArray(5000, 'x') + "\"}, \"link\": {}, \"title\": {}}";
    EXPECT_FALSE(ClassicLayout::Read(QJsonDocument::fromJson(huge).object(), &error));
    EXPECT_TRUE(error.contains("longer than")) << error.toStdString();
}

TEST_F(ParsersTest, ALayoutGivenAsDataIsReadAndSettingsReplaceItsKeys) {
    const EngineDefinition engine = Definition(R"json({
        "block": {"left": "<li class=\"doc\">", "right": "</li>", "setting": "TestSection"},
        "link": {"left": "data-u=\"", "right": "\""}, "title": {"left": "<b>", "right": "</b>"},
        "linkPrefix": "/get?f=", "resolve": true, "linkReplace": [["%2F", "/"]], "urlFilter": true,
        "titleRefuse": ["[ad]"], "typeFromBlock": [{"left": "(", "right": ")"}]})json");
    const QString page =
        "<li class=\"doc\"><a data-u=\"a%2Fb.pdf\"><b><em>First</em> best</b></li>"
        "<li class=\"doc\"><a data-u=\"c\"><b>Typed by the page</b> (ppt)</li>"
        "<li class=\"doc\"><a data-u=\"d.pdf\"><b>[ad] buy</b></li>"
        "<li class=\"other\"><a data-u=\"e.pdf\"><b>Elsewhere</b></li>";
    ParseContext context{state, results, filters, rules, options, queue, nullptr};
    ResultPageParsers parsers(ParserKeys::Load(Profile(home.Path("Setting.ini"))));
    EXPECT_EQ(parsers.Parse(engine, context, "http://docs.example/list/", page), 1);
    auto rows = results.Snapshot();
    ASSERT_EQ(rows.size(), 2);
    EXPECT_EQ(rows[0].link, "http://docs.example/get?f=a/b.pdf");
    EXPECT_EQ(rows[0].title, "First best");
    EXPECT_EQ(rows[1].type, "ppt");

    // Before the filters: the advertisement and the untyped link are hits too.
    const QList<EngineHit> hits = parsers.CutClassicHits(engine, "http://docs.example/list/", page);
    ASSERT_EQ(hits.size(), 3);
    EXPECT_EQ(hits[2].link, "http://docs.example/get?f=d.pdf");

    home.Write("Setting.ini", "[FILE_FREE_DOC]\nTestSectionLeftKey=<li class=\"other\">\n");
    ResultPageParsers adjusted(ParserKeys::Load(Profile(home.Path("Setting.ini"))));
    const QList<EngineHit> other = adjusted.CutClassicHits(engine, "http://docs.example/list/", page);
    ASSERT_EQ(other.size(), 1);
    EXPECT_EQ(other[0].title, "Elsewhere");
}

TEST_F(ParsersTest, ClassicHitsBeforeTheFiltersAndBrokenLayouts) {
    const auto catalog = EngineCatalog::BuiltIn();
    const EngineDefinition* google = catalog->Find("google");
    ASSERT_TRUE(google);
    ResultPageParsers parsers{ParserKeys()};
    const QList<EngineHit> hits = parsers.CutClassicHits(
        *google, "https://www.google.com.hk/search?q=x",
        "<h3 class=\"r\"><a href=\"/url?q=http://d.example/page&amp;sa=U\">Page</a></h3></cite>"
        "<h3 class=\"r\"><a href=\"http://d.example/b%25c.pdf\">B</a></h3></cite>");
    ASSERT_EQ(hits.size(), 2);
    EXPECT_EQ(hits[0].link, "http://d.example/page");  // unwrapped although no document
    EXPECT_EQ(hits[1].link, "http://d.example/b%c.pdf");
    EXPECT_TRUE(parsers
                    .CutClassicHits(*EngineCatalog::BuiltIn()->Find("63da"), "http://www.63da.com/PDF/1.html",
                                    "<div>文档标题：T</div>来源地址：x.example/t.pdf</div>nofollow")
                    .size() == 1);

    // A classic object that cannot be read cuts nothing and adds nothing, on any page.
    const EngineDefinition broken = Definition(R"({"block": {"left": ""}, "link": 5})");
    EXPECT_TRUE(
        parsers.CutClassicHits(broken, "http://x.example/", "<h3><a href=\"a.pdf\">A</a></h3>").isEmpty());
    ParseContext context{state, results, filters, rules, options, queue, nullptr};
    EXPECT_EQ(parsers.Parse(broken, context, "http://x.example/", "<h3><a href=\"a.pdf\">A</a></h3>"), 1);
    EXPECT_TRUE(results.Snapshot().isEmpty());
}

}  // namespace

namespace {

TEST_F(ParsersTest, HitsOfCurrentLayoutsPassTheSameFilters) {
    EngineDefinition engine = Definition(R"({"block": {"left": "<h3 class=\"r\">", "right": "</h3>"},
        "link": {"left": "href=\"", "right": "\""}, "title": {"left": ">", "right": "</a>"}})");
    XPathLayout layout;
    layout.results = "//div[@class='result']";
    layout.link = ".//a/@href";
    layout.title = ".//a";
    engine.layouts.append(layout);
    options.SetLiveInt(SettingKey::FormatOther, 1);
    options.SetLiveText(SettingKey::OtherDocExtension, "html");
    options.SetLiveInt(SettingKey::ProbeDocumentSize, 1);
    size = 4096;
    home.Write("url.txt", "/e/\n");
    home.Write("title.txt", "spam\n");
    filters.LoadFilterLists(home.Path("url.txt"), home.Path("title.txt"));
    const QString page =
        "<div class='result'><a href='/d/a.pdf'><b>Annual</b> report</a></div>"
        "<div class='result'><a href='/d/page.html'>A page</a></div>"
        "<div class='result'><a href='/e/page.html'>Filtered page</a></div>"
        "<div class='result'><a href='https://x.example/b.doc'>Buy spam now</a></div>"
        "<div class='result'><a href='https://x.example/c.ppt'></a></div>";
    ParseContext context{
        state, results, filters, rules, options, queue, [this](const QString&) { return size; }};
    ResultPageParsers parsers{ParserKeys()};
    parsers.Parse(engine, context, "https://engine.example/search?q=x", page);
    auto rows = results.Snapshot();
    ASSERT_EQ(rows.size(), 3);
    EXPECT_EQ(rows[0], (ResultEntry{"Annual report", "pdf", "4.000", "https://engine.example/d/a.pdf",
                                    RowStatus::Waiting}));
    EXPECT_EQ(rows[1].link, "https://engine.example/d/page.html");
    EXPECT_EQ(rows[2].title, "c");  // no title: the file's name

    // A page the classic layout reads is not read twice.
    parsers.Parse(engine, context, "https://engine.example/search?q=x",
                  "<h3 class=\"r\"><a href=\"http://y.example/only.pdf\">Only</a></h3>" + page);
    rows = results.Snapshot();
    ASSERT_EQ(rows.size(), 4);
    EXPECT_EQ(rows[3].link, "http://y.example/only.pdf");

    // Unless the definition tries its XPath layouts first.
    engine.layoutsFirst = true;
    parsers.Parse(engine, context, "https://engine.example/search?q=x",
                  "<h3 class=\"r\"><a href=\"http://y.example/classic.pdf\">C</a></h3>"
                  "<div class='result'><a href='/d/z.pdf'>Z</a></div>");
    rows = results.Snapshot();
    ASSERT_EQ(rows.size(), 5);
    EXPECT_EQ(rows[4].link, "https://engine.example/d/z.pdf");
}

}  // namespace

namespace {

// A hostile page of 50 MB: a thousand results among large blocks without links, then an opening that
// never closes. Every walk gets through it and adds what it holds, no more.
TEST_F(ParsersTest, FiftyMegabytePagesOfLargeAndUnclosedBlocks) {
    QString page;
    page.reserve(50 * 1024 * 1024 + 64);
    for (int i = 0; i < 1000; ++i)
        page += QStringLiteral("<h3><a href=\"http://d.example/%1.pdf\">T</a></h3>").arg(i);
    const QString filler = "<h3>" + QString(16 * 1024, u'f') + "</h3>";
    while (page.size() < 49 * 1024 * 1024) page += filler;
    page += "<h3 class=\"r\"><a href=\"" + QString(1024 * 1024, u'x');
    auto rows = Parse(PageParser::Scholar, "https://scholar.google.com/scholar?q=x", page);
    EXPECT_EQ(rows.size(), 1000);
    for (PageParser parser : {PageParser::Google, PageParser::Yahoo, PageParser::Doc63, PageParser::Search63})
        Parse(parser, "http://saved.example/", page);
    EXPECT_EQ(results.Snapshot().size(), 1000);
}

}  // namespace
