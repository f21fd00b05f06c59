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

// A file that goes on past what is read is still obeyed for what was read; a slow one ends at the limit.
TEST(RobotsCache, LongFilesAreObeyedAndSlowOnesEndAtTheLimit) {
    std::atomic<bool> release{false};
    LocalServer site;
    site.Http().Get("/robots.txt", [&](const httplib::Request& req, httplib::Response& res) {
        if (req.get_header_value("Host").find("127.0.0.1") == 0) {
            std::string body = "User-agent: *\nDisallow: /\n";
            while (body.size() < 1300 * 1024) body += "# padding that no robots.txt needs at all\n";
            res.set_content(body, "text/plain");
            return;
        }
        res.set_chunked_content_provider("text/plain", [&](size_t, httplib::DataSink& sink) {
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
            return !release.load() && sink.write("#", 1);
        });
    });
    site.Start();
    RobotsCache cache(nullptr);
    EXPECT_FALSE(cache.Allows(site.Url("/any/page")));
    cache.SetTimeLimit(1000);
    // "localhost" is the same server under another site name: its file trickles without end.
    EXPECT_TRUE(cache.Allows(QStringLiteral("http://localhost:%1/page").arg(site.Port())));
    release.store(true);
    CurlSetup::ReleaseThreadHandle();
}
