#include <gtest/gtest.h>

#include "ArchiveAnswers.h"
#include "engines/CdxAnswer.h"
#include "net/Inflater.h"

TEST(CdxAnswer, WaybackTextPagesOfARealWalkCarryTheirResumeKeys) {
    ARCHIVE_ANSWER(first, "wayback-cdx-text-resumekey-cnn.com-p00.txt");
    const CdxPage page = CdxAnswer::ReadWayback(first);
    EXPECT_TRUE(page.problem.isEmpty());
    EXPECT_EQ(page.captures.size(), 25);
    EXPECT_EQ(page.skippedLines, 0);
    EXPECT_EQ(page.resumeKey, "com%2Ccnn%29%2F+2001041400593%3A");
    EXPECT_EQ(page.captures.first().link, "http://www.cnn.com:80/");
    EXPECT_EQ(page.captures.first().status, 200);
    // The walk's end: a 0-byte answer is an empty page, not a problem.
    ARCHIVE_ANSWER(last, "wayback-cdx-text-resumekey-cnn.com-p14.txt");
    const CdxPage end = CdxAnswer::ReadWayback(last);
    EXPECT_TRUE(end.captures.isEmpty() && end.resumeKey.isEmpty() && end.problem.isEmpty());
}

TEST(CdxAnswer, WaybackQuirksAreSkippedOrKeptButNeverBreakTheAnswer) {
    ARCHIVE_ANSWER(malformed, "wayback-cdx-text-quirk-malformed-lines.txt");
    const CdxPage junk = CdxAnswer::ReadWayback(malformed);
    EXPECT_TRUE(junk.problem.isEmpty());
    EXPECT_GT(junk.skippedLines, 0);  // "some/not/even/url/thing" is no address
    for (const ArchiveCapture& capture : junk.captures) EXPECT_TRUE(capture.link.startsWith("http"));
    ARCHIVE_ANSWER(dash, "wayback-cdx-text-quirk-length-dash.txt");
    for (const ArchiveCapture& capture : CdxAnswer::ReadWayback(dash).captures) EXPECT_GE(capture.length, -1);
    ARCHIVE_ANSWER(revisits, "wayback-cdx-text-revisits-dw.com-p0.txt");
    const CdxPage dw = CdxAnswer::ReadWayback(revisits);
    EXPECT_GT(dw.captures.size(), 100);
    EXPECT_TRUE(std::any_of(dw.captures.begin(), dw.captures.end(), [](const auto& c) { return c.status == 0; }));
}

TEST(CdxAnswer, WaybackJsonRowsAndTheKeyAfterTheEmptyRow) {
    ARCHIVE_ANSWER(json, "wayback-cdx-json-commoncrawl.org-prefix.json");
    const CdxPage page = CdxAnswer::ReadWayback(json);
    ASSERT_TRUE(page.problem.isEmpty());
    ASSERT_FALSE(page.captures.isEmpty());
    EXPECT_EQ(page.captures.first().timestamp, "20080328041443");
    EXPECT_EQ(page.captures.first().digest, "YEIPJFLNQ4IJ3HP4YBDJBWGJL4MTEJ42");
    // Written from the server's documentation: with showResumeKey the key is the row after an empty one.
    const CdxPage keyed = CdxAnswer::ReadWayback(
        R"([["urlkey","timestamp","original","mimetype","statuscode","digest","length"],)"
        R"(["a)/x.pdf","20190304000000","http://a.org/x.pdf","application/pdf","200","D","9"],[],["a%29+2019"]])");
    EXPECT_EQ(keyed.captures.size(), 1);
    EXPECT_EQ(keyed.resumeKey, "a%29+2019");
}

TEST(CdxAnswer, HostileWaybackAnswersAreProblemsOrSkips) {
    struct Case {
        QByteArray body;
        bool problem;
        int captures;
        int skipped;
    };
    const Case cases[] = {
        {"<!DOCTYPE html><html><body>Service Unavailable</body></html>", true, 0, 0},
        {"[[\"urlkey\",\"timestamp\"", true, 0, 0},  // truncated JSON
        {"[[\"a\",\"b\"],[\"x\",\"y\"]]", true, 0, 0},  // no header row we know
        {"a 2019 http://a.org/x.pdf application/pdf 200 D\n", false, 0, 1},  // six fields
        {"a 2019 http://a.org/x.pdf application/pdf 200 D 9 extra\n", false, 0, 1},
        {"a 20x9 http://a.org/x.pdf application/pdf 200 D 9\n", false, 0, 1},
        {"a 2019 http://a.org/x.pdf application/pdf 200 D 9\r\n\n\nkey1\nkey2\n", false, 1, 0},
        {QByteArray(100'000, 'x') + "\n", false, 0, 1},
    };
    for (const Case& c : cases) {
        const CdxPage page = CdxAnswer::ReadWayback(c.body);
        EXPECT_EQ(!page.problem.isEmpty(), c.problem) << c.body.left(60).toStdString();
        EXPECT_EQ(page.captures.size(), c.captures) << c.body.left(60).toStdString();
        EXPECT_EQ(page.skippedLines, c.skipped) << c.body.left(60).toStdString();
    }
}

TEST(CdxAnswer, CommonCrawlLinesCdxjAndMessages) {
    ARCHIVE_ANSWER(lines, "cc-index-lines.jsonl");
    const CdxPage page = CdxAnswer::ReadCommonCrawl(lines);
    ASSERT_FALSE(page.captures.isEmpty());
    const ArchiveCapture& first = page.captures.first();
    EXPECT_EQ(first.offset, 667474763);
    EXPECT_EQ(first.length, 7063);
    EXPECT_TRUE(first.filename.endsWith("00340.warc.gz"));
    EXPECT_EQ(first.source, ArchiveSource::CommonCrawl);

    ARCHIVE_ANSWER(none, "cc-index-no-captures-404.json");
    const CdxPage empty = CdxAnswer::ReadCommonCrawl(none);
    EXPECT_TRUE(empty.captures.isEmpty());
    EXPECT_TRUE(empty.message.startsWith("No Captures found"));
    ARCHIVE_ANSWER(gateway, "cc-index-504-gateway-timeout.html");
    EXPECT_FALSE(CdxAnswer::ReadCommonCrawl(gateway).problem.isEmpty());

    // A line naming a WARC path that climbs out of the data folder, or without a range, is skipped.
    const CdxPage hostile = CdxAnswer::ReadCommonCrawl(
        R"({"url":"http://a.org/x.pdf","timestamp":"2019","status":"200","length":"9","offset":"1","filename":"../../etc/passwd"})"
        "\n"
        R"({"url":"http://a.org/y.pdf","timestamp":"2019","status":"200","filename":"f.warc.gz"})"
        "\n{not json\n");
    EXPECT_TRUE(hostile.captures.isEmpty());
    EXPECT_EQ(hostile.skippedLines, 3);
}

TEST(CdxAnswer, CdxjShardLinesReadWithTheDetectedType) {
    ARCHIVE_ANSWER(gz, "cc-index-cdxj-shard-excerpt.cdxj.gz");
    // The shard is gzipped on disk; the server sends the same lines plain.
    QByteArray lines;
    for (qsizetype at = 0; at < gz.size();) {  // one gzip member per block of lines
        const Inflater::Result member = Inflater::Inflate(gz.mid(at), Inflater::Format::Gzip, 16 * 1024 * 1024);
        ASSERT_TRUE(member.ok) << member.problem.toStdString();
        lines += member.bytes;
        at += member.consumed;
    }
    const CdxPage real = CdxAnswer::ReadCommonCrawl(lines);
    EXPECT_EQ(real.captures.size() + real.skippedLines, 1140);
    ASSERT_FALSE(real.captures.isEmpty());
    EXPECT_EQ(real.captures.first().mime, "application/xhtml+xml");
    // The detected type wins over the one the server claimed.
    const CdxPage page = CdxAnswer::ReadCommonCrawl(
        "fr,x)/a.pdf 20240716153155 {\"url\": \"https://x.fr/a.pdf\", \"mime\": \"text/html\", "
        "\"mime-detected\": \"application/pdf\", \"status\": \"200\", \"digest\": \"D\", \"length\": \"9754\", "
        "\"offset\": \"111440525\", \"filename\": \"crawl-data/x.warc.gz\"}\n");
    ASSERT_EQ(page.captures.size(), 1);
    EXPECT_EQ(page.captures.first().mime, "application/pdf");
}

TEST(CdxAnswer, PageCountsAndCrawls) {
    ARCHIVE_ANSWER(pages, "cc-index-shownumpages.json");
    EXPECT_EQ(CdxAnswer::ReadPageCount(pages), 1);
    EXPECT_EQ(CdxAnswer::ReadPageCount("7\n"), 7);  // the Wayback's bare number
    EXPECT_EQ(CdxAnswer::ReadPageCount("<html>"), -1);
    EXPECT_EQ(CdxAnswer::ReadPageCount("{\"pages\": -3}"), -1);

    ARCHIVE_ANSWER(collinfo, "cc-collinfo.json");
    QString problem;
    const QStringList crawls = CdxAnswer::ReadCrawls(collinfo, 3, &problem);
    EXPECT_EQ(crawls, QStringList({"CC-MAIN-2025-33", "CC-MAIN-2025-30", "CC-MAIN-2025-26"}));
    EXPECT_TRUE(CdxAnswer::ReadCrawls(R"([{"id":"../x","cdx-api":"http://a"}])", 3, &problem).isEmpty());
    EXPECT_FALSE(problem.isEmpty());

    // 100,000 crawls, each twice and in no order, read in one pass: the newest asked, the rest counted.
    QByteArray hostile = "[";
    for (int i = 0; i < 100'000; ++i)
        hostile += "{\"id\":\"CC-MAIN-" + QByteArray::number(i * 7919 % 50'000 + 10'000) + "\"},";
    int leftOut = -1;
    EXPECT_EQ(CdxAnswer::ReadCrawls(hostile + "{}]", 2, &problem, &leftOut),
              QStringList({"CC-MAIN-59999", "CC-MAIN-59998"}));
    EXPECT_EQ(leftOut, 50'000 - 2);
}

TEST(CdxAnswer, StrayJsonRowsAndControlCharactersAreSkippedNotTrusted) {
    // A stray value in the rows is one skipped row: the rows and the key after it still count.
    const CdxPage json = CdxAnswer::ReadWayback(
        R"([["urlkey","timestamp","original","mimetype","statuscode","digest","length"],)"
        R"(["k","20200101000000","http://a.org/1.pdf","application/pdf","200","D1","9"],"stray",{"a":1},)"
        R"(["k","20200101000000","http://a.org/2.pdf\nforged","application/pdf","200","D2","9"],)"
        R"(["k","20200101000000","http://a.org/3.pdf","application/pdf","200","D3","9"],[],["NEXT"]])");
    ASSERT_EQ(json.captures.size(), 2);
    EXPECT_EQ(json.captures[1].link, "http://a.org/3.pdf");
    EXPECT_EQ(json.skippedLines, 3);
    EXPECT_EQ(json.resumeKey, "NEXT");
    // A control character in any kept field would split the capture's line in the registry.
    for (const char* line : {"k 20200101000000 http://a.org/t\tb.pdf application/pdf 200 D 9",
                             "k 20200101000000 http://a.org/x.pdf application/pdf\x1b 200 D 9",
                             "k 20200101000000 http://a.org/x.pdf application/pdf 200 D\x07 9"}) {
        EXPECT_TRUE(CdxAnswer::ReadWayback(line).captures.isEmpty()) << line;
    }
    const CdxPage cc = CdxAnswer::ReadCommonCrawl(
        R"({"url":"http://a.org/x.pdf","timestamp":"20240101000000","status":"200","digest":"D","length":"5","offset":"1","filename":"a\tb\nc"})");
    EXPECT_TRUE(cc.captures.isEmpty());
    EXPECT_EQ(cc.skippedLines, 1);
}
