#include <gtest/gtest.h>

#include "TempHome.h"
#include "app/ListRun.h"
#include "app/Session.h"
#include "lists/ListFileFormat.h"
#include "lists/TextCodec.h"

namespace {

class ListRunTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_EQ(session.Start(), QString()); }

    // Plays the workers: the row of `link` gets a size and a status.
    void Finish(const QString& link, const QString& size, const RowStatus& status) {
        for (qsizetype i = 0; i < session.Results().Size(); ++i) {
            const RowId id = *session.Results().IdAt(i);
            if (session.Results().Entry(id)->link != link) continue;
            session.Results().SetSize(id, size);
            session.Results().SetStatus(id, status);
            return;
        }
        ADD_FAILURE() << "no row for " << link.toStdString();
    }

    TempHome home;
    Session session{home.Path()};
};

TEST_F(ListRunTest, WritingBackKeepsEveryRecordInOrderAndChangesOnlySizeAndStatus) {
    session.Registry().InsertDocLink("http://h/5.pdf");
    session.GetOptions().SetCommittedInt(SettingKey::SkipDownloaded, 1);
    session.GetOptions().SetCommittedInt(SettingKey::SuffixSameTitles, 1);
    const QByteArray gbLine = TextCodec::EncodeGb18030(QStringLiteral("中文$pdf$1$http://h/6.pdf$等待"));
    const QByteArray original = QString::fromUtf8(
                                    "good$pdf$未知$http://h/1.pdf$等待\n"
                                    "\n"
                                    "empty size$pdf$$http://h/2.pdf$等待\n"
                                    "four fields$pdf$1$http://h/3.pdf\n"
                                    "   $pdf$1$http://h/4.pdf$等待\n"
                                    "same link$pdf$1$http://h/1.pdf$等待\n"
                                    "in the registry$pdf$1$http://h/5.pdf$等待\n"
                                    "good$pdf$1$http://h/8.pdf$等待\r\n"
                                    "www.example.com report$pdf$1$http://h/7.pdf$下载成功\n")
                                    .toUtf8() +
                                gbLine + "\r\n";
    home.Write("in.list", original);

    ListRun run;
    QString error;
    ASSERT_TRUE(run.Load(session, home.Path("in.list"), &error)) << error.toStdString();
    EXPECT_EQ(session.Results().Size(), 4);
    EXPECT_EQ(run.Unusable(), 5);
    EXPECT_EQ(run.FirstUnusable(), QStringLiteral("line 3, a cell is empty"));
    EXPECT_EQ(run.Targets(), QStringList{home.Path("in.list")});
    EXPECT_EQ(session.GetOptions().Text(SettingKey::ListFile), QString());

    Finish("http://h/1.pdf", "4.00", RowStatus::Downloaded);
    Finish("http://h/8.pdf", "2.00", RowStatus::Failed);
    ASSERT_TRUE(run.WriteBack(session.Results(), &error)) << error.toStdString();

    // The titles stay as the file had them although the list cleaned them (random suffix, domain title).
    QByteArray expected = original;
    expected.replace(QString::fromUtf8("good$pdf$未知$http://h/1.pdf$等待").toUtf8(),
                     QString::fromUtf8("good$pdf$4.00$http://h/1.pdf$下载成功").toUtf8());
    expected.replace(QString::fromUtf8("good$pdf$1$http://h/8.pdf$等待\r").toUtf8(),
                     QString::fromUtf8("good$pdf$2.00$http://h/8.pdf$下载失败\r").toUtf8());
    EXPECT_EQ(home.Read("in.list"), expected);
    EXPECT_FALSE(home.Exists("in.list.list"));
}

TEST_F(ListRunTest, AnXmlListKeepsItemsWithMissingFieldsAndGetsItsTwin) {
    home.Write("in.xml",
               "<?xml version='1.0' encoding='utf-8'?>\n<skimmer>"
               "<item><title>a</title><types>pdf</types><size>1</size><path>http://h/a.pdf</path>"
               "<status>\xE7\xAD\x89\xE5\xBE\x85</status></item>"
               "<item><title>no size</title><types>pdf</types><path>http://h/b.pdf</path>"
               "<status>\xE7\xAD\x89\xE5\xBE\x85</status></item>"
               "<item><title>no status</title><types>pdf</types><size>1</size><path>http://h/c.pdf</path>"
               "</item></skimmer>");
    ListRun run;
    QString error;
    ASSERT_TRUE(run.Load(session, home.Path("in.xml"), &error)) << error.toStdString();
    EXPECT_EQ(run.Unusable(), 2);
    EXPECT_EQ(run.FirstUnusable(), QStringLiteral("item 2, a cell is empty"));
    Finish("http://h/a.pdf", "1", RowStatus::Downloaded);
    ASSERT_TRUE(run.WriteBack(session.Results(), &error)) << error.toStdString();

    const auto items = ListFileFormat::ReadXml(home.Read("in.xml"), &error);
    ASSERT_TRUE(items) << error.toStdString();
    ASSERT_EQ(items->size(), 3);
    EXPECT_EQ(items->at(0).status, RowStatus::Downloaded);
    EXPECT_EQ(items->at(1).title, QStringLiteral("no size"));
    EXPECT_EQ(items->at(1).size, QString());
    EXPECT_EQ(items->at(2).link, QStringLiteral("http://h/c.pdf"));
    EXPECT_EQ(TextCodec::DecodeLines(home.Read("in.xml.list")).size(), 3);
}

TEST_F(ListRunTest, ABrokenXmlListIsNeverReplacedFromItsTwinWithoutSayingSo) {
    const QByteArray broken = "<skimmer><item><title>a</title>";
    home.Write("in.xml", broken);
    ListRun run;
    QString error;
    EXPECT_FALSE(run.Load(session, home.Path("in.xml"), &error));
    EXPECT_TRUE(error.contains(home.Path("in.xml"))) << error.toStdString();

    home.Write("in.xml.list", QString::fromUtf8("a$pdf$1$http://h/a.pdf$等待\n").toUtf8());
    ASSERT_TRUE(run.Load(session, home.Path("in.xml"), &error)) << error.toStdString();
    EXPECT_EQ(run.Targets(), QStringList{home.Path("in.xml.list")});
    EXPECT_TRUE(home.Read("run.log").contains("is left as it is"));
    EXPECT_TRUE(session.Status().Current().contains(home.Path("in.xml.list")));
    Finish("http://h/a.pdf", "1", RowStatus::Downloaded);
    ASSERT_TRUE(run.WriteBack(session.Results(), &error));
    EXPECT_EQ(home.Read("in.xml"), broken);
    EXPECT_EQ(home.Read("in.xml.list"), QString::fromUtf8("a$pdf$1$http://h/a.pdf$下载成功\n").toUtf8());
}

}  // namespace
