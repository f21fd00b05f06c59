// The web archives end to end through skimmer-cli: a site's documents found in both stand-in indexes,
// and dead links saved from their captures.
#include <gtest/gtest.h>

#include <QDir>
#include <QSet>
#include <QUrl>
#include <QTextStream>

#include "ArchiveWeb.h"
#include "LocalServer.h"
#include "TempHome.h"
#include "../cli/CliRun.h"
#include "net/CurlSetup.h"

namespace {

class ArchiveRescueTest : public ::testing::Test {
  protected:
    void SetUp() override {
        // The live site has lost every document.
        live.Http().Get(".*", [](const httplib::Request&, httplib::Response& res) { res.status = 404; });
        live.Start();
        for (int i = 0; i < 20; ++i) {
            const std::string link = Link(QStringLiteral("/docs/%1.pdf").arg(i));
            // Its newest capture is the site's own 404 of the day: the older one is the document.
            if (i == 15) archive.Add({.link = link, .timestamp = "20210101000000", .body = "<html>gone</html>", .exactOnly = true, .archivedStatus = 404});
            // 15 to 19 are rows of an imported list, which the rescue looks up.
            archive.Add({.link = link, .body = "%PDF-1.4\n% " + std::to_string(i) + "\n" + std::string(3000 + i, char('a' + i)),
                         .commonCrawl = i >= 10 && i < 15, .exactOnly = i >= 15});
        }
        archive.Add({.link = Link("/docs/login.pdf"), .body = "<!DOCTYPE html><html><head><title>Sign in</title></head>"
                     "<body><form action=\"/login\"><input type=\"password\" name=\"pw\"></form></body></html>", .exactOnly = true});
        archive.Add({.link = Link("/index.html"), .mime = "text/html", .body = "<html></html>"});  // not a PDF
        archive.Start();
        home.Write("config/engines.json", archive.EnginesJson().toUtf8());
    }
    void TearDown() override { CurlSetup::ReleaseThreadHandle(); }

    std::string Link(const QString& path) const { return live.Url(path).toStdString(); }
    CliRun Cli(const QStringList& args) { return RunIn(home, args); }

    LocalServer live;
    ArchiveWeb archive;
    TempHome home;
};

TEST_F(ArchiveRescueTest, SiteSearchListsTheDocumentsOfBothArchivesAndDeadLinksAreSavedFromThem) {
    const CliRun search = Cli({"search", "--engines", "wayback,commoncrawl", "--formats", "pdf", "--site", "127.0.0.1",
                            "--no-deep", "--out", home.Path("site.list")});
    ASSERT_EQ(search.status, 0) << search.err.toStdString();
    QSet<QString> links, expected;
    for (const QString& line : QString::fromUtf8(home.Read("site.list")).split(u'\n', Qt::SkipEmptyParts))
        links.insert(line.section(u'$', 3, 3));
    for (int i = 0; i < 15; ++i) expected.insert(live.Url(QStringLiteral("/docs/%1.pdf").arg(i)));
    EXPECT_EQ(links, expected);

    // Rows of an imported list have no capture yet; the login page is all the archive has of one.
    QByteArray list = home.Read("site.list");
    for (int i = 15; i < 20; ++i)
        list += QString::fromUtf8("imported %1$pdf$未知$%2$等待\n").arg(i).arg(Link(QStringLiteral("/docs/%1.pdf").arg(i)).c_str()).toUtf8();
    list += QString::fromUtf8("login$pdf$未知$%1$等待\n").arg(QString::fromStdString(Link("/docs/login.pdf"))).toUtf8();
    home.Write("all.list", list);
    const CliRun download = Cli({"download", home.Path("all.list"), "--to", home.Path("out"), "--workers", "4"});
    EXPECT_EQ(download.status, 1) << download.err.toStdString();  // the login page
    EXPECT_TRUE(download.err.contains("20 dead link(s) saved from the web archive; 6 look-up(s)"))
        << download.err.toStdString();
    EXPECT_EQ(archive.CdxLookups(), 6);

    // Byte for byte: every document the archive holds is one file of the folder.
    QSet<QByteArray> saved;
    for (const QString& file : QDir(home.Path("out")).entryList(QDir::Files)) saved.insert(home.Read("out/" + file));
    EXPECT_EQ(saved.size(), 20);
    for (const ArchiveWeb::Capture& capture : archive.Captures())
        EXPECT_EQ(saved.contains(QByteArray::fromStdString(capture.body)), capture.body.starts_with("%PDF")) << capture.link;
    const QString written = QString::fromUtf8(home.Read("all.list"));
    EXPECT_EQ(written.count(QString::fromUtf8("下载成功")), 20) << written.toStdString();
    EXPECT_TRUE(download.err.contains("HTTP 404; no archived copy (capture of 2019-03-04: ")) << download.err.toStdString();
    EXPECT_FALSE(QDir(home.Path("out")).entryList().join(u' ').contains("login"));

    const QString log = QString::fromUtf8(home.Read("run.log"));
    EXPECT_TRUE(log.contains(QString::fromStdString(Link("/docs/15.pdf")) + ": from the web archive, captured 2019-03-04"))
        << log.toStdString();
    const CliRun show = Cli({"registry", "show", QString::fromStdString(Link("/docs/12.pdf"))});
    EXPECT_TRUE(show.out.contains("rescued\tcommoncrawl\t20190304120000\tfrom the web archive, captured 2019-03-04\n"))
        << show.out.toStdString();
}

TEST_F(ArchiveRescueTest, ABusyArchiveIsWaitedForNotGivenUpOn) {
    // More pauses than a row has tries: each must be a wait for the archive, not a failed try.
    archive.AnswerBusy(7);
    home.Write("one.list",
               QString::fromUtf8("o$pdf$未知$%1$等待\n").arg(Link("/docs/1.pdf").c_str()).toUtf8());
    const CliRun download =
        Cli({"download", home.Path("one.list"), "--to", home.Path("out"), "--workers", "1"});
    EXPECT_EQ(download.status, 0) << download.err.toStdString();
    EXPECT_TRUE(
        home.Read("run.log").contains("the web archive answered HTTP 429 and asked for a pause of 1 s"));
}

TEST_F(ArchiveRescueTest, ARefusedRecordIsNotFetchedAgainWhenTheRowIsRetried) {
    // The reader's answer is final for those bytes (a gzip bomb would be inflated again on every retry).
    ArchiveWeb crawl;
    crawl.Add({.link = Link("/x.pdf"), .body = "%PDF-1.4\n", .commonCrawl = true, .warcUri = Link("/y.pdf")});
    crawl.Start();
    home.Write("config/engines.json", crawl.EnginesJson().toUtf8());
    Cli({"search", "--engines", "commoncrawl", "--site", "127.0.0.1", "--no-deep", "--out",
         home.Path("one.list")});
    const CliRun download = Cli({"download", home.Path("one.list"), "--to", home.Path("out")});
    EXPECT_EQ(download.status, 1);
    EXPECT_TRUE(download.err.contains("the WARC record is of another address")) << download.err.toStdString();
    EXPECT_EQ(crawl.WarcFetches(), 1);
}

TEST_F(ArchiveRescueTest, WithoutTheRescueADeadLinkKeepsItsLiveReason) {
    home.Write("one.list", QString::fromUtf8("one$pdf$未知$%1$等待\n").arg(Link("/docs/16.pdf").c_str()).toUtf8());
    const CliRun download = Cli({"download", home.Path("one.list"), "--to", home.Path("out"), "--no-archive"});
    EXPECT_EQ(download.status, 1);
    EXPECT_EQ(archive.CdxLookups(), 0);
    EXPECT_FALSE(download.err.contains("archive")) << download.err.toStdString();
}

}  // namespace
