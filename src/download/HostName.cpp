#include "download/HostName.h"

QString HostName::Of(const QString& address) {
    const QStringView text(address);
    const qsizetype scheme = text.indexOf(u"://");
    const qsizetype start = scheme < 0 ? 0 : scheme + 3;
    qsizetype end = start;
    while (end < text.size() && text[end] != u'/' && text[end] != u'?' && text[end] != u'#' &&
           text[end] != u'\\') {
        ++end;
    }
    QStringView authority = text.mid(start, end - start);
    if (const qsizetype at = authority.lastIndexOf(u'@'); at >= 0) authority = authority.mid(at + 1);
    if (authority.startsWith(u'[')) {
        const qsizetype close = authority.indexOf(u']');
        return close < 0 ? QString() : authority.mid(1, close - 1).toString().toLower();
    }
    if (const qsizetype colon = authority.indexOf(u':'); colon >= 0) authority = authority.left(colon);
    return authority.trimmed().toString().toLower();
}
