#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDesktopServices>
#include <QFileInfo>
#include <QHeaderView>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSplitter>
#include <QTableView>
#include <QTest>
#include <QTreeWidget>
#include <thread>

#include "LocalServer.h"
#include "StalledDocument.h"
#include "TempHome.h"
#include "app/Session.h"
#include "gui/DialogMessages.h"
#include "gui/Language.h"
#include "gui/MainWindow.h"
#include "gui/ProgressDelegate.h"
#include "gui/ResultTableModel.h"
#include "lists/MessageSink.h"

namespace {

struct Answers : MessageSink {
    void ShowMessageBox(const QString& text) override { boxes.append(text); }
    bool AskYesNo(const QString& text, const QString&) override {
        questions.append(text);
        return yes;
    }
    // The quit question: `choice` (0 quit, 1 save as, -1 cancel) once `yes` holds.
    int AskChoice(const QString& text, const QString&, const QStringList&) override {
        questions.append(text);
        return yes ? choice : -1;
    }
    QStringList boxes;
    QStringList questions;
    bool yes = true;
    int choice = 0;
};

// Takes the addresses the window asks the desktop to open.
class Opened : public QObject {
    Q_OBJECT
  public:
    QList<QUrl> urls;
  public Q_SLOTS:
    void Open(const QUrl& url) { urls.append(url); }
};

class WindowHabitsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        qputenv("SKIMMER_UPDATE_URL", home.Path("none.xml").toUtf8());
        session.Start();
        window = std::make_unique<MainWindow>(session, &answers);
        window->show();
        table = window->findChild<QTableView*>("resultTable");
        keywords = window->findChild<QTreeWidget*>("keywordList");
        ASSERT_TRUE(table && keywords);
    }
    void TearDown() override { window.reset(); }
    void AddRows(int count, const RowStatus& status = RowStatus::Waiting) {
        for (int i = 0; i < count; ++i) {
            const QString n = QString::number(session.Results().Size());
            // Port 9 on this machine: a retry started by a test fails at once, without leaving it.
            const QString link = "http://127.0.0.1:9/" + n + ".pdf";
            session.Results().AddLinkIfNew(link);  // as searches and imports do
            session.Results().AddEntry("row" + n, "pdf", "1", link, status);
        }
        qobject_cast<ResultTableModel*>(table->model())->Refresh();
    }
    void Highlight(std::initializer_list<int> rows) {
        table->clearSelection();
        for (int row : rows) {
            table->selectionModel()->select(table->model()->index(row, 0),
                                            QItemSelectionModel::Select | QItemSelectionModel::Rows);
        }
    }
    bool Ticked(int position) { return session.Results().IsChecked(*session.Results().IdAt(position)); }
    QStringList Titles() {
        QStringList titles;
        for (const ResultEntry& entry : session.Results().Snapshot()) titles.append(entry.title);
        return titles;
    }
    void Click(const char* name) { window->findChild<QPushButton*>(name)->click(); }
    QAction* Action(const char* name) { return window->findChild<QAction*>(name); }

    TempHome home;
    Session session{home.Path()};
    Answers answers;
    std::unique_ptr<MainWindow> window;
    QTableView* table = nullptr;
    QTreeWidget* keywords = nullptr;
};

TEST_F(WindowHabitsTest, ButtonsTakeTheHighlightedRowsElseTheTickedOnes) {
    // The caption says what the button does: it unticks.
    EXPECT_EQ(window->findChild<QPushButton*>("uncheckRowsButton")->text(), QString::fromUtf8("取消选择"));
    AddRows(4);
    ResultList& list = session.Results();
    list.SetChecked(*list.IdAt(0), true);
    list.SetChecked(*list.IdAt(3), true);
    Highlight({1});
    Click("checkRowsButton");  // one highlighted row is enough to narrow the buttons to it
    EXPECT_TRUE(Ticked(0) && Ticked(1) && !Ticked(2) && Ticked(3));
    Highlight({0, 1});
    Click("uncheckRowsButton");
    EXPECT_TRUE(!Ticked(0) && !Ticked(1) && !Ticked(2) && Ticked(3));

    answers.yes = false;
    Highlight({1, 2});
    Click("deleteRowsButton");  // two rows: asked, and No keeps them
    EXPECT_EQ(answers.questions.size(), 1);
    EXPECT_EQ(list.Size(), 4);
    answers.yes = true;
    Click("deleteRowsButton");
    EXPECT_EQ(Titles(), QStringList({"row0", "row3"}));

    table->clearSelection();
    qobject_cast<ResultTableModel*>(table->model())->Refresh();
    answers.questions.clear();
    Click("deleteRowsButton");  // nothing highlighted: the one ticked row, without a question
    EXPECT_TRUE(answers.questions.isEmpty());
    EXPECT_EQ(Titles(), QStringList({"row0"}));
    // The deleted links may come back.
    EXPECT_EQ(list.AddLinkIfNew("http://127.0.0.1:9/1.pdf"), 1);

    Click("uncheckRowsButton");  // nothing highlighted: unticks all
    EXPECT_FALSE(Ticked(0));
}

TEST_F(WindowHabitsTest, DeleteKeyAndClearAskBeforeMoreThanOne) {
    AddRows(3);
    table->setFocus();
    Highlight({1});
    QTest::keyClick(table, Qt::Key_Delete);
    EXPECT_EQ(Titles(), QStringList({"row0", "row2"}));
    EXPECT_TRUE(answers.questions.isEmpty());  // a single row goes without a question

    answers.yes = false;
    Click("clearListButton");
    EXPECT_EQ(answers.questions.size(), 1);
    EXPECT_EQ(session.Results().Size(), 2);
    answers.yes = true;
    Click("clearListButton");
    EXPECT_EQ(session.Results().Size(), 0);

    // The keyword list: Delete takes the highlighted keyword and leaves the others' ticks alone.
    for (const char* word : {"alpha", "beta", "gamma"}) {
        window->findChild<QLineEdit*>("keywordEdit")->setText(word);
        Click("addKeywordButton");
    }
    KeywordList& words = session.Keywords();
    words.SetTicked(2, true);
    keywords->setFocus();
    keywords->setCurrentItem(keywords->topLevelItem(0));
    QTest::keyClick(keywords, Qt::Key_Delete);
    EXPECT_EQ(words.Keywords(), QStringList({"beta", "gamma"}));
    EXPECT_TRUE(words.IsTicked(1));
    EXPECT_FALSE(words.IsTicked(0));
    answers.questions.clear();
    answers.yes = false;
    Click("clearKeywordsButton");
    EXPECT_EQ(answers.questions.size(), 1);
    EXPECT_EQ(words.Size(), 2);
}

TEST_F(WindowHabitsTest, RowMenuOpensCopiesRetriesAndInverts) {
    const QString folder = home.Path("save");
    QDir().mkpath(folder);
    session.GetOptions().SetCommittedText(SettingKey::SaveFolder, folder);
    AddRows(1, RowStatus::Downloaded);
    AddRows(2, RowStatus::Failed);
    home.Write("save/row0.pdf", "%PDF-1.4");
    Opened opened;
    QDesktopServices::setUrlHandler("file", &opened, "Open");

    Highlight({0});
    table->setCurrentIndex(table->model()->index(0, 0));
    Highlight({0});
    Action("openFileAction")->trigger();
    Action("openFolderAction")->trigger();
    EXPECT_EQ(opened.urls,
              QList<QUrl>({QUrl::fromLocalFile(home.Path("save/row0.pdf")), QUrl::fromLocalFile(folder)}));
    table->setCurrentIndex(table->model()->index(1, 0));  // failed: no file to open
    Action("openFileAction")->trigger();
    EXPECT_EQ(answers.boxes.size(), 1);
    QDesktopServices::unsetUrlHandler("file");

    Highlight({0, 2});
    Action("copyLinkAction")->trigger();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "http://127.0.0.1:9/0.pdf\nhttp://127.0.0.1:9/2.pdf");

    // Retry: the highlighted row waits again and the download starts, asking for a folder first when
    // there is none (declined here, so no walk changes the rows under the test).
    session.GetOptions().SetCommittedText(SettingKey::SaveFolder, QString());
    window->findChild<QLineEdit*>("savePathEdit")->clear();
    int picked = 0;
    window->SetFolderPicker([&](const QString&) {
        ++picked;
        return QString();
    });
    Highlight({2});
    Action("retryAction")->trigger();
    EXPECT_EQ(session.Results().Entry(*session.Results().IdAt(2))->status, RowStatus::Waiting);
    EXPECT_EQ(session.Results().Entry(*session.Results().IdAt(1))->status, RowStatus::Failed);
    EXPECT_EQ(picked, 1);

    session.Results().SetChecked(*session.Results().IdAt(1), true);
    Action("invertTicksAction")->trigger();
    EXPECT_TRUE(Ticked(0) && !Ticked(1) && Ticked(2));
}

TEST_F(WindowHabitsTest, ImportIntoRowsAsksReplaceOrAppend) {
    home.Write("file.list", "row1$pdf$1$http://127.0.0.1:9/1.pdf$等待\nnew$doc$2$http://b/new.doc$等待\n");
    AddRows(2);
    std::vector<MainWindow::ImportChoice> choices{MainWindow::ImportChoice::Cancel,
                                                  MainWindow::ImportChoice::Append,
                                                  MainWindow::ImportChoice::Replace};
    QList<qsizetype> asked;
    window->SetImportQuestion([&](qsizetype rows) {
        asked.append(rows);
        return choices[size_t(asked.size() - 1)];
    });
    auto loaded = [&] { return QTest::qWaitFor([&] { return !session.Lists().Loading(); }, 10000); };
    window->ImportList(home.Path("file.list"), StatusFilter());
    EXPECT_TRUE(loaded());
    EXPECT_EQ(Titles(), QStringList({"row0", "row1"}));
    window->ImportList(home.Path("file.list"), StatusFilter());  // the known link stays once
    EXPECT_EQ(Titles(), QStringList({"row0", "row1", "new"}));
    EXPECT_TRUE(session.GetOptions().Text(SettingKey::ListFile).isEmpty());
    window->ImportList(home.Path("file.list"), StatusFilter());
    // Until the file is in, what would act on the rows it replaces is refused and says why.
    Click("startDownloadButton");
    Click("exportButton");
    ASSERT_EQ(answers.boxes.size(), 2);
    EXPECT_EQ(answers.boxes[0], answers.boxes[1]);
    EXPECT_TRUE(loaded());
    EXPECT_EQ(Titles(), QStringList({"row1", "new"}));
    EXPECT_EQ(asked, QList<qsizetype>({2, 2, 3}));

    // A file that is no list appends nothing and keeps the rows.
    home.Write("broken.xml", "<list><item><title>x");
    window->SetImportQuestion([](qsizetype) { return MainWindow::ImportChoice::Append; });
    window->ImportList(home.Path("broken.xml"), StatusFilter());
    EXPECT_EQ(Titles(), QStringList({"row1", "new"}));
}

TEST_F(WindowHabitsTest, EnterAddsTheKeywordAndADuplicateIsNamed) {
    auto* edit = window->findChild<QLineEdit*>("keywordEdit");
    edit->setText("annual report");
    QTest::keyClick(edit, Qt::Key_Return);
    EXPECT_EQ(session.Keywords().Keywords(), QStringList({"annual report"}));
    EXPECT_TRUE(edit->text().isEmpty());
    EXPECT_EQ(keywords->topLevelItemCount(), 1);
    edit->setText("annual report");
    QTest::keyClick(edit, Qt::Key_Enter);
    EXPECT_EQ(session.Keywords().Size(), 1);
    EXPECT_EQ(edit->text(), "annual report");  // kept, to be corrected
    ASSERT_EQ(answers.boxes.size(), 1);
    EXPECT_TRUE(answers.boxes[0].contains("annual report"));
    edit->setText("   ");
    QTest::keyClick(edit, Qt::Key_Return);
    EXPECT_EQ(session.Keywords().Size(), 1);
}

TEST_F(WindowHabitsTest, ShortcutsWorkAndTabReachesEveryControlWithTheTableOnce) {
    const std::pair<const char*, QKeySequence> keys[] = {
        {"searchButton", QKeySequence(Qt::CTRL | Qt::Key_Return)},
        {"stopSearchButton", QKeySequence(Qt::Key_Escape)},
        {"startDownloadButton", QKeySequence(Qt::CTRL | Qt::Key_D)},
        {"stopDownloadButton", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_D)},
        {"importButton", QKeySequence(QKeySequence::Open)},
        {"exportButton", QKeySequence(QKeySequence::Save)}};
    for (const auto& [name, key] : keys) {
        auto* button = window->findChild<QPushButton*>(name);
        EXPECT_EQ(button->shortcut(), key) << name;
        EXPECT_TRUE(button->toolTip().contains(key.toString(QKeySequence::NativeText))) << name;
    }
    window->activateWindow();
    if (QTest::qWaitForWindowActive(window.get(), 2000)) {
        // The download shortcut reaches the core: on an empty list it says so.
        QTest::keyClick(window->windowHandle(), Qt::Key_D, Qt::ControlModifier);
        // A shortcut animates the click: the press lands a moment later.
        EXPECT_TRUE(QTest::qWaitFor([&] { return !answers.boxes.isEmpty(); }, 5000));
        EXPECT_EQ(answers.boxes, QStringList({QString::fromUtf8("下载列表为空")}));
    }

    QWidget* start = window->findChild<QLineEdit*>("keywordEdit");
    auto stops = [&](QWidget* w) {
        return (w->focusPolicy() & Qt::TabFocus) && w->isVisibleTo(window.get()) && w->isEnabled() &&
               w->window() == window.get();
    };
    QList<QWidget*> walk{start};
    for (QWidget* w = start->nextInFocusChain(); w != start && walk.size() < 1000;
         w = w->nextInFocusChain()) {
        if (stops(w)) walk.append(w);
    }
    EXPECT_LE(walk.indexOf(window->findChild<QPushButton*>("searchButton")), 2);
    EXPECT_EQ(walk.count(table), 1);
    for (QWidget* w : window->findChildren<QWidget*>()) {
        if (stops(w)) {
            EXPECT_TRUE(walk.contains(w))
                << w->objectName().toStdString() << " " << w->metaObject()->className();
        }
    }
    EXPECT_FALSE(table->tabKeyNavigation());
}

TEST_F(WindowHabitsTest, StatusCellShowsProgressSpeedAndReason) {
    AddRows(4);
    ResultList& list = session.Results();
    list.SetStatus(*list.IdAt(0), RowStatus::InProgress(42), QString());
    list.SetStatus(*list.IdAt(1), RowStatus::Failed, "HTTP 404");
    list.SetStatus(*list.IdAt(2), RowStatus::InProgress(250), QString());  // a percent past the end
    ResultTableModel* model = window->Model();
    auto cell = [&](int row, int role = Qt::DisplayRole) {
        return model->data(model->index(row, ResultTableModel::kStatusColumn), role);
    };
    EXPECT_EQ(cell(0, ResultTableModel::ProgressRole).toInt(), 42);
    EXPECT_EQ(cell(2, ResultTableModel::ProgressRole).toInt(), 100);
    EXPECT_FALSE(cell(1, ResultTableModel::ProgressRole).isValid());
    EXPECT_FALSE(cell(3, ResultTableModel::ProgressRole).isValid());
    EXPECT_EQ(cell(0).toString(), QString::fromUtf8("完成:42%"));  // no speed known: none shown
    EXPECT_TRUE(cell(1).toString().endsWith("HTTP 404"));
    EXPECT_EQ(cell(3).toString(), RowStatus::Waiting.Stored());

    QList<int> asked;
    model->SetSpeedSource([&](int row) -> qint64 {
        asked.append(row);
        return row == 0 ? 1536 * 1024 : 0;
    });
    EXPECT_EQ(cell(0).toString(),
              QString::fromUtf8("完成:42% · ") + ResultTableModel::DisplaySpeed(1536 * 1024));
    EXPECT_TRUE(ResultTableModel::DisplaySpeed(1536 * 1024).startsWith("1.5"));
    EXPECT_FALSE(cell(2).toString().contains(u'·'));  // no speed for this row
    EXPECT_EQ(asked, QList<int>({0, 2}));             // only rows in progress have a speed
    // The bars are drawn, highlighted or not.
    Highlight({0});
    table->viewport()->resize(800, 200);
    EXPECT_FALSE(table->viewport()->grab().isNull());
}

TEST_F(WindowHabitsTest, StartWithoutAFolderAsksForOne) {
    AddRows(1);
    auto* folder = window->findChild<QLineEdit*>("savePathEdit");
    // The start gives a default folder; a user who cleared it is asked for one.
    folder->clear();
    session.GetOptions().SetCommittedText(SettingKey::SaveFolder, QString());
    QStringList starts;
    QString answer;
    window->SetFolderPicker([&](const QString& start) {
        starts.append(start);
        return answer;
    });
    Click("startDownloadButton");  // cancelled: nothing starts, nothing is refused
    EXPECT_EQ(starts.size(), 1);
    EXPECT_TRUE(answers.boxes.isEmpty());
    EXPECT_EQ(session.Downloads().WalkingSlots(), 0);
    answer = home.Path("chosen");
    Click("startDownloadButton");
    EXPECT_EQ(folder->text(), answer);
    EXPECT_EQ(session.GetOptions().Text(SettingKey::SaveFolder), answer);
    EXPECT_TRUE(QFileInfo(answer).isDir());  // the start made it: it was taken
    session.Downloads().StopDownload();
    session.Downloads().WaitWalksEnded(5000);
    Click("startDownloadButton");  // a folder now: no question
    EXPECT_EQ(starts.size(), 2);
    session.Downloads().StopDownload();
    session.Downloads().WaitWalksEnded(5000);
}

// One question, naming the downloads that stop and where the list goes; Cancel (in the question or in
// its Save As) leaves everything running; the chosen file type decides the extension.
TEST_F(WindowHabitsTest, QuittingAsksOnceAndCancelCancels) {
    LocalServer server;
    std::atomic<bool> release{false};
    ServeStalledDocument(server, "/stall", release);
    server.Start();
    session.GetOptions().SetCommittedText(SettingKey::SaveFolder, home.Path("save"));
    window->findChild<QLineEdit*>("savePathEdit")->setText(home.Path("save"));
    session.Results().AddEntry("stalled", "pdf", EntrySize::Unknown, server.Url("/stall"),
                               RowStatus::Waiting);
    ASSERT_TRUE(session.Downloads().StartDownload());
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return session.Results().Snapshot().first().status.kind() == RowStatus::Kind::InProgress; },
        30000));
    QStringList picked;
    QString pickAnswer;
    window->SetSavePathPicker([&](const QString& filters, QString* chosen) {
        picked.append(filters);
        *chosen = filters.split(QStringLiteral(";;")).value(1);  // "List files (*.list)"
        return pickAnswer;
    });
    auto stillRunning = [&] {
        return window->isVisible() &&
               session.Downloads().WalkingSlots() + session.Downloads().BusySlots() > 0;
    };
    answers.yes = false;
    EXPECT_FALSE(window->close());
    EXPECT_TRUE(stillRunning());
    answers.yes = true;
    answers.choice = 1;  // Save As, then cancel the file dialog
    EXPECT_FALSE(window->close());
    EXPECT_TRUE(stillRunning());
    ASSERT_EQ(answers.questions.size(), 2);
    EXPECT_TRUE(answers.questions[0].contains(QString::fromUtf8("正在进行的下载：1 个")))
        << answers.questions[0].toStdString();
    EXPECT_TRUE(answers.questions[0].contains(home.Path("session.list")))
        << answers.questions[0].toStdString();
    EXPECT_EQ(picked.size(), 1);

    pickAnswer = home.Path("exp2");
    EXPECT_TRUE(window->close());
    release.store(true);
    EXPECT_EQ(answers.questions.size(), 3);
    EXPECT_TRUE(answers.boxes.isEmpty()) << answers.boxes.join(u'|').toStdString();
    const QByteArray kept = home.Read("exp2.list");
    EXPECT_TRUE(kept.contains("stalled")) << kept.constData();
    EXPECT_TRUE(kept.contains(RowStatus(RowStatus::Waiting).Stored().toUtf8())) << kept.constData();
    EXPECT_FALSE(home.Exists("exp2.xml"));
    EXPECT_TRUE(home.Read("config/Setting.ini").contains("ListPath=" + home.Path("exp2.list").toUtf8()));
}

// A list file named in the settings but not loaded (AutoLoad off) is never written over, neither with
// the empty table nor with rows it never held; a list the user emptied empties its file only when the
// quit question said so.
TEST(ListFileKeepingTest, AListFileIsOnlyWrittenWithTheListLoadedFromIt) {
    TempHome home;
    qputenv("SKIMMER_UPDATE_URL", home.Path("none.xml").toUtf8());
    Answers answers;
    auto run = [&](auto&& body) {
        Session session{home.Path()};
        session.Start();
        MainWindow window(session, &answers);
        window.SetSavePathPicker([&](const QString& filters, QString* chosen) {
            *chosen = filters.split(QStringLiteral(";;")).value(0);  // "List XML (*.xml)"
            return home.Path("first");
        });
        window.show();
        body(session, window);
        answers.questions.clear();
    };
    run([&](Session& session, MainWindow& window) {
        session.Results().AddEntry("a", "pdf", "1", "http://h/a.pdf", RowStatus::Waiting);
        answers.choice = 1;  // Save As "first", the XML filter chosen
        EXPECT_TRUE(window.close());
    });
    const QByteArray xml = home.Read("first.xml");
    const QByteArray twin = home.Read("first.xml.list");
    ASSERT_TRUE(twin.contains("http://h/a.pdf"));
    answers.choice = 0;
    run([&](Session& session, MainWindow& window) {
        EXPECT_EQ(session.Results().Size(), 0);
        EXPECT_TRUE(window.close());
        EXPECT_FALSE(answers.questions.value(0).contains(home.Path("first.xml")));
    });
    EXPECT_EQ(home.Read("first.xml"), xml);
    EXPECT_EQ(home.Read("first.xml.list"), twin);

    // New rows in that start go to the session list, and the question says so.
    run([&](Session& session, MainWindow& window) {
        session.Results().AddEntry("b", "pdf", "1", "http://h/b.pdf", RowStatus::Waiting);
        EXPECT_TRUE(window.close());
        EXPECT_TRUE(answers.questions.value(0).contains(home.Path("session.list")))
            << answers.questions.join(u"|").toStdString();
    });
    EXPECT_EQ(home.Read("first.xml.list"), twin);
    EXPECT_TRUE(home.Read("session.list").contains("http://h/b.pdf"));

    // Loaded at start and its rows deleted by the user: the question names the file that empties.
    home.Write("config/Setting.ini",
               "[FILE_FREE_DOC]\nAutoLoad=1\nListPath=" + home.Path("first.xml").toUtf8() + "\n");
    run([&](Session& session, MainWindow& window) {
        ASSERT_EQ(session.Results().Size(), 1);
        session.Results().DeleteRows({*session.Results().IdAt(0)});
        answers.yes = false;
        EXPECT_FALSE(window.close());
        EXPECT_EQ(home.Read("first.xml.list"), twin);  // saved before the question, but never emptied
        EXPECT_TRUE(answers.questions.value(0).contains(home.Path("first.xml")))
            << answers.questions.join(u"|").toStdString();
        answers.yes = true;
        EXPECT_TRUE(window.close());
    });
    EXPECT_EQ(home.Read("first.xml.list"), QByteArray());
}

// After a start-up load that skipped lines, the quit question names the new file the rows go to: the file
// they came from is left as it is.
TEST(ListFileKeepingTest, ALoadThatSkippedLinesSaysSoAndTheQuitKeepsItsFile) {
    TempHome home;
    qputenv("SKIMMER_UPDATE_URL", home.Path("none.xml").toUtf8());
    Answers answers;
    const QByteArray odd = "a$pdf$1$http://h/a.pdf$" + RowStatus::Waiting.Stored().toUtf8() +
                           "\njust a title line\nb$pdf$1$http://h/b.pdf\n";
    home.Write("odd.list", odd);
    home.Write("config/Setting.ini",
               "[FILE_FREE_DOC]\nAutoLoad=1\nListPath=" + home.Path("odd.list").toUtf8() + "\n");
    Session session{home.Path()};
    session.Lists().SetLoadInBackground(true);
    session.Start();
    MainWindow window(session, &answers);
    window.show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !session.Lists().Loading(); }, 30000));
    EXPECT_EQ(session.Results().Size(), 2);
    EXPECT_TRUE(window.close());
    ASSERT_EQ(answers.questions.size(), 1);
    EXPECT_TRUE(answers.questions[0].contains(home.Path("odd-1.list"))) << answers.questions[0].toStdString();
    EXPECT_EQ(home.Read("odd.list"), odd);
    EXPECT_TRUE(home.Read("odd-1.list").contains("http://h/b.pdf"));
}

// Search says what is missing; pages left waiting by a search with other options are not asked again
// without a question, and "start anew" drops them. No box is left ticked that would reach the web.
TEST_F(WindowHabitsTest, SearchAsksBeforeCarryingOnAnotherSearchsPages) {
    Click("searchButton");
    ASSERT_EQ(answers.boxes.size(), 1);
    EXPECT_TRUE(answers.boxes[0].contains(QString::fromUtf8("关键字"))) << answers.boxes[0].toStdString();
    EXPECT_FALSE(session.Search().IsBusy());

    session.Keywords().AddKeyword("report");
    for (const char* name : {"baiduCheck", "wordCheck", "pdfCheck", "pptCheck", "xlsCheck", "txtCheck",
                             "rtfCheck", "archiveCheck"}) {
        window->findChild<QCheckBox*>(name)->setChecked(false);
    }
    ASSERT_TRUE(session.Search().Queue().QueueUrl(
        "http://www.baidu.com/s?wd=filetype%3Appt%20(report)&pn=10&lm=0", 0));
    ASSERT_EQ(session.Search().PendingPageCount(), 1);
    answers.yes = false;  // Cancel: nothing starts, the page still waits
    Click("searchButton");
    ASSERT_EQ(answers.questions.size(), 1);
    EXPECT_TRUE(answers.questions[0].contains("1")) << answers.questions[0].toStdString();
    EXPECT_FALSE(session.Search().IsBusy());
    EXPECT_EQ(session.Search().PendingPageCount(), 1);
    answers.yes = true;
    answers.choice = 1;  // start anew
    Click("searchButton");
    EXPECT_EQ(session.Search().PendingPageCount(), 0);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !session.Search().IsBusy(); }, 10000));
    EXPECT_EQ(session.Search().Queue().Waiting(), 0);
}

TEST_F(WindowHabitsTest, TheEndOfASearchIsSummedUpOnTheStatusLine) {
    const QString summary = QStringLiteral("Search ended: 3 sources asked, 1 blocked, 7 rows added.");
    Q_EMIT session.searchSummary(summary);
    auto* line = window->findChild<QLineEdit*>("statusLine");
    ASSERT_NE(line, nullptr);
    EXPECT_TRUE(QTest::qWaitFor([&] { return line->text().startsWith(summary); }, 5000))
        << line->text().toStdString();
    EXPECT_EQ(line->toolTip(), summary);
}

// At 1,024 x 600 nothing is cut off and nothing scrolls sideways: the options fold and scroll down, the
// title and the link take the spare width. Both languages, since their captions differ in length.
TEST(WindowLayoutTest, FitsASmallScreenInBothLanguages) {
    for (const char* language : {Language::kEnglish, Language::kChinese}) {
        SCOPED_TRACE(language);
        ASSERT_TRUE(Language::Apply(QLatin1StringView(language)));
        TempHome home;
        Session session{home.Path()};
        session.Start();
        Answers answers;
        MainWindow window(session, &answers);
        window.resize(1024, 600);
        window.show();
        QApplication::processEvents();
        EXPECT_LE(window.minimumSizeHint().width(), 1024);
        EXPECT_LE(window.minimumSizeHint().height(), 600);
        EXPECT_EQ(window.size(), QSize(1024, 600));
        auto* scroll = window.findChild<QScrollArea*>("optionsScroll");
        ASSERT_NE(scroll, nullptr);
        EXPECT_FALSE(scroll->horizontalScrollBar()->isVisible());
        const QRect inside = window.rect();
        int controls = 0;
        for (QWidget* w : window.findChildren<QWidget*>()) {
            const bool control = qobject_cast<QAbstractButton*>(w) || qobject_cast<QLineEdit*>(w) ||
                                 qobject_cast<QComboBox*>(w) || qobject_cast<QAbstractItemView*>(w);
            if (!control || !w->isVisibleTo(&window) || qobject_cast<QAbstractItemView*>(w->parentWidget()))
                continue;
            ++controls;
            const QString name = w->objectName() + u' ' + QLatin1StringView(w->metaObject()->className());
            if (scroll->widget()->isAncestorOf(w)) {
                // In the options: whole across the visible width; further down is reached by scrolling.
                const QRect at(w->mapTo(scroll->viewport(), QPoint(0, 0)), w->size());
                EXPECT_GE(at.left(), 0) << name.toStdString();
                EXPECT_LE(at.right(), scroll->viewport()->width() - 1) << name.toStdString();
            } else {
                const QRect at(w->mapTo(&window, QPoint(0, 0)), w->size());
                EXPECT_TRUE(inside.contains(at)) << name.toStdString();
            }
        }
        EXPECT_GT(controls, 60);
        auto* table = window.findChild<QTableView*>("resultTable");
        const QHeaderView* header = table->horizontalHeader();
        EXPECT_GT(header->sectionSize(ResultTableModel::kTitleColumn),
                  ResultTableModel::ColumnWidth(ResultTableModel::kTitleColumn));
        EXPECT_GT(header->sectionSize(ResultTableModel::kLinkColumn),
                  ResultTableModel::ColumnWidth(ResultTableModel::kLinkColumn));
        EXPECT_EQ(header->sectionSize(ResultTableModel::kStatusColumn),
                  std::max(ResultTableModel::ColumnWidth(ResultTableModel::kStatusColumn),
                           ProgressDelegate::ColumnWidth(*table)));
        EXPECT_LE(header->length(), table->viewport()->width());
        // The widest progress text fits its bar in the status column.
        EXPECT_GE(header->sectionSize(ResultTableModel::kStatusColumn) - 8,
                  table->fontMetrics().horizontalAdvance(ResultTableModel::ProgressText(100, 1073636966)));
        // Six-digit counters during a download show whole, beside the search counters.
        const auto text = [](const char* source) { return QCoreApplication::translate("Session", source); };
        const QString counters = text("List:%1 Downloaded:%2 Threads:%3").arg(254321).arg(125000).arg(16) +
                                 "  " + text("Done %1/%2  %3  left %4").arg(125000).arg(254321).arg(
                                            Session::FormatRate(1023 * 1024 + 900), Session::FormatDuration(446399));
        Q_EMIT session.countersChanged(counters, text("All:%1 To check:%2").arg(987654).arg(876543));
        QApplication::processEvents();
        EXPECT_LE(window.minimumSizeHint().width(), 1024);
        for (const char* name : {"listCounters", "searchCounters"}) {
            auto* field = window.findChild<QLineEdit*>(name);
            field->setCursorPosition(int(field->text().size()));
            field->grab();  // a paint scrolls the text to show the cursor at its end
            EXPECT_EQ(field->cursorPositionAt(QPoint(4, field->height() / 2)), 0)  // and the start stays
                << name << ' ' << field->text().toStdString();
        }
        answers.yes = false;
        window.hide();
    }
}

// A short question under a long title is widened so the title bar shows the whole title.
TEST(WindowLayoutTest, MessageBoxIsAsWideAsItsTitle) {
    QWidget parent;
    const QString title = "Confirm Removal of Every Ticked Row";
    int width = 0;
    QFont bold = parent.font();
    bold.setBold(true);
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        width = box->width();
        box->done(QMessageBox::No);
    });
    DialogMessages(&parent).AskYesNo("Sure?", title);
    EXPECT_GE(width, QFontMetrics(bold).horizontalAdvance(title) + 100);
}

TEST(WindowLayoutTest, SizeSplitterAndColumnsComeBackAfterARestart) {
    TempHome home;
    qputenv("SKIMMER_UPDATE_URL", home.Path("none.xml").toUtf8());
    Answers answers;
    QList<int> split;
    {
        Session session{home.Path()};
        session.Start();
        MainWindow window(session, &answers);
        window.show();
        window.resize(900, 560);
        auto* splitter = window.findChild<QSplitter*>("mainSplitter");
        splitter->setSizes({150, 300});
        QApplication::processEvents();
        split = splitter->sizes();
        window.findChild<QTableView*>("resultTable")->setColumnWidth(ResultTableModel::kStatusColumn, 230);
        EXPECT_TRUE(window.close());
    }
    EXPECT_TRUE(home.Read("config/Setting.ini").contains("[Window]"));
    Session session{home.Path()};
    session.Start();
    MainWindow window(session, &answers);
    window.show();
    QApplication::processEvents();
    EXPECT_EQ(window.size(), QSize(900, 560));
    EXPECT_EQ(window.findChild<QSplitter*>("mainSplitter")->sizes(), split);
    EXPECT_EQ(window.findChild<QTableView*>("resultTable")->columnWidth(ResultTableModel::kStatusColumn),
              230);
    // The other settings are still there beside the window's section.
    EXPECT_TRUE(home.Read("config/Setting.ini").contains("BaiduSearch=1"));
    EXPECT_TRUE(window.close());

    // A damaged section is no geometry: the window opens at its usual size.
    home.Write("config/Setting.ini", "[Window]\nGeometry=!!not base64!!\nSplitter=AAAA\nColumns=\xff\xfe\n");
    Session again{home.Path()};
    again.Start();
    MainWindow fresh(again, &answers);
    fresh.show();
    QApplication::processEvents();
    EXPECT_GT(fresh.width(), 200);
    EXPECT_EQ(fresh.findChild<QTableView*>("resultTable")->horizontalHeader()->count(),
              ResultTableModel::kColumns);
    EXPECT_TRUE(fresh.close());
}

}  // namespace

#include "WindowHabitsTest.moc"
