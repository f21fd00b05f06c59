#include "net/RetryAfter.h"

#include <QLocale>
#include <QTimeZone>
#include <algorithm>

namespace {

// The three date forms HTTP allows: IMF-fixdate, the obsolete RFC 850 form and asctime's. The weekday
// adds nothing and is dropped: Qt would check it against a two-digit year read as 19xx.
QDateTime ParseHttpDate(const QString& text) {
    const QLocale c = QLocale::c();
    const qsizetype comma = text.indexOf(u',');
    QString rest = comma >= 0 ? text.mid(comma + 1) : text.section(u' ', 1);
    rest = rest.simplified();
    for (const char* format :
         {"dd MMM yyyy HH:mm:ss 'GMT'", "dd-MMM-yy HH:mm:ss 'GMT'", "MMM d HH:mm:ss yyyy"}) {
        QDateTime when = c.toDateTime(rest, QLatin1StringView(format));
        if (!when.isValid()) continue;
        if (when.date().year() < 1970) when = when.addYears(100);
        when.setTimeZone(QTimeZone::utc());
        return when;
    }
    return {};
}

}  // namespace

int RetryAfter::Seconds(const QByteArray& value, const QDateTime& now) {
    const QByteArray text = value.trimmed();
    if (text.isEmpty() || text.size() > 64) return kDefaultSeconds;
    if (std::all_of(text.cbegin(), text.cend(), [](char c) { return c >= '0' && c <= '9'; })) {
        // Digits beyond any integer are simply "a very long time".
        bool ok = false;
        const qulonglong seconds = text.toULongLong(&ok);
        if (!ok) return kMaxSeconds;
        return int(std::clamp<qulonglong>(seconds, kMinSeconds, kMaxSeconds));
    }
    const QDateTime when = ParseHttpDate(QString::fromLatin1(text));
    if (!when.isValid()) return kDefaultSeconds;
    const qint64 seconds = now.secsTo(when);
    return int(std::clamp<qint64>(seconds, kMinSeconds, kMaxSeconds));
}
