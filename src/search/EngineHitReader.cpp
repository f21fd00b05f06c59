#include "search/EngineHitReader.h"

QList<EngineHit> ReadEngineHits(const EngineDefinition& engine, const QString& pageUrl, const QString& page,
                                const ClassicHitCutter& classic) {
    if (classic && !engine.classic.isEmpty()) {
        QList<EngineHit> hits = classic(engine, pageUrl, page);
        if (!hits.isEmpty()) return hits;
    }
    return {};
}
