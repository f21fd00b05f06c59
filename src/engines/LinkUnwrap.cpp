#include "engines/LinkUnwrap.h"

#include <QByteArray>
#include <QUrl>
#include <QUrlQuery>

namespace {

// Only addresses a browser would follow come out of an unwrap; anything else (javascript:, data:, text
// that is no address at all) is not a result.
QString IfWebAddress(const QString& candidate) {
    const QString trimmed = candidate.trimmed();
    const QUrl url(trimmed, QUrl::TolerantMode);
    if (!url.isValid()) return {};
    const QString scheme = url.scheme().toLower();
    if (scheme == QLatin1StringView("http") || scheme == QLatin1StringView("https") ||
        scheme == QLatin1StringView("ftp")) {
        return url.host().isEmpty() ? QString() : trimmed;
    }
    return {};
}

QString QueryValue(const QUrl& url, const QString& name) {
    // The raw query split by hand: QUrlQuery would turn "+" into a space only in some modes, and a value
    // must come out exactly as the engine encoded its target.
    const QString query = url.query(QUrl::FullyEncoded);
    for (const QString& pair : query.split(u'&')) {
        const qsizetype equals = pair.indexOf(u'=');
        if (equals < 0) continue;
        if (QUrl::fromPercentEncoding(pair.left(equals).toUtf8()) != name) continue;
        QByteArray value = pair.mid(equals + 1).toUtf8();
        value.replace('+', ' ');
        return QUrl::fromPercentEncoding(value);
    }
    return {};
}

}  // namespace

QString UnwrapLink(const UnwrapRule& rule, const QString& link) {
    if (link.isEmpty() || rule.kind == UnwrapRule::Kind::Attribute) return {};
    const QUrl url(link, QUrl::TolerantMode);
    if (!rule.pathContains.isEmpty() && !url.path().contains(rule.pathContains, Qt::CaseInsensitive))
        return {};
    switch (rule.kind) {
        case UnwrapRule::Kind::QueryParameter:
            return IfWebAddress(QueryValue(url, rule.name));
        case UnwrapRule::Kind::PathSegment: {
            // Yahoo: .../RU=<percent-encoded address>/RK=2/RS=...; the address ends at the next "/".
            const QString path = url.path(QUrl::FullyEncoded);
            const qsizetype at = path.indexOf(rule.name);
            if (at < 0) return {};
            const qsizetype start = at + rule.name.size();
            const qsizetype end = path.indexOf(u'/', start);
            const QString segment = path.mid(start, end < 0 ? -1 : end - start);
            return IfWebAddress(QUrl::fromPercentEncoding(segment.toUtf8()));
        }
        case UnwrapRule::Kind::Base64Parameter: {
            QString value = QueryValue(url, rule.name);
            if (!rule.prefix.isEmpty()) {
                if (!value.startsWith(rule.prefix)) return {};
                value = value.mid(rule.prefix.size());
            }
            const auto decoded = QByteArray::fromBase64Encoding(
                value.toLatin1(), QByteArray::Base64UrlEncoding | QByteArray::AbortOnBase64DecodingErrors);
            if (!decoded) return {};
            return IfWebAddress(QString::fromUtf8(*decoded));
        }
        case UnwrapRule::Kind::Attribute:
            break;
    }
    return {};
}
