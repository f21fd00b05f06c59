#pragma once
// Cuts the hits from one result page with an engine's layouts: the classic layout first (through the
// classic parsers' cutter), then each XPath layout in order; the first layout that finds any hit wins. A
// definition with layoutsFirst has its XPath layouts tried before the classic one. Any thread.

#include <functional>

#include <QList>
#include <QString>

#include "engines/EngineDefinition.h"
#include "engines/EngineHit.h"

using ClassicHitCutter =
    std::function<QList<EngineHit>(const EngineDefinition&, const QString& url, const QString& page)>;

// *unreadable (when given) says why a page could not be parsed at all (too large, nested beyond use); it is
// cleared otherwise. The XPath layouts share one budget for the page; while cancelled() says so (Stop) no
// further evaluation starts.
QList<EngineHit> ReadEngineHits(const EngineDefinition& engine, const QString& pageUrl, const QString& page,
                                const ClassicHitCutter& classic, QString* unreadable = nullptr,
                                const std::function<bool()>& cancelled = {});
