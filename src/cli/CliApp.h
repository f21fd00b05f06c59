#pragma once
// skimmer-cli: global options, the command table and help. `skimmer-cli [--home DIR] COMMAND ...`.
// Exit status 0 done, 1 the work failed, 2 usage error (one line on stderr).

#include <QStringList>
#include <QTextStream>
#include <memory>
#include <vector>

#include "cli/CliCommand.h"

class CliApp {
  public:
    CliApp();
    ~CliApp();

    // args without the program name.
    int Run(const QStringList& args, QTextStream& out, QTextStream& err);

  private:
    QString Usage() const;
    CliCommand* Find(const QString& name) const;

    std::vector<std::unique_ptr<CliCommand>> commands_;
};
