#pragma once
// skimmer-cli parse (one saved result page through its parser) and search (the whole job, headless).

#include "cli/CliCommand.h"

class ParseCommand : public CliCommand {
  public:
    QString Name() const override { return QStringLiteral("parse"); }
    QString Summary() const override { return QStringLiteral("run a result-page parser over a saved page"); }
    QString Help() const override;
    int Run(CliContext& context, const QStringList& args) override;
};

class SearchCommand : public CliCommand {
  public:
    QString Name() const override { return QStringLiteral("search"); }
    QString Summary() const override {
        return QStringLiteral("run a whole search and save the list it finds");
    }
    QString Help() const override;
    int Run(CliContext& context, const QStringList& args) override;
};
