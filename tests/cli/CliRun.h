#pragma once
// Runs skimmer-cli's commands in this process and keeps what they print, for the command-line tests.

#include <QString>
#include <QStringList>
#include <QTextStream>

#include "TempHome.h"
#include "cli/CliApp.h"

struct CliRun {
    int status;
    QString out;
    QString err;
};

inline CliRun RunCli(const QStringList& args) {
    QString out, err;
    QTextStream outStream(&out), errStream(&err);
    CliApp app;
    const int status = app.Run(args, outStream, errStream);
    outStream.flush();
    errStream.flush();
    return {status, out, err};
}

// The command with `--home` set to the test's home.
inline CliRun RunIn(const TempHome& home, QStringList args) {
    args.prepend(home.Path());
    args.prepend("--home");
    return RunCli(args);
}
