#pragma once
// skimmer-cli list show FILE | convert IN OUT, and registry check | add | delete | count.

#include <optional>

#include "cli/CliCommand.h"
#include "lists/ResultEntry.h"

// The rows of a .list or XML list file; nullopt with the reason when it cannot be read.
std::optional<QList<ResultEntry>> ReadListFile(const QString& path, QString* error);

class ListCommand : public CliCommand {
  public:
    QString Name() const override { return QStringLiteral("list"); }
    QString Summary() const override { return QStringLiteral("show or convert a list file (.list or XML)"); }
    QString Help() const override;
    int Run(CliContext& context, const QStringList& args) override;
};

class RegistryCommand : public CliCommand {
  public:
    QString Name() const override { return QStringLiteral("registry"); }
    QString Summary() const override {
        return QStringLiteral("look up or change the downloaded-link registry");
    }
    QString Help() const override;
    int Run(CliContext& context, const QStringList& args) override;
};
