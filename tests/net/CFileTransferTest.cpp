#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QThread>
#include <atomic>
#include <mutex>
#include <set>

#include "LocalServer.h"
#include "TempHome.h"
#include "net/CFileTransfer.h"
#include "net/TempFileLedger.h"

namespace {

QStringList OpenDescriptors() {
    QStringList targets;
    for (const QFileInfo& fd : QDir("/proc/self/fd").entryInfoList(QDir::NoDotAndDotDot | QDir::System)) {
        targets.append(fd.symLinkTarget());
    }
    return targets;
}

void WaitFinished(const CFileTransfer& transfer) {
    while (!transfer.Finished()) QThread::msleep(5);
}

struct MemoryLedger : TempFileLedger {
    bool IsTempFileRecorded(const QString& link, const QString& path) override {
        std::lock_guard lock(mutex);
        return records.count({link, path}) > 0;
    }
    bool RecordTempFile(const QString& link, const QString& path) override {
        std::lock_guard lock(mutex);
        records.insert({link, path});
        return true;
    }
    void ForgetTempFile(const QString& path) override {
        std::lock_guard lock(mutex);
        std::erase_if(records, [&](const auto& record) { return record.second == path; });
    }
    size_t Size() {
        std::lock_guard lock(mutex);
        return records.size();
    }
    std::mutex mutex;
    std::set<std::pair<QString, QString>> records;
};

class TransferTest : public ::testing::Test {
  protected:
    void SetUp() override {
        auto& http = server.Http();
        http.Get("/file", [](const httplib::Request&, httplib::Response& res) {
            res.set_content(std::string(300000, 'x'), "application/pdf");
        });
        http.Get("/sized/(\\d+)", [](const httplib::Request& req, httplib::Response& res) {
            res.set_content(std::string(std::stoul(req.matches[1]), 's'), "application/pdf");
        });
        http.Get("/unsized", [](const httplib::Request&, httplib::Response& res) {
            res.set_chunked_content_provider("application/pdf", [](size_t offset, httplib::DataSink& sink) {
                if (offset < 5000) {
                    sink.write("0123456789", 10);
                } else {
                    sink.done();
                }
                return true;
            });
        });
        http.Get("/truncated", [](const httplib::Request&, httplib::Response& res) {
            // Promises 100,000 bytes, sends 1,000 and closes the connection.
            res.set_content_provider(100000, "application/pdf",
                                     [](size_t offset, size_t, httplib::DataSink& sink) {
                                         if (offset == 0)
                                             return sink.write(std::string(1000, 't').data(), 1000);
                                         return false;
                                     });
        });
        http.Get("/moved",
                 [](const httplib::Request&, httplib::Response& res) { res.set_redirect("/file", 302); });
        http.Get("/missing", [](const httplib::Request&, httplib::Response& res) { res.status = 404; });
        http.Get("/locked", [](const httplib::Request&, httplib::Response& res) {
            res.status = 401;
            res.set_content("who are you", "text/plain");
        });
        http.Get("/stall", [this](const httplib::Request&, httplib::Response& res) {
            res.set_content_provider(1000000, "application/pdf",
                                     [this](size_t offset, size_t, httplib::DataSink& sink) {
                                         if (offset == 0)
                                             return sink.write(std::string(1000, 'p').data(), 1000);
                                         while (!releaseStall.load())
                                             std::this_thread::sleep_for(std::chrono::milliseconds(10));
                                         return false;
                                     });
        });
        server.Start();
    }

    void TearDown() override { releaseStall.store(true); }

    LocalServer server;
    TempHome home;
    std::atomic<bool> releaseStall{false};
};

TEST_F(TransferTest, CompleteFileAppearsOnlyUnderItsFinalName) {
    CFileTransfer transfer;
    ASSERT_TRUE(transfer.Start(server.Url("/moved"), home.Path("a.pdf"), {}, {}, false));
    WaitFinished(transfer);
    EXPECT_TRUE(transfer.Succeeded());
    EXPECT_EQ(transfer.Progress(), 100);
    EXPECT_EQ(transfer.ContentLength(), 300000);
    EXPECT_EQ(home.Read("a.pdf").size(), 300000);
    EXPECT_FALSE(home.Exists("a.pdf.download.temp"));
}

TEST_F(TransferTest, ExistingTargetNeedsOverwrite) {
    home.Write("a.pdf", "old");
    CFileTransfer refused;
    EXPECT_FALSE(refused.Start(server.Url("/file"), home.Path("a.pdf"), {}, {}, false));
    EXPECT_FALSE(home.Exists("a.pdf.download.temp"));
    EXPECT_EQ(home.Read("a.pdf"), QByteArray("old"));

    CFileTransfer replacing;
    ASSERT_TRUE(replacing.Start(server.Url("/file"), home.Path("a.pdf"), {}, {}, true));
    WaitFinished(replacing);
    EXPECT_TRUE(replacing.Succeeded());
    EXPECT_EQ(home.Read("a.pdf").size(), 300000);
}

TEST_F(TransferTest, StatusBranchesDecideWhatStaysOnDisk) {
    CFileTransfer missing;
    ASSERT_TRUE(missing.Start(server.Url("/missing"), home.Path("m.pdf"), {}, {}, false));
    WaitFinished(missing);
    EXPECT_FALSE(missing.Succeeded());
    EXPECT_FALSE(home.Exists("m.pdf"));
    EXPECT_FALSE(home.Exists("m.pdf.download.temp"));

    CFileTransfer locked;
    ASSERT_TRUE(locked.Start(server.Url("/locked"), home.Path("l.pdf"), {}, {}, false));
    WaitFinished(locked);
    EXPECT_FALSE(locked.Succeeded());
    EXPECT_FALSE(home.Exists("l.pdf"));
    EXPECT_FALSE(home.Exists("l.pdf.download.temp"));  // a refusal leaves nothing behind

    CFileTransfer truncated;
    ASSERT_TRUE(truncated.Start(server.Url("/truncated"), home.Path("t.pdf"), {}, {}, false));
    WaitFinished(truncated);
    EXPECT_FALSE(truncated.Succeeded());
    EXPECT_FALSE(home.Exists("t.pdf"));  // a file under its final name is always complete
    EXPECT_FALSE(home.Exists("t.pdf.download.temp"));

    CFileTransfer nowhere;
    ASSERT_TRUE(nowhere.Start("http://127.0.0.1:1/x", home.Path("n.pdf"), {}, {}, false));
    WaitFinished(nowhere);
    EXPECT_FALSE(nowhere.Succeeded());
    EXPECT_FALSE(home.Exists("n.pdf.download.temp"));

    // Each refusal to start says which cause it is.
    CFileTransfer unparsable;
    EXPECT_FALSE(unparsable.Start("http://", home.Path("u.pdf"), {}, {}, false));
    EXPECT_EQ(unparsable.LastStartFailure(), CFileTransfer::StartFailure::BadAddress);
    CFileTransfer noFolder;
    EXPECT_FALSE(noFolder.Start(server.Url("/file"), home.Path("no/such/dir/f.pdf"), {}, {}, false));
    EXPECT_EQ(noFolder.LastStartFailure(), CFileTransfer::StartFailure::TempNotCreated);
    EXPECT_EQ(noFolder.StartFailureText(), "the folder " + home.Path("no/such/dir") + " does not exist");
    home.Write("e.pdf", "x");
    CFileTransfer exists;
    EXPECT_FALSE(exists.Start(server.Url("/file"), home.Path("e.pdf"), {}, {}, false));
    EXPECT_EQ(exists.LastStartFailure(), CFileTransfer::StartFailure::TargetExists);
}

TEST_F(TransferTest, SizeRule) {
    EXPECT_TRUE(CFileTransfer::SizeAllowed(1, 0, 5));
    EXPECT_FALSE(CFileTransfer::SizeAllowed(0, 0, 5));
    EXPECT_TRUE(CFileTransfer::SizeAllowed(99999, 10240, 5120));
    EXPECT_FALSE(CFileTransfer::SizeAllowed(0, 10240, 5120));
    EXPECT_TRUE(CFileTransfer::SizeAllowed(10240, 10240, 20480));
    EXPECT_TRUE(CFileTransfer::SizeAllowed(20480, 10240, 20480));
    EXPECT_FALSE(CFileTransfer::SizeAllowed(10239, 10240, 20480));
    EXPECT_FALSE(CFileTransfer::SizeAllowed(20481, 10240, 20480));
    EXPECT_TRUE(CFileTransfer::SizeAllowed(qint64(5) << 30, 1, qint64(6) << 30));  // beyond 4 GiB

    CFileTransfer small;
    small.SetSizeLimit(true, 10240, 20480);
    ASSERT_TRUE(small.Start(server.Url("/sized/10239"), home.Path("s.pdf"), {}, {}, false));
    WaitFinished(small);
    EXPECT_FALSE(small.Succeeded());
    EXPECT_FALSE(home.Exists("s.pdf.download.temp"));
    EXPECT_FALSE(home.Exists("s.pdf"));

    CFileTransfer fits;
    fits.SetSizeLimit(true, 10240, 20480);
    ASSERT_TRUE(fits.Start(server.Url("/sized/20480"), home.Path("f.pdf"), {}, {}, false));
    WaitFinished(fits);
    EXPECT_TRUE(fits.Succeeded());

    // Without a length the rule cannot apply, and progress stays 0.
    CFileTransfer unsized;
    unsized.SetSizeLimit(true, 1000000, 2000000);
    ASSERT_TRUE(unsized.Start(server.Url("/unsized"), home.Path("u.pdf"), {}, {}, false));
    WaitFinished(unsized);
    EXPECT_TRUE(unsized.Succeeded());
    EXPECT_EQ(unsized.ContentLength(), 0);
    EXPECT_EQ(unsized.Progress(), 0);
    EXPECT_EQ(home.Read("u.pdf").size(), 5000);
}

TEST_F(TransferTest, KillAbandonsAStalledTransferAndLeaksNothing) {
    const qsizetype before = OpenDescriptors().size();
    {
        CFileTransfer transfer;
        ASSERT_TRUE(transfer.Start(server.Url("/stall"), home.Path("k.pdf"), {}, {}, false));
        while (transfer.Received() == 0) QThread::msleep(5);
        transfer.Kill();
        EXPECT_FALSE(OpenDescriptors().join(' ').contains("k.pdf")) << "the temporary file is still open";
        EXPECT_TRUE(transfer.Finished());
        EXPECT_FALSE(transfer.Succeeded());
        EXPECT_FALSE(home.Exists("k.pdf"));
        EXPECT_TRUE(home.Exists("k.pdf.download.temp"));  // the one who killed it decides
        transfer.RemoveTemp();
        EXPECT_FALSE(home.Exists("k.pdf.download.temp"));
    }
    // The server side of the connection lives in this process too; give it a moment to close.
    releaseStall.store(true);
    for (int i = 0; i < 300 && OpenDescriptors().size() != before; ++i) QThread::msleep(10);
    EXPECT_EQ(OpenDescriptors().size(), before);
}

TEST_F(TransferTest, TheTemporaryNameIsUsedOnlyForOurOwnFile) {
    MemoryLedger ledger;
    const QString link = server.Url("/file");
    const QString temp = home.Path("x.pdf.download.temp");
    auto start = [&](CFileTransfer& transfer) {
        transfer.SetLedger(&ledger);
        return transfer.Start(link, home.Path("x.pdf"), {}, {}, false);
    };
    auto refused = [&](const char* what) {
        CFileTransfer transfer;
        EXPECT_FALSE(start(transfer)) << what;
        EXPECT_EQ(transfer.LastStartFailure(), CFileTransfer::StartFailure::TempTaken) << what;
        EXPECT_FALSE(home.Exists("x.pdf")) << what;
    };
    home.Write("victim.txt", "precious");

    // A planted link, even one the ledger names, is never followed.
    ASSERT_EQ(::symlink(home.Path("victim.txt").toUtf8().constData(), temp.toUtf8().constData()), 0);
    refused("link");
    ledger.RecordTempFile(link, temp);
    refused("recorded link");
    EXPECT_TRUE(QFileInfo(temp).isSymLink());
    ::unlink(temp.toUtf8().constData());

    // A second name of another file, a FIFO, a folder: left alone, and nothing hangs on the FIFO.
    ASSERT_EQ(::link(home.Path("victim.txt").toUtf8().constData(), temp.toUtf8().constData()), 0);
    refused("hard link");
    ::unlink(temp.toUtf8().constData());
    ASSERT_EQ(::mkfifo(temp.toUtf8().constData(), 0600), 0);
    refused("fifo");
    ::unlink(temp.toUtf8().constData());
    QDir().mkpath(temp);
    refused("folder");
    QDir().rmdir(temp);
    EXPECT_EQ(home.Read("victim.txt"), QByteArray("precious"));

    // A plain file is reused only when it was recorded for this very link.
    ledger.records.clear();
    home.Write("x.pdf.download.temp", "someone else's");
    refused("unrecorded");
    ledger.RecordTempFile(server.Url("/other"), temp);
    refused("another link's");
    EXPECT_EQ(home.Read("x.pdf.download.temp"), QByteArray("someone else's"));

    ledger.RecordTempFile(link, temp);
    {
        // Another run on the same home is still writing it.
        const int writer = ::open(temp.toUtf8().constData(), O_WRONLY);
        ASSERT_EQ(::flock(writer, LOCK_EX), 0);
        refused("being written");
        ::close(writer);
    }
    CFileTransfer resumed;
    ASSERT_TRUE(start(resumed));
    WaitFinished(resumed);
    EXPECT_TRUE(resumed.Succeeded());
    EXPECT_EQ(home.Read("x.pdf").size(), 300000);
}

TEST_F(TransferTest, EveryTemporaryFileMadeIsRecordedUntilItIsGone) {
    MemoryLedger ledger;
    {
        CFileTransfer transfer;
        transfer.SetLedger(&ledger);
        ASSERT_TRUE(transfer.Start(server.Url("/stall"), home.Path("k.pdf"), {}, {}, false));
        while (transfer.Received() == 0) QThread::msleep(5);
        EXPECT_TRUE(ledger.IsTempFileRecorded(server.Url("/stall"), home.Path("k.pdf.download.temp")));
        transfer.Kill();
    }
    // Abandoned and not removed: still ours, so a later run may take it up.
    EXPECT_EQ(ledger.Size(), 1u);
    for (const char* path : {"/file", "/missing"}) {
        CFileTransfer transfer;
        transfer.SetLedger(&ledger);
        ASSERT_TRUE(transfer.Start(server.Url(path), home.Path("d.pdf"), {}, {}, true));
        WaitFinished(transfer);
    }
    EXPECT_EQ(ledger.Size(), 1u);
}

TEST_F(TransferTest, AddressWithoutScheme) {
    CFileTransfer transfer;
    const QString schemeless = server.Url("/file").mid(int(qstrlen("http://")));
    ASSERT_TRUE(transfer.Start(schemeless, home.Path("w.pdf"), {}, {}, false));
    WaitFinished(transfer);
    EXPECT_TRUE(transfer.Succeeded());
}

}  // namespace
