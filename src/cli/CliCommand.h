#pragma once
// One command of skimmer-cli ("config", "keywords", ...): its name, its help text and its work.

#include <QString>
#include <QStringList>
#include <QTextStream>

class Session;

// Exit statuses shared by every command.
enum CliStatus { kCliDone = 0, kCliFailed = 1, kCliUsage = 2, kCliInterrupted = 130 };

struct CliContext {
    Session& session;
    QTextStream& out;
    QTextStream& err;

    // One line on stderr and the usage status.
    int Usage(const QString& message) const;
    int Failed(const QString& message) const;
};

class CliCommand {
  public:
    virtual ~CliCommand() = default;
    virtual QString Name() const = 0;
    virtual QString Summary() const = 0;  // one line for the command list
    virtual QString Help() const = 0;     // the full text of "COMMAND --help"
    virtual int Run(CliContext& context, const QStringList& args) = 0;
};
