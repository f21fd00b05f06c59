#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QSet>
#include <QTimer>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

#include "ChineseTranslation.h"
#include "EngineWeb.h"
#include "SearchRun.h"
#include "TempHome.h"
#include "app/Session.h"
#include "net/CurlSetup.h"

namespace {

using K = SettingKey;

class SearchJobTest : public ::testing::Test {
  protected:
    void SetUp() override {
        session.Start();
        Options& options = session.GetOptions();
        UntickEverySetting(options);
        options.SetCommittedInt(K::FormatWord, 1);
        options.SetCommittedInt(K::SearchThreads, 20);
        options.SetCommittedInt(K::ScopeWordsOnly, 1);
        session.Search().SetDelayCap(0);  // the engines' politeness delays would only make the runs long
        session.Keywords().AddKeyword("k");
    }
    void TearDown() override { CurlSetup::ReleaseThreadHandle(); }

    bool RunSearch(bool start = true) { return RunSearchToEnd(session, start); }
    EngineTally Tally(const QString& engine) { return TallyOf(session, engine); }
    QSet<QString> Links() { return LinksOf(session); }

    EngineWeb web;
    TempHome home;
    Session session{home.Path()};
};

TEST_F(SearchJobTest, EveryParserThroughTheDispatchTable) {
    if (!web.HttpsReady()) GTEST_SKIP() << "openssl could not make the test certificates";
    Options& options = session.GetOptions();
    for (K engine : {K::EngineGoogle, K::EngineGoogleScholar, K::EngineBaidu, K::EngineBing,
                     K::EngineBingAcademic, K::EngineSogou, K::EngineYoudao, K::EngineYahoo, K::EngineAol,
                     K::EngineZhongsou, K::EngineOsun, K::Engine63Da, K::FormatPdf, K::PdfSiteGeni,
                     K::PdfSiteSearchOrg, K::PdfSiteQueen, K::EngineOther}) {
        options.SetCommittedInt(engine, 1);
    }
    options.SetLiveText(K::OtherEngineAddress, "http://www.soso.com/q?w=filetype:doc+k");
    options.SetLiveText(K::OtherEngineScopeWords, "no-such-scope-word");
    ASSERT_TRUE(RunSearch());
    const QSet<QString> links = Links();
    for (const char* name : {"google", "scholar", "bing", "sogou", "youdao", "yahoo", "aol", "zhongsou",
                             "osun", "da63", "soso", "pdfsites"}) {
        EXPECT_TRUE(links.contains(QStringLiteral("http://docs.test/%1.doc").arg(name))) << name;
    }
    EXPECT_TRUE(links.contains("http://www.baidu.com/link?url=docs.test/baidu.doc"));
    EXPECT_TRUE(links.contains("http://docs.test/xueshu"));  // typed from the block: [DOC]
    // The 63da document page's own link is relative, so the deep search reads it against that page.
    EXPECT_TRUE(links.contains("http://www.63da.com/DOC/docs.test/da63.doc"));
    EXPECT_EQ(session.Results().Size(), 15);
    EXPECT_EQ(session.Status().Current(), QString("The search has finished  "));
    EXPECT_TRUE(home.Read("run.log").contains("The search has finished"));

    // The same search again queues nothing new: the threads start, idle and end.
    ASSERT_TRUE(RunSearch());
    EXPECT_EQ(session.Results().Size(), 15);
}

TEST_F(SearchJobTest, FailedFetchesAreRetriedThenDropped) {
    home.Write("config/Setting.ini", "[FILE_FREE_DOC]\nSearchTryCount=3\n");
    Options& options = session.GetOptions();
    options.SetCommittedInt(K::EngineOther, 1);
    options.SetLiveText(K::OtherEngineAddress, "http://127.0.0.1:1/unreachable");
    options.SetCommittedInt(K::SearchThreads, 1);
    ASSERT_TRUE(RunSearch());
    const QByteArray log = home.Read("run.log");
    EXPECT_EQ(log.count("Could not get the data: http://127.0.0.1:1/unreachable"), 4);
    EXPECT_EQ(log.count("\ngetHtmlPageCode\n"), 4);
}

// The core speaks English until a translation is installed, and then the window's Chinese, in the
// status line and in the run log alike, and English again once it is removed.
TEST_F(SearchJobTest, MessagesFollowTheInstalledTranslation) {
    home.Write("config/Setting.ini", "[FILE_FREE_DOC]\nSearchTryCount=1\n");
    Options& options = session.GetOptions();
    options.SetCommittedInt(K::EngineOther, 1);
    options.SetLiveText(K::OtherEngineAddress, "http://127.0.0.1:1/unreachable");
    options.SetCommittedInt(K::SearchThreads, 1);
    const QString unreachable = QStringLiteral(" http://127.0.0.1:1/unreachable \n");

    ASSERT_TRUE(RunSearch());
    EXPECT_EQ(session.Status().Current(), "The search has finished  ");
    EXPECT_EQ(session.ListCounters(), "List:0 Downloaded:0 Threads:0");
    QString log = QString::fromUtf8(home.Read("run.log"));
    EXPECT_TRUE(log.contains("Could not get the data:" + unreachable)) << log.toStdString();
    EXPECT_TRUE(log.contains("showmsg\nThe search has finished  \n"));

    {
        const ChineseTranslation chinese;
        ASSERT_TRUE(chinese.Loaded());
        session.Search().ClearSearchRecords();  // the address is fetched, and fails, once more
        ASSERT_TRUE(RunSearch());
        EXPECT_EQ(session.Status().Current(), QString::fromUtf8("搜索已全部结束  "));
        EXPECT_EQ(session.ListCounters(), QString::fromUtf8("列表:0 已下:0 线程:0"));
        EXPECT_EQ(session.SearchCounters(), QString::fromUtf8("所有:1 需查:0"));
        log = QString::fromUtf8(home.Read("run.log"));
        EXPECT_TRUE(log.contains(QString::fromUtf8("无法得到数据信息：") + unreachable)) << log.toStdString();
        EXPECT_TRUE(log.contains(QString::fromUtf8("showmsg\n搜索已全部结束  \n")));
    }

    ASSERT_TRUE(RunSearch());
    EXPECT_EQ(session.Status().Current(), "The search has finished  ");
}

TEST_F(SearchJobTest, DeepSearchFollowsScopeUntilTheLimit) {
    Options& options = session.GetOptions();
    options.SetCommittedInt(K::EngineOther, 1);
    options.SetLiveText(K::OtherEngineAddress, "http://site.test/gen/0");
    options.SetLiveText(K::OtherEngineScopeWords, "site.test/gen");
    options.SetLiveInt(K::DeepSearchQueueLimit, 200);
    options.SetCommittedInt(K::SearchThreads, 4);
    // The window checks the limit every 1.5 s; checking more often keeps this test short.
    QTimer limit;
    QObject::connect(&limit, &QTimer::timeout, &session, [this] { session.Search().CheckDeepSearchLimit(); });
    limit.start(20);
    ASSERT_TRUE(RunSearch());
    EXPECT_TRUE(session.Search().DeepSearchStopped());
    // Every analysed page gave its document; the endless site was not followed for ever.
    EXPECT_GT(session.Results().Size(), 10);
    EXPECT_LT(web.GeneratorHits().load(), 100000);
    EXPECT_EQ(session.Search().Queue().Waiting(), 0);
}

TEST_F(SearchJobTest, StopEndsEveryThread) {
    Options& options = session.GetOptions();
    options.SetCommittedInt(K::EngineBaidu, 1);
    options.SetCommittedInt(K::SearchPauseSeconds, 1);  // slow: one fetch a second
    options.SetCommittedInt(K::SearchThreads, 5);
    ASSERT_TRUE(session.Search().StartSearch());
    QTimer::singleShot(1500, &session, [this] { session.Search().StopSearch(); });
    ASSERT_TRUE(RunSearch(false));
    EXPECT_GT(session.Search().Queue().Waiting(), 100);  // what was queued stays queued
    EXPECT_EQ(session.Search().RunningThreads(), 0);
}

TEST_F(SearchJobTest, SecondPressCancelsTheBuild) {
    Options& options = session.GetOptions();
    options.SetCommittedInt(K::EngineBaidu, 1);
    for (int i = 0; i < 3000; ++i) session.Keywords().AddKeyword(QStringLiteral("keyword%1").arg(i));
    ASSERT_TRUE(session.Search().StartSearch());
    EXPECT_FALSE(session.Search().StartSearch());  // only asks the running build to stop
    ASSERT_TRUE(RunSearch(false));
    EXPECT_LT(session.Search().Queue().SeenCount(), 3001 * 130);
    EXPECT_EQ(session.Results().Size(), 0);
}

TEST_F(SearchJobTest, SizesAndTheRegistryDecideAdmission) {
    Options& options = session.GetOptions();
    options.SetCommittedInt(K::EngineOther, 1);
    options.SetLiveText(K::OtherEngineAddress, "http://www.pdfgeni.com/book/x-pdf.html");
    options.SetLiveInt(K::ProbeDocumentSize, 1);
    options.SetLiveText(K::MinSizeKb, "1");
    options.SetLiveText(K::MaxSizeKb, "2");
    session.Registry().InsertDocLink("http://docs.test/pdfsites.doc");
    options.SetCommittedInt(K::SkipDownloaded, 1);
    // pdfsites.doc is 4 KiB: outside the range before the registry is even asked.
    ASSERT_TRUE(RunSearch());
    EXPECT_EQ(session.Results().Size(), 0);

    options.SetLiveText(K::MaxSizeKb, "8");
    session.Search().ClearSearchRecords();
    ASSERT_TRUE(RunSearch());
    EXPECT_EQ(session.Results().Size(), 0);  // in range now, but already downloaded
    EXPECT_TRUE(home.Read("run.log").contains("http://docs.test/pdfsites.doc already exists"));

    options.SetCommittedInt(K::SkipDownloaded, 0);
    session.Search().ClearSearchRecords();
    session.Results().ClearRows();
    ASSERT_TRUE(RunSearch());
    ASSERT_EQ(session.Results().Size(), 1);
    EXPECT_EQ(session.Results().Snapshot()[0].size, "4.000");
}

TEST_F(SearchJobTest, ABlockingEngineIsSuspendedWhileTheOthersFinish) {
    if (!web.HttpsReady()) GTEST_SKIP() << "openssl could not make the test certificates";
    web.Block("html.duckduckgo.com", 202,
              "<html><body><div class=\"anomaly-modal\">Unfortunately, bots use DuckDuckGo "
              "too.</div></body></html>");
    Options& options = session.GetOptions();
    for (K engine : {K::EngineGoogle, K::EngineBing, K::EngineDuckDuckGo}) options.SetCommittedInt(engine, 1);
    // One request at a time per engine: the first block page is the only one the engine sees.
    session.Search().SetDelayCap(20);
    QStringList summaries;
    QObject::connect(&session, &Session::searchSummary, [&](const QString& text) { summaries.append(text); });
    ASSERT_TRUE(RunSearch());

    EXPECT_EQ(web.Arrivals("html.duckduckgo.com").size(), 1u);
    const QSet<QString> links = Links();
    EXPECT_TRUE(links.contains("http://docs.test/google.doc"));
    EXPECT_TRUE(links.contains("http://docs.test/bing.doc"));
    const EngineTally blocked = Tally("duckduckgo");
    EXPECT_TRUE(blocked.blocked);
    EXPECT_EQ(blocked.reason, "bot check (CAPTCHA)");
    EXPECT_EQ(blocked.pagesFetched, 1);
    EXPECT_GT(blocked.pagesQueued, 1);
    EXPECT_EQ(blocked.pagesSkipped, blocked.pagesQueued - 1);
    const EngineTally bing = Tally("bing");
    EXPECT_FALSE(bing.blocked);
    EXPECT_EQ(bing.pagesFetched, bing.pagesQueued);
    EXPECT_EQ(bing.hits, bing.pagesFetched);  // the stand-in's page holds one hit
    EXPECT_EQ(bing.rowsAdded, 1);             // and it is always the same link
    EXPECT_FALSE(session.Search().Ledger().AllBlocked());
    const QString log = QString::fromUtf8(home.Read("run.log"));
    EXPECT_TRUE(log.contains(QStringLiteral("DuckDuckGo blocked the search (bot check (CAPTCHA)):")));
    EXPECT_TRUE(log.contains(QStringLiteral("%1 result pages skipped").arg(blocked.pagesSkipped)));
    EXPECT_EQ(session.Status().Current(), QString("The search has finished  "));
    // One summary of the whole search, also in the run log.
    int rows = 0;
    for (const EngineTally& tally : session.Search().Ledger().Snapshot()) rows += tally.rowsAdded;
    ASSERT_EQ(summaries.size(), 1);
    EXPECT_EQ(summaries[0], QStringLiteral("Search ended: %1 sources asked, 1 blocked, %2 rows added. "
                                           "Blocked: DuckDuckGo (bot check (CAPTCHA)).")
                                .arg(session.Search().Ledger().Snapshot().size())
                                .arg(rows));
    EXPECT_TRUE(log.contains("SearchSummary\n" + summaries[0]));

    // Pages that were skipped were never asked for: the next search asks again, and only for them.
    ASSERT_TRUE(RunSearch());
    EXPECT_EQ(web.Arrivals("html.duckduckgo.com").size(), 2u);
    EXPECT_EQ(session.Search().Ledger().Snapshot().size(), 1);
    EXPECT_TRUE(session.Search().Ledger().AllBlocked());
}

TEST_F(SearchJobTest, ThreadsEndWhenEveryOneWaitsOnTheEmptyQueue) {
    // The second page is answered only when the test lets it go. Until then the other threads have run
    // dry but must stay, since that page may queue more; once it has, they serve what it queued and
    // the job ends as soon as nothing is left.
    LocalServer site;
    std::mutex lock;
    std::condition_variable changed;
    bool held = false, released = false;
    site.Http().Get("/start", [](const httplib::Request&, httplib::Response& res) {
        res.set_content("<a href=\"/held\">on</a><a href=\"/files/start.doc\">doc</a>", "text/html");
    });
    site.Http().Get("/held", [&](const httplib::Request&, httplib::Response& res) {
        std::unique_lock hold(lock);
        held = true;
        changed.notify_all();
        changed.wait(hold, [&] { return released; });
        res.set_content("<a href=\"/p/1\">1</a><a href=\"/p/2\">2</a><a href=\"/p/3\">3</a>", "text/html");
    });
    site.Http().Get(R"(/p/(\d))", [](const httplib::Request& req, httplib::Response& res) {
        res.set_content("<a href=\"/files/p" + req.matches[1].str() + ".doc\">doc</a>", "text/html");
    });
    site.Start();
    const auto release = [&] {
        std::lock_guard hold(lock);
        released = true;
        changed.notify_all();
    };
    struct Release {
        std::function<void()> go;
        ~Release() { go(); }  // a failed assertion must not leave the server's thread held
    } releaseAtEnd{release};

    Options& options = session.GetOptions();
    options.SetCommittedInt(K::EngineOther, 1);
    options.SetLiveText(K::OtherEngineAddress, site.Url("/start"));
    options.SetLiveText(K::OtherEngineScopeWords, "127.0.0.1");
    options.SetCommittedInt(K::SearchThreads, 4);
    ASSERT_TRUE(session.Search().StartSearch());
    // Not a time limit on the job: only a way out should the threads never reach that state.
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    const auto heldPage = [&] {
        std::lock_guard hold(lock);
        return held;
    };
    while ((!heldPage() || session.Search().WaitingThreads() < 3) &&
           std::chrono::steady_clock::now() < giveUp) {
        QCoreApplication::processEvents();
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    ASSERT_TRUE(heldPage());
    ASSERT_EQ(session.Search().WaitingThreads(), 3);
    EXPECT_EQ(session.Search().RunningThreads(), 4);

    release();
    ASSERT_TRUE(RunSearch(false));
    const QSet<QString> links = Links();
    for (const char* doc : {"start", "p1", "p2", "p3"}) {
        EXPECT_TRUE(links.contains(site.Url(QStringLiteral("/files/%1.doc").arg(doc)))) << doc;
    }
    EXPECT_EQ(session.Search().Queue().Waiting(), 0);
    EXPECT_EQ(session.Search().WaitingThreads(), 0);
    EXPECT_EQ(session.Status().Current(), QString("The search has finished  "));
}

TEST_F(SearchJobTest, PolitenessDelaySpacesAnEnginesRequestsAcrossThreads) {
    Options& options = session.GetOptions();
    options.SetCommittedInt(K::EngineBing, 1);
    options.SetCommittedInt(K::SearchThreads, 10);
    constexpr int kDelayMs = 50;
    session.Search().SetDelayCap(kDelayMs);
    ASSERT_TRUE(RunSearch());
    const auto arrivals = web.Arrivals("cn.bing.com");
    ASSERT_EQ(int(arrivals.size()), Tally("bing").pagesQueued);
    ASSERT_GT(arrivals.size(), 5u);
    for (size_t i = 1; i < arrivals.size(); ++i) {
        // The delay is a lower bound on the gap between two requests the server sees.
        EXPECT_GE(arrivals[i] - arrivals[i - 1], std::chrono::milliseconds(kDelayMs)) << i;
    }
}

}  // namespace

TEST_F(SearchJobTest, TheDeepSearchKeepsOutOfWhatRobotsTxtDisallows) {
    Options& options = session.GetOptions();
    options.SetCommittedInt(K::EngineOther, 1);
    options.SetLiveText(K::OtherEngineAddress, "http://crawl.test/start");
    options.SetLiveText(K::OtherEngineScopeWords, "crawl.test/");
    options.SetCommittedInt(K::SearchThreads, 4);
    options.SetLiveInt(K::ObeyRobotsTxt, 1);
    ASSERT_TRUE(RunSearch());
    EXPECT_EQ(Links(), QSet<QString>({"http://crawl.test/files/a.doc", "http://crawl.test/files/b.doc"}));
    const std::vector<std::string> paths = web.Paths("crawl.test");
    EXPECT_EQ(std::count(paths.begin(), paths.end(), "/robots.txt"), 1);  // once for the whole job
    for (const std::string& path : paths) EXPECT_NE(path.rfind("/private/", 0), 0u) << path;

    // Switched off, the site is searched as before.
    options.SetLiveInt(K::ObeyRobotsTxt, 0);
    session.Search().ClearSearchRecords();
    session.Results().ClearRows();
    ASSERT_TRUE(RunSearch());
    EXPECT_EQ(Links(),
              QSet<QString>({"http://crawl.test/files/a.doc", "http://crawl.test/files/b.doc",
                             "http://crawl.test/files/c.doc", "http://crawl.test/files/secret.doc"}));
    const std::vector<std::string> again = web.Paths("crawl.test");
    EXPECT_EQ(std::count(again.begin(), again.end(), "/robots.txt"), 1);
}

TEST_F(SearchJobTest, TheDeepSearchReadsEachSitemapOfASiteOnce) {
    Options& options = session.GetOptions();
    options.SetCommittedInt(K::EngineOther, 1);
    options.SetLiveText(K::OtherEngineAddress, "http://maps.test/start");
    options.SetLiveText(K::OtherEngineScopeWords, "maps.test/");
    options.SetCommittedInt(K::SearchThreads, 4);
    options.SetLiveInt(K::ObeyRobotsTxt, 1);
    ASSERT_TRUE(RunSearch());
    EXPECT_EQ(Links(), QSet<QString>({"http://maps.test/files/m1.doc", "http://maps.test/files/m2.doc",
                                      "http://maps.test/files/m3.doc"}));
    // Robots' Sitemap: line, the indexes that name each other, and /sitemap.xml: each read once.
    const std::vector<std::string> paths = web.Paths("maps.test");
    for (const char* path : {"/robots.txt", "/index-a.xml", "/index-b.xml", "/pages.xml", "/sitemap.xml"})
        EXPECT_EQ(std::count(paths.begin(), paths.end(), path), 1) << path;
}
