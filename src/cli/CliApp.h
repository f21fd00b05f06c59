#pragma once
// skimmer-cli: global options, the command table and help. `skimmer-cli [--home DIR] COMMAND ...`.
// Exit status 0 done, 1 the work failed, 2 usage error (one line on stderr).

#include <QStringList>
#include <QTextStream>
#include <memory>
#include <optional>
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
    // Takes --proxy URL out of a command's arguments (fetch, get, search and download only) and checks it;
    // kCliUsage (with the message written) when it is given elsewhere or does not parse.
    static int TakeProxyOption(const QString& command, QStringList& args, std::optional<QString>* proxy,
                               QTextStream& err);

    std::vector<std::unique_ptr<CliCommand>> commands_;
};
