#include "lists/EngineKeys.h"

#include <array>

#include "lists/IniFile.h"
#include "lists/Profile.h"
#include "lists/TextCodec.h"
#include "lists/UrlCredentials.h"

namespace {

constexpr std::array<EngineKeySpec, 5> kKeys{{
    {"GoogleApiKey", true},
    {"GoogleCx", true},
    {"BraveApiKey", true},
    {"OpenAlexMailto", true},
    {"SearxngUrls", false},
}};

QString* Field(EngineKeys& keys, const QString& key) {
    if (key.compare(QLatin1StringView("GoogleApiKey"), Qt::CaseInsensitive) == 0) return &keys.googleApiKey;
    if (key.compare(QLatin1StringView("GoogleCx"), Qt::CaseInsensitive) == 0) return &keys.googleCx;
    if (key.compare(QLatin1StringView("BraveApiKey"), Qt::CaseInsensitive) == 0) return &keys.braveApiKey;
    if (key.compare(QLatin1StringView("OpenAlexMailto"), Qt::CaseInsensitive) == 0)
        return &keys.openAlexMailto;
    if (key.compare(QLatin1StringView("SearxngUrls"), Qt::CaseInsensitive) == 0) return &keys.searxngUrls;
    return nullptr;
}

}  // namespace

std::span<const EngineKeySpec> EngineKeys::All() {
    return kKeys;
}

const EngineKeySpec* EngineKeys::Find(const QString& key) {
    for (const EngineKeySpec& spec : kKeys) {
        if (key.compare(QLatin1StringView(spec.key), Qt::CaseInsensitive) == 0) return &spec;
    }
    return nullptr;
}

EngineKeys EngineKeys::Load(const Profile& settings) {
    const IniFile ini = IniFile::Load(settings.Path());
    EngineKeys keys;
    for (const EngineKeySpec& spec : kKeys) {
        const QString name = QLatin1StringView(spec.key);
        keys.SetValue(name, ini.Value(QLatin1StringView(kSection), name).value_or(QString()));
    }
    return keys;
}

QString EngineKeys::Value(const QString& key) const {
    QString* field = Field(const_cast<EngineKeys&>(*this), key);
    return field ? *field : QString();
}

void EngineKeys::SetValue(const QString& key, const QString& value) {
    // A key pasted with a line break would end the INI line early and leave the rest as a line of its own.
    QString clean = value;
    clean.remove(u'\r');
    clean.remove(u'\n');
    clean.remove(QChar(0));
    if (QString* field = Field(*this, key)) *field = clean.trimmed();
}

bool EngineKeys::Save(const Profile& settings, QString* error) const {
    return settings.Update(
        [this](IniFile& ini) {
            for (const EngineKeySpec& spec : kKeys) {
                const QString name = QLatin1StringView(spec.key);
                ini.SetValue(QLatin1StringView(kSection), name, Value(name));
            }
        },
        error);
}

QStringList EngineKeys::SearxngInstances() const {
    QStringList instances;
    for (QString address : searxngUrls.split(u',', Qt::SkipEmptyParts)) {
        address = address.trimmed();
        while (address.endsWith(u'/')) address.chop(1);
        if (!address.isEmpty() && !instances.contains(address)) instances.append(address);
    }
    return instances;
}

QStringList EngineKeys::Secrets() const {
    QStringList secrets;
    for (const EngineKeySpec& spec : kKeys) {
        const QString value = Value(QLatin1StringView(spec.key));
        if (spec.secret && !value.isEmpty()) secrets.append(value);
    }
    // An instance address may carry a password of its own.
    secrets += UrlCredentials::Passwords(searxngUrls);
    return secrets;
}

QString EngineKeys::Scrub(QString text, const QStringList& secrets) {
    for (const QString& secret : secrets) {
        if (secret.isEmpty()) continue;
        text.replace(secret, QStringLiteral("***"));
        // In an address the secret may stand percent-encoded.
        const QString encoded = TextCodec::PercentEncoded(secret);
        if (encoded != secret) text.replace(encoded, QStringLiteral("***"), Qt::CaseInsensitive);
    }
    return text;
}

QString EngineKeys::Masked(const QString& value) {
    return value.isEmpty() ? QString() : QStringLiteral("********");
}
