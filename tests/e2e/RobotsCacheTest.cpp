#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "LocalServer.h"
#include "TempHome.h"
#include "lists/RunLog.h"
#include "net/CurlSetup.h"
#include "search/RobotsCache.h"

TEST(RobotsCache, EachSiteIsReadOnceWhateverItAnswers) {
    std::atomic<int> asked{0};
    LocalServer rules;
    rules.Http().Get("/robots.txt", [&](const httplib::Request&, httplib::Response& res) {
        asked.fetch_add(1);
        std::this_thread::sleep_for(std::chrono::milliseconds(100));  // the others arrive meanwhile
        res.set_content("User-agent: *\nDisallow: /no/\n", "text/plain");
    });
    rules.Start();
    std::atomic<int> failing{0};
    LocalServer broken;
    broken.Http().Get("/robots.txt", [&](const httplib::Request&, httplib::Response& res) {
        failing.fetch_add(1);
        res.status = 503;
    });
    broken.Start();
    LocalServer missing;
    missing.Http().Get("/robots.txt",
                       [](const httplib::Request&, httplib::Response& res) { res.status = 404; });
    missing.Start();

    TempHome home;
    RunLog log(home.Path("run.log"));
    RobotsCache cache(&log);
    std::vector<std::thread> threads;
    std::atomic<int> refused{0};
    for (int i = 0; i < 8; ++i) {
        threads.emplace_back([&, i] {
            refused += cache.Allows(rules.Url(QStringLiteral("/no/%1").arg(i))) ? 0 : 1;
            refused += cache.Allows(rules.Url(QStringLiteral("/yes/%1?x=/no/").arg(i))) ? 0 : 1;
            refused += cache.Allows(broken.Url("/no/page")) ? 0 : 1;
            refused += cache.Allows(missing.Url("/no/page")) ? 0 : 1;
        });
    }
    for (std::thread& thread : threads) thread.join();
    EXPECT_EQ(refused.load(), 8);
    EXPECT_EQ(asked.load(), 1);
    EXPECT_EQ(failing.load(), 1);
    EXPECT_EQ(cache.SitesRead(), 3);
    // The fault is told once; a plain 404 is no news.
    const QByteArray said = home.Read("run.log");
    EXPECT_EQ(said.count("robots.txt answered 503"), 1);
    EXPECT_EQ(said.count("answered 404"), 0);
    // Not http(s), or no host: not ours to judge, and nothing is fetched.
    EXPECT_TRUE(cache.Allows("ftp://example.test/no/"));
    EXPECT_TRUE(cache.Allows("not an address"));
    EXPECT_EQ(cache.SitesRead(), 3);

    // A new job reads them again.
    cache.Clear();
    EXPECT_FALSE(cache.Allows(rules.Url("/no/again")));
    EXPECT_EQ(asked.load(), 2);
    CurlSetup::ReleaseThreadHandle();  // the servers need not wait out our kept-alive connection
}
