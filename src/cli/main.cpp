#include <QCoreApplication>
#include <QTextStream>
#include <cstdio>

#include "cli/CliApp.h"

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("skimmer"));
    QTextStream out(stdout);
    QTextStream err(stderr);
    CliApp cli;
    return cli.Run(app.arguments().mid(1), out, err);
}
