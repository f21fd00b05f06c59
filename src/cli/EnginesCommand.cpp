#include "cli/EnginesCommand.h"

#include <QFile>

#include "app/Session.h"
#include "engines/EngineCatalog.h"
#include "lists/IniFile.h"
#include "lists/Profile.h"
#include "lists/SettingsTable.h"

namespace {

// A definitions file above this is refused by the loader anyway; reading more would only cost memory.
constexpr qint64 kReadLimit = 64 * 1024 * 1024;

int List(CliContext& context) {
    QString problem;
    const auto catalog = EngineCatalog::Load(context.session.Home().Dir(), &problem);
    if (!problem.isEmpty()) context.err << "engines: " << problem << " (the built-in definitions are used)\n";
    const IniFile settings = IniFile::Load(context.session.Settings().Path());
    for (const EngineDefinition& engine : catalog->Engines()) {
        int enabled = 0;
        if (!engine.setting.isEmpty()) {
            const SettingSpec* spec = SettingsTable::Find(engine.setting);
            enabled = Profile::ParseSwitch(settings.Value(Profile::kSection, engine.setting),
                                           spec ? spec->defaultInt : 0);
        }
        context.out << engine.id << '\t' << engine.name << '\t' << enabled << '\n';
    }
    return kCliDone;
}

int Check(CliContext& context, const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return context.Failed(QStringLiteral("engines: cannot read %1: %2").arg(path, file.errorString()));
    const QString problem = EngineCatalog::Check(file.read(kReadLimit + 1));
    if (!problem.isEmpty()) return context.Failed(QStringLiteral("%1: %2").arg(path, problem));
    return kCliDone;
}

}  // namespace

QString EnginesCommand::Help() const {
    return QStringLiteral(
        "usage: skimmer-cli engines list\n"
        "       skimmer-cli engines check FILE\n"
        "\n"
        "list prints every engine definition in force, the built-in ones with config/engines.json of the\n"
        "home laid over them by id, as id<TAB>name<TAB>enabled (1 when the engine's Setting.ini key ticks\n"
        "it). A user file that cannot be used is named on stderr and the built-in definitions are listed.\n"
        "check validates a definitions file (one definition object or an array of them): JSON, required\n"
        "fields, types, and that every XPath compiles. It exits 0 when the file is good, else 1 with the\n"
        "first error and its place on stderr. docs/engines.md describes the format.\n");
}

int EnginesCommand::Run(CliContext& context, const QStringList& args) {
    if (args.size() == 1 && args[0] == QLatin1StringView("list")) return List(context);
    if (args.size() == 2 && args[0] == QLatin1StringView("check")) return Check(context, args[1]);
    return context.Usage(QStringLiteral("engines: expected 'list' or 'check FILE'"));
}
