#include "cli/ConfigCommand.h"

#include "app/Session.h"
#include "lists/EngineKeys.h"
#include "lists/NetworkSettings.h"
#include "lists/SettingsTable.h"
#include "lists/UrlCredentials.h"

QString ConfigCommand::Summary() const {
    return QStringLiteral("show or change the settings in Setting.ini");
}

QString ConfigCommand::Help() const {
    return QStringLiteral(
        "usage: skimmer-cli config list [--show-secrets]\n"
        "       skimmer-cli config get KEY [--show-secrets]\n"
        "       skimmer-cli config set KEY VALUE\n"
        "\n"
        "list  prints every setting as Key=value, as the program loads them (defaults and caps applied),\n"
        "      then the keys of the search APIs (section [Engines]: GoogleApiKey, GoogleCx, BraveApiKey,\n"
        "      OpenAlexMailto, SearxngUrls) and the network settings (section [Network]: Proxy,\n"
        "      SearchProxy, ApiProxy, DownloadProxy, NoProxy, UseEnvironmentProxy, SearchProxyPool,\n"
        "      CaBundle). Keys and passwords are shown as ******** unless --show-secrets is given.\n"
        "get   prints one setting's value.\n"
        "set   checks VALUE against the setting's type and range and writes it to Setting.ini;\n"
        "      nothing is written when it is refused. Keys are matched without regard to case.\n");
}

int ConfigCommand::Run(CliContext& context, const QStringList& args) {
    if (args.isEmpty()) return context.Usage(QStringLiteral("config: expected list, get or set"));
    const QString& verb = args.front();
    Options& options = context.session.GetOptions();
    QStringList rest = args.mid(1);
    const bool showSecrets = verb != u"set" && rest.removeAll(QStringLiteral("--show-secrets")) > 0;
    const EngineKeys keys = EngineKeys::Load(context.session.Settings());
    auto keyValue = [&](const EngineKeySpec& spec) {
        const QString value = keys.Value(QLatin1StringView(spec.key));
        if (showSecrets) return value;
        // An address list shows its hosts, never a password inside one.
        return spec.secret ? EngineKeys::Masked(value) : UrlCredentials::MaskPasswords(value);
    };
    const NetworkSettings network = NetworkSettings::Load(context.session.Settings());
    auto networkValue = [&](const QString& key) {
        return showSecrets ? network.Value(key) : network.Shown(key);
    };
    if (verb == u"list" && rest.isEmpty()) {
        for (const SettingSpec& spec : SettingsTable::All()) {
            context.out << spec.key << '=' << options.DisplayValue(spec.id) << '\n';
        }
        for (const EngineKeySpec& spec : EngineKeys::All())
            context.out << spec.key << '=' << keyValue(spec) << '\n';
        for (const char* key : NetworkSettings::Keys())
            context.out << key << '=' << networkValue(QLatin1StringView(key)) << '\n';
        return kCliDone;
    }
    if (verb == u"get" && rest.size() == 1) {
        if (NetworkSettings::FindKey(rest[0])) {
            context.out << networkValue(rest[0]) << '\n';
            return kCliDone;
        }
        if (const EngineKeySpec* key = EngineKeys::Find(rest[0])) {
            context.out << keyValue(*key) << '\n';
            return kCliDone;
        }
        const SettingSpec* spec = SettingsTable::Find(rest[0]);
        if (!spec) return context.Usage(QStringLiteral("config: unknown key '%1'").arg(rest[0]));
        context.out << options.DisplayValue(spec->id) << '\n';
        return kCliDone;
    }
    if (verb == u"set" && args.size() == 3) return Set(context, args[1], args[2]);
    return context.Usage(QStringLiteral("config: expected list, get KEY or set KEY VALUE"));
}

int ConfigCommand::Set(CliContext& context, const QString& key, const QString& value) {
    if (const EngineKeySpec* engineKey = EngineKeys::Find(key)) {
        if (value.size() > SettingsTable::kMaxTextLength) {
            return context.Usage(QStringLiteral("config: %1 takes at most %2 characters")
                                     .arg(QLatin1StringView(engineKey->key))
                                     .arg(SettingsTable::kMaxTextLength));
        }
        const Profile settings = context.session.Settings();
        EngineKeys keys = EngineKeys::Load(settings);
        keys.SetValue(QLatin1StringView(engineKey->key), value);
        QString error;
        if (!keys.Save(settings, &error)) {
            return context.Failed(QStringLiteral("config: cannot write %1: %2; it is left as it was")
                                      .arg(settings.Path(), error));
        }
        return kCliDone;
    }
    if (const char* networkKey = NetworkSettings::FindKey(key)) {
        const Profile settings = context.session.Settings();
        NetworkSettings network = NetworkSettings::Load(settings);
        QString error;
        if (!network.SetValue(key, value, &error))
            return context.Usage(QStringLiteral("config: %1: %2").arg(QLatin1StringView(networkKey), error));
        if (!network.Save(settings, &error)) {
            return context.Failed(QStringLiteral("config: cannot write %1: %2; it is left as it was")
                                      .arg(settings.Path(), error));
        }
        return kCliDone;
    }
    const SettingSpec* spec = SettingsTable::Find(key);
    if (!spec) return context.Usage(QStringLiteral("config: unknown key '%1'").arg(key));
    if (!spec->saved) {
        return context.Usage(
            QStringLiteral("config: %1 is read only (edit Setting.ini by hand)").arg(spec->key));
    }
    const Profile settings = context.session.Settings();
    const QString name = QLatin1StringView(spec->key);
    bool written;
    QString error;
    if (spec->kind == SettingKind::Text) {
        if (value.size() > SettingsTable::kMaxTextLength) {
            return context.Usage(QStringLiteral("config: %1 takes at most %2 characters")
                                     .arg(name)
                                     .arg(SettingsTable::kMaxTextLength));
        }
        written = settings.ProfileWriteString(name, value, &error);
    } else {
        bool isNumber = false;
        const int number = value.toInt(&isNumber);
        if (!isNumber) return context.Usage(QStringLiteral("config: %1 takes an integer").arg(name));
        const EntryRange range = SettingsTable::AcceptedRange(*spec);
        if (number < range.min || number > range.max) {
            return context.Usage(QStringLiteral("config: %1 takes an integer between %2 and %3")
                                     .arg(name)
                                     .arg(range.min)
                                     .arg(range.max));
        }
        written = settings.ProfileWriteInt(name, number, &error);
    }
    if (!written) {
        return context.Failed(
            QStringLiteral("config: cannot write %1: %2; it is left as it was").arg(settings.Path(), error));
    }
    return kCliDone;
}
