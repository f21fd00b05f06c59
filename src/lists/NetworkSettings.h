#pragma once
// The proxies and trust store of section "Network" of Setting.ini: a proxy for everything, one per role
// overriding it (result pages, search APIs, documents), a pool for result pages, the hosts that go direct,
// whether the environment's proxies count, and a CA bundle. Proxy passwords are secrets: shown masked
// and never written into a message. Plain values; Load and Save may be called from any thread.

#include <QString>
#include <QStringList>
#include <optional>
#include <span>

class Profile;

// What a request is for, which decides its proxy.
enum class NetRole { Other, SearchPage, Api, Document };

// A proxy address taken apart: curl gets the address without the credentials, and the credentials on
// their own, so that a password holding "@", ":" or non-ASCII characters needs no encoding games.
struct ProxyAddress {
    QString scheme;  // http, https, socks4a, socks5, socks5h
    QString host;    // as written; [v6] with brackets
    int port = 0;    // 0: the scheme's default
    QString user;    // percent-decoded
    QString password;

    // The address curl is given: scheme://host[:port], without user or password.
    QByteArray Bare() const;
    // Nothing (with the reason in `error`, which never repeats the password) when `text` is no proxy.
    static std::optional<ProxyAddress> Parse(const QString& text, QString* error = nullptr);
};

struct NetworkSettings {
    static constexpr const char* kSection = "Network";

    QString proxy, searchProxy, apiProxy, downloadProxy, noProxy, searchProxyPool, caBundle;
    bool useEnvironmentProxy = true;

    static std::span<const char* const> Keys();
    static const char* FindKey(const QString& key);  // the key as written, or nullptr; without case
    static NetworkSettings Load(const Profile& settings);
    bool Save(const Profile& settings, QString* error = nullptr) const;
    QString Value(const QString& key) const;
    // False with the reason when the value is refused (a proxy that does not parse, a switch not 0 or 1).
    bool SetValue(const QString& key, const QString& value, QString* error);
    // As `config` shows the value: passwords masked.
    QString Shown(const QString& key) const;

    // The one proxy of a role (empty: none configured) and the pool for result pages (empty: none).
    QString ProxyFor(NetRole role) const;
    QStringList SearchPool() const;
    // `--proxy URL`: this proxy for every role, and no pool, for one run.
    void UseForEverything(const QString& url);
    // Every proxy password, for scrubbing messages.
    QStringList Passwords() const;
};
