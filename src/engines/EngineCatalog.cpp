#include "engines/EngineCatalog.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QUrl>

namespace {

EngineDefinition ReadDefinition(const QJsonObject& object) {
    EngineDefinition engine;
    engine.id = object.value(QStringLiteral("id")).toString();
    engine.name = object.value(QStringLiteral("name")).toString();
    engine.setting = object.value(QStringLiteral("setting")).toString();
    for (const QJsonValue& host : object.value(QStringLiteral("hosts")).toArray())
        engine.hosts << host.toString();
    engine.queries = object.value(QStringLiteral("queries")).toArray();
    engine.urlPatterns = object.value(QStringLiteral("urlPatterns")).toArray();
    engine.classic = object.value(QStringLiteral("classic")).toObject();
    engine.delayMs = object.value(QStringLiteral("delayMs")).toInt();
    return engine;
}

}  // namespace

std::shared_ptr<const EngineCatalog> EngineCatalog::BuiltIn() {
    auto catalog = std::make_shared<EngineCatalog>();
    const QDir dir(QStringLiteral(":/engines"));
    for (const QString& name : dir.entryList({QStringLiteral("*.json")}, QDir::Files, QDir::Name)) {
        QFile file(dir.filePath(name));
        if (!file.open(QIODevice::ReadOnly)) continue;
        const QJsonDocument document = QJsonDocument::fromJson(file.readAll());
        if (document.isObject()) catalog->engines_ << ReadDefinition(document.object());
    }
    return catalog;
}

std::shared_ptr<const EngineCatalog> EngineCatalog::Load(const QString& homeDir, QString* userFileError) {
    Q_UNUSED(homeDir);
    if (userFileError) userFileError->clear();
    return BuiltIn();
}

QString EngineCatalog::Check(const QByteArray& json) {
    QJsonParseError error;
    QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError) return error.errorString();
    return {};
}

const EngineDefinition* EngineCatalog::Find(const QString& id) const {
    for (const EngineDefinition& engine : engines_) {
        if (engine.id == id) return &engine;
    }
    return nullptr;
}

const EngineDefinition* EngineCatalog::ForUrl(const QString& url) const {
    const QUrl parsed(url);
    const QString host = parsed.host().toLower();
    const QString path = parsed.path(QUrl::FullyEncoded);
    for (const EngineDefinition& engine : engines_) {
        for (const QJsonValue& pattern : engine.urlPatterns) {
            QString patternHost, prefix;
            if (pattern.isObject()) {
                patternHost = pattern.toObject().value(QStringLiteral("host")).toString();
                prefix = pattern.toObject().value(QStringLiteral("pathPrefix")).toString();
            } else {
                const QString text = pattern.toString();
                const qsizetype slash = text.indexOf(u'/');
                patternHost = slash < 0 ? text : text.left(slash);
                prefix = slash < 0 ? QString() : text.mid(slash);
            }
            if (host == patternHost.toLower() && path.startsWith(prefix)) return &engine;
        }
    }
    return nullptr;
}
