#include <gtest/gtest.h>

#include <QAbstractItemModel>
#include <QFile>
#include <QMenu>
#include <QPushButton>
#include <QRegularExpression>
#include <QSet>
#include <QSystemTrayIcon>
#include <QTableView>
#include <QXmlStreamReader>

#include "TempHome.h"
#include "app/Session.h"
#include "gui/Language.h"
#include "gui/MainWindow.h"
#include "lists/MessageSink.h"
#include "lists/ResultEntry.h"

namespace {

// Yes to "quit?", no to "save the list?" (which would open a file dialog).
struct Silent : MessageSink {
    void ShowMessageBox(const QString&) override {}
    bool AskYesNo(const QString&, const QString&) override { return ++questions == 1; }
    int questions = 0;
};

// Puts the test binary's language back to the Chinese the other window tests check.
struct RestoreChinese {
    ~RestoreChinese() { Language::Apply(Language::kChinese); }
};

struct Captions {
    QString search;
    QString handOff;
    QString trayFirst;
    QString firstHeader;
    QString waiting;
    QString progress;
};

Captions BuildWindowAndRead(const QString& language) {
    TempHome home;
    Session session{home.Path()};
    session.Start();
    session.Results().AddEntry("a", "pdf", EntrySize::Unknown, "http://a/1.pdf", RowStatus::Waiting);
    session.Results().AddEntry("b", "pdf", "1", "http://a/2.pdf", RowStatus::Waiting);
    session.Results().SetStatus(*session.Results().IdAt(1), RowStatus::InProgress(42), QString());
    EXPECT_TRUE(Language::Apply(language));
    Silent messages;
    MainWindow window(session, &messages);
    Captions captions;
    captions.search = window.findChild<QPushButton*>("searchButton")->text();
    captions.handOff = window.findChild<QPushButton*>("sendToAria2Button")->text();
    captions.trayFirst = window.Tray()->contextMenu()->actions().first()->text();
    const QAbstractItemModel* model = window.findChild<QTableView*>("resultTable")->model();
    captions.firstHeader = model->headerData(0, Qt::Horizontal).toString();
    captions.waiting = model->data(model->index(0, 4), Qt::DisplayRole).toString();
    captions.progress = model->data(model->index(1, 4), Qt::DisplayRole).toString();
    window.close();
    return captions;
}

TEST(LanguageTest, TheWindowSpeaksEnglishOrChinese) {
    RestoreChinese restore;
    const Captions english = BuildWindowAndRead(Language::kEnglish);
    EXPECT_EQ(english.search, "Search");
    EXPECT_EQ(english.handOff, "Send to aria2");
    EXPECT_EQ(english.trayFirst, "Show Window");
    EXPECT_EQ(english.firstHeader, "File Name");
    EXPECT_EQ(english.waiting, "Waiting");
    EXPECT_EQ(english.progress, "Done: 42%");

    const Captions chinese = BuildWindowAndRead(Language::kChinese);
    EXPECT_EQ(chinese.search, QString::fromUtf8("搜索"));
    EXPECT_EQ(chinese.handOff, QString::fromUtf8("发送到 aria2"));
    EXPECT_EQ(chinese.trayFirst, QString::fromUtf8("显示主窗口"));
    EXPECT_EQ(chinese.firstHeader, QString::fromUtf8("文件名"));
    // The table shows the stored status texts unchanged in Chinese.
    EXPECT_EQ(chinese.waiting, RowStatus::Waiting.Stored());
    EXPECT_EQ(chinese.progress, RowStatus::InProgress(42).Stored());
}

TEST(LanguageTest, CommandLineWinsThenTheKeptChoiceThenTheLocale) {
    const QLocale chinese(QLocale::Chinese, QLocale::China);
    const QLocale english(QLocale::English, QLocale::UnitedStates);
    EXPECT_EQ(Language::Choose("en", "", chinese), "en");
    EXPECT_EQ(Language::Choose("zh_CN", "en", english), "zh_CN");
    EXPECT_EQ(Language::Choose("", "", chinese), "zh_CN");
    EXPECT_EQ(Language::Choose("", "", english), "en");
    EXPECT_EQ(Language::Choose("", "en", chinese), "en");
    // Unknown names, from the command line or a hand-edited file, fall through.
    EXPECT_EQ(Language::Choose("fr", "", chinese), "zh_CN");
    EXPECT_EQ(Language::Choose("", "../../x", english), "en");

    TempHome home;
    Session session{home.Path()};
    session.Start();
    const QString settings = session.Home().SettingsPath();
    EXPECT_EQ(Language::Resolve("en", settings, chinese), "en");
    // Kept for the next start, and kept when the window saves its settings.
    EXPECT_EQ(Language::Resolve("", settings, chinese), "en");
    EXPECT_TRUE(session.SaveSettings());
    EXPECT_TRUE(home.Read("config/Setting.ini").contains("Language=en"));
    EXPECT_EQ(Language::Resolve("", settings, chinese), "en");
    EXPECT_EQ(Language::Resolve("xx", settings, chinese), "en");
    EXPECT_EQ(Language::Resolve("zh_CN", settings, english), "zh_CN");
    EXPECT_EQ(Language::Resolve("", settings, english), "zh_CN");
}

// Every entry of the translation kept in the repository is finished and still used, and keeps the
// placeholders of its source: lupdate marks new texts unfinished and removed ones vanished.
TEST(TranslationFileTest, EveryEntryIsFinishedAndCurrent) {
    QFile file(QStringLiteral(SKIMMER_TS_FILE));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << SKIMMER_TS_FILE;
    QXmlStreamReader xml(&file);
    QString context, source;
    int messages = 0;
    const QRegularExpression placeholder(QStringLiteral("%\\d"));
    auto placeholders = [&](const QString& text) {
        QSet<QString> found;
        for (auto it = placeholder.globalMatch(text); it.hasNext();) found.insert(it.next().captured());
        return found;
    };
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement) continue;
        if (xml.name() == QLatin1StringView("name")) {
            context = xml.readElementText();
        } else if (xml.name() == QLatin1StringView("source")) {
            source = xml.readElementText();
        } else if (xml.name() == QLatin1StringView("translation")) {
            ++messages;
            const QString type = xml.attributes().value(QLatin1StringView("type")).toString();
            const QString where = context + QStringLiteral(": \"") + source + u'"';
            EXPECT_NE(type.toStdString(), "unfinished") << "unfinished: " << where.toStdString();
            EXPECT_NE(type.toStdString(), "vanished") << "no longer in the sources: " << where.toStdString();
            EXPECT_NE(type.toStdString(), "obsolete") << "no longer in the sources: " << where.toStdString();
            const QString translation = xml.readElementText();
            EXPECT_FALSE(translation.isEmpty()) << "empty: " << where.toStdString();
            EXPECT_EQ(placeholders(translation), placeholders(source)) << where.toStdString();
        }
    }
    EXPECT_FALSE(xml.hasError()) << xml.errorString().toStdString();
    EXPECT_GT(messages, 100);
}

}  // namespace
