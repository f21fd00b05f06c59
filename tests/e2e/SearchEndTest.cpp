// How a search ends: pages that trickle, Stop under way, pages left waiting, and what the summary counts.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTimer>
#include <atomic>
#include <thread>

#include "LocalServer.h"
#include "SearchRun.h"
#include "TempHome.h"
#include "app/Session.h"
#include "net/CurlSetup.h"
#include "search/QueryCatalogue.h"

namespace {

using K = SettingKey;

class SearchEndTest : public ::testing::Test {
  protected:
    void SetUp() override {
        // A page that lists one document, and one that trickles a byte at a time for far too long.
        server.Http().Get("/list", [](const httplib::Request&, httplib::Response& res) {
            res.set_content("<html><body><a href=\"/files/report.doc\">report</a></body></html>", "text/html");
        });
        server.Http().Get("/slow", [this](const httplib::Request&, httplib::Response& res) {
            res.set_chunked_content_provider("text/html", [this](size_t offset, httplib::DataSink& sink) {
                trickling.store(true);
                std::this_thread::sleep_for(std::chrono::milliseconds(200));
                return !release.load() && offset < 1000 && sink.write("<", 1);
            });
        });
        server.Start();
        home.Write("config/Setting.ini", "[FILE_FREE_DOC]\nSearchTryCount=1\n");
        session.Start();
        Options& options = session.GetOptions();
        UntickEverySetting(options);
        options.SetCommittedInt(K::FormatWord, 1);
        options.SetCommittedInt(K::SearchThreads, 2);
        session.Search().SetDelayCap(0);
        session.Keywords().AddKeyword("k");
    }
    void TearDown() override {
        release.store(true);
        CurlSetup::ReleaseThreadHandle();
    }
    void AskOnly(const QString& path) {
        session.GetOptions().SetCommittedInt(K::EngineOther, 1);
        session.GetOptions().SetLiveText(K::OtherEngineAddress, server.Url(path));
    }

    std::atomic<bool> trickling{false};
    std::atomic<bool> release{false};
    LocalServer server;
    TempHome home;
    Session session{home.Path()};
};

TEST_F(SearchEndTest, TricklingPagesEndAtTheTimeLimitAndStopAbandonsThem) {
    AskOnly("/slow");
    session.Search().SetFetchTimeLimit(std::chrono::milliseconds(1000));
    ASSERT_TRUE(RunSearchToEnd(session));  // each try ends at the limit, not after 200 s of bytes
    EXPECT_TRUE(session.Results().Snapshot().isEmpty());

    session.Search().ClearSearchRecords();
    session.Search().SetFetchTimeLimit(std::chrono::minutes(10));
    trickling.store(false);
    ASSERT_TRUE(session.Search().StartSearch());
    QTimer stopper;
    QObject::connect(&stopper, &QTimer::timeout, [&] {
        if (trickling.load()) session.Search().StopSearch();
    });
    stopper.start(50);
    EXPECT_TRUE(RunSearchToEnd(session, false));  // Stop ends the transfer under way
}

TEST_F(SearchEndTest, TheSummaryCountsTheDeepSearchsRows) {
    AskOnly("/list");
    QStringList summaries;
    QObject::connect(&session, &Session::searchSummary, [&](const QString& text) { summaries.append(text); });
    ASSERT_TRUE(RunSearchToEnd(session));
    ASSERT_EQ(session.Results().Size(), 1);
    EXPECT_EQ(session.Search().Ledger().DeepRows(), 1);
    ASSERT_EQ(summaries.size(), 1);
    EXPECT_TRUE(summaries[0].contains("1 rows added")) << summaries[0].toStdString();
}

TEST_F(SearchEndTest, WaitingPagesAreMeasuredAgainstTheOptionsAndDroppedOnRequest) {
    Options& options = session.GetOptions();
    for (K box : {K::EngineBaidu, K::EngineBing, K::FormatPdf, K::FormatPpt}) options.SetCommittedInt(box, 1);
    SearchJob& job = session.Search();
    // The pages a stopped search left waiting, as its build queued them, and one the deep search queued.
    QueryCatalogue(options, job.Catalogue()).BuildQueue({"k"}, options.TimeRange(), [&](const QString& url) {
        job.Queue().QueueUrl(url, 0);
    });
    job.Queue().QueueUrl(server.Url("/list"), 0);
    const int waiting = job.PendingPageCount();
    EXPECT_EQ(waiting, job.Queue().Waiting() - 1);
    EXPECT_FALSE(job.PendingOptionsDiffer(options));
    options.SetCommittedInt(K::EngineGoogle, 1);  // more engines: the waiting pages still belong
    EXPECT_FALSE(job.PendingOptionsDiffer(options));
    for (K box : {K::EngineBaidu, K::FormatPpt, K::FormatWord}) {
        options.SetCommittedInt(box, 0);
        EXPECT_TRUE(job.PendingOptionsDiffer(options));
        options.SetCommittedInt(box, 1);
    }
    session.Keywords().ClearKeywords();
    session.Keywords().AddKeyword("other");
    EXPECT_TRUE(job.PendingOptionsDiffer(options));

    const QString page = job.Queue().WaitingUrls().value(0);
    EXPECT_EQ(job.DropPendingPages(), waiting + 1);
    EXPECT_EQ(job.PendingPageCount(), 0);
    EXPECT_FALSE(job.PendingOptionsDiffer(options));
    EXPECT_TRUE(job.Queue().QueueUrl(page, 0));  // dropped, not seen: a new search asks for it again
}

}  // namespace
