#pragma once
// skimmer-cli fetch | realurl | size | get: the HTTP operations of the program, one at a time.

#include "cli/CliCommand.h"

class FetchCommand : public CliCommand {
  public:
    QString Name() const override { return QStringLiteral("fetch"); }
    QString Summary() const override { return QStringLiteral("fetch a page and print it as text"); }
    QString Help() const override;
    int Run(CliContext& context, const QStringList& args) override;
};

class RealUrlCommand : public CliCommand {
  public:
    QString Name() const override { return QStringLiteral("realurl"); }
    QString Summary() const override { return QStringLiteral("print where a redirecting link points"); }
    QString Help() const override;
    int Run(CliContext& context, const QStringList& args) override;
};

class SizeCommand : public CliCommand {
  public:
    QString Name() const override { return QStringLiteral("size"); }
    QString Summary() const override { return QStringLiteral("ask a server for a file's size"); }
    QString Help() const override;
    int Run(CliContext& context, const QStringList& args) override;
};

class GetCommand : public CliCommand {
  public:
    QString Name() const override { return QStringLiteral("get"); }
    QString Summary() const override { return QStringLiteral("download one file"); }
    QString Help() const override;
    int Run(CliContext& context, const QStringList& args) override;
};
