#pragma once
// One command of skimmer-cli ("config", "keywords", ...): its name, its help text and its work.

#include <QString>
#include <QStringList>
#include <QTextStream>

class Session;

// Exit statuses shared by every command.
// kCliBlocked: the engine answered with a block page (a CAPTCHA, a rate limit) instead of results.
// kCliInterrupted: stopped by Ctrl-C.
enum CliStatus { kCliDone = 0, kCliFailed = 1, kCliUsage = 2, kCliBlocked = 3, kCliInterrupted = 130 };

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
    // True when the command reads files of the home, changes them and writes them back: it then runs
    // under the home's lock from before the session starts until it ends.
    virtual bool ChangesHome(const QStringList& /*args*/) const { return false; }
};
