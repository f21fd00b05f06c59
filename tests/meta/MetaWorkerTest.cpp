// The worker process: a real one reads documents; stand-ins that crash, hang or babble cost only the
// document at hand, and the next document gets a fresh worker.
#include <gtest/gtest.h>

#include <QFile>

#include "TempHome.h"
#include "meta/MetaWorkerClient.h"
#include "meta/MetaWorkerServer.h"

namespace {

QString Fixture(const QString& name) {
    return qEnvironmentVariable("SKIMMER_FIXTURES", "../shared/fixtures") + "/documents/" + name;
}

MetaWorkerClient ShellWorker(const QString& script, int timeoutMs = MetaWorkerClient::kDefaultTimeoutMs) {
    return MetaWorkerClient("/bin/sh", {"-c", script}, timeoutMs);
}

}  // namespace

TEST(MetaWorker, RealWorkerReadsDocumentsOneAfterAnother) {
    if (!QFile::exists(Fixture("tika-testWORD.docx"))) GTEST_SKIP() << "no fixture documents";
    MetaWorkerClient worker(SKIMMER_CLI_PATH, {MetaWorkerServer::kOption});
    const DocMetadata docx = worker.Read(Fixture("tika-testWORD.docx"));
    EXPECT_EQ(docx.status, MetaStatus::Read) << docx.reason.toStdString();
    EXPECT_EQ(docx.author, "Keith Bennett");
    const DocMetadata pdf = worker.Read(Fixture("tika-testPDF.pdf"));
    EXPECT_EQ(pdf.author, QString::fromUtf8("Bertrand Delacrétaz"));
    const DocMetadata missing = worker.Read("/nonexistent/file.pdf");
    EXPECT_EQ(missing.status, MetaStatus::Damaged);
    EXPECT_EQ(worker.Starts(), 1);
}

TEST(MetaWorker, CrashCostsOnlyThatDocumentAndTheWorkerIsRestarted) {
    TempHome home;
    home.Write("doc", "bytes");
    MetaWorkerClient worker = ShellWorker(
        R"(while read line; do case "$line" in *crash*) kill -SEGV $$;; *) echo '{"status":"read","title":"ok"}';; esac; done)");
    EXPECT_EQ(worker.Read(home.Path("doc")).title, "ok");
    home.Write("crash", "bytes");
    const DocMetadata crashed = worker.Read(home.Path("crash"));
    EXPECT_EQ(crashed.status, MetaStatus::Failed);
    EXPECT_TRUE(crashed.reason.contains("crashed")) << crashed.reason.toStdString();
    // The record of a failed document is still keyed by its bytes.
    EXPECT_EQ(crashed.sha256.size(), 64);
    EXPECT_EQ(worker.Read(home.Path("doc")).title, "ok");
    EXPECT_EQ(worker.Starts(), 2);
}

TEST(MetaWorker, SilentBabblingOrMissingWorkersFailTheDocumentCleanly) {
    struct Case {
        const char* what;
        QString program;
        QStringList arguments;
        const char* reason;
    };
    const Case cases[] = {
        {"hangs", "/bin/sh", {"-c", "read line; sleep 30"}, "no answer"},
        {"answers garbage", "/bin/sh", {"-c", "read line; echo 'not json'; sleep 30"}, "something else"},
        {"exits", "/bin/sh", {"-c", "read line; exit 3"}, "status 3"},
        {"is missing", "/nonexistent/worker", {}, "cannot be started"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        MetaWorkerClient worker(c.program, c.arguments, 300);
        const DocMetadata metadata = worker.Read("/nonexistent");
        EXPECT_EQ(metadata.status, MetaStatus::Failed);
        EXPECT_TRUE(metadata.reason.contains(c.reason)) << metadata.reason.toStdString();
    }
}
