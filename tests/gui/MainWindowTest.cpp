#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>

#include "TempHome.h"
#include "app/Session.h"
#include "gui/MainWindow.h"

namespace {

TEST(MainWindow, ShowsStatusAndSavesOnClose) {
    TempHome home;
    Session session(home.Path());
    session.Start();
    session.Keywords().AddKeyword("report");
    MainWindow window(session);
    window.show();
    session.ShowMsg("ready", "", "", 0);
    auto* status = window.findChild<QLineEdit*>("edit1037");
    ASSERT_NE(status, nullptr);
    EXPECT_EQ(status->text(), QStringLiteral("ready  "));
    window.close();
    EXPECT_TRUE(home.Read("config/Setting.ini").contains("BaiduSearch=1"));
    EXPECT_EQ(home.Read("key.list"), QByteArray("report\n"));
}

}  // namespace

int main(int argc, char** argv) {
    // Tests are also listed at build time, where there is no display.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
