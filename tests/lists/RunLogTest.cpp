#include <gtest/gtest.h>

#include <QFile>
#include <QRegularExpression>
#include <thread>
#include <vector>

#include "TempHome.h"
#include "lists/RunLog.h"

namespace {

TEST(RunLog, EntryLayout) {
    EXPECT_EQ(RunLog::FormatEntry("showmsg", QString::fromUtf8("下载成功"), "2026-12-07 08:09:10"),
              QByteArray(84, '-') + "\n2026-12-07 08:09:10\nshowmsg\n" +
                  QString::fromUtf8("下载成功").toUtf8() + "\n\n");
}

TEST(RunLog, AppendsFromManyThreadsNeverInterleave) {
    TempHome home;
    RunLog log(home.Path("run.log"));
    constexpr int kThreads = 50, kEach = 20;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&log, t] {
            for (int i = 0; i < kEach; ++i) {
                log.WriteRunLog("showmsg", QStringLiteral("thread %1 entry %2 ").arg(t).arg(i).repeated(20));
            }
        });
    }
    for (auto& thread : threads) thread.join();

    const QByteArray content = home.Read("run.log");
    static const QRegularExpression entry(
        "^-{84}\\n\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d\\nshowmsg\\n((thread \\d+ entry \\d+ "
        "){20})\\n\\n");
    QString rest = QString::fromUtf8(content);
    int count = 0;
    while (!rest.isEmpty()) {
        const auto match = entry.match(rest);
        ASSERT_TRUE(match.hasMatch()) << "entry " << count << " is torn";
        rest = rest.mid(match.capturedLength());
        ++count;
    }
    EXPECT_EQ(count, kThreads * kEach);
}

TEST(RunLog, DeletedOnceItPassesFourMebibytes) {
    TempHome home;
    RunLog log(home.Path("run.log"));
    home.Write("run.log", QByteArray(RunLog::kMaxBytes, 'x'));
    log.WriteRunLog("showmsg", "tips it over");
    EXPECT_FALSE(home.Exists("run.log"));
    log.WriteRunLog("showmsg", "fresh start");
    EXPECT_TRUE(home.Read("run.log").startsWith(QByteArray(84, '-')));
    EXPECT_TRUE(home.Read("run.log").endsWith("showmsg\nfresh start\n\n"));
    EXPECT_LT(home.Read("run.log").size(), 200);

    // Exactly at the limit is still kept.
    home.Write("run.log", {});
    const qsizetype entrySize = RunLog::FormatEntry("t", "m", "2026-12-07 08:09:10").size();
    home.Write("run.log", QByteArray(RunLog::kMaxBytes - entrySize, 'x'));
    log.WriteRunLog("t", "m");
    EXPECT_EQ(QFile(home.Path("run.log")).size(), RunLog::kMaxBytes);
}

TEST(RunLog, UnwritableLogIsSilent) {
    TempHome home;
    home.Write("file", "x");
    RunLog log(home.Path("file/run.log"));
    log.WriteRunLog("showmsg", "nowhere to go");
    EXPECT_EQ(home.Read("file"), QByteArray("x"));
}

}  // namespace
