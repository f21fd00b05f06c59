// End to end: fixture documents downloaded from a local server fill the metadata table through the worker
// process, and the report names their people and software; meta FILE and meta --all on their own.
#include <gtest/gtest.h>

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "CliRun.h"
#include "LocalServer.h"
#include "WaitFor.h"
#include "app/MetaHarvest.h"
#include "download/DocRegistry.h"
#include "download/MetadataTable.h"
#include "net/CurlSetup.h"

namespace {

QString Fixture(const QString& name) {
    return qEnvironmentVariable("SKIMMER_FIXTURES", "../shared/fixtures") + "/documents/" + name;
}

const char* const kServed[] = {"tika-testWORD.docx", "tika-testPDF.pdf", "tika-testEXCEL.xls"};

QStringList Values(const QJsonObject& summary, const char* category) {
    QStringList values;
    for (const QJsonValue& entry : summary.value(category).toArray()) values << entry.toObject().value("value").toString();
    return values;
}

}  // namespace

TEST(MetaCli, DownloadFillsTheTableAndTheReportNamesPeopleAndSoftware) {
    if (!QFile::exists(Fixture(kServed[0]))) GTEST_SKIP() << "no fixture documents";
    qputenv("SKIMMER_META_WORKER", SKIMMER_CLI_PATH);
    LocalServer server;
    for (const char* name : kServed) {
        QFile file(Fixture(name));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const std::string body = file.readAll().toStdString();
        server.Http().Get(std::string("/") + name, [body](const httplib::Request&, httplib::Response& res) {
            res.set_content(body, "application/octet-stream");
        });
    }
    server.Start();
    TempHome home;
    QString list;
    for (const char* name : kServed) {
        const QString type = QString(name).section('.', -1);
        list += QString("%1$%2$未知$%3$等待\n").arg(QString(name).section('.', 0, 0), type, server.Url(QString("/") + name));
    }
    home.Write("in.list", list.toUtf8());
    const CliRun download = RunIn(home, {"download", home.Path("in.list"), "--to", home.Path("out")});
    ASSERT_EQ(download.status, 0) << download.err.toStdString();

    const CliRun report = RunIn(home, {"report", "--format", "json"});
    ASSERT_EQ(report.status, 0) << report.err.toStdString();
    const QJsonObject json = QJsonDocument::fromJson(report.out.toUtf8()).object();
    EXPECT_EQ(json.value("documents").toArray().size(), 3);
    const QJsonObject summary = json.value("summary").toObject();
    const QStringList people = Values(summary, "people");
    EXPECT_TRUE(people.contains("Keith Bennett")) << people.join(", ").toStdString();
    EXPECT_TRUE(people.contains(QString::fromUtf8("Bertrand Delacrétaz")));
    EXPECT_TRUE(people.contains("Nick Burch"));
    const QStringList software = Values(summary, "software");
    EXPECT_TRUE(software.contains("Microsoft Office Word 12.0000")) << software.join(", ").toStdString();
    EXPECT_TRUE(software.contains("Mac OS X 10.4.10 Quartz PDFContext"));
    EXPECT_EQ(Values(summary, "site"), QStringList{"127.0.0.1"});
    // Each document is read once: nothing is left for meta --all.
    EXPECT_EQ(RunIn(home, {"meta", "--all"}).out, "0 documents read\n");

    const CliRun html = RunIn(home, {"report", home.Path("in.list")});
    EXPECT_TRUE(html.out.startsWith("<!DOCTYPE html>"));
    EXPECT_TRUE(html.out.contains("Keith Bennett"));
    EXPECT_FALSE(html.out.contains("<script"));
    CurlSetup::ReleaseThreadHandle();
}

TEST(MetaCli, MetaPrintsFieldsAndFailsForUnreadableFiles) {
    if (!QFile::exists(Fixture("tika-testWORD.doc"))) GTEST_SKIP() << "no fixture documents";
    qputenv("SKIMMER_META_WORKER", SKIMMER_CLI_PATH);
    TempHome home;
    const CliRun text = RunIn(home, {"meta", Fixture("tika-testWORD.doc")});
    EXPECT_EQ(text.status, 0);
    EXPECT_TRUE(text.out.contains("author: Keith Bennett\n")) << text.out.toStdString();
    const CliRun json = RunIn(home, {"meta", "--json", Fixture("pysf-libreoffice-writer-password.pdf")});
    EXPECT_EQ(json.status, 1);
    EXPECT_EQ(QJsonDocument::fromJson(json.out.toUtf8()).object().value("reason").toString(), "encrypted, no metadata");
    EXPECT_EQ(RunIn(home, {"meta", home.Path("missing.doc")}).status, 1);
    EXPECT_EQ(RunIn(home, {"report", "--format", "xml"}).status, 2);
}

TEST(MetaCli, ControlCharactersInMetadataAreShownEscaped) {
    qputenv("SKIMMER_META_WORKER", SKIMMER_CLI_PATH);
    TempHome home;
    // Escape, bell and carriage return in the title would drive the terminal; a line break would forge a line.
    home.Write("esc.rtf", R"({\rtf1{\info{\title A\u27?]0;X\u7?\u27?[2J\u13?fake: line}{\author x\u10?found email: f@e.test}}})");
    const CliRun text = RunIn(home, {"meta", home.Path("esc.rtf")});
    EXPECT_TRUE(text.out.contains("title: A\\x1b]0;X\\x07\\x1b[2J\\x0dfake: line\n")) << text.out.toStdString();
    EXPECT_TRUE(text.out.contains("author: x found email: f@e.test\n")) << text.out.toStdString();
    EXPECT_FALSE(text.out.contains(QChar(0x1b)) || text.out.contains(u'\r') || text.out.contains(QChar(7)));
}

// A document is recorded a moment before its file takes its final name: the background reading, woken
// while downloads run, must not mark it unreadable for good, nor key another file's fields to its digest.
TEST(MetaCli, ReadingWaitsForAFileToTakeItsNameAndRefusesOtherBytesUnderIt) {
    TempHome home;
    const QString rtf = R"({\rtf1{\info{\title %1}}})";
    DocRegistry registry(nullptr);
    ASSERT_TRUE(registry.OpenDocDatabase(home.Path("docdata.db")));
    home.Write("early.rtf", rtf.arg("early").toUtf8());
    registry.RecordDocument("http://h/early", 30, home.Path("early.rtf"), "head");
    registry.RecordDocument("http://h/late", 30, home.Path("late.rtf"), "head");  // not there yet
    const QString recorded(64, u'a');
    home.Write("changed.rtf", rtf.arg("other bytes").toUtf8());
    registry.ClaimDocumentWithHead("http://h/changed", recorded, 30, home.Path("changed.rtf"), "head2");
    registry.Close();

    MetadataTable table;
    ASSERT_TRUE(table.Open(home.Path("docdata.db")));
    MetaHarvest harvest(table, SKIMMER_CLI_PATH, MetaHarvest::WorkerArguments());
    harvest.Start();
    ASSERT_TRUE(WaitFor([&] { return harvest.DocumentsRead() == 1; }));
    home.Write("late.rtf", rtf.arg("late").toUtf8());
    harvest.Poke();
    ASSERT_TRUE(WaitFor([&] { return harvest.DocumentsRead() == 2; }));
    EXPECT_EQ(table.ForLink("http://h/late").value_or(DocMetadata()).title, "late");
    harvest.Stop();
    // Once the downloads are over, what the name holds is final.
    EXPECT_EQ(harvest.ReadAllPending(), 1);
    const DocMetadata changed = table.Find(recorded).value_or(DocMetadata());
    EXPECT_EQ(changed.status, MetaStatus::Failed);
    EXPECT_TRUE(changed.title.isEmpty());
}
