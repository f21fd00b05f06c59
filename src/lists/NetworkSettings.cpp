#include "lists/NetworkSettings.h"

#include <QUrl>
#include <array>

#include "lists/IniFile.h"
#include "lists/Profile.h"
#include "lists/UrlCredentials.h"

namespace {

constexpr std::array<const char*, 8> kKeys{"Proxy",           "SearchProxy", "ApiProxy",
                                           "DownloadProxy",   "NoProxy",     "UseEnvironmentProxy",
                                           "SearchProxyPool", "CaBundle"};

bool Is(const QString& key, const char* name) {
    return key.compare(QLatin1StringView(name), Qt::CaseInsensitive) == 0;
}

QString* Field(NetworkSettings& s, const QString& key) {
    if (Is(key, "Proxy")) return &s.proxy;
    if (Is(key, "SearchProxy")) return &s.searchProxy;
    if (Is(key, "ApiProxy")) return &s.apiProxy;
    if (Is(key, "DownloadProxy")) return &s.downloadProxy;
    if (Is(key, "NoProxy")) return &s.noProxy;
    if (Is(key, "SearchProxyPool")) return &s.searchProxyPool;
    if (Is(key, "CaBundle")) return &s.caBundle;
    return nullptr;
}

bool HoldsProxies(const QString& key) {
    return Is(key, "Proxy") || Is(key, "SearchProxy") || Is(key, "ApiProxy") || Is(key, "DownloadProxy") ||
           Is(key, "SearchProxyPool");
}

QString Decoded(QStringView text) {
    return QUrl::fromPercentEncoding(text.toUtf8());
}

}  // namespace

QByteArray ProxyAddress::Bare() const {
    QString bare = scheme + QStringLiteral("://") + host;
    if (port > 0) bare += u':' + QString::number(port);
    return bare.toUtf8();
}

std::optional<ProxyAddress> ProxyAddress::Parse(const QString& text, QString* error) {
    auto refuse = [error](const QString& why) {
        if (error) *error = why;
        return std::nullopt;
    };
    const QString trimmed = text.trimmed();
    const qsizetype schemeEnd = trimmed.indexOf(QStringLiteral("://"));
    ProxyAddress address;
    address.scheme = schemeEnd < 0 ? QStringLiteral("http") : trimmed.left(schemeEnd).toLower();
    static const QStringList kSchemes{"http", "https", "socks4a", "socks5", "socks5h"};
    if (!kSchemes.contains(address.scheme))
        return refuse(QStringLiteral("the proxy scheme must be one of %1").arg(kSchemes.join(u", ")));
    QStringView rest = QStringView(trimmed).mid(schemeEnd < 0 ? 0 : schemeEnd + 3);
    while (rest.endsWith(u'/')) rest.chop(1);
    // The last "@" ends the credentials: a password may hold one unencoded.
    const qsizetype at = rest.lastIndexOf(u'@');
    if (at >= 0) {
        const QStringView credentials = rest.left(at);
        const qsizetype colon = credentials.indexOf(u':');
        address.user = Decoded(colon < 0 ? credentials : credentials.left(colon));
        if (colon >= 0) address.password = Decoded(credentials.mid(colon + 1));
        rest = rest.mid(at + 1);
    }
    QStringView portText;
    if (rest.startsWith(u'[')) {
        const qsizetype close = rest.indexOf(u']');
        if (close < 0) return refuse(QStringLiteral("the proxy address has an unclosed [ ]"));
        address.host = rest.left(close + 1).toString();
        if (rest.size() > close + 1 && rest[close + 1] != u':')
            return refuse(QStringLiteral("the proxy address has text after its host"));
        portText = rest.mid(close + 2);
    } else {
        const qsizetype colon = rest.lastIndexOf(u':');
        address.host = (colon < 0 ? rest : rest.left(colon)).toString();
        if (colon >= 0) portText = rest.mid(colon + 1);
    }
    static const QString kHostChars = QStringLiteral("-._[]:");
    if (address.host.isEmpty()) return refuse(QStringLiteral("the proxy address has no host"));
    for (const QChar c : address.host) {
        if (c.unicode() > 0x7F || (!c.isLetterOrNumber() && !kHostChars.contains(c)))
            return refuse(QStringLiteral("the proxy host holds a character a host name cannot hold"));
    }
    if (!portText.isEmpty() || (schemeEnd >= 0 && rest.endsWith(u':'))) {
        bool ok = false;
        address.port = portText.toInt(&ok);
        if (!ok || address.port < 1 || address.port > 65535)
            return refuse(QStringLiteral("the proxy port must be a number from 1 to 65535"));
    }
    return address;
}

std::span<const char* const> NetworkSettings::Keys() {
    return kKeys;
}

const char* NetworkSettings::FindKey(const QString& key) {
    for (const char* name : kKeys) {
        if (Is(key, name)) return name;
    }
    return nullptr;
}

NetworkSettings NetworkSettings::Load(const Profile& settings) {
    const IniFile ini = IniFile::Load(settings.Path());
    NetworkSettings network;
    for (const char* name : kKeys) {
        const QString value =
            ini.Value(QLatin1StringView(kSection), QLatin1StringView(name)).value_or(QString());
        if (QString* field = Field(network, QLatin1StringView(name))) *field = value;
    }
    // Read like every other switch; the default follows the environment.
    network.useEnvironmentProxy =
        Profile::ParseSwitch(ini.Value(QLatin1StringView(kSection), QStringLiteral("UseEnvironmentProxy")), 1) != 0;
    return network;
}

bool NetworkSettings::Save(const Profile& settings, QString* error) const {
    return settings.Update(
        [this](IniFile& ini) {
            for (const char* name : kKeys)
                ini.SetValue(QLatin1StringView(kSection), QLatin1StringView(name),
                             Value(QLatin1StringView(name)));
        },
        error);
}

QString NetworkSettings::Value(const QString& key) const {
    if (Is(key, "UseEnvironmentProxy"))
        return useEnvironmentProxy ? QStringLiteral("1") : QStringLiteral("0");
    const QString* field = Field(const_cast<NetworkSettings&>(*this), key);
    return field ? *field : QString();
}

bool NetworkSettings::SetValue(const QString& key, const QString& value, QString* error) {
    QString clean = value.trimmed();
    clean.remove(u'\r');
    clean.remove(u'\n');
    clean.remove(QChar(0));
    if (Is(key, "UseEnvironmentProxy")) {
        if (clean != u"0" && clean != u"1") {
            *error = QStringLiteral("UseEnvironmentProxy takes 0 or 1");
            return false;
        }
        useEnvironmentProxy = clean == u"1";
        return true;
    }
    if (HoldsProxies(key)) {
        for (const QString& one : clean.split(u',', Qt::SkipEmptyParts)) {
            if (!ProxyAddress::Parse(one, error)) return false;
        }
    }
    QString* field = Field(*this, key);
    if (!field) {
        *error = QStringLiteral("unknown key '%1'").arg(key);
        return false;
    }
    *field = clean;
    return true;
}

QString NetworkSettings::Shown(const QString& key) const {
    return UrlCredentials::MaskPasswords(Value(key));
}

QString NetworkSettings::ProxyFor(NetRole role) const {
    switch (role) {
        case NetRole::SearchPage:
            return searchProxy.isEmpty() ? proxy : searchProxy;
        case NetRole::Api:
            return apiProxy.isEmpty() ? proxy : apiProxy;
        case NetRole::Document:
            return downloadProxy.isEmpty() ? proxy : downloadProxy;
        case NetRole::Other:
            break;
    }
    return QString();
}

QStringList NetworkSettings::SearchPool() const {
    QStringList pool;
    for (const QString& one : searchProxyPool.split(u',', Qt::SkipEmptyParts)) {
        if (!one.trimmed().isEmpty()) pool.append(one.trimmed());
    }
    return pool;
}

void NetworkSettings::UseForEverything(const QString& url) {
    proxy = searchProxy = apiProxy = downloadProxy = url;
    searchProxyPool.clear();
}

QStringList NetworkSettings::Passwords() const {
    QStringList passwords;
    for (const QString& list : {proxy, searchProxy, apiProxy, downloadProxy, searchProxyPool}) {
        for (const QString& one : list.split(u',', Qt::SkipEmptyParts)) {
            const std::optional<ProxyAddress> address = ProxyAddress::Parse(one);
            if (address && !address->password.isEmpty()) passwords.append(address->password);
        }
        passwords += UrlCredentials::Passwords(list);
    }
    passwords.removeDuplicates();
    return passwords;
}
