#include "search/EngineHitReader.h"

#include <QSet>

#include "engines/HtmlDocument.h"
#include "engines/XPathLayoutReader.h"
#include "search/HtmlAnchorLister.h"

namespace {

QList<EngineHit> ReadXPathLayouts(const EngineDefinition& engine, const QString& pageUrl, const QString& page,
                                  QString* unreadable, const std::function<bool()>& cancelled) {
    if (engine.layouts.isEmpty()) return {};
    // One parse serves every layout of the engine, and one budget: many layouts must not multiply it.
    const std::unique_ptr<HtmlDocument> document = HtmlDocument::Parse(page, unreadable, pageUrl);
    if (!document) return {};
    XPathBudget budget = XPathBudget::ForPage(*document, cancelled);
    for (const XPathLayout& layout : engine.layouts) {
        if (budget.Exhausted()) break;
        QList<EngineHit> hits;
        QSet<QString> seen;
        for (EngineHit& hit : XPathLayoutReader::Read(layout, *document, budget)) {
            hit.link = HtmlAnchorLister::ResolveUrl(pageUrl, hit.link);
            if (hit.link.isEmpty() || seen.contains(hit.link)) continue;
            seen.insert(hit.link);
            hits.append(hit);
        }
        if (!hits.isEmpty()) return hits;
    }
    return {};
}

}  // namespace

QList<EngineHit> ReadEngineHits(const EngineDefinition& engine, const QString& pageUrl, const QString& page,
                                const ClassicHitCutter& classic, QString* unreadable,
                                const std::function<bool()>& cancelled) {
    if (unreadable) unreadable->clear();
    const bool hasClassic = classic && !engine.classic.isEmpty();
    if (hasClassic && !engine.layoutsFirst) {
        QList<EngineHit> hits = classic(engine, pageUrl, page);
        if (!hits.isEmpty()) return hits;
    }
    QList<EngineHit> hits = ReadXPathLayouts(engine, pageUrl, page, unreadable, cancelled);
    if (hits.isEmpty() && hasClassic && engine.layoutsFirst) hits = classic(engine, pageUrl, page);
    return hits;
}
