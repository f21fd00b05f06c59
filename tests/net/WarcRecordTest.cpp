#include <gtest/gtest.h>

#include <zlib.h>

#include "ArchiveAnswers.h"
#include "net/Inflater.h"
#include "net/WarcRecord.h"

namespace {

QByteArray Gzip(const QByteArray& plain) {
    z_stream stream{};
    deflateInit2(&stream, Z_BEST_COMPRESSION, Z_DEFLATED, 16 + MAX_WBITS, 9, Z_DEFAULT_STRATEGY);
    QByteArray out(qsizetype(deflateBound(&stream, uLong(plain.size()))), '\0');
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(plain.constData()));
    stream.avail_in = uInt(plain.size());
    stream.next_out = reinterpret_cast<Bytef*>(out.data());
    stream.avail_out = uInt(out.size());
    deflate(&stream, Z_FINISH);
    out.resize(qsizetype(stream.total_out));
    deflateEnd(&stream);
    return out;
}

// A response record of `link` whose HTTP part is `http`, with a WARC Content-Length off by `skew`.
QByteArray Record(const QByteArray& http, const char* type = "response", const char* link = "http://a.org/x.pdf",
                  qsizetype skew = 0, const char* extra = "") {
    return QByteArray("WARC/1.0\r\nWARC-Type: ") + type + "\r\nWARC-Target-URI: " + link +
           "\r\nWARC-Date: 2019-03-04T00:00:00Z\r\n" + extra + "Content-Length: " +
           QByteArray::number(http.size() + skew) + "\r\n\r\n" + http + "\r\n\r\n";
}

const QByteArray kPdfAnswer = "HTTP/1.1 200 OK\r\nContent-Type: application/pdf\r\n\r\n%PDF-1.4 body";

}  // namespace

TEST(WarcRecord, RealCommonCrawlRangeAnswersRead) {
    ARCHIVE_ANSWER(page, "cc-warc-record-commoncrawl.org.warc.gz");
    const WarcRecord::Document doc = WarcRecord::Read(page, "https://www.commoncrawl.org/");
    ASSERT_TRUE(doc.ok) << doc.problem.toStdString();
    EXPECT_EQ(doc.httpStatus, 200);
    EXPECT_TRUE(doc.body.contains("<html") || doc.body.contains("<!DOCTYPE") || doc.body.contains("<!doctype"));
    // The crawler stored the body decoded and renamed the header: the body is not inflated again.
    ARCHIVE_ANSWER(example, "cc-warc-record-example.com.warc.gz");
    const WarcRecord::Document plain = WarcRecord::Read(example, "http://www.example.com/");
    ASSERT_TRUE(plain.ok) << plain.problem.toStdString();
    EXPECT_TRUE(plain.body.contains("Example Domain"));
    // The address compares without scheme and www; another address is refused.
    EXPECT_TRUE(WarcRecord::Read(example, "https://example.com").ok);
    EXPECT_FALSE(WarcRecord::Read(example, "http://www.example.org/").ok);
    ARCHIVE_ANSWER(redirect, "cc-robotstxt-record-commoncrawl.org-301.warc.gz");
    EXPECT_EQ(WarcRecord::Read(redirect).problem, "the capture is an HTTP 301 answer");
}

TEST(WarcRecord, PerRecordGzipFilesGiveResponsesAndRefuseTheOthers) {
    ARCHIVE_ANSWER(file, "warcio-example.warc.gz");
    QStringList seen;
    for (qsizetype at = 0; at < file.size();) {
        const QByteArray rest = file.mid(at);
        const Inflater::Result member = Inflater::Inflate(rest, Inflater::Format::Gzip, 1 << 20);
        ASSERT_TRUE(member.ok && member.consumed > 0);
        const WarcRecord::Document doc = WarcRecord::Read(rest);  // trailing members are not read
        seen.append(doc.type + (doc.ok ? "+" : "-"));
        at += member.consumed;
    }
    EXPECT_EQ(seen, QStringList({"warcinfo-", "warcinfo-", "response+", "request-", "revisit-", "request-"}));
}

TEST(WarcRecord, ACutRecordIsNotADocument) {
    ARCHIVE_ANSWER(file, "warcio-example-trunc.warc");
    const qsizetype at = file.lastIndexOf("WARC/1.0\r\n", file.indexOf("WARC-Type: response"));
    ASSERT_GE(at, 0);
    const WarcRecord::Document doc = WarcRecord::Read(file.mid(at));
    EXPECT_FALSE(doc.ok);
    EXPECT_FALSE(doc.problem.isEmpty());
}

TEST(WarcRecord, HostileRecords) {
    const QByteArray chunked = "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n";
    const QByteArray gzipped = "HTTP/1.1 200 OK\r\nContent-Encoding: gzip\r\n\r\n";
    struct Case {
        const char* what;
        QByteArray bytes;
        const char* problem;  // nullptr: a document
    };
    const Case cases[] = {
        {"plain", Record(kPdfAnswer), nullptr},
        {"gzip member", Gzip(Record(kPdfAnswer)), nullptr},
        {"record longer than its length", Record(kPdfAnswer, "response", "http://a.org/x.pdf", -5), nullptr},
        {"record shorter than its length", Record(kPdfAnswer, "response", "http://a.org/x.pdf", 500),
         "the WARC record is shorter than its Content-Length"},
        {"wrong offset", Record(kPdfAnswer).mid(7), "not a WARC record (wrong offset?)"},
        {"garbage gzip", QByteArray("\x1f\x8b\x08\x00garbage", 12), nullptr},
        {"revisit", Record(kPdfAnswer, "revisit"), "a revisit record holds no document"},
        {"truncated", Record(kPdfAnswer, "response", "http://a.org/x.pdf", 0, "WARC-Truncated: length\r\n"),
         "the capture was truncated by the crawler (length)"},
        {"other url", Record(kPdfAnswer, "response", "http://b.org/y.pdf"),
         "the WARC record is of another address"},
        {"chunked", Record(chunked + "4\r\n%PDF\r\n3\r\n-1.\r\n0\r\n\r\n"), nullptr},
        {"chunk size not hex", Record(chunked + "zz\r\n%PDF\r\n0\r\n\r\n"), "a chunk size is not a hexadecimal number"},
        {"chunk longer than data", Record(chunked + "ffff\r\n%PDF\r\n0\r\n\r\n"), "a chunk is longer than the data left"},
        {"negative chunk", Record(chunked + "-4\r\n%PDF\r\n0\r\n\r\n"), "a chunk size is not a hexadecimal number"},
        {"no last chunk", Record(chunked + "4\r\n%PDF"), "the last chunk is missing"},
        {"gzip body", Record(gzipped + Gzip("%PDF-1.4 body")), nullptr},
        {"bad gzip body", Record(gzipped + "not gzip"), nullptr},
    };
    for (const Case& c : cases) {
        const WarcRecord::Document doc = WarcRecord::Read(c.bytes, "http://a.org/x.pdf");
        if (!c.problem) {
            if (QByteArray(c.what).startsWith("garbage") || QByteArray(c.what).startsWith("bad")) {
                EXPECT_FALSE(doc.ok) << c.what;
                EXPECT_FALSE(doc.problem.isEmpty()) << c.what;
            } else {
                EXPECT_TRUE(doc.ok) << c.what << ": " << doc.problem.toStdString();
                EXPECT_TRUE(doc.body.startsWith("%PDF")) << c.what;
            }
        } else {
            EXPECT_FALSE(doc.ok) << c.what;
            EXPECT_EQ(doc.problem, c.problem) << c.what;
        }
    }
}

TEST(WarcRecord, AGzipBombStopsAtTheCeiling) {
    const QByteArray zeros(64 * 1024 * 1024, '\0');
    const QByteArray bomb = Gzip(Record("HTTP/1.1 200 OK\r\n\r\n" + zeros));
    ASSERT_LT(bomb.size(), 1024 * 1024);
    const WarcRecord::Document doc = WarcRecord::Read(bomb, {}, 1024 * 1024);
    EXPECT_FALSE(doc.ok);
    EXPECT_TRUE(doc.problem.contains("inflates beyond")) << doc.problem.toStdString();
    // The same bound holds for a content-encoded body inside a small record.
    const WarcRecord::Document inner =
        WarcRecord::Read(Record("HTTP/1.1 200 OK\r\nContent-Encoding: gzip\r\n\r\n" + Gzip(zeros)), {}, 1024 * 1024);
    EXPECT_TRUE(inner.problem.contains("inflates beyond")) << inner.problem.toStdString();
}
