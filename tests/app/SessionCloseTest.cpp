#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "LocalServer.h"
#include "TempHome.h"
#include "WaitFor.h"
#include "app/Session.h"

namespace {

using K = SettingKey;

// A server whose /stall sends the first 4,000 of 10,000 bytes and then nothing until released.
class SessionCloseTest : public ::testing::Test {
  protected:
    void SetUp() override {
        server.Http().Get("/stall", [this](const httplib::Request&, httplib::Response& res) {
            res.set_header("ETag", "\"stall-1\"");
            res.set_content_provider(10000, "application/pdf",
                                     [this](size_t offset, size_t, httplib::DataSink& sink) {
                                         if (offset == 0) {
                                             const std::string head = "%PDF-1.4\n" + std::string(3991, 'x');
                                             return sink.write(head.data(), head.size());
                                         }
                                         while (!release.load())
                                             std::this_thread::sleep_for(std::chrono::milliseconds(5));
                                         return false;
                                     });
        });
        server.Start();
    }
    void TearDown() override { release.store(true); }

    // A started session whose one row is in flight, its first bytes on disk.
    void StartDownloadInFlight(Session& session) {
        ASSERT_EQ(session.Start(), QString());
        session.GetOptions().SetCommittedText(K::SaveFolder, home.Path("save"));
        session.GetOptions().SetCommittedInt(K::DownloadThreads, 1);
        ASSERT_EQ(
            session.Results().AddEntry("stall", "pdf", "9.77", server.Url("/stall"), RowStatus::Waiting),
            ResultList::AddResult::Added);
        ASSERT_TRUE(session.Downloads().StartDownload());
        ASSERT_TRUE(WaitFor([&] { return session.Downloads().BytesInFlight() == 4000; }));
        EXPECT_TRUE(session.DownloadsRunning());
    }

    std::atomic<bool> release{false};
    LocalServer server;
    TempHome home;
};

TEST_F(SessionCloseTest, ClosingDuringADownloadSavesTheRowWaitingAndKeepsItsBytes) {
    home.Write("config/Setting.ini",
               "[FILE_FREE_DOC]\nAutoLoad=1\nListPath=" + home.Path("kept.list").toUtf8() + "\n");
    Session session(home.Path());
    StartDownloadInFlight(session);
    ASSERT_FALSE(HasFatalFailure());
    session.Close();
    EXPECT_FALSE(session.DownloadsRunning());
    EXPECT_EQ(QString::fromUtf8(home.Read("kept.list")),
              QStringLiteral("stall$pdf$9.77$%1$等待\n").arg(server.Url("/stall")));
    EXPECT_EQ(home.Read("save/stall.pdf.download.temp").size(), 4000);
    EXPECT_TRUE(home.Read("config/Setting.ini").contains("SavePath=" + home.Path("save").toUtf8()));
    session.Close();  // a second close (the window's and the destructor's) changes nothing
}

}  // namespace
