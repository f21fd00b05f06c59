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

// A server whose /stall sends the first 4,000 of 10,000 bytes and then nothing until released, whose
// /small is 10,000 bytes at once and whose /trickle sends 100 bytes every 50 ms until released.
class SessionDownloadsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        server.Http().Get("/small", [](const httplib::Request&, httplib::Response& res) {
            res.set_content("%PDF-1.4\n" + std::string(9991, 's'), "application/pdf");
        });
        server.Http().Get("/trickle", [this](const httplib::Request&, httplib::Response& res) {
            res.set_content_provider(100000, "application/pdf",
                                     [this](size_t offset, size_t length, httplib::DataSink& sink) {
                                         if (offset == 0) return sink.write("%PDF-1.4\n", 9);
                                         if (release.load()) {
                                             const std::string rest(std::min<size_t>(length, 8192), 't');
                                             return sink.write(rest.data(), rest.size());
                                         }
                                         std::this_thread::sleep_for(std::chrono::milliseconds(50));
                                         const std::string some(std::min<size_t>(length, 100), 't');
                                         return sink.write(some.data(), some.size());
                                     });
        });
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

TEST_F(SessionDownloadsTest, ClosingDuringADownloadSavesTheRowWaitingAndKeepsItsBytes) {
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

TEST_F(SessionDownloadsTest, FiguresWhileDownloadingAndTheEndMarksTheLastMessagePast) {
    Session session(home.Path());
    ASSERT_EQ(session.Start(), QString());
    QStringList lines;
    QObject::connect(&session, &Session::countersChanged,
                     [&](const QString& list, const QString&) { lines.append(list); });
    session.GetOptions().SetCommittedText(K::SaveFolder, home.Path("save"));
    session.GetOptions().SetCommittedInt(K::DownloadThreads, 1);
    for (const char* name : {"small", "trickle"}) {
        ASSERT_EQ(session.Results().AddEntry(name, "pdf", "-", server.Url(QStringLiteral("/") + name),
                                             RowStatus::Waiting),
                  ResultList::AddResult::Added);
    }
    EXPECT_EQ(session.TransferCounters(), QString());
    ASSERT_TRUE(session.Downloads().StartDownload());
    ASSERT_TRUE(WaitFor([&] { return session.Results().SpeedOf(1) > 0; }));
    const Session::TransferFigures figures = session.Transfer();
    EXPECT_EQ(figures.rowsDone, 1);
    EXPECT_EQ(figures.rowsTotal, 2);
    EXPECT_GT(figures.bytesPerSecond, 0);
    EXPECT_GE(figures.secondsLeft, 0);  // one row left, about as big as the one done
    ASSERT_TRUE(WaitFor([&] { return !lines.isEmpty() && lines.last().contains("Done 1/2"); }));

    release.store(true);
    ASSERT_TRUE(WaitFor([&] { return !session.DownloadsRunning(); }));
    EXPECT_EQ(session.Results().TotalSpeed(), 0);
    ASSERT_TRUE(WaitFor([&] { return session.Status().Current().startsWith("(at "); }));
    EXPECT_TRUE(session.Status().Current().contains("has finished this run!"));
    ASSERT_TRUE(WaitFor([&] { return !lines.last().contains("Done"); }));
}

TEST(SessionFigures, RatesAndDurationsAsShown) {
    EXPECT_EQ(Session::FormatRate(900), "900 B/s");
    EXPECT_EQ(Session::FormatRate(1536), "1.5 KB/s");
    EXPECT_EQ(Session::FormatRate(3 * 1048576), "3.0 MB/s");
    EXPECT_EQ(Session::FormatDuration(-1), "-");
    EXPECT_EQ(Session::FormatDuration(59), "0:59");
    EXPECT_EQ(Session::FormatDuration(3661), "1:01:01");
}

}  // namespace
