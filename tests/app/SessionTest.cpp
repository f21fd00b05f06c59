#include <gtest/gtest.h>

#include "TempHome.h"
#include "app/Session.h"
#include "engines/EngineCatalog.h"

namespace {

TEST(AppHome, CommandLineBeatsEnvironmentBeatsDefault) {
    qputenv("SKIMMER_HOME", "/from/env");
    EXPECT_EQ(AppHome::ResolveDir("/from/cli"), QStringLiteral("/from/cli"));
    EXPECT_EQ(AppHome::ResolveDir(""), QStringLiteral("/from/env"));
    qunsetenv("SKIMMER_HOME");
    EXPECT_TRUE(AppHome::ResolveDir("").endsWith(u"/skimmer"));
}

TEST(Session, StartCreatesConfigAndLoadsWhatIsThere) {
    TempHome home;
    home.Write("key.list", "report\n");
    home.Write("config/Setting.ini", "[FILE_FREE_DOC]\nGoogleSearch=1\n");
    Session session(home.Path());
    EXPECT_EQ(session.Start(), QString());
    EXPECT_EQ(session.GetOptions().Int(SettingKey::GoogleSearch), 1);
    EXPECT_EQ(session.Keywords().Keywords(), QStringList({"report"}));

    session.ShowMsg("hello", "", "", 1);
    session.GetOptions().SetLiveInt(SettingKey::DocZip, 1);
    EXPECT_TRUE(session.SaveSettings());
    EXPECT_TRUE(home.Read("config/Setting.ini").contains("DocZip=1\n"));
    EXPECT_TRUE(home.Read("run.log").contains("showmsg\nhello  \n"));
}

TEST(Session, AHomeThatCannotBeCreatedStillStartsWithDefaults) {
    TempHome home;
    home.Write("file", "x");
    Session session(home.Path("file/home"));
    const QString problem = session.Start();
    EXPECT_TRUE(problem.contains(home.Path("file/home"))) << problem.toStdString();
    EXPECT_EQ(session.GetOptions().Int(SettingKey::DownThreadCount), 10);
    EXPECT_FALSE(session.SaveSettings());
    session.ShowMsg("still", "runs", "", 1);
    EXPECT_EQ(session.Status().Current(), QStringLiteral("still runs "));
    EXPECT_EQ(home.Read("file"), QByteArray("x"));
}

TEST(Session, ARefusedEnginesFileIsReportedAndTheBuiltInsServe) {
    TempHome home;
    home.Write("config/engines.json", "[{\"id\": \"google\", \"name\": ");  // cut off
    Session session(home.Path());
    session.Start();
    const QByteArray log = home.Read("run.log");
    EXPECT_TRUE(log.contains("config/engines.json is not used:")) << log.toStdString();
    ASSERT_NE(session.Engines()->Find("google"), nullptr);
    EXPECT_FALSE(session.Engines()->Find("google")->layouts.isEmpty());
}

}  // namespace
