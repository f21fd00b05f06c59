#pragma once
// skimmer-cli config list | get KEY | set KEY VALUE: the settings table over Setting.ini.

#include "cli/CliCommand.h"

class ConfigCommand : public CliCommand {
  public:
    QString Name() const override { return QStringLiteral("config"); }
    QString Summary() const override;
    QString Help() const override;
    int Run(CliContext& context, const QStringList& args) override;
    bool ChangesHome(const QStringList& args) const override { return !args.isEmpty() && args[0] == u"set"; }

  private:
    int Set(CliContext& context, const QString& key, const QString& value);
};
