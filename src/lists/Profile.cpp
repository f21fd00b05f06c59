#include "lists/Profile.h"

#include <QMutex>
#include <QMutexLocker>
#include <limits>

#include "lists/EngineKeys.h"
#include "lists/IniFile.h"
#include "lists/UrlCredentials.h"

namespace {

// One writer at a time per process: a read-modify-write must not lose another thread's key.
QMutex& WriteMutex() {
    static QMutex mutex;
    return mutex;
}

}  // namespace

int Profile::ParseInt(const QString& text) {
    return ParseNumber(text).value_or(0);
}

std::optional<int> Profile::ParseNumber(const QString& text) {
    qsizetype i = 0;
    while (i < text.size() && text[i].isSpace()) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == u'-' || text[i] == u'+')) negative = text[i++] == u'-';
    if (i == text.size() || text[i] < u'0' || text[i] > u'9') return std::nullopt;
    long long value = 0;
    for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i) {
        value = value * 10 + (text[i].unicode() - u'0');
        if (value > std::numeric_limits<int>::max()) {
            return negative ? std::numeric_limits<int>::min() : std::numeric_limits<int>::max();
        }
    }
    return int(negative ? -value : value);
}

int Profile::GetInt(const IniFile& ini, const QString& key, int defaultValue) {
    const auto value = ini.Value(kSection, key);
    if (!value) return defaultValue;
    return ParseNumber(*value).value_or(defaultValue);  // empty or a word reads as missing
}

int Profile::ParseSwitch(const std::optional<QString>& text, int defaultValue) {
    const QString value = text.value_or(QString()).trimmed();
    if (value == u"0") return 0;
    if (value == u"1") return 1;
    return defaultValue;
}

QString Profile::GetString(const IniFile& ini, const QString& key, const QString& defaultValue) {
    const auto value = ini.Value(kSection, key);
    return (value ? *value : defaultValue).left(kMaxStringLength);
}

int Profile::ProfileGetInt(const QString& key, int defaultValue) const {
    return GetInt(IniFile::Load(path_), key, defaultValue);
}

QString Profile::ProfileGetString(const QString& key, const QString& defaultValue) const {
    return GetString(IniFile::Load(path_), key, defaultValue);
}

bool Profile::ProfileWriteInt(const QString& key, int value, QString* error) const {
    return ProfileWriteString(key, QString::number(value), error);
}

bool Profile::ProfileWriteString(const QString& key, const QString& value, QString* error) const {
    return Update([&](IniFile& ini) { ini.SetValue(kSection, key, value); }, error);
}

bool Profile::Update(const std::function<void(IniFile&)>& change, QString* error) const {
    QMutexLocker lock(&WriteMutex());
    std::optional<IniFile> ini = IniFile::LoadForUpdate(path_);
    if (!ini) {
        if (error) *error = QStringLiteral("it exists but cannot be read");
        return false;
    }
    change(*ini);
    return ini->Save(path_, error, HoldsSecret(*ini));
}

bool Profile::HoldsSecret(const IniFile& ini) {
    const QString engines = QLatin1StringView(EngineKeys::kSection);
    for (const EngineKeySpec& spec : EngineKeys::All()) {
        const QString value = ini.Value(engines, QLatin1StringView(spec.key)).value_or(QString());
        if (spec.secret ? !value.isEmpty() : !UrlCredentials::Passwords(value).isEmpty()) return true;
    }
    for (const char* key : {"RpcSecret", "RpcSecrets", "RpcUrl", "RpcUrls"}) {
        QString value = ini.Value(QStringLiteral("Aria2"), QLatin1StringView(key)).value_or(QString());
        const bool isSecret = QLatin1StringView(key).contains(QLatin1StringView("Secret"));
        if (isSecret ? !value.remove(u',').trimmed().isEmpty() : !UrlCredentials::Passwords(value).isEmpty())
            return true;
    }
    for (const char* key : {"Proxy", "SearchProxy", "ApiProxy", "DownloadProxy", "SearchProxyPool"}) {
        const QString value =
            ini.Value(QStringLiteral("Network"), QLatin1StringView(key)).value_or(QString());
        if (!UrlCredentials::Passwords(value).isEmpty()) return true;
    }
    return false;
}
