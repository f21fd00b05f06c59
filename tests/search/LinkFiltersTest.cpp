#include <gtest/gtest.h>

#include "TempHome.h"
#include "lists/IniFile.h"
#include "lists/Options.h"
#include "lists/TextCodec.h"
#include "search/KeywordList.h"
#include "search/LinkFilters.h"

namespace {

TEST(LinkFilters, ListFilesAndMatching) {
    TempHome home;
    home.Write("url.txt", "pan\r\n\r\npan\nsearch.example/ads\n");
    QString longText;
    for (int i = 0; i < 3000; ++i) longText += QChar(0x4E00 + i % 500);
    const QByteArray longGbk = TextCodec::EncodeGb18030(longText);  // 6,000 bytes
    home.Write("title.txt", TextCodec::EncodeGb18030(QString::fromUtf8("广告")) + "\r\n" + longGbk + "\n" +
                                QByteArray("cut\0here", 8) + "\n");
    Options options;
    KeywordList keywords(home.Path("key.list"));
    LinkFilters filters(options, keywords);
    filters.LoadFilterLists(home.Path("url.txt"), home.Path("title.txt"));
    EXPECT_EQ(filters.UrlFilterList(), QStringList({"www.baidu.com/adrc.php", "pan", "search.example/ads"}));
    const QStringList titles = filters.TitleFilterList();
    ASSERT_EQ(titles.size(), 1 + 3 + 1);
    EXPECT_EQ(titles[0], QString::fromUtf8("广告"));
    // Pieces of at most 2,549 bytes, each whole characters.
    EXPECT_EQ(titles[1] + titles[2] + titles[3], longText);
    EXPECT_LE(titles[1].size() * 2, LinkFilters::kMaxLineBytes);
    EXPECT_EQ(titles[4], "cut");

    EXPECT_TRUE(filters.UrlFiltered("http://PAN.example/x"));  // second pass ignores case
    EXPECT_TRUE(filters.UrlFiltered("search.example"));        // both ways: the link inside an entry
    EXPECT_FALSE(filters.UrlFiltered("http://docs.example/a.pdf"));
    EXPECT_TRUE(LinkFilters::MatchesList({"xabcx"}, "abc", true));
    EXPECT_TRUE(LinkFilters::MatchesList({"b"}, "abc", true));
    EXPECT_FALSE(LinkFilters::MatchesList({"xabcx"}, "abc", false));
    EXPECT_FALSE(LinkFilters::MatchesList({"a"}, "", true));
    EXPECT_FALSE(LinkFilters::MatchesList({}, "a", true));
}

TEST(LinkFilters, CleanTitle) {
    QString title = "<em>Annual</em> report: 2016 ";
    LinkFilters::CleanTitle(title);
    EXPECT_EQ(title, "Annual report 2016");
    title = "&lt;Book&gt; <span>x</span> \\u201cq\\u201d a\\u2014\\u2014b_百度";
    title = QString::fromUtf8(title.toUtf8());
    LinkFilters::CleanTitle(title);
    EXPECT_EQ(title, QString::fromUtf8("《Book》 spanxspan “q” a——b"));
}

TEST(LinkFilters, AcceptTitle) {
    TempHome home;
    Options options;
    options.Load(IniFile());
    KeywordList keywords(home.Path("key.list"));
    LinkFilters filters(options, keywords);
    EXPECT_FALSE(filters.AcceptTitle(QString::fromUtf8("百度快照")));
    EXPECT_FALSE(filters.AcceptTitle(QString::fromUtf8("Web 视图")));
    EXPECT_TRUE(filters.AcceptTitle("short"));
    options.SetLiveInt(SettingKey::MinTitleLength, 10);
    EXPECT_FALSE(filters.AcceptTitle("123456789"));
    EXPECT_TRUE(filters.AcceptTitle("1234567890"));
    options.SetLiveInt(SettingKey::MinTitleLength, 0);
    options.SetCommittedInt(SettingKey::TitleMustMatchKeyword, 1);
    EXPECT_TRUE(filters.AcceptTitle("anything"));  // no keywords: no keyword test
    keywords.AddKeyword("Report");
    EXPECT_TRUE(filters.AcceptTitle("annual REPORT"));
    EXPECT_FALSE(filters.AcceptTitle("annual accounts"));
}

}  // namespace
