#include <gtest/gtest.h>

#include <QProcess>

#include "TempHome.h"
#include "cli/CliApp.h"

namespace {

struct CliRun {
    int status;
    QString out;
    QString err;
};

CliRun RunCli(const QStringList& args) {
    QString out, err;
    QTextStream outStream(&out), errStream(&err);
    CliApp app;
    const int status = app.Run(args, outStream, errStream);
    outStream.flush();
    errStream.flush();
    return {status, out, err};
}

CliRun RunIn(const TempHome& home, QStringList args) {
    args.prepend(home.Path());
    args.prepend("--home");
    return RunCli(args);
}

TEST(CliConfig, FreshHomeListsTheInstallationDefaults) {
    TempHome home;
    const CliRun run = RunIn(home, {"config", "list"});
    ASSERT_EQ(run.status, 0) << run.err.toStdString();
    const QStringList lines = run.out.split('\n', Qt::SkipEmptyParts);
    // The 52 settings of the table, then the 5 keys of [Engines].
    EXPECT_EQ(lines.size(), 57);
    EXPECT_EQ(lines.first(), QStringLiteral("TimeOut=20"));
    EXPECT_EQ(lines.last(), QStringLiteral("SearxngUrls="));
    for (const char* expected :
         {"BaiduSearch=1",      "GoogleSearch=0",     "DocWord=1",          "DocPdf=1",
          "DocPpt=1",           "DocXls=1",           "DocTxt=1",           "DocRtf=1",
          "DocZip=0",           "DownThreadCount=10", "SearchMaxThread=10", "AddRandName=1",
          "MatchUrlKey=1",      "SearchTryCount=3",   "SavePath=",          "63DaSearch=0",
          "DuckDuckGoSearch=0", "BraveSearch=0",      "YandexSearch=0",     "StartpageSearch=0"}) {
        EXPECT_TRUE(lines.contains(QString::fromLatin1(expected))) << expected;
    }
    EXPECT_TRUE(home.Exists("config"));
    EXPECT_FALSE(home.Exists("config/Setting.ini"));  // listing writes nothing
}

TEST(CliConfig, EngineKeysAreWrittenToTheirSectionAndShownMasked) {
    TempHome home;
    ASSERT_EQ(RunIn(home, {"config", "set", "googleapikey", "AIza-secret"}).status, 0);
    ASSERT_EQ(RunIn(home, {"config", "set", "SearxngUrls", "http://a.test,http://b.test"}).status, 0);
    EXPECT_TRUE(home.Read("config/Setting.ini").contains("[Engines]\nGoogleApiKey=AIza-secret\n"));
    const CliRun list = RunIn(home, {"config", "list"});
    EXPECT_FALSE(list.out.contains("AIza-secret"));
    EXPECT_TRUE(list.out.contains("GoogleApiKey=********\n"));
    EXPECT_TRUE(list.out.contains("GoogleCx=\n"));  // an empty key shows as empty
    EXPECT_TRUE(list.out.contains("SearxngUrls=http://a.test,http://b.test\n"));  // not a secret
    EXPECT_EQ(RunIn(home, {"config", "get", "GoogleApiKey"}).out, "********\n");
    EXPECT_EQ(RunIn(home, {"config", "get", "GoogleApiKey", "--show-secrets"}).out, "AIza-secret\n");
    EXPECT_TRUE(RunIn(home, {"config", "list", "--show-secrets"}).out.contains("GoogleApiKey=AIza-secret\n"));
}

TEST(CliConfig, SetValidatesAgainstTheTableAndWritesNothingWhenRefused) {
    TempHome home;
    for (const QStringList& refused : QList<QStringList>{{"config", "set", "DownThreadCount", "500"},
                                                         {"config", "set", "DownThreadCount", "ten"},
                                                         {"config", "set", "NoSuchKey", "1"},
                                                         {"config", "set", "BaiduSearch", "2"},
                                                         {"config", "set", "SearchTryCount", "5"},
                                                         {"config", "set", "CharNum"},
                                                         {"config", "get", "NoSuchKey"}}) {
        const CliRun run = RunIn(home, refused);
        EXPECT_EQ(run.status, 2) << refused.join(' ').toStdString();
        EXPECT_EQ(run.err.count('\n'), 1) << run.err.toStdString();
        EXPECT_TRUE(run.out.isEmpty());
    }
    EXPECT_FALSE(home.Exists("config/Setting.ini"));

    EXPECT_EQ(RunIn(home, {"config", "set", "downthreadcount", "100"}).status, 0);
    EXPECT_EQ(RunIn(home, {"config", "set", "SavePath", QString::fromUtf8("/数据/文档")}).status, 0);
    EXPECT_EQ(RunIn(home, {"config", "get", "DownThreadCount"}).out, QStringLiteral("100\n"));
    EXPECT_EQ(RunIn(home, {"config", "get", "SavePath"}).out, QString::fromUtf8("/数据/文档\n"));
}

TEST(CliConfig, HandWrittenValuesLoadWithCaps) {
    TempHome home;
    home.Write("config/Setting.ini", "[FILE_FREE_DOC]\r\nDownThreadCount=500\r\nURLsCount=x\r\n");
    EXPECT_EQ(RunIn(home, {"config", "get", "DownThreadCount"}).out, QStringLiteral("100\n"));
    EXPECT_EQ(RunIn(home, {"config", "get", "URLsCount"}).out, QStringLiteral("0\n"));
}

TEST(CliKeywords, AddListClear) {
    TempHome home;
    EXPECT_EQ(RunIn(home, {"keywords", "add", QString::fromUtf8("年度报告")}).status, 0);
    home.Write("more.txt", "b\r\nc\r\n");
    EXPECT_EQ(RunIn(home, {"keywords", "add", home.Path("more.txt")}).out, QStringLiteral("added 2\n"));
    EXPECT_EQ(RunIn(home, {"keywords", "list"}).out, QString::fromUtf8("年度报告\nb\nc\n"));
    EXPECT_EQ(RunIn(home, {"keywords", "clear"}).status, 0);
    EXPECT_FALSE(home.Exists("key.list"));
    EXPECT_EQ(RunIn(home, {"keywords", "list"}).out, QString());
}

TEST(CliUsage, ErrorsAndHelp) {
    TempHome home;
    EXPECT_EQ(RunCli({}).status, 2);
    EXPECT_EQ(RunIn(home, {"frobnicate"}).status, 2);
    EXPECT_EQ(RunCli({"--bogus", "config", "list"}).status, 2);
    EXPECT_EQ(RunCli({"--home"}).status, 2);
    EXPECT_EQ(RunIn(home, {"keywords"}).status, 2);
    const CliRun help = RunCli({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_TRUE(help.out.contains("config"));
    for (const char* command : {"config", "keywords"}) {
        const CliRun run = RunIn(home, {command, "--help"});
        EXPECT_EQ(run.status, 0);
        EXPECT_TRUE(run.out.startsWith("usage: skimmer-cli " + QString::fromLatin1(command)));
    }
}

TEST(CliProcess, RealBinaryExitStatusAndStreams) {
    TempHome home;
    QProcess process;
    process.start(SKIMMER_CLI_PATH, {"--home", home.Path(), "config", "set", "DownThreadCount", "500"});
    ASSERT_TRUE(process.waitForFinished(30000));
    EXPECT_EQ(process.exitCode(), 2);
    EXPECT_EQ(process.readAllStandardError().count('\n'), 1);
    EXPECT_TRUE(process.readAllStandardOutput().isEmpty());

    process.start(SKIMMER_CLI_PATH, {"--home", home.Path(), "keywords", "add", QString::fromUtf8("中文")});
    ASSERT_TRUE(process.waitForFinished(30000));
    EXPECT_EQ(process.exitCode(), 0);
    EXPECT_EQ(home.Read("key.list"), QString::fromUtf8("中文\n").toUtf8());
}

}  // namespace

namespace {

TEST(CliLists, ShowConvertAndRegistry) {
    TempHome home;
    home.Write(
        "in.list",
        QString::fromUtf8("标题$pdf$1.000$http://a/1.pdf$等待\nnext\twith tab$doc$未知$http://a/2$下载成功\n")
            .toUtf8());
    const CliRun shown = RunIn(home, {"list", "show", home.Path("in.list")});
    EXPECT_EQ(shown.status, 0);
    EXPECT_EQ(
        shown.out,
        QString::fromUtf8(
            "标题\tpdf\t1.000\thttp://a/1.pdf\t等待\nnext with tab\tdoc\t未知\thttp://a/2\t下载成功\n"));
    EXPECT_EQ(RunIn(home, {"list", "convert", home.Path("in.list"), home.Path("out.xml")}).status, 0);
    EXPECT_EQ(RunIn(home, {"list", "show", home.Path("out.xml")}).out, shown.out);
    home.Write("bad.xml", "<skimmer><item>");
    EXPECT_EQ(RunIn(home, {"list", "show", home.Path("bad.xml")}).status, 1);
    EXPECT_EQ(RunIn(home, {"list", "show", home.Path("none.list")}).status, 1);
    EXPECT_EQ(RunIn(home, {"list", "show"}).status, 2);

    EXPECT_EQ(RunIn(home, {"registry", "check", "http://a/1.pdf"}).status, 1);
    EXPECT_EQ(RunIn(home, {"registry", "add", "http://a/1.pdf"}).status, 0);
    EXPECT_EQ(RunIn(home, {"registry", "add", "http://a/1.pdf"}).status, 0);
    EXPECT_EQ(RunIn(home, {"registry", "check", "http://a/1.pdf"}).status, 0);
    EXPECT_EQ(RunIn(home, {"registry", "count"}).out, QStringLiteral("1\n"));
    EXPECT_EQ(RunIn(home, {"registry", "delete", "http://a/1.pdf"}).status, 0);
    EXPECT_EQ(RunIn(home, {"registry", "delete", "http://a/1.pdf"}).status, 1);
    EXPECT_EQ(RunIn(home, {"registry", "frob", "x"}).status, 2);
}

}  // namespace

namespace {

TEST(CliSearchRules, QueriesAnchorsResolve) {
    TempHome home;
    const CliRun pdfOnly =
        RunIn(home, {"queries", "-k", "report", "-k", "report", "--engines", "pdf", "--formats", "pdf"});
    EXPECT_EQ(pdfOnly.out.count('\n'), 11);  // the second "report" adds nothing new
    const CliRun google = RunIn(home, {"queries", "-k", "a b", "--engines", "google", "--formats", "other",
                                       "--other-ext", "djvu", "--time", "2"});
    EXPECT_TRUE(
        google.out.startsWith("https://www.google.com.hk/search?q=a%20b&num=50&as_filetype=djvu&start=0&"
                              "client=aff-cs-maxthon&as_qdr=w\n"));
    EXPECT_EQ(RunIn(home, {"queries", "--time", "5"}).status, 2);
    EXPECT_EQ(RunIn(home, {"queries", "--formats", "exe"}).status, 2);
    home.Write("key.list", "saved\n");
    EXPECT_TRUE(RunIn(home, {"queries", "--engines", "baidu"}).out.contains("(saved)"));
    EXPECT_EQ(RunIn(home, {"queries", "--other-engine", "example.org", "--engines", "yahoo", "-k", "x",
                           "--formats", "txt"})
                  .out.split('\n', Qt::SkipEmptyParts)
                  .last(),
              "http://example.org");

    home.Write("page.html",
               QString::fromUtf8("<a href=\"docs/a.pdf\">年报\t2016</a><a href=\"#top\">top</a>").toUtf8());
    EXPECT_EQ(RunIn(home, {"anchors", home.Path("page.html"), "--url", "http://h.example/site/p.html"}).out,
              QString::fromUtf8("年报 2016\thttp://h.example/site/docs/a.pdf\ntop\t\n"));
    EXPECT_EQ(RunIn(home, {"anchors", home.Path("missing.html"), "--url", "http://h/"}).status, 1);
    EXPECT_EQ(RunIn(home, {"resolve", "http://h.example/x/y.html", "../f.pdf"}).out,
              "http://h.example/f.pdf\n");
}

}  // namespace
