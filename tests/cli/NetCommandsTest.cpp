#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <thread>

#include <QRegularExpression>

#include "LocalServer.h"
#include "TempHome.h"
#include "cli/CliApp.h"
#include "net/CurlSetup.h"

namespace {

struct Outcome {
    int status;
    QString out;
    QString err;
};

class NetCommandsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        server.Http().Get("/page", [](const httplib::Request&, httplib::Response& res) {
            res.set_content("\xD6\xD0\xCE\xC4", "text/html; charset=gb2312");
        });
        server.Http().Get("/jump", [](const httplib::Request&, httplib::Response& res) {
            res.set_redirect("/files/a.pdf", 302);
        });
        server.Http().Get("/files/a.pdf", [](const httplib::Request&, httplib::Response& res) {
            res.set_content("%PDF-1.4\n" + std::string(4096 - 9, 'a'), "application/pdf");
        });
        server.Http().Get("/cut", [](const httplib::Request&, httplib::Response& res) {
            res.set_content_provider(
                100000, "application/pdf", [](size_t offset, size_t, httplib::DataSink& sink) {
                    return offset == 0 && sink.write(std::string(1000, 'c').data(), 1000);
                });
        });
        server.Http().Get("/search", [](const httplib::Request&, httplib::Response& res) {
            res.status = 429;
            res.set_content("slow down", "text/html");
        });
        server.Http().Get("/locked", [](const httplib::Request&, httplib::Response& res) {
            res.status = 401;
            res.set_content("who are you", "text/plain");
        });
        server.Http().Get("/stall", [this](const httplib::Request&, httplib::Response& res) {
            res.set_content_provider(
                1000000, "application/pdf", [this](size_t offset, size_t, httplib::DataSink& sink) {
                    if (offset == 0) {
                        stallStarted.store(true);
                        return sink.write(("%PDF-1.4\n" + std::string(1000 - 9, 'p')).data(), 1000);
                    }
                    while (!release.load()) std::this_thread::sleep_for(std::chrono::milliseconds(10));
                    return false;
                });
        });
        server.Start();
    }
    void TearDown() override {
        release.store(true);
        CurlSetup::ReleaseThreadHandle();
    }

    Outcome Run(QStringList args) {
        QString out, err;
        QTextStream outStream(&out), errStream(&err);
        args.prepend(home.Path());
        args.prepend("--home");
        const int status = CliApp().Run(args, outStream, errStream);
        outStream.flush();
        errStream.flush();
        return {status, out, err};
    }

    LocalServer server;
    TempHome home;
    std::atomic<bool> stallStarted{false};
    std::atomic<bool> release{false};
};

TEST_F(NetCommandsTest, FetchRealUrlAndSize) {
    EXPECT_EQ(Run({"fetch", server.Url("/page")}).out, QString::fromUtf8("中文\n"));
    EXPECT_EQ(Run({"fetch", "http://127.0.0.1:1/"}).status, 1);
    EXPECT_TRUE(home.Read("run.log").contains("getHtmlPageCode"));
    EXPECT_EQ(Run({"realurl", server.Url("/jump")}).out, server.Url("/files/a.pdf") + '\n');
    EXPECT_EQ(Run({"realurl", server.Url("/page")}).status, 1);
    EXPECT_EQ(Run({"size", server.Url("/jump")}).out, QStringLiteral("4096\n"));
    EXPECT_EQ(Run({"size", server.Url("/nothing")}).out, QStringLiteral("0\n"));
    EXPECT_EQ(Run({"fetch"}).status, 2);
    EXPECT_EQ(Run({"fetch", "a", "--bogus"}).status, 2);
}

TEST_F(NetCommandsTest, GetSucceedsOnlyWithACompleteFile) {
    const QString target = home.Path("a.pdf");
    EXPECT_EQ(Run({"get", server.Url("/jump"), "--to", target}).status, 0);
    EXPECT_EQ(home.Read("a.pdf").size(), 4096);
    EXPECT_EQ(Run({"get", server.Url("/jump"), "--to", target}).status, 1);  // exists
    EXPECT_EQ(
        Run({"get", server.Url("/jump"), "--to", target, "--overwrite", "--min-kb", "5", "--max-kb", "9"})
            .status,
        1);
    EXPECT_EQ(
        Run({"get", server.Url("/jump"), "--to", target, "--overwrite", "--min-kb", "4", "--max-kb", "4"})
            .status,
        0);
    EXPECT_FALSE(home.Exists("a.pdf.download.temp"));  // a refused size leaves nothing
    // A transfer that ends without the file names the cause.
    // (a broken transfer keeps what arrived for the next get)
    for (const auto& [path, cause, keepsPart] : std::vector<std::tuple<QString, QString, bool>>{
             {"/gone", "HTTP 404", false},
             {"/locked", "HTTP 401: the server asks for a login", false},
             {"/cut", "transfer closed with 99000 bytes remaining to read", true}}) {
        const QString name = path.mid(1) + ".pdf";
        const Outcome failed = Run({"get", server.Url(path), "--to", home.Path(name)});
        EXPECT_EQ(failed.status, 1);
        EXPECT_TRUE(failed.err.contains(home.Path(name) + " was not downloaded: " + cause))
            << failed.err.toStdString();
        EXPECT_EQ(home.Exists(name + ".download.temp"), keepsPart);
    }

    // A refusal to start names its cause.
    EXPECT_TRUE(Run({"get", server.Url("/jump"), "--to", home.Path("no/x.pdf")})
                    .err.contains("the folder " + home.Path("no") + " does not exist"));
    EXPECT_TRUE(Run({"get", server.Url("/jump"), "--to", target}).err.contains(target + " exists"));
    home.Write("victim.txt", "precious");
    ASSERT_EQ(::symlink(home.Path("victim.txt").toUtf8().constData(),
                        home.Path("p.pdf.download.temp").toUtf8().constData()),
              0);
    const Outcome planted = Run({"get", server.Url("/jump"), "--to", home.Path("p.pdf")});
    EXPECT_EQ(planted.status, 1);
    EXPECT_TRUE(planted.err.contains("is not a temporary file of this program")) << planted.err.toStdString();
    EXPECT_EQ(home.Read("victim.txt"), QByteArray("precious"));
    EXPECT_EQ(Run({"get", server.Url("/jump")}).status, 2);
    EXPECT_EQ(Run({"get", server.Url("/jump"), "--to", target, "--min-kb", "x"}).status, 2);
}

TEST_F(NetCommandsTest, DownloadWritesStatusesBack) {
    home.Write("in.list", QString::fromUtf8("one$pdf$未知$%1$等待\ntwo$pdf$未知$%2$等待\n")
                              .arg(server.Url("/files/a.pdf"), server.Url("/gone"))
                              .toUtf8());
    const Outcome run = Run({"download", home.Path("in.list"), "--to", home.Path("out"), "--workers", "3"});
    EXPECT_EQ(run.status, 1);  // one row failed
    EXPECT_EQ(home.Read("out/one.pdf").size(), 4096);
    const QByteArray list = home.Read("in.list");
    EXPECT_TRUE(list.contains(QString::fromUtf8("one$pdf$4.00$").toUtf8() +
                              server.Url("/files/a.pdf").toUtf8() + QString::fromUtf8("$下载成功").toUtf8()));
    EXPECT_TRUE(list.contains(QString::fromUtf8("$下载失败").toUtf8()));
    EXPECT_EQ(Run({"download", home.Path("missing.list"), "--to", home.Path("out")}).status, 1);
    EXPECT_EQ(Run({"download", home.Path("in.list"), "--to", home.Path("out"), "--workers", "0"}).status, 2);
    // The top of the range is a worker count like any other; one more is refused before anything runs.
    EXPECT_EQ(Run({"download", home.Path("in.list"), "--to", home.Path("out"), "--workers", "101"}).status,
              2);
    EXPECT_EQ(Run({"download", home.Path("in.list"), "--to", home.Path("out"), "--workers", "100"}).status,
              1);
    EXPECT_EQ(Run({"handoff", home.Path("in.list"), "--to", home.Path("out"), "--rpc",
                   "http://127.0.0.1:1/jsonrpc"})
                  .status,
              1);
}

TEST_F(NetCommandsTest, SearchReportsEachEngineAndExits3WhenEveryEngineBlocked) {
    CurlSetup::SetConnectTo({QStringLiteral("cn.bing.com:80:127.0.0.1:%1").arg(server.Port())});
    const Outcome run = Run({"search", "-k", "k", "--engines", "bing", "--formats", "pdf", "--threads", "3",
                             "--no-deep", "--out", home.Path("found.list")});
    CurlSetup::SetConnectTo({});
    EXPECT_EQ(run.status, 3) << run.err.toStdString();
    const QStringList lines = run.err.split('\n');
    const qsizetype header =
        lines.indexOf(QRegularExpression("^engine +pages +hits +rows +skipped +blocked because$"));
    ASSERT_GE(header, 0) << run.err.toStdString();
    // One page asked; every other page of the search skipped.
    const Outcome queries = Run({"queries", "-k", "k", "--engines", "bing", "--formats", "pdf"});
    const auto match = QRegularExpression(R"(^bing +1 +0 +0 +(\d+)  rate limited \(HTTP 429\)$)")
                           .match(lines.value(header + 1));
    ASSERT_TRUE(match.hasMatch()) << lines.value(header + 1).toStdString();
    EXPECT_EQ(match.captured(1).toInt() + 1, queries.out.count('\n'));
}

TEST_F(NetCommandsTest, CtrlCPutsRowsInFlightBackAndExits130) {
    home.Write("in.list", QString::fromUtf8("stalled$pdf$未知$%1$等待\ndone$pdf$未知$%2$等待\n")
                              .arg(server.Url("/stall"), server.Url("/files/a.pdf"))
                              .toUtf8());
    // Ctrl-C once the stalled row is being received.
    std::thread presser([this] {
        while (!stallStarted.load()) std::this_thread::sleep_for(std::chrono::milliseconds(5));
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        ::kill(::getpid(), SIGINT);
    });
    const Outcome run = Run({"download", home.Path("in.list"), "--to", home.Path("out"), "--workers", "2"});
    presser.join();
    EXPECT_EQ(run.status, 130);
    EXPECT_TRUE(run.err.contains("1 rows remain")) << run.err.toStdString();
    const QString list = QString::fromUtf8(home.Read("in.list"));
    EXPECT_TRUE(list.contains(server.Url("/stall") + QString::fromUtf8("$等待"))) << list.toStdString();
    EXPECT_TRUE(list.contains(QString::fromUtf8("$下载成功")));
    // What arrived stays for the next run to continue.
    EXPECT_TRUE(home.Exists("out/stalled.pdf.download.temp"));
}

}  // namespace
