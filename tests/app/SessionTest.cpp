#include <gtest/gtest.h>

#include <sys/stat.h>
#include <QFile>
#include <QFileInfo>

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
    EXPECT_EQ(session.GetOptions().Int(SettingKey::EngineGoogle), 1);
    EXPECT_EQ(session.Keywords().Keywords(), QStringList({"report"}));

    session.ShowMsg("hello", "", "", 1);
    session.GetOptions().SetLiveInt(SettingKey::FormatArchive, 1);
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
    EXPECT_EQ(session.GetOptions().Int(SettingKey::DownloadThreads), 10);
    EXPECT_FALSE(session.SaveSettings());
    session.ShowMsg("still", "runs", "", 1);
    EXPECT_EQ(session.Status().Current(), QStringLiteral("still runs "));
    EXPECT_EQ(home.Read("file"), QByteArray("x"));
}

TEST(Session, ADamagedXmlListLoadedAtStartIsNeverOverwrittenFromItsTwin) {
    TempHome home;
    const QByteArray broken = "<skimmer><item><title>a</title>";
    home.Write("in.xml", broken);
    home.Write("in.xml.list", QString::fromUtf8("a$pdf$1$http://h/a.pdf$等待\n").toUtf8());
    home.Write("config/Setting.ini",
               "[FILE_FREE_DOC]\nAutoLoad=1\nListPath=" + home.Path("in.xml").toUtf8() + "\n");
    Session session(home.Path());
    session.Start();
    EXPECT_EQ(session.Results().Size(), 1);
    EXPECT_EQ(session.GetOptions().Text(SettingKey::ListFile), home.Path("in.xml.list"));
    EXPECT_TRUE(home.Read("run.log").contains("is left as it is"));
    session.Lists().AutoSave();
    session.Lists().CloseSave();
    EXPECT_EQ(home.Read("in.xml"), broken);
}

TEST(Session, AFailedExportIsReportedNotAnnouncedAsDone) {
    struct Recorder : MessageSink {
        void ShowMessageBox(const QString& text) override { shown.append(text); }
        bool AskYesNo(const QString&, const QString&) override { return true; }
        QStringList shown;
    } recorder;
    TempHome home;
    Session session(home.Path());
    session.Start();
    session.SetMessageSink(&recorder);
    ASSERT_EQ(session.Results().AddLinkIfNew("http://h/a.pdf"), 1);
    ASSERT_EQ(session.Results().AddEntry("a", "pdf", "1", "http://h/a.pdf", RowStatus::Waiting),
              ResultList::AddResult::Added);
    ASSERT_TRUE(session.Lists().BeginExport());
    session.Lists().ExportTo(home.Path("missing/folder/a.list"), StatusFilter());
    ASSERT_EQ(recorder.shown.size(), 1);
    EXPECT_TRUE(recorder.shown.first().contains("No such file or directory"))
        << recorder.shown.first().toStdString();
    EXPECT_NE(session.Status().Current(), QStringLiteral("Export finished  "));
    EXPECT_TRUE(home.Read("run.log").contains("missing/folder/a.list"));
}

TEST(Session, ALastListThatIsNotARegularFileIsRefused) {
    TempHome home;
    ASSERT_EQ(::mkfifo(QFile::encodeName(home.Path("pipe.list")).constData(), 0600), 0);
    home.Write("config/Setting.ini",
               "[FILE_FREE_DOC]\nAutoLoad=1\nListPath=" + home.Path("pipe.list").toUtf8() + "\n");
    Session session(home.Path());
    session.Start();  // a pipe would keep the reader waiting here
    EXPECT_EQ(session.GetOptions().Text(SettingKey::ListFile), QString());
    EXPECT_TRUE(home.Read("run.log").contains("is not a regular file"));
    session.Lists().CloseSave();
    EXPECT_FALSE(QFileInfo(home.Path("pipe.list")).isFile());
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

TEST(Session, TheListComesBackAfterARestartAndAnExportAtCloseBecomesTheListPath) {
    TempHome home;
    home.Write("config/Setting.ini", "[FILE_FREE_DOC]\nAutoLoad=1\n");
    {
        Session session(home.Path());
        session.Start();
        ASSERT_EQ(session.Results().AddEntry("a", "pdf", "1", "http://h/a.pdf", RowStatus::Waiting),
                  ResultList::AddResult::Added);
        session.Close();
    }
    EXPECT_TRUE(home.Read("session.list").contains("http://h/a.pdf"));
    {
        Session session(home.Path());
        session.Start();
        ASSERT_EQ(session.Results().Size(), 1);
        EXPECT_EQ(session.GetOptions().Text(SettingKey::ListFile), QString());
        // The user answers "save" at exit and picks a file.
        ASSERT_TRUE(session.Lists().BeginExport());
        session.Lists().ExportTo(home.Path("chosen.list"), StatusFilter());
        session.Close();
    }
    EXPECT_TRUE(home.Read("config/Setting.ini").contains("ListPath=" + home.Path("chosen.list").toUtf8()));
    Session session(home.Path());
    session.Start();
    EXPECT_EQ(session.Results().Size(), 1);
    EXPECT_EQ(session.GetOptions().Text(SettingKey::ListFile), home.Path("chosen.list"));
}

TEST(Session, WithoutASaveFolderTheDownloadFolderIsUsedAndMadeOnlyWhenNeeded) {
    TempHome home;
    const QString expected = Session::DefaultSaveFolder();
    ASSERT_TRUE(expected.endsWith("/Skimmer")) << expected.toStdString();
    const bool existed = QFileInfo::exists(expected);
    Session session(home.Path());
    session.Start();
    EXPECT_EQ(session.GetOptions().Text(SettingKey::SaveFolder), expected);
    EXPECT_EQ(QFileInfo::exists(expected), existed);
    // The command line names its folders itself.
    Session cli(home.Path());
    cli.Start(false);
    EXPECT_EQ(cli.GetOptions().Text(SettingKey::SaveFolder), QString());
    // A folder the user chose stays.
    home.Write("config/Setting.ini", "[FILE_FREE_DOC]\nSavePath=/data/docs\n");
    Session chosen(home.Path());
    chosen.Start();
    EXPECT_EQ(chosen.GetOptions().Text(SettingKey::SaveFolder), "/data/docs");
}

}  // namespace
