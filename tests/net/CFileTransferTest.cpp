#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QThread>
#include <atomic>

#include "LocalServer.h"
#include "TempHome.h"
#include "net/CFileTransfer.h"

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
    EXPECT_TRUE(home.Exists("l.pdf.download.temp"));

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

    CFileTransfer unparsable;
    EXPECT_FALSE(unparsable.Start("http://", home.Path("u.pdf"), {}, {}, false));
    CFileTransfer noFolder;
    EXPECT_FALSE(noFolder.Start(server.Url("/file"), home.Path("no/such/dir/f.pdf"), {}, {}, false));
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
    EXPECT_TRUE(home.Exists("s.pdf.download.temp"));
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
        EXPECT_TRUE(home.Exists("k.pdf.download.temp"));  // the worker sweeps it
    }
    // The server side of the connection lives in this process too; give it a moment to close.
    releaseStall.store(true);
    for (int i = 0; i < 300 && OpenDescriptors().size() != before; ++i) QThread::msleep(10);
    EXPECT_EQ(OpenDescriptors().size(), before);
}

TEST_F(TransferTest, AddressWithoutScheme) {
    CFileTransfer transfer;
    const QString schemeless = server.Url("/file").mid(int(qstrlen("http://")));
    ASSERT_TRUE(transfer.Start(schemeless, home.Path("w.pdf"), {}, {}, false));
    WaitFinished(transfer);
    EXPECT_TRUE(transfer.Succeeded());
}

}  // namespace
