#pragma once
// skimmer-cli queries | anchors | resolve: the search rules, without fetching anything.

#include "cli/CliCommand.h"

class CliArgs;
class Options;

// The options `queries` and `search` share: engines, formats, other extension, time, Bing switch,
// other engine. Applied to the session's options for this run only (nothing is saved).
QStringList QueryOptionSwitches();
QStringList QueryOptionValues();
bool ApplyQueryOptions(CliArgs& parsed, Options& options, bool* pdfSites, QString* error);

class QueriesCommand : public CliCommand {
  public:
    QString Name() const override { return QStringLiteral("queries"); }
    QString Summary() const override {
        return QStringLiteral("print the result-page addresses a search would fetch");
    }
    QString Help() const override;
    int Run(CliContext& context, const QStringList& args) override;
};

class AnchorsCommand : public CliCommand {
  public:
    QString Name() const override { return QStringLiteral("anchors"); }
    QString Summary() const override { return QStringLiteral("list the links of a saved page"); }
    QString Help() const override;
    int Run(CliContext& context, const QStringList& args) override;
};

class ResolveCommand : public CliCommand {
  public:
    QString Name() const override { return QStringLiteral("resolve"); }
    QString Summary() const override { return QStringLiteral("resolve a link against a page address"); }
    QString Help() const override;
    int Run(CliContext& context, const QStringList& args) override;
};
