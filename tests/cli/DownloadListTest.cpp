#include <gtest/gtest.h>

#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>

#include "LocalServer.h"
#include "SmallDisk.h"
#include "TempHome.h"
#include "cli/CliApp.h"
#include "net/CurlSetup.h"

namespace {

struct Outcome {
    int status;
    QString err;
};

class DownloadListTest : public ::testing::Test {
  protected:
    void SetUp() override {
        server.Http().Get("/a.pdf", [](const httplib::Request&, httplib::Response& res) {
            res.set_content("%PDF-1.4\n" + std::string(2048 - 9, 'a'), "application/pdf");
        });
        server.Start();
    }
    void TearDown() override { CurlSetup::ReleaseThreadHandle(); }

    Outcome Run(const QString& homeDir, const QStringList& args) {
        QString out, err;
        QTextStream outStream(&out), errStream(&err);
        const int status = CliApp().Run(QStringList{"--home", homeDir} + args, outStream, errStream);
        errStream.flush();
        return {status, err};
    }

    LocalServer server;
    TempHome home;
};

TEST_F(DownloadListTest, RecordsTheWorkersCannotUseAreCountedAndKept) {
    home.Write("config/Setting.ini", "[FILE_FREE_DOC]\nIgoreGarnered=1\n");
    const QString good = server.Url("/a.pdf");
    const QByteArray list = QString::fromUtf8(
                                "empty size$pdf$$http://127.0.0.1:1/b.pdf$等待\n"
                                "one$pdf$未知$%1$等待\n"
                                "twice$pdf$未知$%1$等待\n"
                                "four fields$pdf$1$http://127.0.0.1:1/c.pdf\n"
                                "done$pdf$1$http://127.0.0.1:1/d.pdf$下载成功\n")
                                .arg(good)
                                .toUtf8();
    home.Write("in.list", list);
    ASSERT_EQ(Run(home.Path(), {"registry", "add", "http://127.0.0.1:1/d.pdf"}).status, 0);
    const Outcome run = Run(home.Path(), {"download", home.Path("in.list"), "--to", home.Path("out")});
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_TRUE(
        run.err.contains("3 record(s) cannot be downloaded and are kept as they are (first: line 1, "
                         "a cell is empty)"))
        << run.err.toStdString();
    QByteArray expected = list;
    expected.replace(QString::fromUtf8("one$pdf$未知$%1$等待").arg(good).toUtf8(),
                     QString::fromUtf8("one$pdf$2.00$%1$下载成功").arg(good).toUtf8());
    EXPECT_EQ(home.Read("in.list"), expected);

    // With the flag, the rows already downloaded are ones the workers cannot use; they stay all the same.
    const Outcome again = Run(home.Path(), {"download", home.Path("in.list"), "--to", home.Path("out"),
                                            "--ignore-downloaded", "--overwrite"});
    EXPECT_TRUE(again.err.contains("5 record(s) cannot be downloaded")) << again.err.toStdString();
    EXPECT_EQ(home.Read("in.list"), expected);
}

// A title cut inside a character (invalid UTF-8) must not turn the rest of its line into GB18030: the
// status stays readable and the row is downloaded; a status this program never writes is counted.
TEST_F(DownloadListTest, ABadTitleKeepsItsRowAndAnUnknownStatusIsCounted) {
    QByteArray list = QByteArray("cut \xE6\x96 title") +
                      QString::fromUtf8("$pdf$未知$%1$等待\n").arg(server.Url("/a.pdf")).toUtf8();
    list += QString::fromUtf8("odd$pdf$1$http://127.0.0.1:1/e.pdf$later\n").toUtf8();
    home.Write("in.list", list);
    const Outcome run = Run(home.Path(), {"download", home.Path("in.list"), "--to", home.Path("out")});
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_TRUE(
        run.err.contains("1 record(s) cannot be downloaded and are kept as they are (first: line 2, "
                         "its status 'later'"))
        << run.err.toStdString();
    EXPECT_TRUE(home.Read("in.list").contains(QString::fromUtf8("$2.00$").toUtf8() +
                                              server.Url("/a.pdf").toUtf8() +
                                              QString::fromUtf8("$下载成功\n").toUtf8()));
    EXPECT_TRUE(home.Read("in.list").endsWith("e.pdf$later\n"));
}

TEST_F(DownloadListTest, FailuresSayWhyAndTheSameDocumentIsSavedOnce) {
    const QString first = server.Url("/a.pdf");
    const QString second = server.Url("/a.pdf?from=mirror");
    const QString gone = server.Url("/gone.pdf");
    home.Write("in.list",
               QString::fromUtf8("one$pdf$未知$%1$等待\ntwo$pdf$未知$%2$等待\ngone$pdf$未知$%3$等待\n")
                   .arg(first, second, gone)
                   .toUtf8());
    const Outcome run =
        Run(home.Path(), {"download", home.Path("in.list"), "--to", home.Path("out"), "--workers", "1"});
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(run.err.contains("download: failed: " + gone + ": HTTP 404\n")) << run.err.toStdString();
    EXPECT_FALSE(run.err.contains("failed: " + second));
    EXPECT_TRUE(home.Exists("out/one.pdf"));
    EXPECT_FALSE(home.Exists("out/two.pdf"));
    EXPECT_TRUE(
        home.Read("in.list").contains(QString::fromUtf8("two$pdf$2.00$%1$下载成功").arg(second).toUtf8()));

    QString out, err;
    QTextStream outStream(&out), errStream(&err);
    ASSERT_EQ(CliApp().Run({"--home", home.Path(), "registry", "show", second}, outStream, errStream), 0);
    outStream.flush();
    const QString digest = QString::fromLatin1(
        QCryptographicHash::hash(home.Read("out/one.pdf"), QCryptographicHash::Sha256).toHex());
    EXPECT_EQ(out, digest + "\t2048\t" + QFileInfo(home.Path("out/one.pdf")).absoluteFilePath() + "\n");
    EXPECT_EQ(Run(home.Path(), {"registry", "show", gone}).status, 1);
    ASSERT_EQ(Run(home.Path(), {"registry", "add", "http://handed/off.pdf"}).status, 0);
    out.clear();
    ASSERT_EQ(CliApp().Run({"--home", home.Path(), "registry", "show", "http://handed/off.pdf"}, outStream,
                           errStream),
              0);
    outStream.flush();
    EXPECT_EQ(out, "\t\t\n");
}

TEST_F(DownloadListTest, AFullDiskKeepsTheListAndFailsWithTheReason) {
    SmallDisk disk;
    if (!disk.Mounted()) GTEST_SKIP() << disk.Why().toStdString();
    const QByteArray list = QString::fromUtf8("one$pdf$未知$%1$等待\n").arg(server.Url("/a.pdf")).toUtf8();
    QFile file(disk.Path("in.list"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(list);
    file.close();
    disk.Fill();
    const Outcome run = Run(home.Path(), {"download", disk.Path("in.list"), "--to", home.Path("out")});
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(run.err.contains("the statuses were not written back")) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains("No space left on device")) << run.err.toStdString();
    EXPECT_EQ(home.Read("out/one.pdf").size(), 2048);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), list);
}

// A download whose documents cannot be recorded is no success: the next run would fetch them all again.
TEST_F(DownloadListTest, ARegistryThatCannotRecordFailsTheDownloadAndSaysWhy) {
    const QByteArray list = QString::fromUtf8("one$pdf$未知$%1$等待\n").arg(server.Url("/a.pdf")).toUtf8();
    home.Write("in.list", list);
    home.Write("config/docdata.db", QByteArray(4096, 'x'));  // not a database
    const Outcome garbage = Run(home.Path(), {"download", home.Path("in.list"), "--to", home.Path("out")});
    EXPECT_EQ(garbage.status, 1);
    EXPECT_TRUE(garbage.err.contains("docdata.db cannot be opened (")) << garbage.err.toStdString();
    EXPECT_FALSE(QFileInfo::exists(home.Path("out/one.pdf")));

    SmallDisk disk;
    if (!disk.Mounted()) GTEST_SKIP() << disk.Why().toStdString();
    ASSERT_EQ(Run(disk.Path("home"), {"registry", "count"}).status, 0);
    disk.Fill();
    const Outcome full = Run(disk.Path("home"), {"download", home.Path("in.list"), "--to", home.Path("out")});
    EXPECT_EQ(full.status, 1);
    EXPECT_TRUE(full.err.contains("not every download was recorded in the registry: ") &&
                full.err.contains("No space left on device"))
        << full.err.toStdString();
    EXPECT_EQ(home.Read("out/one.pdf").size(), 2048);
}

}  // namespace
