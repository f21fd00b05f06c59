#include <gtest/gtest.h>

#include <QFile>
#include <cstdio>

#include "TempHome.h"
#include "WaitFor.h"
#include "app/ListKeeper.h"
#include "lists/IniFile.h"
#include "lists/MessageSink.h"
#include "lists/Options.h"
#include "lists/ResultList.h"
#include "lists/StatusLine.h"

namespace {

struct RecordingSink : MessageSink {
    void ShowMessageBox(const QString& text) override { shown.append(text); }
    bool AskYesNo(const QString&, const QString&) override { return true; }
    QStringList shown;
};

class ListKeeperTest : public ::testing::Test {
  protected:
    void SetUp() override { options.Load(IniFile()); }
    void Add(const QString& link) {
        ASSERT_EQ(list.AddLinkIfNew(link), 1);
        ASSERT_EQ(list.AddEntry("title", "pdf", "1.000", link, RowStatus::Waiting),
                  ResultList::AddResult::Added);
    }

    TempHome home;
    Options options;
    ResultList list{options, nullptr};
    RecordingSink sink;
    ListKeeper keeper{list, options, &sink, nullptr};
};

TEST_F(ListKeeperTest, AutoSaveKeepsOutOfARunningExport) {
    EXPECT_FALSE(keeper.BeginExport());  // nothing to export
    Add("http://a/1.pdf");
    options.SetCommittedText(SettingKey::ListFile, home.Path("kept.list"));

    ASSERT_TRUE(keeper.BeginExport());
    keeper.AutoSave();  // the timer fires while the export's dialogs are open
    EXPECT_FALSE(home.Exists("kept.list"));
    keeper.EndExport();  // the dialog was cancelled
    keeper.AutoSave();
    EXPECT_TRUE(home.Read("kept.list").contains("http://a/1.pdf"));

    ASSERT_TRUE(keeper.BeginExport());
    EXPECT_EQ(keeper.ExportTo(home.Path("chosen"), StatusFilter()), home.Path("chosen.xml"));
    EXPECT_EQ(options.Text(SettingKey::ListFile), home.Path("chosen.xml"));
    Add("http://a/2.pdf");
    keeper.AutoSave();  // the export is over: the list stays in step with the file it went to
    EXPECT_TRUE(home.Read("chosen.xml").contains("http://a/2.pdf"));
    EXPECT_FALSE(home.Read("kept.list").contains("http://a/2.pdf"));
    EXPECT_TRUE(sink.shown.isEmpty());
}

TEST_F(ListKeeperTest, AListLoadedByHandIsNotSavedBehindTheUsersBack) {
    home.Write("in.list", "loaded$pdf$1.000$http://a/in.pdf$ok\n");
    const QByteArray before = home.Read("in.list");
    keeper.ImportFrom(home.Path("in.list"), StatusFilter());
    ASSERT_EQ(list.Size(), 1);
    EXPECT_EQ(options.Text(SettingKey::ListFile), QString());
    Add("http://a/new.pdf");
    keeper.AutoSave();
    keeper.CloseSave();
    EXPECT_EQ(home.Read("in.list"), before);

    // Loaded at start-up, the list stays tied to its file.
    options.SetCommittedText(SettingKey::ListFile, home.Path("in.list"));
    options.SetLiveInt(SettingKey::LoadLastListAtStart, 1);
    keeper.StartupLoad();
    EXPECT_EQ(list.Size(), 1);
    EXPECT_EQ(options.Text(SettingKey::ListFile), home.Path("in.list"));
}

TEST_F(ListKeeperTest, WithoutAListPathTheSessionListKeepsTheRows) {
    keeper.AutoSave();  // no session list set: nothing is written anywhere
    keeper.SetSessionListPath(home.Path("session.list"));
    Add("http://a/1.pdf");
    keeper.AutoSave();
    EXPECT_EQ(home.Read("session.list"),
              QByteArray("title$pdf$1.000$http://a/1.pdf$") + RowStatus::Waiting.Stored().toUtf8() + "\n");

    // At the next start, with AutoLoad, the rows come back and no list path appears.
    ResultList again(options, nullptr);
    ListKeeper next(again, options, &sink, nullptr);
    next.SetSessionListPath(home.Path("session.list"));
    next.StartupLoad();
    EXPECT_EQ(again.Size(), 0);  // AutoLoad is off
    options.SetCommittedInt(SettingKey::LoadLastListAtStart, 1);
    next.StartupLoad();
    EXPECT_EQ(again.Size(), 1);
    EXPECT_EQ(options.Text(SettingKey::ListFile), QString());

    // A list emptied by the user empties its file only once that is confirmed; a chosen list path takes
    // over from the session list.
    again.ClearList();
    EXPECT_EQ(next.PlanCloseSave().action, ListKeeper::CloseAction::EmptiesFile);
    next.AutoSave();
    next.CloseSave();
    EXPECT_TRUE(home.Read("session.list").contains("http://a/1.pdf"));
    next.CloseSave(true);
    EXPECT_EQ(home.Read("session.list"), QByteArray());
    Add("http://a/2.pdf");
    options.SetCommittedText(SettingKey::ListFile, home.Path("mine.list"));
    keeper.CloseSave();
    EXPECT_TRUE(home.Read("mine.list").contains("http://a/2.pdf"));
    EXPECT_EQ(home.Read("session.list"), QByteArray());
    EXPECT_TRUE(sink.shown.isEmpty());
}

TEST_F(ListKeeperTest, AQuitDuringABackgroundLoadKeepsTheListItCameFromWhole) {
    home.Write("mine.list", "a$pdf$1$http://a/1.pdf$ok\nb$pdf$1$http://a/2.pdf$ok\n");
    home.Write("other.list",
               "x$pdf$1$http://b/1.pdf$ok\ny$pdf$1$http://b/2.pdf$ok\nz$pdf$1$http://b/3.pdf$ok\n");
    const QByteArray mine = home.Read("mine.list");
    options.SetCommittedText(SettingKey::ListFile, home.Path("mine.list"));
    options.SetLiveInt(SettingKey::LoadLastListAtStart, 1);
    keeper.StartupLoad();
    ASSERT_EQ(list.Size(), 2);

    ASSERT_TRUE(keeper.BeginImport(home.Path("other.list"), StatusFilter()));
    EXPECT_FALSE(keeper.BeginImport(home.Path("other.list"), StatusFilter()));  // one load at a time
    // Whether or not the reader is through, its rows come in only by the event loop, which has not run.
    EXPECT_TRUE(keeper.Loading());
    keeper.CloseSave();
    EXPECT_FALSE(keeper.Loading());
    EXPECT_EQ(list.Size(), 2);
    EXPECT_EQ(options.Text(SettingKey::ListFile), home.Path("mine.list"));
    EXPECT_EQ(home.Read("mine.list"), mine);
    // The end the cancelled reader posted changes nothing, nor does it end the next load early.
    ASSERT_TRUE(keeper.BeginImport(home.Path("mine.list"), StatusFilter()));
    ASSERT_TRUE(WaitFor([&] { return !keeper.Loading(); }));
    EXPECT_EQ(list.Size(), 2);
    EXPECT_EQ(list.Entry(*list.IdAt(0))->title, "a");
}

TEST_F(ListKeeperTest, ABackgroundLoadTakesTheListsPlaceWhenReadAndKeepsRowsFoundMeanwhile) {
    home.Write("other.list", "x$pdf$1$http://b/1.pdf$ok\ny$pdf$1$http://b/2.pdf$ok\n");
    Add("http://a/old.pdf");
    bool done = false;
    ASSERT_TRUE(keeper.BeginImport(home.Path("other.list"), StatusFilter(), [&] { done = true; }));
    Add("http://a/found.pdf");  // a search runs on during the load
    EXPECT_EQ(list.Size(), 2);
    ASSERT_TRUE(WaitFor([&] { return done; }));
    EXPECT_FALSE(keeper.Loading());
    ASSERT_EQ(list.Size(), 3);
    EXPECT_EQ(list.Entry(*list.IdAt(0))->link, "http://a/found.pdf");
    EXPECT_EQ(list.Entry(*list.IdAt(2))->link, "http://b/2.pdf");
    EXPECT_EQ(list.AddLinkIfNew("http://a/old.pdf"), 1);  // the replaced rows' links went with them
    EXPECT_EQ(list.AddLinkIfNew("http://b/1.pdf"), 0);
    EXPECT_TRUE(options.Text(SettingKey::ListFile).isEmpty());  // loaded by hand
}

// A keeper over a fresh home whose list path is `name`, loaded at start.
struct KeeperAtHome {
    KeeperAtHome() { options.Load(IniFile()); }
    void KeepIn(const QString& name) {
        options.SetCommittedText(SettingKey::ListFile, home.Path(name));
        options.SetLiveInt(SettingKey::LoadLastListAtStart, 1);
    }
    TempHome home;
    Options options;
    StatusLine status{nullptr};
    ResultList list{options, nullptr};
    ListKeeper keeper{list, options, nullptr, &status};
};

// A file renamed over the list path during the start-up load or after keeps its rows: the list goes to a
// new file beside it (the list path from now on, named on the status line), and later saves keep to it.
TEST(ListKeeperDiskTest, AListFileReplacedOnDiskIsLeftAsItIs) {
    for (const bool duringLoad : {true, false}) {
        SCOPED_TRACE(duringLoad ? "during the load" : "after the load");
        KeeperAtHome at;
        auto& [home, options, status, list, keeper] = at;
        QByteArray old;
        for (int i = 0; i < 3000; ++i)
            old += QString("old%1$pdf$1$http://a/%1.pdf$%2\n").arg(i).arg(RowStatus::Waiting.Stored()).toUtf8();
        home.Write("my.list", old);
        const QByteArray replacement = "new$pdf$1$http://b/1.pdf$ok\n";  // another program's list
        home.Write("repl.list", replacement);
        at.KeepIn("my.list");
        keeper.SetSessionListPath(home.Path("session.list"));
        keeper.SetLoadInBackground(true);
        keeper.StartupLoad();
        const auto replace = [&] { std::rename(qPrintable(home.Path("repl.list")), qPrintable(home.Path("my.list"))); };
        if (duringLoad) {
            // The reader is into the old file; its end waits for the event loop, which has not run.
            for (int i = 0; i < 60000 && keeper.LoadedRows() < 2048; ++i) QThread::msleep(1);
            ASSERT_TRUE(keeper.Loading());
            replace();
        }
        ASSERT_TRUE(WaitFor([&] { return !keeper.Loading(); }));
        if (!duringLoad) replace();
        keeper.AutoSave();
        keeper.CloseSave();
        EXPECT_EQ(home.Read("my.list"), replacement);
        EXPECT_EQ(options.Text(SettingKey::ListFile), home.Path("my-1.list"));
        EXPECT_EQ(home.Read("my-1.list"), old);
        EXPECT_FALSE(home.Exists("my-2.list"));
        EXPECT_TRUE(status.Current().contains(home.Path("my-1.list"))) << status.Current().toStdString();
    }
}

// What `list show` reads, the window's load reads: a record with a link but no status (a file cut short)
// waits. Lines it cannot make a row of are counted, and the file they are in is never written over, in
// either format; an empty table never goes over it either.
TEST(ListKeeperDiskTest, ALoadThatSkipsLinesLeavesItsFileAsItIs) {
    const QByteArray waiting = RowStatus::Waiting.Stored().toUtf8();
    struct Case {
        const char* name;
        QByteArray bytes;
        qsizetype rows;
        qint64 skipped;
    };
    const Case cases[] = {
        {"odd.list",
         "ok$pdf$1$http://a/1.pdf$" + waiting +
             "\njust a title line\n$$$$\n   \n"
             "nostatus$pdf$1$http://a/3.pdf\ndup$pdf$1$http://a/1.pdf$" +
             waiting + "\ncut$pdf$1$http://a/4.pdf$",
         3, 3},
        {"odd.xml",
         "<skimmer><item><title>ok</title><types>pdf</types><size>1</size><path>http://a/1.pdf</path></item>"
         "<item><title>nolink</title><types>pdf</types><size>1</size></item></skimmer>",
         1, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        KeeperAtHome at;
        auto& [home, options, status, list, keeper] = at;
        home.Write(c.name, c.bytes);
        at.KeepIn(c.name);
        keeper.StartupLoad();
        ASSERT_EQ(list.Size(), c.rows);
        EXPECT_EQ(keeper.LastLoadSkipped(), c.skipped);
        EXPECT_EQ(list.Snapshot().last().status, RowStatus::Waiting);
        const QString sibling = home.Path(QString(c.name).replace(".", "-1."));
        keeper.CloseSave();
        EXPECT_EQ(home.Read(c.name), c.bytes);
        EXPECT_EQ(options.Text(SettingKey::ListFile), sibling);
        EXPECT_TRUE(status.Current().contains(sibling)) << status.Current().toStdString();

        // Loaded again and emptied by the user, the file still keeps its lines.
        options.SetCommittedText(SettingKey::ListFile, home.Path(c.name));
        keeper.StartupLoad();
        list.ClearList();
        EXPECT_EQ(keeper.PlanCloseSave().action, ListKeeper::CloseAction::Nothing);
        keeper.CloseSave(true);
        EXPECT_EQ(home.Read(c.name), c.bytes);
    }
}

}  // namespace
