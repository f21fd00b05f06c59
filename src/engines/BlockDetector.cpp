#include "engines/BlockDetector.h"

BlockVerdict DetectBlock(const EngineDefinition& engine, int httpStatus, const QString& finalUrl,
                         const QString& body) {
    for (const BlockSignature& signature : engine.blocks) {
        if (!signature.statuses.isEmpty() && !signature.statuses.contains(httpStatus)) continue;
        if (!signature.urlContains.isEmpty() &&
            !finalUrl.contains(signature.urlContains, Qt::CaseInsensitive))
            continue;
        if (!signature.body.isEmpty()) {
            bool found = false;
            for (const QString& marker : signature.body) {
                if (body.contains(marker, Qt::CaseInsensitive)) {
                    found = true;
                    break;
                }
            }
            if (!found) continue;
        }
        bool excused = false;
        for (const QString& marker : signature.unlessBody) {
            if (body.contains(marker, Qt::CaseInsensitive)) {
                excused = true;
                break;
            }
        }
        if (excused) continue;
        return {true, signature.reason};
    }
    return {};
}
