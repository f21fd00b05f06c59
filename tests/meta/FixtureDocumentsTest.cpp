// Every field the fixture documents' README lists is read back: the expectations come from its tables, so
// a document added there is tested without a change here.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStringList>

#include "meta/DocumentReader.h"

namespace {

QString DocumentsDir() {
    return qEnvironmentVariable("SKIMMER_FIXTURES", "../shared/fixtures") + "/documents";
}

struct Row {
    QString file;
    QMap<QString, QString> cells;  // by column header
};

QList<Row> ReadmeRows() {
    QFile readme(DocumentsDir() + "/README.md");
    if (!readme.open(QIODevice::ReadOnly)) return {};
    QList<Row> rows;
    QStringList headers;
    for (const QString& line : QString::fromUtf8(readme.readAll()).split('\n')) {
        if (!line.startsWith('|')) continue;
        QStringList cells = line.split('|');
        cells = cells.mid(1, cells.size() - 2);
        for (QString& cell : cells) cell = cell.trimmed();
        if (cells.value(0) == "file") {
            headers = cells;
        } else if (cells.value(0).startsWith('`')) {
            Row row{cells[0].mid(1, cells[0].size() - 2), {}};
            for (int i = 1; i < cells.size() && i < headers.size(); ++i) row.cells[headers[i]] = cells[i];
            rows.append(row);
        }
    }
    return rows;
}

// The README's "—" is an absent field.
QString Expected(const Row& row, const QString& column) {
    const QString value = row.cells.value(column);
    return value == "—" ? QString() : value;
}

// pdfinfo writes zones as +02, exiftool dates as 2010:11:12 16:22:00: both in ISO 8601 as the reader gives.
QString IsoDate(QString text) {
    static const QRegularExpression exif(R"(^(\d{4}):(\d{2}):(\d{2}) (\d{2}:\d{2}:\d{2})$)");
    text.replace(exif, R"(\1-\2-\3T\4)");
    static const QRegularExpression shortZone(R"([+-]\d{2}$)");
    if (shortZone.match(text).hasMatch()) text += ":00";
    return text;
}

int ExpectedPages(const Row& row) {
    const QString pages = Expected(row, "pages");
    return pages.isEmpty() ? -1 : pages.section(' ', 0, 0).toInt();
}

}  // namespace

TEST(FixtureDocuments, EveryListedFieldIsReadBack) {
    const QList<Row> rows = ReadmeRows();
    if (rows.isEmpty()) GTEST_SKIP() << "no fixture documents in " << DocumentsDir().toStdString();
    EXPECT_GE(rows.size(), 38);
    for (const Row& row : rows) {
        SCOPED_TRACE(row.file.toStdString());
        const DocMetadata m = DocumentReader::ReadFile(DocumentsDir() + '/' + row.file);
        EXPECT_EQ(m.size, QFileInfo(DocumentsDir() + '/' + row.file).size());
        EXPECT_EQ(m.sha256.size(), 64);
        if (row.cells.value("what it is for").startsWith("DAMAGED")) {
            EXPECT_NE(m.status, MetaStatus::Read) << m.reason.toStdString();
            continue;
        }
        if (row.cells.contains("PDF")) {
            EXPECT_EQ(m.type, "pdf");
            if (row.cells.value("encrypted").startsWith("yes") &&
                row.cells.value("what it is for").contains("WITH a user password")) {
                EXPECT_EQ(m.status, MetaStatus::Encrypted);
                EXPECT_EQ(m.reason, "encrypted, no metadata");
                EXPECT_TRUE(m.title.isEmpty() && m.author.isEmpty());
                continue;
            }
            EXPECT_EQ(m.status, MetaStatus::Read) << m.reason.toStdString();
            EXPECT_EQ(m.pdfVersion, Expected(row, "PDF"));
            EXPECT_EQ(m.encrypted, row.cells.value("encrypted").startsWith("yes"));
            EXPECT_EQ(m.application, Expected(row, "creator"));
            EXPECT_EQ(m.producer, Expected(row, "producer"));
            // The XMP-only title of the three-language file is its x-default entry.
            // XMP fills what the Info dictionary leaves out (the README's PDF columns are Info only); the
            // three-language title is its x-default entry.
            const QString title = Expected(row, "title");
            if (title.isEmpty() && row.cells.value("what it is for").contains("x-default \"Hello World\"")) {
                EXPECT_EQ(m.title, "Hello World");
            } else if (!title.isEmpty() || row.cells.value("XMP") != "yes") {
                EXPECT_EQ(m.title, title);
            }
        } else {
            EXPECT_EQ(m.status, MetaStatus::Read) << m.reason.toStdString();
            // The Japanese RTF title exists only as \ud Unicode, which the README's tool did not read.
            if (row.cells.value("what it is for").contains("\\ud Unicode")) {
                EXPECT_TRUE(!m.title.isEmpty() && !m.title.contains('?')) << m.title.toStdString();
            } else {
                EXPECT_EQ(m.title, Expected(row, "title"));
            }
            const QString software = Expected(row, "application / generator (OLE2, RTF: Software, else Company)");
            if (!software.isEmpty()) {
                EXPECT_TRUE(m.application == software || m.company == software)
                    << m.application.toStdString() << " / " << m.company.toStdString();
            }
            const QString lastSaved = Expected(row, "last saved by / dc:creator").section(": ", 1);
            EXPECT_EQ(m.lastModifiedBy, lastSaved);
        }
        if (!Expected(row, "author").isEmpty() || row.cells.value("XMP") != "yes") {
            EXPECT_EQ(m.author, Expected(row, "author"));
        }
        // A PDF date written without a zone has none here; pdfinfo prints it as UTC.
        const QString created = IsoDate(Expected(row, "created"));
        EXPECT_TRUE(m.created == created || m.created + 'Z' == created) << m.created.toStdString();
        // That Word file keeps its page count only in the Word stream, not in its property sets.
        if (row.file != "tika-testWORD_tabular_symbol.doc") {
            EXPECT_EQ(m.pages, ExpectedPages(row));
        }
    }
}

TEST(FixtureDocuments, DisagreeingXmpIsKeptBesideTheInfoDictionary) {
    const QString path = DocumentsDir() + "/tika-testPDF_diffTitles.pdf";
    if (!QFile::exists(path)) GTEST_SKIP() << "no fixture documents";
    const DocMetadata m = DocumentReader::ReadFile(path);
    EXPECT_EQ(m.title, "this is a new title");
    EXPECT_EQ(m.xmpTitle, "Sample Title");
    EXPECT_TRUE(m.xmpAuthor.contains("; ")) << m.xmpAuthor.toStdString();
}
