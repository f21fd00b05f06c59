#include "engines/JsonFieldReader.h"

#include <QJsonArray>
#include <cmath>

bool JsonFieldReader::Fail(const QString& place, const QString& what) {
    if (!failed_ && error_) *error_ = QStringLiteral("%1: %2").arg(place, what);
    failed_ = true;
    return false;
}

bool JsonFieldReader::Known(const QJsonObject& object, const QString& place,
                            std::initializer_list<const char*> names) {
    for (auto it = object.begin(); it != object.end(); ++it) {
        bool known = false;
        for (const char* name : names) known = known || it.key() == QLatin1StringView(name);
        if (!known) return Fail(place + u'.' + it.key(), QStringLiteral("unknown field"));
    }
    return true;
}

bool JsonFieldReader::Text(const QJsonValue& value, const QString& place, QString* out, bool required) {
    if (value.isUndefined()) return required ? Fail(place, QStringLiteral("missing")) : true;
    if (!value.isString()) return Fail(place, QStringLiteral("expected a string"));
    if (value.toString().size() > maxText_)
        return Fail(place, QStringLiteral("longer than %1 characters").arg(maxText_));
    *out = value.toString();
    return true;
}

bool JsonFieldReader::Texts(const QJsonValue& value, const QString& place, QStringList* out,
                            bool allowEmpty) {
    if (value.isUndefined()) return true;
    if (!value.isArray()) return Fail(place, QStringLiteral("expected a list of strings"));
    const QJsonArray array = value.toArray();
    if (array.size() > maxList_) return Fail(place, QStringLiteral("more than %1 entries").arg(maxList_));
    for (qsizetype i = 0; i < array.size(); ++i) {
        const QString at = QStringLiteral("%1[%2]").arg(place).arg(i);
        QString text;
        if (!Text(array[i], at, &text)) return false;
        if (!allowEmpty && text.isEmpty()) return Fail(at, QStringLiteral("empty"));
        out->append(text);
    }
    return true;
}

bool JsonFieldReader::Flag(const QJsonValue& value, const QString& place, bool* out) {
    if (value.isUndefined()) return true;
    if (!value.isBool()) return Fail(place, QStringLiteral("expected true or false"));
    *out = value.toBool();
    return true;
}

bool JsonFieldReader::Number(const QJsonValue& value, const QString& place, int low, int high, int* out) {
    if (value.isUndefined()) return true;
    const double number = value.toDouble(-1.5);
    if (!value.isDouble() || !IsWholeNumberIn(number, low, high))
        return Fail(place, QStringLiteral("expected a whole number from %1 to %2").arg(low).arg(high));
    *out = int(number);
    return true;
}

bool JsonFieldReader::IsWholeNumberIn(double number, double low, double high) {
    // The range check comes first and also turns away NaN and the infinities.
    return number >= low && number <= high && std::floor(number) == number;
}
