#include <QApplication>
#include <QCommandLineParser>
#include <QTimer>
#include <cstdio>

#include "app/Session.h"
#include "download/DownloadPool.h"
#include "gui/EnginesDialog.h"
#include "gui/Language.h"
#include "gui/MainWindow.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("skimmer"));
    QApplication::setApplicationDisplayName(QStringLiteral("Skimmer"));
    QApplication::setApplicationVersion(QStringLiteral(SKIMMER_VERSION));
    // The window hides to the tray; only the close sequence ends the program.
    QApplication::setQuitOnLastWindowClosed(false);

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Finds publicly shared documents and downloads them in bulk."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption homeOption(QStringLiteral("home"),
                                        QStringLiteral("application home (settings, key.list, run.log)"),
                                        QStringLiteral("DIR"));
    parser.addOption(homeOption);
    const QCommandLineOption screenshotOption(QStringLiteral("screenshot"),
                                              QStringLiteral("save a picture of the window to FILE and quit"),
                                              QStringLiteral("FILE"));
    parser.addOption(screenshotOption);
    const QCommandLineOption enginesShotOption(
        QStringLiteral("screenshot-engines"),
        QStringLiteral("save a picture of the Engines dialog to FILE and quit"), QStringLiteral("FILE"));
    parser.addOption(enginesShotOption);
    const QCommandLineOption downloadOption(
        QStringLiteral("download"), QStringLiteral("start downloading the list as soon as the window shows"));
    parser.addOption(downloadOption);
    const QCommandLineOption langOption(
        QStringLiteral("lang"),
        QStringLiteral("the window's language, kept for later starts: en or zh_CN (default: the system's)"),
        QStringLiteral("LANG"));
    parser.addOption(langOption);
    parser.process(app);

    Session session(AppHome::ResolveDir(parser.value(homeOption)));
    // The last list is read off the window's thread: the window shows at once, and the rows when read.
    session.Lists().SetLoadInBackground(true);
    const QString problem = session.Start();  // makes the config folder the choice is kept in
    const QString requested = parser.value(langOption);
    if (!requested.isEmpty() && !Language::IsKnown(requested)) {
        std::fprintf(stderr, "skimmer: unknown language \"%s\" (en or zh_CN); using the kept or system one\n",
                     qPrintable(requested));
    }
    const QString language = Language::Resolve(requested, session.Home().SettingsPath(), QLocale::system());
    if (!Language::Apply(language))
        std::fprintf(stderr, "skimmer: the %s translation could not be loaded\n", qPrintable(language));
    MainWindow window(session);
    QObject::connect(&window, &MainWindow::closed, &app, &QApplication::quit);
    window.show();
    if (!problem.isEmpty()) session.ShowMsg(problem, QString(), QString(), 0);
    if (parser.isSet(downloadOption)) {
        QTimer::singleShot(0, &window, [&session] { session.Downloads().StartDownload(); });
    }
    if (parser.isSet(screenshotOption)) {
        QTimer::singleShot(2500, &window, [&] {  // after the first counters tick
            window.grab().save(parser.value(screenshotOption));
            QApplication::exit(0);
        });
    }
    if (parser.isSet(enginesShotOption)) {
        auto* dialog = new EnginesDialog(session, &window);
        dialog->show();
        QTimer::singleShot(1500, dialog, [&, dialog] {
            dialog->grab().save(parser.value(enginesShotOption));
            QApplication::exit(0);
        });
    }
    return app.exec();
}
