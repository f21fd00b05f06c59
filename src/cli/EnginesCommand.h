#pragma once
// skimmer-cli engines: lists the engine definitions in force and checks a definitions file.

#include "cli/CliCommand.h"

class EnginesCommand : public CliCommand {
  public:
    QString Name() const override { return QStringLiteral("engines"); }
    QString Summary() const override {
        return QStringLiteral("list the search engines or check a definitions file");
    }
    QString Help() const override;
    int Run(CliContext& context, const QStringList& args) override;
};
