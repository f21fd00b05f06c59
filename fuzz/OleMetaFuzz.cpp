// OLE2 property sets (libgsf) as any downloaded document may hold them. The input is given the format's signature so the
// reader of that format sees it; reading must end with a status and keep its answer within its bounds.

#include "MetaFuzz.h"

// libgsf itself leaks a few bytes on some damaged property sets (inside gsf_doc_meta_data_read_from_msole, past
// every object we hold). glib is built without frame pointers, so the leak's stack ends in g_malloc0: the
// suppression names glib's and libgsf's own allocations, which nothing of ours makes but through GObjectHolder.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libglib-2.0.so\nleak:libgsf-1.so\n";
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const QByteArray signature("\xd0\xcf\x11\xe0\xa1\xb1\x1a\xe1");
    fuzz::ReadDocument(data, size, signature);
    return 0;
}
