#include <gtest/gtest.h>

#include <sys/stat.h>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QXmlStreamWriter>
#include <optional>

#include "ChineseTranslation.h"
#include "TempHome.h"
#include "lists/IniFile.h"
#include "lists/ListFileFormat.h"
#include "lists/ListFiles.h"
#include "lists/MessageSink.h"
#include "lists/Options.h"
#include "lists/ResultList.h"
#include "lists/TextCodec.h"

namespace {

struct RecordingSink : MessageSink {
    void ShowMessageBox(const QString& text) override { shown.append(text); }
    bool AskYesNo(const QString&, const QString&) override { return true; }
    QStringList shown;
};

class ListFilesTest : public ::testing::Test {
  protected:
    void SetUp() override {
        options.Load(IniFile());
        options.SetLiveInt(SettingKey::SuffixSameTitles, 0);
    }
    void Add(const QString& title, const QString& link, const RowStatus& status = RowStatus::Waiting) {
        ASSERT_EQ(list.AddLinkIfNew(link), 1);
        ASSERT_EQ(list.AddEntry(title, "pdf", "12.500", link, status), ResultList::AddResult::Added);
    }

    TempHome home;
    Options options;
    ResultList list{options, nullptr};
    RecordingSink sink;
    ListFiles files{list, options, &sink};
};

TEST(ListFileFormat, PlainRecordsAreDollarSeparatedAndStopAtAnEmptyField) {
    const ResultEntry plain{"title", "pdf", "1.000", "http://a/b.pdf", RowStatus::Waiting};
    EXPECT_EQ(ListFileFormat::FormatRecord(plain), QString::fromUtf8("title$pdf$1.000$http://a/b.pdf$等待"));
    EXPECT_EQ(ListFileFormat::ParseRecord(ListFileFormat::FormatRecord(plain)), plain);
    EXPECT_EQ(ListFileFormat::ParseRecord("t$pdf$1$http://x$  ok trailing"),
              (ResultEntry{"t", "pdf", "1", "http://x", RowStatus::FromStored("ok")}));
    EXPECT_EQ(ListFileFormat::ParseRecord("t$$1$http://x$ok"),
              (ResultEntry{"t", {}, {}, {}, {}}));  // empty field stops
    EXPECT_EQ(ListFileFormat::ParseRecord("only title"), (ResultEntry{"only title", {}, {}, {}, {}}));
    EXPECT_EQ(ListFileFormat::ParseRecord("a$b"), (ResultEntry{"a", "b", {}, {}, {}}));
}

QList<ResultEntry> AwkwardItems();

TEST(ListFileFormat, EveryRecordWeWriteReadsBack) {
    const QList<ResultEntry> awkward = {
        {"price $5", "pdf", "1", "http://a/?q=$x", RowStatus::Waiting},
        {"two\r\nlines\\n", "doc", "2", "http://a/b", RowStatus::InProgress(30)},
        {QString(QChar(0x1B)) + "marked", "doc", "2", "http://a/c", RowStatus::FromStored("with space")},
        {"t", "pdf", "1", "", RowStatus::Failed},
        {QString(100000, u'长'), "pdf", "1", "http://a/long", RowStatus::Waiting},
    };
    for (const ResultEntry& entry : awkward) {
        const QString line = ListFileFormat::FormatRecord(entry);
        EXPECT_FALSE(line.contains(u'\n'));
        EXPECT_EQ(ListFileFormat::ParseRecord(line), entry) << line.left(60).toStdString();
    }
    // The file's bytes come straight from the cells; they must be the line's, lone surrogates included.
    QList<ResultEntry> all = awkward + AwkwardItems();
    all.append({QString(QChar(0xDC00)) + "low", "pdf", QString(QChar(0xD800)), "http://a/\U0001F600",
                RowStatus::FromStored("ok")});
    for (const ResultEntry& entry : all) {
        QByteArray bytes = "before\n";
        ListFileFormat::AppendRecordUtf8(bytes, entry);
        EXPECT_EQ(bytes, "before\n" + ListFileFormat::FormatRecord(entry).toUtf8() + "\n");
    }
}

TEST(ListFileFormat, XmlLayoutIsExact) {
    const QByteArray xml =
        ListFileFormat::WriteXml({{"a\r\nb\nc", "pdf", "1.000", "http://x/?a=1&b=<2>", RowStatus::Waiting}});
    EXPECT_EQ(xml, QByteArray(
                       "<?xml version='1.0' encoding='utf-8'?>\n<skimmer>\n\t<item>\n\t\t<title>abc</title>\n"
                       "\t\t<types>pdf</types>\n\t\t<size>1.000</size>\n"
                       "\t\t<path>http://x/?a=1&amp;b=&lt;2&gt;</path>\n\t\t<status>") +
                       QString::fromUtf8("等待").toUtf8() + "</status>\n\t</item>\n</skimmer>");
}

TEST(ListFileFormat, StatusesKeepTheirStoredTextsAndUnknownTextsSurvive) {
    // The stored texts are the ones every list file holds, byte for byte.
    const std::pair<RowStatus, const char*> known[] = {
        {RowStatus::Waiting, "等待"},          {RowStatus::Downloading, "下载中"},
        {RowStatus::Downloaded, "下载成功"},   {RowStatus::Failed, "下载失败"},
        {RowStatus::Duplicate, "重复文档"},    {RowStatus::Uploading, "正在上传"},
        {RowStatus::InProgress(7), "完成:7%"}, {RowStatus::InProgress(100), "完成:100%"}};
    for (const auto& [status, text] : known) {
        EXPECT_EQ(status.Stored(), QString::fromUtf8(text));
        EXPECT_EQ(RowStatus::FromStored(QString::fromUtf8(text)), status) << text;
    }
    // Anything else, odd progress forms included, is kept byte for byte through both file formats.
    for (const char* text : {"完成:007%", "完成:abc%", "完成:5", "paused", "等待 ", ""}) {
        const RowStatus status = RowStatus::FromStored(QString::fromUtf8(text));
        EXPECT_EQ(status.kind(), RowStatus::Kind::Other) << text;
        EXPECT_EQ(status.Stored(), QString::fromUtf8(text));
        const ResultEntry entry{"t", "pdf", "1", "http://a/1", status};
        if (*text) {
            EXPECT_EQ(ListFileFormat::ParseRecord(ListFileFormat::FormatRecord(entry)), entry) << text;
        }
        const auto items = ListFileFormat::ReadXml(ListFileFormat::WriteXml({entry}), nullptr);
        ASSERT_TRUE(items && items->size() == 1);
        EXPECT_EQ(items->first(), entry) << text;
    }
}

TEST(ListFileFormat, XmlReaderFindsTheRootAnywhereAndRefusesHostileInput) {
    QString error;
    const auto nested = ListFileFormat::ReadXml(
        "<doc><skimmer><item><path>p</path><title>t</title><extra><title>no</title></extra><title>second</"
        "title>"
        "</item><other/></skimmer></doc>",
        &error);
    ASSERT_TRUE(nested) << error.toStdString();
    ASSERT_EQ(nested->size(), 1);
    EXPECT_EQ(nested->at(0), (ResultEntry{"t", {}, {}, "p", {}}));

    const QByteArray laughs =
        "<?xml version='1.0'?><!DOCTYPE lolz [<!ENTITY lol 'lol'><!ENTITY lol2 '&lol;&lol;&lol;&lol;&lol;'>"
        "<!ENTITY lol3 "
        "'&lol2;&lol2;&lol2;&lol2;&lol2;'>]><skimmer><item><title>&lol3;</title></item></skimmer>";
    EXPECT_FALSE(ListFileFormat::ReadXml(laughs, &error));
    EXPECT_FALSE(ListFileFormat::ReadXml("<skimmer><item><title>cut", &error));
    EXPECT_FALSE(ListFileFormat::ReadXml("title$pdf$1$http://a$ok", &error));
    EXPECT_FALSE(ListFileFormat::ReadXml("<other/>", &error));
    EXPECT_TRUE(ListFileFormat::ReadXml("<skimmer/>", &error));
}

// Cells with everything an XML file must treat with care, one item per cell value.
QList<ResultEntry> AwkwardItems() {
    const QStringList values = {"",
                                "plain",
                                "a&b<c>d\"e'f",
                                "\t tab, \r return, \n feed",
                                QString::fromUtf8("é中文\U0001F600]]>"),
                                "&amp; already escaped",
                                QString(QChar(0x1)) + "control" + QChar(0x1F),
                                QString(QChar(0xD800)) + "lone",
                                QString(QChar(0xFFFE)) + QChar(0xFFFF) + "not chars",
                                QString(1000, u'x'),
                                "x\r\ny\nz"};
    QList<ResultEntry> items;
    for (const QString& value : values) {
        items.append({value, "pdf", value, "http://h/" + value, RowStatus::FromStored(value)});
        items.append({"t" + value, value, "1", value, RowStatus::Waiting});
    }
    return items;
}

// The layout as an XML writer lays it out, kept here as the reference the direct writer must match.
QByteArray WriteWithXmlWriter(const QList<ResultEntry>& entries) {
    const auto safe = [](const QString& text) {
        QString out;
        for (const char32_t c : text.toUcs4()) {
            if (c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) ||
                (c >= 0xE000 && c <= 0xFFFD) || c >= 0x10000)
                out += QString::fromUcs4(&c, 1);
        }
        return out;
    };
    QByteArray bytes;
    QXmlStreamWriter xml(&bytes);
    xml.writeProcessingInstruction("xml", "version='1.0' encoding='utf-8'");
    xml.writeCharacters("\n");
    xml.writeStartElement("skimmer");
    for (const ResultEntry& entry : entries) {
        QString title = entry.title;
        title.remove("\r\n");
        title.remove(u'\n');
        xml.writeCharacters("\n\t");
        xml.writeStartElement("item");
        const std::pair<const char*, QString> fields[] = {{"title", title},
                                                          {"types", entry.type},
                                                          {"size", entry.size},
                                                          {"path", entry.link},
                                                          {"status", entry.status.Stored()}};
        for (const auto& [name, value] : fields) {
            xml.writeCharacters("\n\t\t");
            xml.writeTextElement(QLatin1StringView(name), safe(value));
        }
        xml.writeCharacters("\n\t");
        xml.writeEndElement();
    }
    xml.writeCharacters("\n");
    xml.writeEndElement();
    return bytes;
}

// What the general XML reader makes of a document: the same bytes with a comment after the declaration,
// which our own files never have.
std::optional<QList<ResultEntry>> ReadGenerally(QByteArray bytes) {
    const qsizetype end = bytes.indexOf("?>");
    bytes.insert(end < 0 ? 0 : end + 2, "<!-- read in full -->");
    QString error;
    return ListFileFormat::ReadXml(bytes, &error);
}

TEST(ListFileFormat, DirectXmlWriterMatchesAnXmlWriterByteForByte) {
    EXPECT_EQ(ListFileFormat::WriteXml(AwkwardItems()), WriteWithXmlWriter(AwkwardItems()));
    EXPECT_EQ(ListFileFormat::WriteXml({}), WriteWithXmlWriter({}));
}

TEST(ListFileFormat, OurOwnXmlFilesReadAsAnyXmlReaderReadsThem) {
    // A carriage return is read as a line feed, so cells that hold one leave the fast reader early.
    QList<ResultEntry> items = AwkwardItems();
    for (ResultEntry& item : items) {
        for (QString* cell : {&item.title, &item.type, &item.size, &item.link}) cell->remove(u'\r');
        item.status = RowStatus::FromStored(item.status.Stored().remove(u'\r'));
    }
    const QByteArray ours = ListFileFormat::WriteXml(items);
    QString error;
    const auto fast = ListFileFormat::ReadXml(ours, &error);
    ASSERT_TRUE(fast) << error.toStdString();
    EXPECT_EQ(fast->size(), items.size());
    EXPECT_EQ(fast, ReadGenerally(ours));
    const QByteArray withReturns = ListFileFormat::WriteXml(AwkwardItems());
    EXPECT_EQ(ListFileFormat::ReadXml(withReturns, &error), ReadGenerally(withReturns));
    EXPECT_EQ(ListFileFormat::ReadXml(ListFileFormat::WriteXml({}), &error), QList<ResultEntry>());

    // Near misses of our layout, hostile or not, read exactly as the general reader reads them.
    const QByteArray one =
        ListFileFormat::WriteXml({{"t", "pdf", "1", "http://h/a", RowStatus::FromStored("ok")}});
    const QList<std::pair<QByteArray, QByteArray>> edits = {{"<title>t", "<title>&#60;t"},
                                                            {"<title>t", "<title>&lt t"},
                                                            {"<title>t", "<title>&bogus;t"},
                                                            {"<title>t", "<title>\x01t"},
                                                            {"<title>t", "<title>\xFF\xFEt"},
                                                            {"<title>t", "<title>\xEF\xBF\xBFt"},
                                                            {"<title>t", "<title>a]]>t"},
                                                            {"<title>t", "<title><b>t</b>"},
                                                            {"<title>t", "<title><![CDATA[<t>]]>"},
                                                            {"<item>", "<item kind='x'>"},
                                                            {"ok", "o\r\nk"},
                                                            {"</skimmer>", "</skimmer><more/>"},
                                                            {"</skimmer>", "</skimmer>\n\n  "},
                                                            {"</skimmer>", ""},
                                                            {"\n\t</item>", ""},
                                                            {"'utf-8'", "\"utf-8\""},
                                                            {"<types>pdf</types>", ""},
                                                            {"<status>ok", "<status>&apos;ok"}};
    for (const auto& [from, to] : edits) {
        QByteArray edited = one;
        edited.replace(from, to);
        EXPECT_EQ(ListFileFormat::ReadXml(edited, &error), ReadGenerally(edited)) << edited.toStdString();
    }
    // Every cut of our own file is refused, however much of it was read.
    for (qsizetype cut = 0; cut < ours.size(); cut += 97) {
        EXPECT_FALSE(ListFileFormat::ReadXml(ours.left(cut), &error)) << cut;
    }
}

TEST_F(ListFilesTest, XmlExportWritesATwinAndImportFallsBackToIt) {
    const ChineseTranslation chinese;
    ASSERT_TRUE(chinese.Loaded());
    Add("one", "http://a/1.pdf");
    Add("two $ & <three>", "http://a/2.pdf", RowStatus::Downloaded);
    const QString xml = home.Path("a.xml");
    ASSERT_EQ(files.ExportListXml(xml, StatusFilter()), 1);
    EXPECT_TRUE(home.Exists("a.xml.list"));
    const QList<ResultEntry> before = list.Snapshot();

    list.ClearRows();
    EXPECT_EQ(files.ImportListXml(xml, StatusFilter()), 1);
    EXPECT_EQ(list.Snapshot(), before);
    EXPECT_EQ(options.Text(SettingKey::ListFile), xml);

    // A filter that refuses a row leaves it out of both files.
    StatusFilter noDownloaded;
    noDownloaded.downloaded = false;
    ASSERT_EQ(files.ExportListXml(home.Path("some.xml"), noDownloaded), 1);
    QString error;
    EXPECT_EQ(ListFileFormat::ReadXml(home.Read("some.xml"), &error), QList<ResultEntry>{before.first()});
    EXPECT_EQ(home.Read("some.xml.list"), ListFileFormat::FormatRecord(before.first()).toUtf8() + "\n");

    home.Write("a.xml", "<skimmer><item><title>broken");
    EXPECT_EQ(files.ImportListXml(xml, StatusFilter()), 1);
    EXPECT_EQ(sink.shown,
              QStringList({QString::fromUtf8("加载失败，请检查xml文件格式是否正确，将加载List文件")}));
    EXPECT_EQ(list.Snapshot(), before);

    QFile::remove(home.Path("a.xml.list"));
    EXPECT_EQ(files.ImportListXml(xml, StatusFilter()), 0);
    EXPECT_EQ(sink.shown.last(), QString::fromUtf8("加载失败，请检查xml文件格式是否正确！"));
    QFile::remove(xml);
    sink.shown.clear();
    EXPECT_EQ(files.ImportListXml(xml, StatusFilter()), 0);
    EXPECT_TRUE(sink.shown.isEmpty());

    list.ClearRows();
    EXPECT_EQ(files.ExportListXml(home.Path("empty.xml"), StatusFilter()), 0);
    EXPECT_FALSE(home.Exists("empty.xml"));
    EXPECT_TRUE(home.Exists("empty.xml.list"));
}

TEST_F(ListFilesTest, TextImportRulesAndHostileLines) {
    const QByteArray gbkRecord =
        TextCodec::EncodeGb18030(QString::fromUtf8("中文$doc$2$http://a/2.doc$下载成功"));
    home.Write("in.list", "first$pdf$1.000$http://a/1.pdf$" + QString::fromUtf8("正在上传").toUtf8() +
                              "\r\n" + "dup$pdf$1.000$http://a/1.pdf$" + QString::fromUtf8("等待").toUtf8() +
                              "\r\n" + gbkRecord + "\r\n" + "\x01\x02\xFF binary\r\n" + "missing$fields\r\n" +
                              "\r\n" + QByteArray(100000, 'x') + "$pdf$1$http://a/long.pdf$ok\n");
    StatusFilter noDownloaded;
    noDownloaded.downloaded = false;
    EXPECT_EQ(files.ImportListText(home.Path("in.list"), noDownloaded), 1);
    const QList<ResultEntry> rows = list.Snapshot();
    ASSERT_EQ(rows.size(), 2);
    EXPECT_EQ(rows[0], (ResultEntry{"first", "pdf", "1.000", "http://a/1.pdf", RowStatus::Waiting}));
    EXPECT_EQ(rows[1].title.size(), 100000);
    // The filtered record's link stays claimed: the same hit cannot come back through a search.
    EXPECT_EQ(list.AddLinkIfNew("http://a/2.doc"), 0);
    EXPECT_EQ(options.Text(SettingKey::ListFile), home.Path("in.list"));

    EXPECT_EQ(files.ImportListText(home.Path("missing.list"), StatusFilter()), 1);
    EXPECT_EQ(list.Size(), 2);  // a file that cannot be opened leaves the list alone
}

TEST_F(ListFilesTest, CellsEndingInLineBreakCharactersSurviveTheFile) {
    // The line reader takes "\r\n" for "\n", so a bare "\r" at the end of a record would be eaten.
    Add("title", "http://a/1.pdf", RowStatus::FromStored("ok\r"));
    Add("t", "http://a/2.pdf", RowStatus::FromStored("\r\n"));
    Add("t2", "http://a/3.pdf", RowStatus::FromStored("ends in \\"));
    const QList<ResultEntry> before = list.Snapshot();
    ASSERT_EQ(files.ExportListText(home.Path("cr.list"), StatusFilter()), 1);
    list.ClearRows();
    files.ImportListText(home.Path("cr.list"), StatusFilter());
    EXPECT_EQ(list.Snapshot(), before);
}

TEST_F(ListFilesTest, HugeTitlesAndFailedSavesLoseNothing) {
    Add(QString(50 * 1024 * 1024, u'a'), "http://a/huge.pdf");
    const QString path = home.Path("big.list");
    ASSERT_EQ(files.ExportListText(path, StatusFilter()), 1);
    const QByteArray saved = home.Read("big.list");
    list.ClearRows();
    files.ImportListText(path, StatusFilter());
    EXPECT_EQ(list.Snapshot().value(0).title.size(), 50 * 1024 * 1024);

    home.Write("file", "x");
    EXPECT_EQ(files.ExportListText(home.Path("file/x.list"), StatusFilter()), 0);
    EXPECT_EQ(files.ExportListText(home.Path(), StatusFilter()), 0);  // a folder
    EXPECT_EQ(home.Read("big.list"), saved);

    EXPECT_TRUE(files.AppendListText(path));
    EXPECT_EQ(home.Read("big.list").size(), 2 * saved.size());
}

}  // namespace

namespace {

TEST_F(ListFilesTest, ImportingAPipeOrAFolderReadsNothingAndSaysSo) {
    Add("kept", "http://h/kept.pdf");
    ASSERT_EQ(::mkfifo(QFile::encodeName(home.Path("pipe.list")).constData(), 0600), 0);
    QDir().mkpath(home.Path("folder.list"));
    for (const char* name : {"pipe.list", "folder.list"}) {
        EXPECT_EQ(files.ImportListText(home.Path(name), StatusFilter()), 1);
        EXPECT_EQ(list.Size(), 1) << name;
        EXPECT_EQ(options.Text(SettingKey::ListFile), QString()) << name;
    }
    EXPECT_EQ(sink.shown.size(), 2);
}

}  // namespace
