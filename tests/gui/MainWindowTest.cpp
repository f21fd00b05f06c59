#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTableView>
#include <QTest>
#include <QThread>

#include "LocalServer.h"
#include "StalledDocument.h"
#include "TempHome.h"
#include "app/Session.h"
#include "engines/EngineCatalog.h"
#include "gui/EnginesDialog.h"
#include "gui/Language.h"
#include "gui/ListDialogs.h"
#include "gui/MainWindow.h"
#include "gui/UpdateDialog.h"
#include "lists/EngineKeys.h"
#include "lists/MessageSink.h"

namespace {

struct Answers : MessageSink {
    void ShowMessageBox(const QString& text) override { boxes.append(text); }
    // "Save the list?" would open a file dialog: always No here.
    bool AskYesNo(const QString& text, const QString&) override {
        questions.append(text);
        return yes && !text.contains(QString::fromUtf8("保存列表"));
    }
    QStringList boxes;
    QStringList questions;
    bool yes = true;
};

class MainWindowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        home.Write("update.xml",
                   "<updateinfo><update enable=\"true\" apptype=\"skimmerorder\"><app ver=\"0.1-20000101\" "
                   "vdate=\"d\"><info>old</info><downaddr>x</downaddr></app></update></updateinfo>");
        qputenv("SKIMMER_UPDATE_URL", home.Path("update.xml").toUtf8());
        session.Start();
    }
    template <typename T>
    T* Find(const QString& name) {
        T* widget = window->findChild<T*>(name);
        EXPECT_NE(widget, nullptr) << name.toStdString();
        return widget;
    }
    void Pump(int milliseconds) {
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < milliseconds) {
            QApplication::processEvents();
            QThread::msleep(5);
        }
    }

    TempHome home;
    Session session{home.Path()};
    Answers answers;
    std::unique_ptr<MainWindow> window;
};

TEST_F(MainWindowTest, ControlsCarryTheOptionsAndTheirCoupling) {
    window = std::make_unique<MainWindow>(session, &answers);
    window->show();
    EXPECT_TRUE(Find<QCheckBox>("baiduCheck")->isChecked());  // Baidu on a fresh installation
    EXPECT_EQ(Find<QLineEdit>("downloadThreadsEdit")->text(), "10");
    EXPECT_FALSE(Find<QLineEdit>("otherEngineEdit")->isEnabled());
    Find<QCheckBox>("otherEngineCheck")->setChecked(true);
    EXPECT_TRUE(Find<QLineEdit>("otherEngineEdit")->isEnabled());
    EXPECT_EQ(session.GetOptions().LiveInt(SettingKey::EngineOther), 1);
    // The engines added since: off on a fresh installation, each ticking its own setting.
    const std::pair<const char*, SettingKey> added[] = {{"duckDuckGoCheck", SettingKey::EngineDuckDuckGo},
                                                        {"braveCheck", SettingKey::EngineBrave},
                                                        {"yandexCheck", SettingKey::EngineYandex},
                                                        {"startpageCheck", SettingKey::EngineStartpage}};
    for (const auto& [name, key] : added) {
        EXPECT_FALSE(Find<QCheckBox>(name)->isChecked()) << name;
        Find<QCheckBox>(name)->setChecked(true);
        EXPECT_EQ(session.GetOptions().LiveInt(key), 1) << name;
    }
    Find<QLineEdit>("titleLengthEdit")->setText("300");
    Find<QPushButton>("startDownloadButton")->click();  // refused entry reported, then the empty list
    EXPECT_EQ(answers.boxes, QStringList({QString::fromUtf8("请输入一个介于 0 和 255 之间的整数。"),
                                          QString::fromUtf8("下载列表为空")}));
}

TEST_F(MainWindowTest, CloseAnsweredNoKeepsRunningWithEverythingSaved) {
    window = std::make_unique<MainWindow>(session, &answers);
    window->show();
    Find<QLineEdit>("keywordEdit")->setText("report");
    Find<QPushButton>("addKeywordButton")->click();
    answers.yes = false;
    EXPECT_FALSE(window->close());
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(answers.questions, QStringList({QString::fromUtf8("要退出来程序吗？")}));
    EXPECT_TRUE(home.Read("config/Setting.ini").contains("BaiduSearch=1"));
    EXPECT_EQ(home.Read("key.list"), QByteArray("report\n"));
    answers.yes = true;
    EXPECT_TRUE(window->close());
}

TEST_F(MainWindowTest, ClosingDuringADownloadSavesTheRowAsWaiting) {
    LocalServer server;
    std::atomic<bool> release{false};
    ServeStalledDocument(server, "/stall", release);
    server.Start();
    window = std::make_unique<MainWindow>(session, &answers);
    window->show();
    Options& options = session.GetOptions();
    options.SetCommittedText(SettingKey::ListFile, home.Path("list.xml"));
    options.SetCommittedText(SettingKey::SaveFolder, home.Path("save"));
    Find<QLineEdit>("savePathEdit")->setText(home.Path("save"));
    session.Results().AddEntry("stalled", "pdf", EntrySize::Unknown, server.Url("/stall"),
                               RowStatus::Waiting);
    ASSERT_TRUE(session.Downloads().StartDownload());
    QElapsedTimer clock;
    clock.start();
    while (session.Results().Snapshot().first().status.kind() != RowStatus::Kind::InProgress &&
           clock.elapsed() < 30000) {
        Pump(20);
    }
    EXPECT_TRUE(window->close());
    release.store(true);
    const QString saved = QString::fromUtf8(home.Read("list.xml"));
    EXPECT_TRUE(saved.contains(QString::fromUtf8("<status>等待</status>"))) << saved.toStdString();
    EXPECT_FALSE(saved.contains(QString::fromUtf8("完成:")));
}

TEST_F(MainWindowTest, ListRoundTripTrayAndStatusLine) {
    window = std::make_unique<MainWindow>(session, &answers);
    window->show();
    ResultList& list = session.Results();
    list.AddEntry("one", "pdf", EntrySize::Unknown, "http://a/1.pdf", RowStatus::Waiting);
    list.AddEntry("two", "doc", EntrySize::Unknown, "http://a/2.doc", RowStatus::Failed);
    window->ExportList(home.Path("saved"), StatusFilter());
    EXPECT_TRUE(home.Exists("saved.xml"));
    EXPECT_TRUE(window->windowTitle().endsWith(QString::fromUtf8("—") + home.Path("saved.xml")));
    list.ClearRows();
    window->ImportList(home.Path("saved.xml"), StatusFilter());
    EXPECT_TRUE(QTest::qWaitFor([&] { return !session.Lists().Loading(); }, 10000));
    EXPECT_EQ(list.Size(), 2);
    Pump(300);
    EXPECT_EQ(Find<QTableView>("resultTable")->model()->rowCount(), 2);
    // A row's reason is its status cell's tooltip and never reaches a list file.
    list.SetStatus(*list.IdAt(1), RowStatus::Failed, "HTTP 404");
    const QAbstractItemModel* model = Find<QTableView>("resultTable")->model();
    EXPECT_EQ(model->data(model->index(1, 4), Qt::ToolTipRole).toString(), "HTTP 404");
    // The cell shows it beside the status.
    EXPECT_EQ(model->data(model->index(1, 4), Qt::DisplayRole).toString(),
              RowStatus::Failed.Stored() + QString::fromUtf8("：HTTP 404"));
    EXPECT_EQ(model->data(model->index(0, 4), Qt::ToolTipRole).toString(), RowStatus::Waiting.Stored());
    window->ExportList(home.Path("again"), StatusFilter());
    EXPECT_TRUE(home.Read("again.xml").contains(RowStatus::Failed.Stored().toUtf8()));
    EXPECT_FALSE(home.Read("again.xml").contains("HTTP 404"));
    EXPECT_FALSE(home.Read("again.xml.list").contains("HTTP 404"));

    session.ShowMsg("worker", "says", "hi", 0);
    Pump(250);
    EXPECT_EQ(Find<QLineEdit>("statusLine")->text(), "worker says hi");
    window->ToggleVisible();
    EXPECT_FALSE(window->isVisible());
    window->ToggleVisible();
    EXPECT_TRUE(window->isVisible());
    window->close();
}

TEST_F(MainWindowTest, ListDialogsChooseAndSetStatuses) {
    StatusChoiceDialog choose(answers);
    for (const char* name : {"downloadedCheck", "failedCheck", "waitingCheck", "downloadingCheck"}) {
        choose.findChild<QCheckBox*>(name)->setChecked(false);
    }
    choose.accept();
    EXPECT_EQ(answers.boxes, QStringList({QString::fromUtf8("请至少选择一项")}));
    EXPECT_EQ(choose.result(), QDialog::Rejected);  // stays open
    choose.findChild<QCheckBox*>("waitingCheck")->setChecked(true);
    const StatusFilter filter = choose.Filter();
    EXPECT_TRUE(filter.waiting);
    EXPECT_FALSE(filter.downloaded);

    ResultList& list = session.Results();
    list.AddEntry("a", "pdf", "1", "http://a/1", RowStatus::Waiting);
    list.AddEntry("b", "pdf", "1", "http://a/2", RowStatus::Downloaded);
    list.CheckByStatus(filter);
    StatusActionDialog status;
    EXPECT_EQ(status.Action(), ResultList::StatusAction::AllToWaiting);
    status.findChild<QAbstractButton*>("failedRadio")->setChecked(true);
    list.ApplyStatusAction(status.Action());
    EXPECT_EQ(list.Entry(*list.IdAt(0))->status, RowStatus::Failed);
    EXPECT_EQ(list.Entry(*list.IdAt(1))->status, RowStatus::Downloaded);
}

TEST_F(MainWindowTest, UpdateDialogFillsOrSaysNothingNew) {
    home.Write("newer.xml",
               "<updateinfo><update enable=\"true\" apptype=\"skimmerorder\"><app ver=\"9.9-20991231\" "
               "vdate=\"2099-12-31\"><info>better</info><downaddr>http://example.org/new</downaddr></app>"
               "</update></updateinfo>");
    UpdateInfo info("0.1-20261207");
    QMutex lock;
    info.Parse(home.Path("newer.xml"));
    UpdateDialog filled(info, lock, home.Path("newer.xml"), answers, true);
    EXPECT_EQ(filled.findChild<QLineEdit*>("latestVersionEdit")->text(), "9.9-20991231");
    EXPECT_EQ(filled.findChild<QLineEdit*>("versionDateEdit")->text(), "2099-12-31");

    UpdateInfo current("0.1-20261207");
    UpdateDialog dialog(current, lock, home.Path("update.xml"), answers, false);
    dialog.CheckNow();
    EXPECT_EQ(dialog.findChild<QLineEdit*>("latestVersionEdit")->text(),
              QString::fromUtf8("正在获取最新版本..."));
    QElapsedTimer clock;
    clock.start();
    while (answers.boxes.isEmpty() && clock.elapsed() < 10000) QApplication::processEvents();
    EXPECT_EQ(answers.boxes, QStringList({QString::fromUtf8("没有可用的更新！")}));
    EXPECT_EQ(dialog.result(), QDialog::Rejected);

    // Nobody answers (port 9 is closed here): the check says it failed and why, not "no update".
    UpdateDialog unreachable(current, lock, "http://127.0.0.1:9/update.xml", answers, false);
    unreachable.CheckNow();
    EXPECT_TRUE(QTest::qWaitFor([&] { return answers.boxes.size() == 2; }, 10000));
    EXPECT_TRUE(answers.boxes.value(1).contains("127.0.0.1")) << answers.boxes.value(1).toStdString();
    EXPECT_NE(unreachable.findChild<QLineEdit*>("latestVersionEdit")->text(),
              QString::fromUtf8("正在获取最新版本..."));
}

TEST_F(MainWindowTest, SearchPressedTwiceCancelsTheBuild) {
    window = std::make_unique<MainWindow>(session, &answers);
    for (int i = 0; i < 3000; ++i) session.Keywords().AddKeyword(QStringLiteral("keyword%1").arg(i));
    QPushButton* search = Find<QPushButton>("searchButton");
    search->click();
    search->click();
    QElapsedTimer clock;
    clock.start();
    while (session.Search().IsBusy() && clock.elapsed() < 30000) QApplication::processEvents();
    EXPECT_FALSE(session.Search().IsBusy());
    EXPECT_EQ(session.Search().RunningThreads(), 0);
    EXPECT_LT(session.Search().Queue().SeenCount(), 3000 * 130 * 5);
    window->close();
}

}  // namespace

int main(int argc, char** argv) {
    // Tests are also listed at build time, where there is no display.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // The window's texts are checked in Chinese here; LanguageTest switches languages itself.
    Language::Apply(Language::kChinese);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

namespace {

TEST(EnginesDialogTest, ListsEveryEngineMasksKeysAndWritesThem) {
    TempHome home;
    home.Write("config/Setting.ini", "[FILE_FREE_DOC]\nOpenAlexSearch=1\n[Engines]\nBraveApiKey=old-token\n");
    Session session{home.Path()};
    session.Start();
    EnginesDialog dialog(session);
    for (const EngineDefinition& engine : session.Engines()->Engines())
        EXPECT_NE(dialog.findChild<QCheckBox*>("engine-" + engine.id), nullptr) << engine.id.toStdString();
    auto* openAlex = dialog.findChild<QCheckBox*>("engine-openalex");
    auto* brave = dialog.findChild<QCheckBox*>("engine-brave-api");
    auto* token = dialog.findChild<QLineEdit*>("key-BraveApiKey");
    auto* instances = dialog.findChild<QLineEdit*>("key-SearxngUrls");
    ASSERT_TRUE(openAlex && brave && token && instances);
    EXPECT_TRUE(openAlex->isChecked());
    EXPECT_EQ(token->text(), "old-token");
    EXPECT_EQ(token->echoMode(), QLineEdit::Password);
    EXPECT_EQ(instances->echoMode(), QLineEdit::Normal);
    EXPECT_EQ(dialog.findChild<QLineEdit*>("key-OpenAlexMailto")->echoMode(), QLineEdit::Normal);
    dialog.findChild<QCheckBox*>("showKeysCheck")->setChecked(true);
    EXPECT_EQ(token->echoMode(), QLineEdit::Normal);
    // Built-in names in the window's language; the dialog and its buttons within the screen's free area.
    EXPECT_EQ(dialog.findChild<QCheckBox*>("engine-baidu")->text(), QString::fromUtf8("百度"));
    dialog.show();
    QApplication::processEvents();
    const QRect free = dialog.screen()->availableGeometry();
    EXPECT_LE(dialog.frameGeometry().height(), free.height());
    EXPECT_LE(dialog.frameGeometry().width(), free.width());
    for (QAbstractButton* button : dialog.findChildren<QDialogButtonBox*>().value(0)->buttons()) {
        const QRect at(button->mapTo(&dialog, QPoint(0, 0)), button->size());
        EXPECT_TRUE(dialog.rect().contains(at)) << button->text().toStdString();
    }
    brave->setChecked(true);
    token->setText("new-token\n");
    instances->setText("http://searx.test");
    dialog.accept();
    EXPECT_TRUE(session.GetOptions().Checked(SettingKey::EngineBraveApi));
    const EngineKeys keys = EngineKeys::Load(session.Settings());
    EXPECT_EQ(keys.braveApiKey, "new-token");
    EXPECT_EQ(keys.searxngUrls, "http://searx.test");
}

TEST(EnginesDialogTest, EachPdfSiteHasItsOwnBoxTickedByDefault) {
    TempHome home;
    Session session{home.Path()};
    session.Start();
    EnginesDialog dialog(session);
    auto* geni = dialog.findChild<QCheckBox*>("site-PdfGeniSearch");
    auto* searchOrg = dialog.findChild<QCheckBox*>("site-PdfSearchOrgSearch");
    auto* queen = dialog.findChild<QCheckBox*>("site-PdfQueenSearch");
    ASSERT_TRUE(geni && searchOrg && queen);
    EXPECT_EQ(queen->text(), "www.pdfqueen.com");
    EXPECT_TRUE(geni->isChecked() && searchOrg->isChecked() && queen->isChecked());
    queen->setChecked(false);
    dialog.accept();
    EXPECT_FALSE(session.GetOptions().Checked(SettingKey::PdfSiteQueen));
    EXPECT_TRUE(session.GetOptions().Checked(SettingKey::PdfSiteGeni));
    ASSERT_TRUE(session.SaveSettings());
    EXPECT_TRUE(home.Read("config/Setting.ini").contains("PdfQueenSearch=0\n"));
}

}  // namespace
