#include <gtest/gtest.h>

#include <QDir>

#include "TempHome.h"
#include "search/KeywordList.h"

namespace {

const QByteArray kGbkChinese("\xD6\xD0\xCE\xC4");

TEST(KeywordList, TypedKeywordsAreKeptExactlyAndOnce) {
    TempHome home;
    KeywordList list(home.Path("key.list"));
    EXPECT_EQ(list.AddKeyword("report"), 1);
    EXPECT_EQ(list.AddKeyword("report"), 0);
    EXPECT_EQ(list.AddKeyword("Report"), 1);  // case matters
    EXPECT_EQ(list.AddKeyword("  padded  "), 1);
    EXPECT_EQ(list.AddKeyword(""), 0);
    EXPECT_EQ(list.Keywords(), QStringList({"report", "Report", "  padded  "}));
    EXPECT_TRUE(list.Contains("  padded  "));
    EXPECT_FALSE(list.Contains("padded"));
}

TEST(KeywordList, ImportsOnlyExistingTxtFiles) {
    TempHome home;
    const QByteArray longLine(8192, 'k');
    home.Write("words.TXT", "  alpha  \r\n\r\n" + kGbkChinese + "\r\nalpha\n" + longLine + "\n\tlast");
    home.Write("words.csv", "beta\n");
    QDir().mkpath(home.Path("folder.txt"));
    KeywordList list(home.Path("key.list"));
    EXPECT_EQ(list.AddKeyword(home.Path("words.TXT")), 4);
    EXPECT_EQ(list.AddKeyword(home.Path("words.csv")), 0);
    EXPECT_EQ(list.AddKeyword(home.Path("folder.txt")), 0);
    EXPECT_EQ(list.Keywords(),
              QStringList({"alpha", QString::fromUtf8("中文"), QString::fromLatin1(longLine), "last"}));
}

TEST(KeywordList, SaveAndLoadRoundTripWholeKeywords) {
    TempHome home;
    KeywordList list(home.Path("key.list"));
    const QString longChinese = QString::fromUtf8("年度报告").repeated(100);  // 1,200 bytes in UTF-8
    list.AddKeyword(longChinese);
    list.AddKeyword(QString::fromUtf8("中文 文档"));
    list.AddKeyword("two\nlines");  // cannot survive a one-keyword-a-line file as it stands
    ASSERT_TRUE(list.SaveKeywordFile());

    KeywordList reloaded(home.Path("key.list"));
    reloaded.LoadKeywordFile();
    EXPECT_EQ(reloaded.Keywords(), list.Keywords());
    EXPECT_EQ(reloaded.Keywords().at(2), QStringLiteral("two lines"));
}

TEST(KeywordList, LoadTrimsAndReadsOldGbkFiles) {
    TempHome home;
    home.Write("key.list", " " + kGbkChinese + " \r\n\r\nreport\r\nreport\r\n");
    KeywordList list(home.Path("key.list"));
    list.LoadKeywordFile();
    EXPECT_EQ(list.Keywords(), QStringList({QString::fromUtf8("中文"), "report"}));
}

TEST(KeywordList, DeleteTickedAndEmptyListRemovesTheFile) {
    TempHome home;
    KeywordList list(home.Path("key.list"));
    int changes = 0;
    list.SetChangedCallback([&changes] { ++changes; });
    for (const char* word : {"a", "b", "c", "d"}) list.AddKeyword(word);
    list.SetTicked(1, true);
    list.SetTicked(3, true);
    list.SetTicked(99, true);  // out of range: ignored
    EXPECT_EQ(list.DeleteTickedKeywords(), 2);
    EXPECT_EQ(list.Keywords(), QStringList({"a", "c"}));
    EXPECT_FALSE(list.IsTicked(1));
    EXPECT_EQ(changes, 5);

    ASSERT_TRUE(list.SaveKeywordFile());
    EXPECT_TRUE(home.Exists("key.list"));
    list.ClearKeywords();
    ASSERT_TRUE(list.SaveKeywordFile());
    EXPECT_FALSE(home.Exists("key.list"));
    KeywordList reloaded(home.Path("key.list"));
    reloaded.LoadKeywordFile();
    EXPECT_EQ(reloaded.Size(), 0);
}

}  // namespace
