#include <gtest/gtest.h>

#include <QEventLoop>
#include <QSet>
#include <QTimer>
#include <chrono>

#include "EngineWeb.h"
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
        for (const SettingSpec& spec : SettingsTable::All()) {
            if (spec.kind == SettingKind::Check) options.SetCommittedInt(spec.id, 0);
        }
        options.SetCommittedInt(K::DocWord, 1);
        options.SetCommittedInt(K::SearchMaxThread, 20);
        options.SetCommittedInt(K::MatchUrlKey, 1);
        session.Search().SetIdleLimit(300);
        session.Search().SetDelayCap(0);  // the engines' politeness delays would only make the runs long
        session.Keywords().AddKeyword("k");
    }
    void TearDown() override { CurlSetup::ReleaseThreadHandle(); }

    // Runs the event loop until the job has reaped its last thread (or a minute has passed).
    bool RunSearch(bool start = true) {
        QEventLoop loop;
        QObject::connect(&session.Search(), &SearchJob::searchFinished, &loop, &QEventLoop::quit);
        QTimer guard;
        guard.setSingleShot(true);
        QObject::connect(&guard, &QTimer::timeout, &loop, &QEventLoop::quit);
        guard.start(60000);
        if (start && !session.Search().StartSearch()) return false;
        loop.exec();
        return guard.isActive() && !session.Search().IsBusy();
    }

    EngineTally Tally(const QString& engine) {
        for (const EngineTally& tally : session.Search().Ledger().Snapshot()) {
            if (tally.engine == engine) return tally;
        }
        return {};
    }

    QSet<QString> Links() {
        QSet<QString> links;
        for (const ResultEntry& entry : session.Results().Snapshot()) links.insert(entry.link);
        return links;
    }

    EngineWeb web;
    TempHome home;
    Session session{home.Path()};
};

TEST_F(SearchJobTest, EveryParserThroughTheDispatchTable) {
    if (!web.HttpsReady()) GTEST_SKIP() << "openssl could not make the test certificates";
    Options& options = session.GetOptions();
    for (K engine : {K::GoogleSearch, K::GoogleScholar, K::BaiduSearch, K::CheckBind, K::BingXueshu,
                     K::SougouSearch, K::CheckYoudao, K::CheckYahoo, K::CheckAol, K::GoogleZhongSou,
                     K::OsunSearch, K::Search63Da, K::DocPdf, K::EngineOtherSearch}) {
        options.SetCommittedInt(engine, 1);
    }
    options.SetLiveText(K::EEngineOther, "http://www.soso.com/q?w=filetype:doc+k");
    options.SetLiveText(K::FindFilter, "no-such-scope-word");
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
    EXPECT_EQ(session.Status().Current(), QString::fromUtf8("搜索已全部结束  "));
    EXPECT_TRUE(home.Read("run.log").contains(QString::fromUtf8("搜索已全部结束").toUtf8()));

    // The same search again queues nothing new: the threads start, idle and end.
    ASSERT_TRUE(RunSearch());
    EXPECT_EQ(session.Results().Size(), 15);
}

TEST_F(SearchJobTest, FailedFetchesAreRetriedThenDropped) {
    home.Write("config/Setting.ini", "[FILE_FREE_DOC]\nSearchTryCount=3\n");
    Options& options = session.GetOptions();
    options.SetCommittedInt(K::EngineOtherSearch, 1);
    options.SetLiveText(K::EEngineOther, "http://127.0.0.1:1/unreachable");
    options.SetCommittedInt(K::SearchMaxThread, 1);
    ASSERT_TRUE(RunSearch());
    const QByteArray log = home.Read("run.log");
    EXPECT_EQ(log.count(QString::fromUtf8("无法得到数据信息： http://127.0.0.1:1/unreachable").toUtf8()), 4);
    EXPECT_EQ(log.count("\ngetHtmlPageCode\n"), 4);
}

TEST_F(SearchJobTest, DeepSearchFollowsScopeUntilTheLimit) {
    Options& options = session.GetOptions();
    options.SetCommittedInt(K::EngineOtherSearch, 1);
    options.SetLiveText(K::EEngineOther, "http://site.test/gen/0");
    options.SetLiveText(K::FindFilter, "site.test/gen");
    options.SetLiveInt(K::URLsCount, 200);
    options.SetCommittedInt(K::SearchMaxThread, 4);
    session.Search().SetIdleLimit(2000);
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
    options.SetCommittedInt(K::BaiduSearch, 1);
    options.SetCommittedInt(K::SearchInterval, 1);  // slow: one fetch a second
    options.SetCommittedInt(K::SearchMaxThread, 5);
    session.Search().SetIdleLimit(1000000);  // only Stop can end them
    ASSERT_TRUE(session.Search().StartSearch());
    QTimer::singleShot(1500, &session, [this] { session.Search().StopSearch(); });
    ASSERT_TRUE(RunSearch(false));
    EXPECT_GT(session.Search().Queue().Waiting(), 100);  // what was queued stays queued
    EXPECT_EQ(session.Search().RunningThreads(), 0);
}

TEST_F(SearchJobTest, SecondPressCancelsTheBuild) {
    Options& options = session.GetOptions();
    options.SetCommittedInt(K::BaiduSearch, 1);
    for (int i = 0; i < 3000; ++i) session.Keywords().AddKeyword(QStringLiteral("keyword%1").arg(i));
    ASSERT_TRUE(session.Search().StartSearch());
    EXPECT_FALSE(session.Search().StartSearch());  // only asks the running build to stop
    ASSERT_TRUE(RunSearch(false));
    EXPECT_LT(session.Search().Queue().SeenCount(), 3001 * 130);
    EXPECT_EQ(session.Results().Size(), 0);
}

TEST_F(SearchJobTest, SizesAndTheRegistryDecideAdmission) {
    Options& options = session.GetOptions();
    options.SetCommittedInt(K::EngineOtherSearch, 1);
    options.SetLiveText(K::EEngineOther, "http://www.pdfgeni.com/book/x-pdf.html");
    options.SetLiveInt(K::CulFileSize, 1);
    options.SetLiveText(K::SizeMin, "1");
    options.SetLiveText(K::SizeMax, "2");
    session.Registry().InsertDocLink("http://docs.test/pdfsites.doc");
    options.SetCommittedInt(K::IgoreGarnered, 1);
    // pdfsites.doc is 4 KiB: outside the range before the registry is even asked.
    ASSERT_TRUE(RunSearch());
    EXPECT_EQ(session.Results().Size(), 0);

    options.SetLiveText(K::SizeMax, "8");
    session.Search().ClearSearchRecords();
    ASSERT_TRUE(RunSearch());
    EXPECT_EQ(session.Results().Size(), 0);  // in range now, but already downloaded
    EXPECT_TRUE(
        home.Read("run.log").contains(QString::fromUtf8("http://docs.test/pdfsites.doc 已经存在").toUtf8()));

    options.SetCommittedInt(K::IgoreGarnered, 0);
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
    for (K engine : {K::GoogleSearch, K::CheckBind, K::DuckDuckGoSearch}) options.SetCommittedInt(engine, 1);
    // One request at a time per engine: the first block page is the only one the engine sees.
    session.Search().SetDelayCap(20);
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
    EXPECT_EQ(session.Status().Current(), QString::fromUtf8("搜索已全部结束  "));

    // Pages that were skipped were never asked for: the next search asks again, and only for them.
    ASSERT_TRUE(RunSearch());
    EXPECT_EQ(web.Arrivals("html.duckduckgo.com").size(), 2u);
    EXPECT_EQ(session.Search().Ledger().Snapshot().size(), 1);
    EXPECT_TRUE(session.Search().Ledger().AllBlocked());
}

TEST_F(SearchJobTest, PolitenessDelaySpacesAnEnginesRequestsAcrossThreads) {
    Options& options = session.GetOptions();
    options.SetCommittedInt(K::CheckBind, 1);
    options.SetCommittedInt(K::SearchMaxThread, 10);
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
