#pragma once
// skimmer-cli keywords list | add TEXT | clear: the keyword list in key.list.

#include "cli/CliCommand.h"

class KeywordsCommand : public CliCommand {
  public:
    QString Name() const override { return QStringLiteral("keywords"); }
    QString Summary() const override;
    QString Help() const override;
    int Run(CliContext& context, const QStringList& args) override;
    bool ChangesHome(const QStringList& args) const override {
        return !args.isEmpty() && (args[0] == u"add" || args[0] == u"clear");
    }
};
