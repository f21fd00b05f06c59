#include "search/EngineHostSet.h"

#include <QJsonObject>

#include "engines/EngineCatalog.h"
#include "search/PlainOrigin.h"

namespace {

// The host of a plainly written origin in lower case, as a URL parser would give it; null otherwise.
QString PlainHost(const QString& url) {
    const qsizetype end = PlainOrigin::Length(url);
    if (end < 0) return {};
    const qsizetype from = url.indexOf(QLatin1StringView("://")) + 3;
    const qsizetype colon = url.indexOf(u':', from);
    return url.mid(from, (colon < 0 || colon > end ? end : colon) - from).toLower();
}

}  // namespace

EngineHostSet::EngineHostSet(const EngineCatalog& catalogue) {
    // The host part of each pattern as EngineCatalog::ForUrl reads it.
    for (const EngineDefinition& engine : catalogue.Engines()) {
        for (const QJsonValue& pattern : engine.urlPatterns) {
            const QString text = pattern.isObject()
                                     ? pattern.toObject().value(QLatin1StringView("host")).toString()
                                     : pattern.toString().section(u'/', 0, 0);
            hosts_.insert(text.toLower());
        }
    }
}

bool EngineHostSet::MayBeEngine(const QString& url) const {
    const QString host = PlainHost(url);
    return host.isNull() || hosts_.contains(host);
}
