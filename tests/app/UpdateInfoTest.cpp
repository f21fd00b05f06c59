#include <gtest/gtest.h>

#include "TempHome.h"
#include "app/UpdateInfo.h"

namespace {

QByteArray Document(const QString& entries) {
    return ("<?xml version=\"1.0\" encoding=\"utf-8\"?><updateinfo>" + entries + "</updateinfo>").toUtf8();
}

QString Entry(const QString& attributes, const QString& version, const QString& notes = "notes") {
    return QStringLiteral(
               "<update %1><other/><app ver=\"%2\" vdate=\"2026-12-01\"><info>%3</info>"
               "<downaddr>http://example.org/get</downaddr></app></update>")
        .arg(attributes, version, notes);
}

TEST(UpdateInfo, VersionsAndNotes) {
    qint64 major = 0, date = 0;
    EXPECT_TRUE(UpdateInfo::VersionValue("1.40-20160425", &major, &date));
    EXPECT_EQ(major, 140);
    EXPECT_EQ(date, 20160425);
    EXPECT_FALSE(UpdateInfo::VersionValue("1.40", &major, &date));
    EXPECT_FALSE(UpdateInfo::VersionValue("0-20160425", &major, &date));
    const QString notes = UpdateInfo::BreakNotes(QString(70, u'n'));
    EXPECT_EQ(notes, QString(33, u'n') + "\r\n" + QString(33, u'n') + "\r\n" + QString(4, u'n'));
    EXPECT_EQ(UpdateInfo::BreakNotes(QString(33, u'n')), QString(33, u'n'));
}

TEST(UpdateInfo, FindsTheNewerEntryOfItsType) {
    TempHome home;
    home.Write("u.xml", Document(Entry("apptype=\"skimmerorder\"", "9.9-20990101") +  // no enable: ignored
                                 Entry("enable=\"true\" apptype=\"other\"", "9.9-20990101") +
                                 Entry("enable=\"true\" apptype=\"skimmerorder\"", "1.40-20260101",
                                       QString(40, u'x'))));
    UpdateInfo same("1.40-20260101");
    EXPECT_EQ(same.Parse(home.Path("u.xml")), 1);
    EXPECT_EQ(same.Check(), -1);
    EXPECT_EQ(same.LatestVersion(), "1.40-20260101");
    EXPECT_EQ(same.ReleaseNotes(), QString(33, u'x') + "\r\n" + QString(7, u'x'));
    EXPECT_EQ(same.DownloadAddress(), "http://example.org/get");

    UpdateInfo older("1.40-20251231");
    older.Parse(home.Path("u.xml"));
    EXPECT_EQ(older.Check(), 1);
    UpdateInfo twoZero("2.0-20991231");  // 20 < 140: older despite the look of it
    twoZero.Parse(home.Path("u.xml"));
    EXPECT_EQ(twoZero.Check(), 1);
}

TEST(UpdateInfo, BadDocumentsReadAsNoUpdate) {
    TempHome home;
    UpdateInfo info("1.0-20200101");
    home.Write("none.xml", "not xml at all");
    EXPECT_EQ(info.Parse(home.Path("none.xml")), 0);
    home.Write("noapp.xml", Document("<update enable=\"true\" apptype=\"skimmerorder\"/>"));
    EXPECT_EQ(info.Parse(home.Path("noapp.xml")), 0);
    home.Write("laughs.xml",
               "<!DOCTYPE u [<!ENTITY a 'aaaa'><!ENTITY b '&a;&a;&a;'>]><updateinfo>&b;</updateinfo>");
    EXPECT_EQ(info.Parse(home.Path("laughs.xml")), 0);
    home.Write("huge.xml", QByteArray(2 * 1024 * 1024, ' '));
    EXPECT_EQ(info.Parse(home.Path("huge.xml")), 0);
    EXPECT_EQ(info.Parse("http://127.0.0.1:1/update.xml"), 0);
    EXPECT_EQ(info.Check(), -1);
    // A document cut off after a newer entry of ours offers nothing, also after a good read before it.
    const QByteArray whole = Document(Entry("enable=\"true\" apptype=\"skimmerorder\"", "9.9-20990101"));
    home.Write("whole.xml", whole);
    ASSERT_EQ(info.Parse(home.Path("whole.xml")), 1);
    ASSERT_EQ(info.Check(), 1);
    home.Write("cut.xml", whole.left(whole.indexOf("</updateinfo>")) + "<update");
    EXPECT_EQ(info.Parse(home.Path("cut.xml")), 0);
    EXPECT_EQ(info.Check(), -1);
    EXPECT_EQ(info.LatestVersion(), QString());
}

}  // namespace
