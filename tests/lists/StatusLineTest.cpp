#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QRegularExpression>
#include <QThread>
#include <thread>

#include "TempHome.h"
#include "lists/RunLog.h"
#include "lists/StatusLine.h"

namespace {

TEST(StatusLine, JoinsThreePartsAndLogsOnlyWhenAsked) {
    TempHome home;
    RunLog log(home.Path("run.log"));
    StatusLine status(&log);
    status.ShowMsg("a", "", "", 0);
    EXPECT_EQ(status.Current(), QStringLiteral("a  "));
    EXPECT_FALSE(home.Exists("run.log"));

    status.ShowMsg(QString::fromUtf8("搜索已全部结束"), "", "", 1);
    EXPECT_TRUE(
        home.Read("run.log").endsWith("showmsg\n" + QString::fromUtf8("搜索已全部结束  ").toUtf8() + "\n\n"));
}

TEST(StatusLine, AMessageMarkedPastShowsItsTimeOnceUntilTheNextOne) {
    StatusLine status(nullptr);
    QStringList shown;
    QObject::connect(&status, &StatusLine::messageShown, [&](const QString& text) { shown.append(text); });
    status.MarkPast();  // nothing to mark
    EXPECT_TRUE(shown.isEmpty());
    status.ShowMsg("downloading", "", "", 0);
    status.MarkPast();
    status.MarkPast();
    ASSERT_EQ(shown.size(), 2);
    EXPECT_TRUE(
        QRegularExpression("^\\(at \\d\\d:\\d\\d:\\d\\d\\) downloading  $").match(shown[1]).hasMatch())
        << shown[1].toStdString();
    EXPECT_EQ(status.Current(), shown[1]);
    status.ShowMsg("next", "", "", 0);
    EXPECT_EQ(status.Current(), QStringLiteral("next  "));
}

TEST(StatusLine, MessagesFromWorkersArriveOnTheReceiversThread) {
    StatusLine status(nullptr);
    QObject receiver;
    QString shown;
    Qt::HANDLE shownOn = nullptr;
    QObject::connect(&status, &StatusLine::messageShown, &receiver, [&](const QString& text) {
        shown = text;
        shownOn = QThread::currentThreadId();
    });
    std::thread worker([&status] { status.ShowMsg("from", "a", "worker", 0); });
    worker.join();
    EXPECT_TRUE(shown.isEmpty());  // queued, not called on the worker
    QElapsedTimer timer;
    timer.start();
    while (shown.isEmpty() && timer.elapsed() < 5000) QCoreApplication::processEvents();
    EXPECT_EQ(shown, QStringLiteral("from a worker"));
    EXPECT_EQ(shownOn, QThread::currentThreadId());
}

}  // namespace
