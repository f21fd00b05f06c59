#pragma once
// skimmer-cli report [--format html|csv|json] [LISTFILE]: the summary of the kept documents' metadata
// (only those of the list file's links when one is given) on standard output.

#include "cli/CliCommand.h"

class ReportCommand : public CliCommand {
  public:
    QString Name() const override { return QStringLiteral("report"); }
    QString Summary() const override { return QStringLiteral("report on the downloaded documents' metadata"); }
    QString Help() const override;
    int Run(CliContext& context, const QStringList& args) override;
};
