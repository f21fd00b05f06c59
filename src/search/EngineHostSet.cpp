#include "search/EngineHostSet.h"

#include <QJsonObject>

#include "engines/EngineCatalog.h"

namespace {

bool IsSchemeChar(QChar c, bool first) {
    if ((c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z')) return true;
    return !first && ((c >= u'0' && c <= u'9') || c == u'+' || c == u'-' || c == u'.');
}

// The host of "scheme://host[:port]/..." in lower case when it is written as plain ASCII, as a URL parser
// would give it; null when the parser could read it otherwise (user info, escapes, IPv6, IDN, spaces).
QString PlainHost(const QString& url) {
    const qsizetype marker = url.indexOf(QLatin1StringView("://"));
    if (marker <= 0) return {};
    for (qsizetype i = 0; i < marker; ++i) {
        if (!IsSchemeChar(url[i], i == 0)) return {};
    }
    const qsizetype from = marker + 3;
    qsizetype end = from;
    qsizetype colon = -1;
    while (end < url.size()) {
        const char16_t c = url[end].unicode();
        if (c == u'/' || c == u'?' || c == u'#') break;
        if (c <= 0x20 || c >= 0x7F || c == u'@' || c == u'%' || c == u'[' || c == u']' || c == u'\\')
            return {};
        if (c == u':' && colon < 0) colon = end;
        ++end;
    }
    QString host = url.mid(from, (colon < 0 ? end : colon) - from).toLower();
    if (host.isEmpty() || host.contains(QLatin1StringView("xn--"))) return {};
    return host;
}

}  // namespace

EngineHostSet::EngineHostSet(const EngineCatalog& catalogue) {
    // The host part of each pattern as EngineCatalog::ForUrl reads it.
    for (const EngineDefinition& engine : catalogue.Engines()) {
        for (const QJsonValue& pattern : engine.urlPatterns) {
            const QString text = pattern.isObject() ? pattern.toObject().value(QLatin1StringView("host")).toString()
                                                    : pattern.toString().section(u'/', 0, 0);
            hosts_.insert(text.toLower());
        }
    }
}

bool EngineHostSet::MayBeEngine(const QString& url) const {
    const QString host = PlainHost(url);
    return host.isNull() || hosts_.contains(host);
}
