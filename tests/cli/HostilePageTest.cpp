#include <gtest/gtest.h>

#include <QProcess>

#include "TempHome.h"

namespace {

// The real binary, so that a crash on a page shows as a crashed command and not as a dead test run.
struct Finished {
    QProcess::ExitStatus exit;
    int code;
    QString out;
    QString err;
};

Finished RunBinary(const TempHome& home, const QStringList& args) {
    QProcess process;
    process.start(SKIMMER_CLI_PATH, QStringList{"--home", home.Path()} + args);
    process.waitForFinished(120000);
    return {process.exitStatus(), process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}

TEST(CliHostilePages, AnchorsAndDeepParseSurviveCraftedNestingAndAttributes) {
    TempHome home;
    const QByteArray anchor = "<a href=\"deep.pdf\">deep</a>";
    QByteArray attributes = "<a href=\"first.pdf\"";
    for (int i = 0; i < 200000; ++i) attributes += " a" + QByteArray::number(i) + "=1";
    attributes += ">first</a>";
    const QList<std::pair<const char*, QByteArray>> pages = {
        {"custom.html", QByteArray("<p-x>").repeated(300000) + anchor},
        {"unmatched.html", QByteArray("<div></x>").repeated(200000) + anchor},
        {"attributes.html", attributes + anchor},
    };
    for (const auto& [name, bytes] : pages) {
        home.Write(name, bytes);
        const Finished anchors =
            RunBinary(home, {"anchors", home.Path(name), "--url", "http://h.example/p.html"});
        EXPECT_EQ(anchors.exit, QProcess::NormalExit) << name;
        EXPECT_EQ(anchors.code, 0) << name;
        EXPECT_TRUE(anchors.out.endsWith("deep\thttp://h.example/deep.pdf\n")) << name;

        const Finished deep = RunBinary(home, {"parse", "--engine", "none", "--url",
                                               "http://h.example/p.html", home.Path(name), "--deep"});
        EXPECT_EQ(deep.exit, QProcess::NormalExit) << name;
        EXPECT_EQ(deep.code, 0) << name;
        EXPECT_TRUE(deep.out.contains("http://h.example/deep.pdf")) << name;
    }
    // Past the size bound the page is refused with the reason, not listed as a page without anchors.
    home.Write("huge.html", QByteArray(17 * 1024 * 1024, 'x'));
    const Finished huge = RunBinary(home, {"anchors", home.Path("huge.html"), "--url", "http://h.example/"});
    EXPECT_EQ(huge.code, 1);
    EXPECT_TRUE(huge.err.contains("16 MB")) << huge.err.toStdString();
}

}  // namespace
