#pragma once
// The "scheme://authority" that starts an address, found by a scan instead of a URL parse, for the
// per-page checks of the deep search that depend on it alone. Only plainly written origins count: a
// scheme of the usual letters, then an authority of printable ASCII without user info, escapes, IPv6
// brackets, backslashes or IDN labels, where a URL parser can only read what the text says.

#include <QString>

namespace PlainOrigin {

// The length of the address's plain origin; -1 when it has none.
inline qsizetype Length(const QString& url) {
    const qsizetype marker = url.indexOf(QLatin1StringView("://"));
    if (marker <= 0) return -1;
    for (qsizetype i = 0; i < marker; ++i) {
        const QChar c = url[i];
        const bool letter = (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
        if (!letter && (i == 0 || !((c >= u'0' && c <= u'9') || c == u'+' || c == u'-' || c == u'.')))
            return -1;
    }
    qsizetype end = marker + 3;
    while (end < url.size()) {
        const char16_t c = url[end].unicode();
        if (c == u'/' || c == u'?' || c == u'#') break;
        if (c <= 0x20 || c >= 0x7F || c == u'@' || c == u'%' || c == u'[' || c == u']' || c == u'\\')
            return -1;
        ++end;
    }
    if (end == marker + 3 ||
        QStringView(url).mid(marker + 3, end - marker - 3).contains(u"xn--", Qt::CaseInsensitive))
        return -1;
    return end;
}

}  // namespace PlainOrigin
