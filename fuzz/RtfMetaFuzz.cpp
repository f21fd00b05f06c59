// RTF's info group as any downloaded document may hold it. The input is given the format's signature so the
// reader of that format sees it; reading must end with a status and keep its answer within its bounds.

#include "FuzzSupport.h"
#include "meta/DocumentReader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    QByteArray bytes = fuzz::Bytes(data, size);
    static const QByteArray signature("{\\rtf");
    if (!bytes.startsWith(signature)) bytes.prepend(signature);
    const DocMetadata metadata = DocumentReader::ReadBytes(bytes);
    fuzz::Require(metadata.size == bytes.size(), "the size is the input's");
    fuzz::Require(metadata.title.size() <= 64 * 1024 && metadata.author.size() <= 64 * 1024,
                  "fields stay within their bound");
    fuzz::Require(!metadata.type.isEmpty(), "every document gets a type");
    return 0;
}
