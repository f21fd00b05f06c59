// How `search` ends on the command line: without network, after Ctrl-C, and after a second Ctrl-C.
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <QProcess>
#include <QRegularExpression>
#include <atomic>
#include <thread>

#include "CliRun.h"
#include "LocalServer.h"
#include "net/CurlSetup.h"

namespace {

class SearchEndCliTest : public ::testing::Test {
  protected:
    void SetUp() override {
        // Every result page trickles in a byte at a time, for longer than any test waits.
        server.Http().Get(R"(/.*)", [this](const httplib::Request&, httplib::Response& res) {
            res.set_chunked_content_provider("text/html", [this](size_t offset, httplib::DataSink& sink) {
                trickling.store(true);
                std::this_thread::sleep_for(std::chrono::milliseconds(100));
                return !release.load() && offset < 2000 && sink.write("<", 1);
            });
        });
        server.Start();
    }
    void TearDown() override {
        release.store(true);
        CurlSetup::SetConnectTo({});
        CurlSetup::ReleaseThreadHandle();
    }
    QStringList Search(const QString& engines) const {
        return {"search", "-k", "k", "--engines", engines, "--formats", "pdf", "--threads", "1",
                "--no-deep", "--out", home.Path("found.list")};
    }

    std::atomic<bool> trickling{false};
    std::atomic<bool> release{false};
    LocalServer server;
    TempHome home;
};

TEST_F(SearchEndCliTest, WithoutNetworkEachEngineStopsAfterThreeFetchesAndTheSearchFails) {
    // Every host goes to a port where nothing listens.
    CurlSetup::SetConnectTo({QStringLiteral("::127.0.0.1:1")});
    const CliRun run = RunIn(home, Search("bing,baidu"));
    EXPECT_EQ(run.status, 1) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains("bing: no network: could not connect to cn.bing.com")) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains("baidu: no network: could not connect to www.baidu.com"));
    EXPECT_TRUE(run.err.contains("failed fetches: 6 network")) << run.err.toStdString();
    EXPECT_TRUE(home.Read("run.log").contains("no network: could not connect to cn.bing.com"));
}

TEST_F(SearchEndCliTest, CtrlCAbandonsThePageUnderWayAndExits130) {
    CurlSetup::SetConnectTo({QStringLiteral("cn.bing.com:80:127.0.0.1:%1").arg(server.Port())});
    std::thread presser([this] {
        while (!trickling.load()) std::this_thread::sleep_for(std::chrono::milliseconds(5));
        ::kill(::getpid(), SIGINT);
    });
    const CliRun run = RunIn(home, Search("bing"));
    presser.join();
    EXPECT_EQ(run.status, 130) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains("the list holds what was found until then"));
    EXPECT_TRUE(home.Exists("found.list"));
}

TEST_F(SearchEndCliTest, ASecondCtrlCEndsAtOnceAndLeavesTheListAsItWas) {
    home.Write("found.list", "kept\n");
    QProcess cli;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("SKIMMER_CONNECT_TO", QStringLiteral("cn.bing.com:80:127.0.0.1:%1").arg(server.Port()));
    cli.setProcessEnvironment(env);
    cli.start(SKIMMER_CLI_PATH, QStringList{"--home", home.Path()} + Search("bing"));
    ASSERT_TRUE(cli.waitForStarted());
    while (!trickling.load()) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    // Two presses close together (signals sent at once would merge into one), before the first is served.
    ::kill(pid_t(cli.processId()), SIGINT);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    ::kill(pid_t(cli.processId()), SIGINT);
    ASSERT_TRUE(cli.waitForFinished(60000));
    EXPECT_EQ(cli.exitCode(), 130) << cli.readAllStandardError().toStdString();
    EXPECT_EQ(home.Read("found.list"), "kept\n");
}

}  // namespace
