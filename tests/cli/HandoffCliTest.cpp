#include <gtest/gtest.h>

#include "Aria2Daemon.h"
#include "CliRun.h"
#include "LocalServer.h"
#include "TempHome.h"

namespace {

// The command line hands a list to the daemons given with --rpc (a dead one among them), waits for the
// end and writes the outcome back into the list file.
TEST(HandoffCli, RepeatedRpcAndTheStatusesWrittenBack) {
    TempHome home;
    LocalServer files;
    files.Http().Get("/a.pdf", [](const httplib::Request&, httplib::Response& res) {
        res.set_content("%PDF-1.4\n" + std::string(4096 - 9, 'a'), "application/pdf");
    });
    files.Start();
    Aria2Daemon daemon(home.Path("aria2"), "s3cret");
    if (!daemon.Started()) GTEST_SKIP() << "aria2c is not installed (or did not start)";
    const QString nobody = QStringLiteral("http://127.0.0.1:%1/jsonrpc").arg(Aria2Daemon::FreePort());
    home.Write("in.list", QString::fromUtf8("one$pdf$未知$%1$等待\ntwo$pdf$未知$%2$下载失败\n")
                              .arg(files.Url("/a.pdf"), files.Url("/missing"))
                              .toUtf8());

    const CliRun run = RunIn(home, {"handoff", home.Path("in.list"), "--to", home.Path("out"), "--rpc",
                                    nobody, "--secret", "", "--rpc", daemon.Url(), "--secret", "s3cret"});
    EXPECT_EQ(run.status, 1) << run.err.toStdString();  // one row failed
    EXPECT_TRUE(run.err.contains("aria2 downloaded 1 links and failed 1")) << run.err.toStdString();
    EXPECT_EQ(home.Read("in.list"), QString::fromUtf8("one$pdf$4.00$%1$下载成功\ntwo$pdf$未知$%2$下载失败\n")
                                        .arg(files.Url("/a.pdf"), files.Url("/missing"))
                                        .toUtf8());
    EXPECT_EQ(home.Read("out/one.pdf").size(), 4096);
    EXPECT_TRUE(home.Read("run.log").contains(
        QStringLiteral("aria2 at %1 does not answer; its share goes to the others").arg(nobody).toUtf8()));

    // No daemon at all: nothing is written, and the list stays as it was.
    const QByteArray before = home.Read("in.list");
    const CliRun none =
        RunIn(home, {"handoff", home.Path("in.list"), "--to", home.Path("out"), "--rpc", nobody});
    EXPECT_EQ(none.status, 1);
    EXPECT_TRUE(none.err.contains("no aria2 daemon answers")) << none.err.toStdString();
    EXPECT_EQ(home.Read("in.list"), before);
    EXPECT_EQ(RunIn(home, {"handoff", home.Path("in.list"), "--to", home.Path("out"), "--rpc"}).status, 2);
}

}  // namespace

namespace {

// A daemon that echoes what it was sent, cut where a plain cut would split the token: neither the
// token nor a piece of it may reach stderr or the run log, and a secret file keeps it off the command line.
TEST(HandoffCli, TheTokenReachesNoMessageAndComesFromAFile) {
    TempHome home;
    LocalServer echo;
    echo.Http().Post("/jsonrpc", [](const httplib::Request& req, httplib::Response& res) {
        const std::string said = std::string(218, 'x') + req.body;
        std::string quoted;
        for (char c : said) quoted += c == '"' ? std::string("\\\"") : std::string(1, c);
        res.set_content(R"({"jsonrpc":"2.0","id":"1","error":{"code":1,"message":")" + quoted + "\"}}",
                        "application/json");
    });
    echo.Start();
    home.Write("in.list", QString::fromUtf8("one$pdf$未知$http://127.0.0.1:1/a.pdf$等待\n").toUtf8());
    const QByteArray token = "TOKEN-0123456789abcdef";
    home.Write("secrets", "\n" + token + "\r\n");  // the first daemon has none
    const QString rpc = echo.Url("/jsonrpc");
    const QString nobody = QStringLiteral("http://127.0.0.1:%1/jsonrpc").arg(Aria2Daemon::FreePort());

    const CliRun run = RunIn(home, {"handoff", home.Path("in.list"), "--to", home.Path("out"), "--rpc",
                                    nobody, "--rpc", rpc, "--secret-file", home.Path("secrets")});
    EXPECT_EQ(run.status, 1);
    EXPECT_FALSE(run.err.contains("warning")) << run.err.toStdString();
    const QByteArray log = home.Read("run.log");
    EXPECT_TRUE(log.contains("***")) << log.toStdString();  // the echo arrived, scrubbed
    for (const QByteArray& shown : {run.err.toUtf8(), log}) {
        EXPECT_FALSE(shown.contains(token.left(8))) << shown.toStdString();
    }

    const CliRun plain = RunIn(home, {"handoff", home.Path("in.list"), "--to", home.Path("out"), "--rpc", rpc,
                                      "--secret", QString::fromLatin1(token)});
    EXPECT_TRUE(plain.err.contains("warning: --secret")) << plain.err.toStdString();
    EXPECT_FALSE(plain.err.contains(token.left(8)));
    EXPECT_EQ(RunIn(home, {"handoff", home.Path("in.list"), "--to", "o", "--secret-file", home.Path("none")})
                  .status,
              1);
    EXPECT_EQ(RunIn(home, {"handoff", home.Path("in.list"), "--to", "o", "--secret", "a", "--secret-file",
                           home.Path("secrets")})
                  .status,
              2);
}

}  // namespace
