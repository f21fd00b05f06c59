#include <gtest/gtest.h>

#include "TempHome.h"
#include "lists/IniFile.h"
#include "lists/Options.h"
#include "lists/Profile.h"
#include "lists/ResultList.h"
#include "search/DocLinkRules.h"
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
        options.SetLiveInt(SettingKey::AddRandName, 0);
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
    EXPECT_EQ(rows[0],
              (ResultEntry{"Annual report", "pdf", "未知", "http://www.baidu.com/link?url=abc.pdf", "等待"}));
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
    options.SetLiveInt(SettingKey::CulFileSize, 1);
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
