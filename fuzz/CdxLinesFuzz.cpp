// Answers of the archives' capture indexes as a server may send them. The first byte picks the reader
// (even: the Wayback's text or JSON, odd: Common Crawl's lines), the rest is the answer. Reading must
// finish; every capture has a web address and a timestamp of digits; Common Crawl captures name a
// range and a WARC path that stays under the data folder.

#include "FuzzSupport.h"
#include "engines/CdxAnswer.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const QByteArray body = fuzz::Bytes(data + 1, size - 1);
    const bool wayback = data[0] % 2 == 0;
    const CdxPage page = wayback ? CdxAnswer::ReadWayback(body) : CdxAnswer::ReadCommonCrawl(body);
    for (const ArchiveCapture& capture : page.captures) {
        fuzz::Require(capture.link.startsWith(QStringLiteral("http")), "a capture has a web address");
        fuzz::Require(!capture.timestamp.isEmpty() && capture.timestamp.size() <= 14, "a timestamp of 1-14 digits");
        if (!wayback) {
            fuzz::Require(capture.offset >= 0 && capture.length > 0, "a Common Crawl capture has a range");
            fuzz::Require(!capture.filename.contains(QStringLiteral("..")), "the WARC path stays in the data folder");
        }
    }
    QString problem;
    const QStringList crawls = CdxAnswer::ReadCrawls(body, 3, &problem);
    fuzz::Require(crawls.size() <= 3, "no more crawls than asked");
    fuzz::Require(CdxAnswer::ReadPageCount(body) >= -1, "a page count or -1");
    return 0;
}
