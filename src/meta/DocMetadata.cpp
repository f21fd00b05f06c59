#include "meta/DocMetadata.h"

#include <QJsonArray>

namespace {

constexpr struct {
    MetaFinding::Kind kind;
    const char* name;
} kKindNames[] = {
    {MetaFinding::Kind::Email, "email"}, {MetaFinding::Kind::UserName, "user"},
    {MetaFinding::Kind::Path, "path"},   {MetaFinding::Kind::Url, "url"},
    {MetaFinding::Kind::Printer, "printer"},
};

constexpr struct {
    MetaStatus status;
    const char* name;
} kStatusNames[] = {
    {MetaStatus::Read, "read"},
    {MetaStatus::Encrypted, "encrypted"},
    {MetaStatus::Damaged, "damaged"},
    {MetaStatus::Failed, "failed"},
};

// The text fields by their stored names; the names are the JSON keys of the registry and the worker.
struct TextField {
    const char* key;
    QString DocMetadata::*member;
};
constexpr TextField kTextFields[] = {
    {"reason", &DocMetadata::reason},
    {"sha256", &DocMetadata::sha256},
    {"type", &DocMetadata::type},
    {"title", &DocMetadata::title},
    {"author", &DocMetadata::author},
    {"subject", &DocMetadata::subject},
    {"keywords", &DocMetadata::keywords},
    {"lastModifiedBy", &DocMetadata::lastModifiedBy},
    {"application", &DocMetadata::application},
    {"producer", &DocMetadata::producer},
    {"company", &DocMetadata::company},
    {"created", &DocMetadata::created},
    {"modified", &DocMetadata::modified},
    {"pdfVersion", &DocMetadata::pdfVersion},
    {"xmpTitle", &DocMetadata::xmpTitle},
    {"xmpAuthor", &DocMetadata::xmpAuthor},
};

}  // namespace

QString MetaFinding::KindName(Kind kind) {
    for (const auto& entry : kKindNames) {
        if (entry.kind == kind) return QLatin1StringView(entry.name);
    }
    return {};
}

bool MetaFinding::KindFromName(const QString& name, Kind* kind) {
    for (const auto& entry : kKindNames) {
        if (name == QLatin1StringView(entry.name)) {
            *kind = entry.kind;
            return true;
        }
    }
    return false;
}

QString DocMetadata::StatusName(MetaStatus status) {
    for (const auto& entry : kStatusNames) {
        if (entry.status == status) return QLatin1StringView(entry.name);
    }
    return {};
}

QJsonObject DocMetadata::ToJson() const {
    QJsonObject json;
    json.insert(QStringLiteral("status"), StatusName(status));
    for (const auto& field : kTextFields) {
        const QString& value = this->*field.member;
        if (!value.isEmpty()) json.insert(QLatin1StringView(field.key), value);
    }
    if (size >= 0) json.insert(QStringLiteral("size"), size);
    if (pages >= 0) json.insert(QStringLiteral("pages"), pages);
    if (encrypted) json.insert(QStringLiteral("encrypted"), true);
    if (!history.isEmpty()) json.insert(QStringLiteral("history"), QJsonArray::fromStringList(history));
    if (!findings.isEmpty()) {
        QJsonArray list;
        for (const MetaFinding& finding : findings) {
            list.append(QJsonObject{{QStringLiteral("kind"), MetaFinding::KindName(finding.kind)},
                                    {QStringLiteral("value"), finding.value},
                                    {QStringLiteral("field"), finding.field}});
        }
        json.insert(QStringLiteral("findings"), list);
    }
    return json;
}

DocMetadata DocMetadata::FromJson(const QJsonObject& json) {
    DocMetadata metadata;
    metadata.status = MetaStatus::Failed;
    const QString status = json.value(QStringLiteral("status")).toString();
    for (const auto& entry : kStatusNames) {
        if (status == QLatin1StringView(entry.name)) metadata.status = entry.status;
    }
    for (const auto& field : kTextFields) {
        metadata.*field.member = json.value(QLatin1StringView(field.key)).toString();
    }
    if (status.isEmpty() && metadata.reason.isEmpty()) metadata.reason = QStringLiteral("no answer");
    metadata.size = json.value(QStringLiteral("size")).toInteger(-1);
    metadata.pages = json.value(QStringLiteral("pages")).toInt(-1);
    metadata.encrypted = json.value(QStringLiteral("encrypted")).toBool();
    for (const QJsonValue& entry : json.value(QStringLiteral("history")).toArray()) {
        metadata.history.append(entry.toString());
    }
    for (const QJsonValue& entry : json.value(QStringLiteral("findings")).toArray()) {
        const QJsonObject object = entry.toObject();
        MetaFinding finding;
        if (!MetaFinding::KindFromName(object.value(QStringLiteral("kind")).toString(), &finding.kind)) continue;
        finding.value = object.value(QStringLiteral("value")).toString();
        finding.field = object.value(QStringLiteral("field")).toString();
        metadata.findings.append(finding);
    }
    return metadata;
}
