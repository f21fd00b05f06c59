// Hostile and odd documents, made here byte by byte: each ends with a clear status and what could be read,
// never a crash, an expanded entity or an unbounded allocation.
#include <gtest/gtest.h>
#include <zlib.h>

#include <QFile>
#include <QtEndian>

#include "meta/DocumentReader.h"
#include "meta/MetaDate.h"

namespace {

// A PDF with a correct cross-reference table: `objects` are the bodies of objects 3..n; 1 is the catalog
// (with /Metadata 3 0 R when `xmp` is set), 2 the page tree.
QByteArray Pdf(const QByteArray& info, const QByteArray& pageCount = "1", const QList<QByteArray>& extra = {},
               const QByteArray& xmp = {}) {
    QList<QByteArray> objects;
    objects << (xmp.isEmpty() ? QByteArray("<< /Type /Catalog /Pages 2 0 R >>")
                              : QByteArray("<< /Type /Catalog /Pages 2 0 R /Metadata 3 0 R >>"))
            << "<< /Type /Pages /Kids [] /Count " + pageCount + " >>";
    if (!xmp.isEmpty()) {
        objects << "<< /Type /Metadata /Subtype /XML /Length " + QByteArray::number(xmp.size()) + " >>\nstream\n" + xmp +
                       "\nendstream";
    }
    objects << "<< " + info + " >>";
    objects += extra;
    QByteArray pdf = "%PDF-1.7\n";
    QList<qsizetype> offsets;
    for (int i = 0; i < objects.size(); ++i) {
        offsets << pdf.size();
        pdf += QByteArray::number(i + 1) + " 0 obj\n" + objects[i] + "\nendobj\n";
    }
    const qsizetype xref = pdf.size();
    pdf += "xref\n0 " + QByteArray::number(objects.size() + 1) + "\n0000000000 65535 f \n";
    for (qsizetype offset : offsets) pdf += QByteArray::number(offset).rightJustified(10, '0') + " 00000 n \n";
    pdf += "trailer\n<< /Size " + QByteArray::number(objects.size() + 1) + " /Root 1 0 R /Info " +
           QByteArray::number(xmp.isEmpty() ? 3 : 4) + " 0 R >>\nstartxref\n" + QByteArray::number(xref) + "\n%%EOF\n";
    return pdf;
}

// A zip of the named entries, deflated when `deflate` (names are written as given, duplicates included).
QByteArray Zip(const QList<std::pair<QByteArray, QByteArray>>& entries, bool compress = false) {
    QByteArray zip, directory;
    auto le16 = [](QByteArray& b, quint16 v) { b.append(char(v & 0xff)).append(char(v >> 8)); };
    auto le32 = [&](QByteArray& b, quint32 v) { le16(b, quint16(v & 0xffff)); le16(b, quint16(v >> 16)); };
    for (const auto& [name, data] : entries) {
        QByteArray stored = data;
        if (compress) {
            z_stream z{};
            deflateInit2(&z, 9, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);
            stored.resize(qsizetype(deflateBound(&z, uLong(data.size()))));
            z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.constData()));
            z.avail_in = uInt(data.size());
            z.next_out = reinterpret_cast<Bytef*>(stored.data());
            z.avail_out = uInt(stored.size());
            deflate(&z, Z_FINISH);
            stored.resize(qsizetype(z.total_out));
            deflateEnd(&z);
        }
        const quint32 crc = quint32(crc32(0, reinterpret_cast<const Bytef*>(data.constData()), uInt(data.size())));
        const quint32 offset = quint32(zip.size());
        QByteArray header;
        le32(header, 0x04034b50); le16(header, 20); le16(header, 0); le16(header, compress ? 8 : 0);
        le16(header, 0); le16(header, 0); le32(header, crc); le32(header, quint32(stored.size()));
        le32(header, quint32(data.size())); le16(header, quint16(name.size())); le16(header, 0);
        zip += header + name + stored;
        le32(directory, 0x02014b50); le16(directory, 20); le16(directory, 20); le16(directory, 0);
        le16(directory, compress ? 8 : 0); le16(directory, 0); le16(directory, 0); le32(directory, crc);
        le32(directory, quint32(stored.size())); le32(directory, quint32(data.size()));
        le16(directory, quint16(name.size())); le16(directory, 0); le16(directory, 0); le16(directory, 0);
        le16(directory, 0); le32(directory, 0); le32(directory, offset);
        directory += name;
    }
    const quint32 start = quint32(zip.size());
    zip += directory;
    le32(zip, 0x06054b50); le16(zip, 0); le16(zip, 0); le16(zip, quint16(entries.size()));
    le16(zip, quint16(entries.size())); le32(zip, quint32(directory.size())); le32(zip, start); le16(zip, 0);
    return zip;
}

QByteArray Core(const QByteArray& title) {
    return "<?xml version=\"1.0\"?><cp:coreProperties "
           "xmlns:cp=\"http://schemas.openxmlformats.org/package/2006/metadata/core-properties\" "
           "xmlns:dc=\"http://purl.org/dc/elements/1.1/\"><dc:title>" + title +
           "</dc:title><dc:creator>C:\\Users\\jdoe\\Desktop</dc:creator></cp:coreProperties>";
}

const QByteArray kTypes = "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\"/>";

}  // namespace

TEST(HostileDocuments, PdfStringsDatesPagesAndOversizedParts) {
    // UTF-16BE with its mark; bytes that are no encoding at all; a huge page count; a 5 MB XMP packet.
    const DocMetadata utf16 = DocumentReader::ReadBytes(Pdf("/Title <FEFF004A00FC00720067006506E> /Author (\\377\\376\\000) "
                                                            "/CreationDate (D:20240229235959Z) /ModDate (D:20241340)",
                                                            "10000"));
    EXPECT_EQ(utf16.status, MetaStatus::Read) << utf16.reason.toStdString();
    EXPECT_TRUE(utf16.title.startsWith(QString::fromUtf8("Jürge"))) << utf16.title.toStdString();
    EXPECT_EQ(utf16.created, "2024-02-29T23:59:59Z");
    EXPECT_EQ(utf16.modified, "");  // month 13
    EXPECT_EQ(utf16.pages, 10000);

    const QByteArray bigXmp = "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\">" + QByteArray(5 * 1024 * 1024, ' ') + "</x:xmpmeta>";
    const DocMetadata big = DocumentReader::ReadBytes(Pdf("/Title (kept)", "1", {}, bigXmp));
    EXPECT_EQ(big.title, "kept");
    EXPECT_TRUE(big.reason.contains("XMP")) << big.reason.toStdString();

    const QByteArray entityXmp =
        "<!DOCTYPE x [<!ENTITY a \"aaaaaaaaaa\"><!ENTITY b \"&a;&a;&a;&a;&a;&a;&a;&a;\">]>"
        "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\" xmlns:dc=\"http://purl.org/dc/elements/1.1/\"><dc:title>&b;</dc:title></x:xmpmeta>";
    EXPECT_EQ(DocumentReader::ReadBytes(Pdf("", "1", {}, entityXmp)).title, "");

    QList<QByteArray> many;
    for (int i = 0; i < 100000; ++i) many << "<< /N " + QByteArray::number(i) + " >>";
    const DocMetadata manyObjects = DocumentReader::ReadBytes(Pdf("/Author (many)", "1", many));
    EXPECT_EQ(manyObjects.author, "many");
}

TEST(HostileDocuments, DamagedAndTruncatedPdfsEndCleanly) {
    const QByteArray good = Pdf("/Title (whole) /Author (a@b.example)");
    QByteArray badXref = good;
    badXref.replace("xref\n", "xrex\n");
    const QList<QByteArray> inputs = {good.left(good.size() / 2), badXref, good.left(40), "%PDF-1.4\n" + QByteArray(4096, '\xff'),
                                      "%PDF-"};
    for (const QByteArray& input : inputs) {
        const DocMetadata m = DocumentReader::ReadBytes(input);
        EXPECT_EQ(m.type, "pdf");
        EXPECT_EQ(m.size, input.size());
    }
    // A rebuilt cross-reference table still yields the fields, and the address is found in them.
    const DocMetadata rebuilt = DocumentReader::ReadBytes(badXref);
    EXPECT_EQ(rebuilt.title, "whole");
    ASSERT_FALSE(rebuilt.findings.isEmpty());
    EXPECT_EQ(rebuilt.findings.first().value, "a@b.example");
}

TEST(HostileDocuments, ZipsAreReadInMemoryWithinTheirLimits) {
    // Duplicate core.xml: the first is read and the second named; a zip-slip name is never a path.
    const DocMetadata duplicate = DocumentReader::ReadBytes(
        Zip({{"[Content_Types].xml", kTypes}, {"docProps/core.xml", Core("first")}, {"docProps/core.xml", Core("second")},
             {"../../../../tmp/skimmer-zip-slip", "x"}}));
    EXPECT_EQ(duplicate.title, "first");
    EXPECT_TRUE(duplicate.reason.contains("several")) << duplicate.reason.toStdString();
    EXPECT_FALSE(QFile::exists("/tmp/skimmer-zip-slip"));
    bool userFound = false;
    for (const MetaFinding& finding : duplicate.findings) userFound |= finding.kind == MetaFinding::Kind::UserName && finding.value == "jdoe";
    EXPECT_TRUE(userFound);

    const DocMetadata missing = DocumentReader::ReadBytes(Zip({{"[Content_Types].xml", kTypes}}));
    EXPECT_EQ(missing.status, MetaStatus::Read);
    EXPECT_EQ(missing.title, "");

    const QByteArray laughs =
        "<?xml version=\"1.0\"?><!DOCTYPE l [<!ENTITY a \"lol\"><!ENTITY b \"&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;\">"
        "<!ENTITY c \"&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;\"><!ENTITY e SYSTEM \"file:///etc/passwd\">]>"
        "<cp:coreProperties xmlns:dc=\"http://purl.org/dc/elements/1.1/\" xmlns:cp=\"x\"><dc:title>&c;&e;</dc:title></cp:coreProperties>";
    const DocMetadata entities = DocumentReader::ReadBytes(Zip({{"[Content_Types].xml", kTypes}, {"docProps/core.xml", laughs}}));
    EXPECT_EQ(entities.title, "");
    EXPECT_TRUE(entities.reason.contains("DOCTYPE")) << entities.reason.toStdString();
    // The same in UTF-16: the bytes do not spell "<!DOCTYPE", the parser still reads one.
    const QString text = QString::fromUtf8(laughs).replace("<?xml version=\"1.0\"?>", "<?xml version=\"1.0\" encoding=\"UTF-16\"?>");
    const QByteArray utf16 = QByteArray("\xff\xfe") + QByteArray(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
    const DocMetadata wide = DocumentReader::ReadBytes(Zip({{"[Content_Types].xml", kTypes}, {"docProps/core.xml", utf16}}));
    EXPECT_EQ(wide.title, "");
    EXPECT_TRUE(wide.reason.contains("core.xml")) << wide.reason.toStdString();

    // 100 MB of zeros in a few hundred kilobytes.
    const DocMetadata bomb = DocumentReader::ReadBytes(
        Zip({{"[Content_Types].xml", kTypes}, {"docProps/core.xml", QByteArray(100 * 1024 * 1024, ' ')}}, true));
    EXPECT_TRUE(bomb.reason.contains("core.xml")) << bomb.reason.toStdString();
    EXPECT_EQ(bomb.title, "");

    QByteArray truncated = Zip({{"[Content_Types].xml", kTypes}, {"docProps/core.xml", Core("t")}});
    truncated.chop(30);
    EXPECT_EQ(DocumentReader::ReadBytes(truncated).status, MetaStatus::Damaged);
}

TEST(HostileDocuments, Ole2WithLoopingSectorChainsEndsCleanly) {
    QFile file(qEnvironmentVariable("SKIMMER_FIXTURES", "../shared/fixtures") + "/documents/tika-testWORD.doc");
    if (!file.open(QIODevice::ReadOnly)) GTEST_SKIP() << "no fixture documents";
    const QByteArray original = file.readAll();
    // Every entry of the first FAT sector points at itself: every chain loops.
    const quint32 fatSector = qFromLittleEndian<quint32>(original.constData() + 0x4C);
    QByteArray looping = original;
    for (quint32 i = 0; i < 128; ++i) qToLittleEndian<quint32>(i, looping.data() + (fatSector + 1) * 512 + i * 4);
    const DocMetadata m = DocumentReader::ReadBytes(looping);
    EXPECT_EQ(m.size, looping.size());
    EXPECT_EQ(DocumentReader::ReadBytes(original.left(1000)).status, MetaStatus::Damaged);
}

TEST(HostileDocuments, RtfEscapesNestingAndTruncation) {
    const DocMetadata m = DocumentReader::ReadBytes(
        "{\\rtf1\\ansi\\ansicpg1251{\\info{\\title \\'cf\\'f0\\u8364?}{\\author \\\\\\{x\\}}{\\operator "
        "/home/alice/x}{\\creatim\\yr2023\\mo2\\dy30}{\\nofpages7}}text}");
    EXPECT_EQ(m.title, QString::fromUtf8("Пр€"));
    EXPECT_EQ(m.author, "\\{x}");
    EXPECT_EQ(m.created, "");  // 30 February
    EXPECT_EQ(m.pages, 7);
    EXPECT_EQ(DocumentReader::ReadBytes("{\\rtf1" + QByteArray(100000, '{')).reason, "RTF nesting too deep");
    EXPECT_EQ(DocumentReader::ReadBytes("{\\rtf1{\\info{\\title cut").title, "");
}

TEST(HostileDocuments, DatesInTheirWrittenFormsBecomeIso8601) {
    const std::pair<QString, QString> pdf[] = {
        {"D:20070915110231+02'00'", "2007-09-15T11:02:31+02:00"}, {"D:2001040209181", ""},
        {"D:20010402091812Z", "2001-04-02T09:18:12Z"},           {"D:20220414132421+05'24", "2022-04-14T13:24:21+05:24"},
        {"D:2007", "2007"},                                       {"D:200709", "2007-09"},
        {"20070915110231-07'00'", "2007-09-15T11:02:31-07:00"},   {"D:20070915250000", ""},
        {"2014-03-04T21:56:45+01:00", "2014-03-04T21:56:45+01:00"}, {"garbage", ""},
    };
    for (const auto& [text, iso] : pdf) EXPECT_EQ(MetaDate::FromPdf(text), iso) << text.toStdString();
    EXPECT_EQ(MetaDate::FromIso("2022-08-24T16:25:10.143000000"), "2022-08-24T16:25:10.143000000");
    EXPECT_EQ(MetaDate::FromIso("2008-12-11T16:04:00Z"), "2008-12-11T16:04:00Z");
    EXPECT_EQ(MetaDate::FromIso("2008-13-11"), "");
    EXPECT_EQ(MetaDate::FromParts(2010, 11, 12, 16, 22, 0), "2010-11-12T16:22:00");
}
