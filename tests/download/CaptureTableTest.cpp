#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "download/CaptureTable.h"
#include "download/DocRegistry.h"

TEST(CaptureTable, BesideAnOldRegistryTheNewestCaptureOfEachSourceWins) {
    QTemporaryDir dir;
    const QString path = dir.filePath("docdata.db");
    DocRegistry registry(nullptr);
    ASSERT_TRUE(registry.OpenDocDatabase(path));
    ASSERT_EQ(registry.InsertDocLink("http://a.org/x.pdf"), DocRegistry::LinkInsert::Inserted);
    CaptureTable captures;
    ASSERT_TRUE(captures.Open(path)) << captures.LastError().toStdString();
    ArchiveCapture capture;
    capture.link = "http://a.org/x.pdf";
    capture.timestamp = "20190304000000";
    capture.digest = "OLD";
    ASSERT_TRUE(captures.Keep(capture));
    capture.timestamp = "20180101000000";  // older: kept out
    capture.digest = "OLDER";
    captures.Keep(capture);
    capture.source = ArchiveSource::CommonCrawl;
    capture.timestamp = "20200101000000";
    capture.filename = "crawl-data/x.warc.gz";
    capture.offset = 5;
    capture.length = 9;
    captures.Keep(capture);
    const QList<ArchiveCapture> found = captures.CapturesOf("http://a.org/x.pdf");
    ASSERT_EQ(found.size(), 2);
    EXPECT_EQ(found[0].source, ArchiveSource::CommonCrawl);
    EXPECT_EQ(found[0].offset, 5);
    EXPECT_EQ(found[1].digest, "OLD");
    // The registry's own links are untouched, and a link with quotes is only text.
    EXPECT_EQ(registry.CheckDocLink("http://a.org/x.pdf"), DocRegistry::LinkCheck::Present);
    EXPECT_TRUE(captures.CapturesOf("x' OR '1'='1").isEmpty());
}
