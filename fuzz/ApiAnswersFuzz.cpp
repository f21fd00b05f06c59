// The JSON answers of the search APIs (SearXNG, Google Programmable Search, Brave Search, OpenAlex): a
// service, an instance run by anyone, or whoever sits between them may send anything. The first byte picks
// the service; the rest is the answer. Reading must finish, and every hit must be an address a search may
// list: http, https or ftp with a host, no more of them than the bound, each once.

#include <QSet>
#include <QUrl>

#include "FuzzSupport.h"
#include "engines/ApiAnswer.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    static const EngineKind kKinds[] = {EngineKind::Searxng, EngineKind::GoogleApi, EngineKind::BraveApi,
                                        EngineKind::OpenAlex};
    const EngineKind kind = kKinds[data[0] % 4];
    const ApiPage page = ApiAnswer::Read(kind, fuzz::Bytes(data + 1, size - 1));
    fuzz::Require(page.hits.size() <= ApiAnswer::kMaxHits, "no more hits than the bound");
    fuzz::Require(page.problem.isEmpty() || page.hits.isEmpty(), "an unreadable answer gives no hits");
    fuzz::Require(page.refusal.isEmpty() || page.hits.isEmpty(), "a refusal gives no hits");
    fuzz::Require(page.refusal.size() <= 200, "a refusal is short");
    QSet<QString> links;
    for (const EngineHit& hit : page.hits) {
        const QUrl url(hit.link);
        const QString scheme = url.scheme().toLower();
        fuzz::Require(scheme == u"http" || scheme == u"https" || scheme == u"ftp", "a hit is a web address");
        fuzz::Require(!url.host().isEmpty(), "a hit names its host");
        fuzz::Require(!links.contains(hit.link), "a hit is listed once");
        fuzz::Require(!hit.title.contains(u'\n'), "a title is one line");
        links.insert(hit.link);
    }
    return 0;
}
