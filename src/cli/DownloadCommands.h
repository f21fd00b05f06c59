#pragma once
// skimmer-cli download (the worker pool over a list file) and handoff (the list to aria2).

#include "cli/CliCommand.h"

class DownloadCommand : public CliCommand {
  public:
    QString Name() const override { return QStringLiteral("download"); }
    QString Summary() const override { return QStringLiteral("download the waiting rows of a list file"); }
    QString Help() const override;
    int Run(CliContext& context, const QStringList& args) override;
};

class HandoffCommand : public CliCommand {
  public:
    QString Name() const override { return QStringLiteral("handoff"); }
    QString Summary() const override { return QStringLiteral("hand a list file to aria2 to download"); }
    QString Help() const override;
    int Run(CliContext& context, const QStringList& args) override;
};
