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
        server.Http().Get("/cdx/search/cdx", [this](const httplib::Request&, httplib::Response& res) {
            if (archiveStatus == 0) {
                res.set_chunked_content_provider("text/plain", [this](size_t offset, httplib::DataSink& sink) {
                    trickling.store(true);
                    std::this_thread::sleep_for(std::chrono::milliseconds(200));
                    return !release.load() && offset < 1000 && sink.write("k", 1);
                });
                return;
            }
            res.status = archiveStatus;
            res.set_content(archiveBody, "text/plain");
        });
        server.Start();
        home.Write("config/Setting.ini", "[FILE_FREE_DOC]\nSearchTryCount=1\n");
        home.Write("config/engines.json",
                   QStringLiteral(R"([{"id":"wayback","name":"Wayback","setting":"WaybackSearch","kind":"wayback-cdx",)"
                                  R"("indexBase":"%1","hosts":["127.0.0.1"],"layouts":[],"pageLimit":5,"delayMs":0}])")
                       .arg(server.Url(""))
                       .toUtf8());
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

    // A new search without a time limit, stopped once a trickling answer has begun: true when it ends.
    bool StopOnceTrickling() {
        session.Search().ClearSearchRecords();
        session.Search().SetFetchTimeLimit(std::chrono::minutes(10));
        trickling.store(false);
        if (!session.Search().StartSearch()) return false;
        QTimer stopper;
        QObject::connect(&stopper, &QTimer::timeout, [&] {
            if (trickling.load()) session.Search().StopSearch();
        });
        stopper.start(50);
        return RunSearchToEnd(session, false);
    }
    void AskTheArchive(int status, const QByteArray& body) {
        archiveStatus = status;
        archiveBody = body.toStdString();
        session.GetOptions().SetCommittedInt(K::FormatPdf, 1);
        session.GetOptions().SetCommittedInt(K::EngineWayback, 1);
        session.GetOptions().SetLiveText(K::ArchiveSites, "example.org");
    }

    int archiveStatus = 200;
    std::string archiveBody;
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

    EXPECT_TRUE(StopOnceTrickling());  // Stop ends the transfer under way
}

TEST_F(SearchEndTest, AnArchiveIndexKeepsTheFetchLimitsAndItsErrorsHaveReasons) {
    // A trickling index ends at the time limit, and Stop abandons it.
    AskTheArchive(0, {});
    session.Search().SetFetchTimeLimit(std::chrono::milliseconds(1000));
    ASSERT_TRUE(RunSearchToEnd(session));
    EXPECT_TRUE(session.Search().Ledger().NoneAnswered());
    EXPECT_TRUE(StopOnceTrickling());

    // An error answer is a failed fetch with its reason, not an answer; rows stay within the site.
    const QByteArray good =
        "k 20200101000000 http://example.org/k1.pdf application/pdf 200 D1 9\n"
        "k 20200101000000 http://evil.test/k2.pdf application/pdf 200 D2 9\n"
        "k 20200101000000 http://example.org/k3.pdf application/pdf 200 D3 9 extra\n";
    const struct {
        int status;
        QByteArray body;
        const char* reason;
        int rows;
    } answers[] = {{200, "<!DOCTYPE html><html><body>Internal error</body></html>", "HTML page", 0},
                   {500, "oops", "HTTP 500", 0},
                   {200, good, "", 1}};
    for (const auto& answer : answers) {
        session.Search().ClearSearchRecords();
        session.Results().ClearRows();
        AskTheArchive(answer.status, answer.body);
        ASSERT_TRUE(RunSearchToEnd(session));
        const EngineTally tally = TallyOf(session, "wayback");
        EXPECT_EQ(session.Search().Ledger().NoneAnswered(), answer.rows == 0) << answer.reason;
        EXPECT_TRUE(tally.reason.contains(answer.reason)) << tally.reason.toStdString();
        EXPECT_EQ(session.Results().Size(), answer.rows);
    }
    EXPECT_TRUE(home.Read("run.log").contains("Wayback: 2 lines of the index's answers were skipped"));
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
