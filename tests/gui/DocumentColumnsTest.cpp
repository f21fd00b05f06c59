#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDesktopServices>
#include <QFile>
#include <QHeaderView>
#include <QTableView>
#include <QThread>

#include "TempHome.h"
#include "WaitFor.h"
#include "app/Session.h"
#include "download/MetadataTable.h"
#include "gui/DocDetailsPane.h"
#include "gui/MainWindow.h"
#include "gui/MetadataCache.h"
#include "gui/ResultTableModel.h"
#include "lists/ListFileFormat.h"
#include "lists/MessageSink.h"

namespace {

struct QuietAnswers : MessageSink {
    void ShowMessageBox(const QString& text) override { boxes.append(text); }
    bool AskYesNo(const QString&, const QString&) override { return false; }
    QStringList boxes;
};

class DesktopOpens : public QObject {
    Q_OBJECT
  public:
    QList<QUrl> urls;
  public Q_SLOTS:
    void Open(const QUrl& url) { urls.append(url); }
};

// Four downloaded documents in a real registry file: three read (one of them a PDF whose XMP names
// another author), one not read yet; the list's titles are file names.
class DocumentColumnsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        qputenv("SKIMMER_UPDATE_URL", home.Path("none.xml").toUtf8());
        session.Start();
        struct Doc {
            const char* name;
            int pages;
            const char* author;
            const char* created;
        } docs[] = {{"b.pdf", 12, "Mei Lin", "2019-05-01T10:00:00+08:00"},
                    {"a.pdf", 3, "Anna Berg", "2021-01-02"},
                    {"c.pdf", 12, "Mei Lin", "2019-05-01T01:00:00Z"},
                    {"d.pdf", -1, "", ""}};
        QList<ResultEntry> rows;
        MetadataTable metadataTable;
        ASSERT_TRUE(metadataTable.Open(session.Home().DocDatabasePath()));
        for (const Doc& doc : docs) {
            const QString link = QStringLiteral("http://127.0.0.1:9/docs/") + doc.name;
            rows.append({doc.name, "pdf", "10.00", link, RowStatus::Downloaded});
            const QString sha = QString(doc.name).repeated(16).left(64);
            home.Write(QStringLiteral("save/") + doc.name, "%PDF-1.4");
            session.Registry().ClaimDocument(link, sha, 8, home.Path(QStringLiteral("save/") + doc.name));
            if (doc.pages < 0) continue;  // not read yet
            DocMetadata metadata;
            metadata.sha256 = sha;
            metadata.type = "pdf";
            metadata.title = QStringLiteral("Annual plan ") + doc.name;
            metadata.author = doc.author;
            metadata.pages = doc.pages;
            metadata.created = doc.created;
            metadata.producer = "Writer 7.1";
            if (QLatin1StringView(doc.name) == "a.pdf") {
                metadata.xmpAuthor = "A. Berg";
                metadata.findings.append({MetaFinding::Kind::Email, "anna@corp.example", "author"});
                metadata.findings.append({MetaFinding::Kind::Path, "C:\\Users\\anna\\plan.docx", "title"});
            }
            ASSERT_TRUE(metadataTable.Store(metadata));
        }
        home.Write("docs.xml", ListFileFormat::WriteXml(rows));
        window = std::make_unique<MainWindow>(session, &answers);
        window->show();
        window->ImportList(home.Path("docs.xml"), StatusFilter{});
        ASSERT_TRUE(WaitFor([&] {
            QApplication::processEvents();
            return !session.Lists().Loading();
        }));
        model = window->Model();
        model->Refresh();
        table = window->findChild<QTableView*>("resultTable");
        window->Metadata()->Reload();
        ASSERT_TRUE(WaitFor([&] {
            QApplication::processEvents();
            return !window->Metadata()->Loading() && window->Metadata()->Find(rows[0].link);
        }));
    }
    QStringList Column(int column) {
        QStringList cells;
        for (int row = 0; row < model->rowCount(); ++row)
            cells.append(model->data(model->index(row, column), Qt::DisplayRole).toString());
        return cells;
    }

    TempHome home;
    Session session{home.Path()};
    QuietAnswers answers;
    std::unique_ptr<MainWindow> window;
    ResultTableModel* model = nullptr;
    QTableView* table = nullptr;
};

TEST_F(DocumentColumnsTest, MetadataColumnsShowSortAndDetailTheDocuments) {
    QHeaderView* header = table->horizontalHeader();
    // Hidden until asked for through the header's menu.
    EXPECT_TRUE(header->isSectionHidden(ResultTableModel::kPagesColumn));
    window->findChild<QAction*>("column6Action")->trigger();
    EXPECT_FALSE(header->isSectionHidden(ResultTableModel::kPagesColumn));
    EXPECT_EQ(Column(ResultTableModel::kAuthorColumn), QStringList({"Mei Lin", "Anna Berg", "Mei Lin", ""}));

    // Pages as numbers (3 before 12), equal rows in the list's order, the unread document last both ways;
    // the highlight goes with its row and the list keeps its order.
    table->selectRow(1);
    header->setSortIndicator(ResultTableModel::kPagesColumn, Qt::AscendingOrder);
    EXPECT_EQ(Column(ResultTableModel::kTitleColumn), QStringList({"a.pdf", "b.pdf", "c.pdf", "d.pdf"}));
    EXPECT_EQ(table->currentIndex().row(), 0);
    EXPECT_EQ(window->HighlightedRows(), QSet<RowId>({*session.Results().IdAt(1)}));
    header->setSortIndicator(ResultTableModel::kPagesColumn, Qt::DescendingOrder);
    EXPECT_EQ(Column(ResultTableModel::kTitleColumn), QStringList({"b.pdf", "c.pdf", "a.pdf", "d.pdf"}));
    // Dates as instants, not as texts: 01:00Z comes after 10:00+08:00 (02:00Z) only when read as text.
    header->setSortIndicator(ResultTableModel::kCreatedColumn, Qt::AscendingOrder);
    EXPECT_EQ(Column(ResultTableModel::kTitleColumn), QStringList({"c.pdf", "b.pdf", "a.pdf", "d.pdf"}));
    EXPECT_EQ(session.Results().Snapshot().first().title, "b.pdf");
    header->setSortIndicator(-1, Qt::AscendingOrder);
    EXPECT_EQ(Column(ResultTableModel::kTitleColumn), QStringList({"b.pdf", "a.pdf", "c.pdf", "d.pdf"}));

    // The details of the highlighted row: every field, what was found, both authors where XMP differs.
    window->findChild<QAction*>("detailsAction")->trigger();
    table->setCurrentIndex(model->index(1, 0));
    const QString details = window->findChild<DocDetailsPane*>("detailsPane")->toPlainText();
    for (const char* expected : {"Anna Berg", "A. Berg", "anna@corp.example", "C:\\Users\\anna\\plan.docx",
                                 "Writer 7.1", "2021-01-02", "Annual plan a.pdf"})
        EXPECT_TRUE(details.contains(QString::fromUtf8(expected))) << expected;
    table->setCurrentIndex(model->index(3, 0));
    EXPECT_FALSE(window->findChild<DocDetailsPane*>("detailsPane")->toPlainText().contains("Anna"));

    // The document's own title for rows titled with a file name; the list keeps its title.
    window->findChild<QAction*>("documentTitlesAction")->trigger();
    EXPECT_EQ(Column(ResultTableModel::kTitleColumn).first(), "Annual plan b.pdf");
    EXPECT_EQ(Column(ResultTableModel::kTitleColumn).last(), "d.pdf");
    EXPECT_EQ(session.Results().Snapshot().first().title, "b.pdf");
}

TEST_F(DocumentColumnsTest, ReportActionWritesTheReportAndOpensIt) {
    DesktopOpens opened;
    QDesktopServices::setUrlHandler("file", &opened, "Open");
    window->SetSavePathPicker([&](const QString&, QString* chosen) {
        *chosen = "Web page (*.html)";
        return home.Path("collection");
    });
    window->findChild<QAction*>("documentReportAction")->trigger();
    QDesktopServices::unsetUrlHandler("file");
    QFile report(home.Path("collection.html"));
    ASSERT_TRUE(report.open(QIODevice::ReadOnly));
    const QString html = QString::fromUtf8(report.readAll());
    EXPECT_TRUE(html.contains("Anna Berg") && html.contains("Mei Lin") && html.contains("anna@corp.example"));
    EXPECT_EQ(opened.urls, QList<QUrl>({QUrl::fromLocalFile(home.Path("collection.html"))}));
    // A folder that cannot take the file is said, not passed over.
    EXPECT_FALSE(window->WriteDocumentReport(home.Path("no/such/folder/r.csv")));
    EXPECT_EQ(answers.boxes.size(), 1);
}

// A big list is sorted on a thread of its own; rows the search adds meanwhile stay reachable.
TEST(BigListSortTest, SortsOffTheWindowThreadAndKeepsEveryRow) {
    TempHome home;
    Session session{home.Path()};
    session.Start(false);
    ResultList& list = session.Results();
    constexpr int kRows = 60000;
    list.Reserve(kRows);
    for (int i = 0; i < kRows; ++i) {
        const QString link = QStringLiteral("http://127.0.0.1:9/%1.pdf").arg(i);
        list.AddEntry(QStringLiteral("t%1").arg(i % 1000, 4, 10, QChar(u'0')), "pdf", QString::number(i % 7), link,
                      RowStatus::Waiting);
    }
    ResultTableModel model(list);
    model.Refresh();
    model.sort(ResultTableModel::kSizeColumn, Qt::DescendingOrder);
    list.AddEntry("late", "pdf", "99", "http://127.0.0.1:9/late.pdf", RowStatus::Waiting);
    ASSERT_TRUE(WaitFor([&] {
        QApplication::processEvents();
        model.Refresh();
        return !model.Sorting() && model.rowCount() == kRows + 1 &&
               model.data(model.index(0, ResultTableModel::kSizeColumn), Qt::DisplayRole).toString() == "99";
    }));
    // Stable: among the size-6 rows the list's order holds (positions 6, 13, 20...).
    EXPECT_EQ(model.IdAt(1), list.IdAt(6));
    EXPECT_EQ(model.IdAt(2), list.IdAt(13));
    EXPECT_EQ(model.RowOf(*list.IdAt(0)), kRows + 1 - (kRows / 7 + 1));  // the first size-0 row
}

}  // namespace

#include "DocumentColumnsTest.moc"
