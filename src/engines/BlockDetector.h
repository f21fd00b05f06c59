#pragma once
// Tells a page that an engine served instead of results (a CAPTCHA, a rate limit, a consent wall) from a
// result page, by the engine's block signatures. Pure function; any thread.

#include <QString>

#include "engines/EngineDefinition.h"

struct BlockVerdict {
    bool blocked = false;
    QString reason;
};

BlockVerdict DetectBlock(const EngineDefinition& engine, int httpStatus, const QString& finalUrl,
                         const QString& body);
