// One WARC record as the byte range of an archive's data server returns it (gzipped or not). Reading
// must finish within its ceiling; a document is a complete 200 response of the asked address whose body
// stays within the limit.

#include "FuzzSupport.h"
#include "net/WarcRecord.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    constexpr qint64 kLimit = 4 * 1024 * 1024;
    const QByteArray bytes = fuzz::Bytes(data, size);
    const WarcRecord::Document doc = WarcRecord::Read(bytes, QString(), kLimit);
    fuzz::Require(doc.ok == doc.problem.isEmpty(), "a refusal says why, a document has no problem");
    if (doc.ok) {
        fuzz::Require(doc.type == QLatin1StringView("response") && doc.httpStatus == 200, "only 200 responses");
        fuzz::Require(doc.body.size() <= kLimit, "the body stays within the limit");
    }
    QByteArray plain;
    QString problem;
    if (WarcRecord::Dechunk(bytes, kLimit, &plain, &problem))
        fuzz::Require(plain.size() <= bytes.size(), "a chunked body only shrinks");
    return 0;
}
