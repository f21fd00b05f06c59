#include "engines/QueryTemplate.h"

#include <QJsonArray>
#include <QJsonObject>

#include "engines/JsonFieldReader.h"
#include "lists/SettingsTable.h"

namespace {

constexpr qsizetype kMaxText = 1023;  // no address may be longer
constexpr qsizetype kMaxList = 64;
constexpr int kMaxPages = 1000;
constexpr int kMaxPageValue = 1000000;
constexpr int kTimeRanges = 5;

const char* const kPlaceholders[] = {"keyword", "format", "page", "time", "rotate", "switch"};

class Reader : public JsonFieldReader {
  public:
    explicit Reader(QString* error) : JsonFieldReader(error, kMaxText, kMaxList) {}

    // An address template: http or https, and only the known placeholders.
    bool Address(const QString& url, const QString& place) {
        if (!url.startsWith(QLatin1StringView("http://")) && !url.startsWith(QLatin1StringView("https://")))
            return Fail(place, QStringLiteral("expected an http:// or https:// address"));
        for (qsizetype open = url.indexOf(u'{'); open >= 0; open = url.indexOf(u'{', open + 1)) {
            const qsizetype close = url.indexOf(u'}', open);
            const QString name = close < 0 ? QString() : url.mid(open + 1, close - open - 1);
            bool known = false;
            for (const char* placeholder : kPlaceholders)
                known = known || name == QLatin1StringView(placeholder);
            if (!known)
                return Fail(place, QStringLiteral("unknown placeholder at character %1").arg(open + 1));
        }
        return true;
    }
};

bool ReadOne(Reader& reader, const QJsonValue& value, const QString& place, QueryTemplate* out) {
    if (!value.isObject()) return reader.Fail(place, QStringLiteral("expected an object"));
    const QJsonObject object = value.toObject();
    auto field = [&object](const char* name) { return object.value(QLatin1StringView(name)); };
    auto at = [&place](const char* name) { return place + u'.' + QLatin1StringView(name); };
    if (!reader.Known(object, place,
                      {"keyword", "when", "url", "tokenUrls", "formats", "pages", "time", "rotate", "switch",
                       "setting", "order"})) {
        return false;
    }

    QString keyword = QStringLiteral("escaped");
    if (!reader.Text(field("keyword"), at("keyword"), &keyword)) return false;
    if (keyword != QLatin1StringView("escaped") && keyword != QLatin1StringView("raw"))
        return reader.Fail(at("keyword"), QStringLiteral("expected \"escaped\" or \"raw\""));
    out->escapeKeyword = keyword == QLatin1StringView("escaped");
    QString when;
    if (!reader.Text(field("when"), at("when"), &when)) return false;
    if (!when.isEmpty() && when != QLatin1StringView("alnumKeyword"))
        return reader.Fail(at("when"), QStringLiteral("expected \"alnumKeyword\""));
    out->alnumKeywordOnly = !when.isEmpty();

    if (!reader.Text(field("url"), at("url"), &out->url, true) || !reader.Address(out->url, at("url")))
        return false;

    const QJsonValue formats = field("formats");
    if (!formats.isUndefined()) {
        if (!formats.isObject()) return reader.Fail(at("formats"), QStringLiteral("expected an object"));
        const QJsonObject boxes = formats.toObject();
        for (auto it = boxes.begin(); it != boxes.end(); ++it) {
            const QString here = at("formats") + u'.' + it.key();
            if (it.key() == QLatin1StringView("other")) {
                if (!it.value().isBool()) return reader.Fail(here, QStringLiteral("expected true or false"));
                out->other = it.value().toBool();
                continue;
            }
            qsizetype box = -1;
            for (size_t i = 0; i < QueryTemplate::kFormatNames.size(); ++i) {
                if (it.key() == QLatin1StringView(QueryTemplate::kFormatNames[i])) box = qsizetype(i);
            }
            if (box < 0) return reader.Fail(here, QStringLiteral("unknown format box"));
            if (!reader.Texts(it.value(), here, &out->formats[size_t(box)], false)) return false;
        }
        out->hasFormats = true;
    }

    const QJsonValue tokenUrls = field("tokenUrls");
    if (!tokenUrls.isUndefined()) {
        if (!tokenUrls.isObject()) return reader.Fail(at("tokenUrls"), QStringLiteral("expected an object"));
        const QJsonObject urls = tokenUrls.toObject();
        if (urls.size() > kMaxList) return reader.Fail(at("tokenUrls"), QStringLiteral("too many entries"));
        for (auto it = urls.begin(); it != urls.end(); ++it) {
            const QString here = at("tokenUrls") + u'.' + it.key();
            QString url;
            if (!reader.Text(it.value(), here, &url, true) || !reader.Address(url, here)) return false;
            out->tokenUrls.insert(it.key(), url);
        }
    }

    const QJsonValue pages = field("pages");
    if (!pages.isUndefined()) {
        if (!pages.isObject()) return reader.Fail(at("pages"), QStringLiteral("expected an object"));
        const QJsonObject object = pages.toObject();
        const QString here = at("pages");
        auto sub = [&here](const char* name) { return here + u'.' + QLatin1StringView(name); };
        if (!reader.Known(object, here, {"first", "step", "count", "text", "firstText"}) ||
            !reader.Number(object.value(QStringLiteral("first")), sub("first"), 0, kMaxPageValue,
                           &out->first) ||
            !reader.Number(object.value(QStringLiteral("step")), sub("step"), 1, kMaxPageValue, &out->step) ||
            !reader.Number(object.value(QStringLiteral("count")), sub("count"), 1, kMaxPages, &out->count) ||
            !reader.Text(object.value(QStringLiteral("text")), sub("text"), &out->pageText)) {
            return false;
        }
        if (qint64(out->first) + qint64(out->step) * (out->count - 1) > kMaxPageValue)
            return reader.Fail(here, QStringLiteral("the last page value passes %1").arg(kMaxPageValue));
        const QJsonValue firstText = object.value(QStringLiteral("firstText"));
        if (!firstText.isUndefined()) {
            QString text;
            if (!reader.Text(firstText, sub("firstText"), &text)) return false;
            out->firstPageText = text;
        }
    }

    if (!reader.Texts(field("time"), at("time"), &out->time, true)) return false;
    if (!out->time.isEmpty() && out->time.size() != kTimeRanges)
        return reader.Fail(
            at("time"), QStringLiteral("expected %1 values (all, day, week, month, year)").arg(kTimeRanges));
    if (!reader.Texts(field("rotate"), at("rotate"), &out->rotate, true)) return false;

    const QJsonValue toggle = field("switch");
    if (!toggle.isUndefined()) {
        if (!toggle.isObject()) return reader.Fail(at("switch"), QStringLiteral("expected an object"));
        const QJsonObject object = toggle.toObject();
        const QString here = at("switch");
        if (!reader.Known(object, here, {"setting", "on", "off"}) ||
            !reader.Text(object.value(QStringLiteral("setting")), here + QStringLiteral(".setting"),
                         &out->switchSetting, true) ||
            !reader.Text(object.value(QStringLiteral("on")), here + QStringLiteral(".on"), &out->switchOn) ||
            !reader.Text(object.value(QStringLiteral("off")), here + QStringLiteral(".off"),
                         &out->switchOff)) {
            return false;
        }
    }
    if (!reader.Text(field("setting"), at("setting"), &out->setting)) return false;
    if (!out->setting.isEmpty()) {
        const SettingSpec* spec = SettingsTable::Find(out->setting);
        if (!spec || spec->kind != SettingKind::Check)
            return reader.Fail(at("setting"), QStringLiteral("not a check box of Setting.ini"));
    }
    return reader.Number(field("order"), at("order"), -1000000, 1000000, &out->order);
}

}  // namespace

std::optional<QList<QueryTemplate>> QueryTemplate::ReadAll(const QJsonArray& queries, QString* error) {
    Reader reader(error);
    if (queries.size() > kMaxList) {
        reader.Fail(QStringLiteral("queries"), QStringLiteral("more than %1 templates").arg(kMaxList));
        return std::nullopt;
    }
    QList<QueryTemplate> templates;
    for (qsizetype i = 0; i < queries.size(); ++i) {
        QueryTemplate one;
        if (!ReadOne(reader, queries[i], QStringLiteral("queries[%1]").arg(i), &one)) return std::nullopt;
        templates.append(one);
    }
    return templates;
}

QList<int> QueryTemplate::Pages() const {
    QList<int> values;
    for (int i = 0; i < count; ++i) values.append(first + i * step);
    return values;
}

QString QueryTemplate::PageText(int index) const {
    if (index == 0 && firstPageText) return *firstPageText;
    QString text = pageText;
    return text.replace(QStringLiteral("{n}"), QString::number(first + index * step));
}
