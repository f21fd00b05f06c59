// RTF's info group as any downloaded document may hold it. The input is given the format's signature so the
// reader of that format sees it; reading must end with a status and keep its answer within its bounds.

#include "MetaFuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const QByteArray signature("{\\rtf");
    fuzz::ReadDocument(data, size, signature);
    return 0;
}
