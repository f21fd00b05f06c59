#include <QCoreApplication>
#include <QTextStream>
#include <cstdio>

#include "cli/CliApp.h"
#include "meta/MetaWorkerServer.h"

int main(int argc, char** argv) {
    // The hidden worker mode: documents' metadata read apart from the program that asked for it.
    if (argc == 2 && qstrcmp(argv[1], MetaWorkerServer::kOption) == 0) return MetaWorkerServer::Run();
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("skimmer"));
    QTextStream out(stdout);
    QTextStream err(stderr);
    CliApp cli;
    return cli.Run(app.arguments().mid(1), out, err);
}
