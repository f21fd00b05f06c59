#pragma once
// skimmer-cli meta FILE... [--json]: one document's metadata, read by the worker process; meta --all:
// the metadata of every kept document not read yet, into the registry.

#include "cli/CliCommand.h"

class MetaCommand : public CliCommand {
  public:
    QString Name() const override { return QStringLiteral("meta"); }
    QString Summary() const override { return QStringLiteral("read documents' metadata (FILE... or --all)"); }
    QString Help() const override;
    int Run(CliContext& context, const QStringList& args) override;
};
