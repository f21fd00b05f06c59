#include "meta/MetaDate.h"

#include <QDate>
#include <QRegularExpression>

namespace {

bool ValidTime(int hour, int minute, int second) {
    return hour >= 0 && hour <= 23 && minute >= 0 && minute <= 59 && second >= 0 && second <= 60;
}

QString DatePart(int year, int month, int day) {
    if (year < 1 || year > 9999) return {};
    if (month == 0) return QStringLiteral("%1").arg(year, 4, 10, QLatin1Char('0'));
    if (month < 1 || month > 12) return {};
    if (day == 0) return QStringLiteral("%1-%2").arg(year, 4, 10, QLatin1Char('0')).arg(month, 2, 10, QLatin1Char('0'));
    if (!QDate::isValid(year, month, day)) return {};
    return QDate(year, month, day).toString(Qt::ISODate);
}

QString TimePart(int hour, int minute, int second) {
    return QStringLiteral("T%1:%2:%3")
        .arg(hour, 2, 10, QLatin1Char('0'))
        .arg(minute, 2, 10, QLatin1Char('0'))
        .arg(second, 2, 10, QLatin1Char('0'));
}

// "Z", "+HH:MM" from a sign and digits; empty text for no zone, a null string for an invalid one.
QString Zone(QChar sign, int hours, int minutes, bool* valid) {
    *valid = hours >= 0 && hours <= 14 && minutes >= 0 && minutes <= 59;
    if (sign == u'Z') return QStringLiteral("Z");
    return QStringLiteral("%1%2:%3").arg(sign).arg(hours, 2, 10, QLatin1Char('0')).arg(minutes, 2, 10, QLatin1Char('0'));
}

}  // namespace

QString MetaDate::FromParts(int year, int month, int day, int hour, int minute, int second) {
    const QString date = DatePart(year, month, day);
    if (date.isEmpty() || month == 0 || day == 0) return date;
    if (!ValidTime(hour, minute, second)) return date;
    return date + TimePart(hour, minute, second);
}

QString MetaDate::FromPdf(const QString& text) {
    // D:YYYYMMDDHHmmSSOHH'mm' with everything after the year optional; writers add spaces, drop the D:,
    // write Z00'00' or leave the apostrophes out.
    static const QRegularExpression pdfDate(QStringLiteral(
        R"(^\s*(?:D:)?(\d{4})(\d{2})?(\d{2})?(\d{2})?(\d{2})?(\d{2})?\s*(?:([Zz+-])\s*(\d{2})?'?\s*(\d{2})?'?)?\s*$)"));
    const QRegularExpressionMatch match = pdfDate.match(text);
    if (!match.hasMatch()) return FromIso(text);
    const int year = match.captured(1).toInt();
    const int month = match.capturedLength(2) ? match.captured(2).toInt() : 0;
    const int day = match.capturedLength(3) ? match.captured(3).toInt() : 0;
    if (!match.capturedLength(4)) return DatePart(year, month, month ? day : 0);
    const int hour = match.captured(4).toInt();
    const int minute = match.captured(5).toInt();
    const int second = match.captured(6).toInt();
    const QString date = DatePart(year, month ? month : 1, day ? day : 1);
    if (date.isEmpty() || !ValidTime(hour, minute, second)) return {};
    QString result = date + TimePart(hour, minute, second);
    if (match.capturedLength(7)) {
        QChar sign = match.captured(7).at(0).toUpper();
        const int zoneHours = match.captured(8).toInt();
        const int zoneMinutes = match.captured(9).toInt();
        if (sign == u'Z' && (zoneHours || zoneMinutes)) sign = u'+';
        bool valid = false;
        const QString zone = Zone(sign, zoneHours, zoneMinutes, &valid);
        if (valid) result += (sign != u'Z' && !zoneHours && !zoneMinutes) ? QStringLiteral("Z") : zone;
    }
    return result;
}

QString MetaDate::FromIso(const QString& text) {
    static const QRegularExpression isoDate(QStringLiteral(
        R"(^\s*(\d{4})(?:-(\d{2})(?:-(\d{2})(?:[T ](\d{2}):(\d{2})(?::(\d{2})(\.\d{1,9})?)?(?:(Z)|([+-])(\d{2}):?(\d{2}))?)?)?)?\s*$)"));
    const QRegularExpressionMatch match = isoDate.match(text);
    if (!match.hasMatch()) return {};
    const int year = match.captured(1).toInt();
    const int month = match.capturedLength(2) ? match.captured(2).toInt() : 0;
    const int day = match.capturedLength(3) ? match.captured(3).toInt() : 0;
    const QString date = DatePart(year, month, day);
    if (date.isEmpty() || !match.capturedLength(4)) return date;
    const int hour = match.captured(4).toInt();
    const int minute = match.captured(5).toInt();
    const int second = match.captured(6).toInt();
    if (!ValidTime(hour, minute, second)) return {};
    QString result = date + TimePart(hour, minute, second) + match.captured(7);
    if (match.capturedLength(8)) return result + QStringLiteral("Z");
    if (match.capturedLength(9)) {
        bool valid = false;
        const QString zone =
            Zone(match.captured(9).at(0), match.captured(10).toInt(), match.captured(11).toInt(), &valid);
        if (!valid) return {};
        result += zone;
    }
    return result;
}
