#include "app/AppHome.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

AppHome::AppHome(QString dir) : dir_(QDir::cleanPath(QDir(dir).absolutePath())) {}

QString AppHome::ResolveDir(const QString& cliHome) {
    if (!cliHome.isEmpty()) return cliHome;
    const QString fromEnv = qEnvironmentVariable("SKIMMER_HOME");
    if (!fromEnv.isEmpty()) return fromEnv;
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/skimmer");
}

QString AppHome::Prepare() const {
    if (!QDir().mkpath(ConfigDir())) {
        return QCoreApplication::translate(
                   "AppHome", "Cannot create the program folder %1; the settings and lists will not be saved")
            .arg(ConfigDir());
    }
    if (!QFileInfo(ConfigDir()).isWritable() || !QFileInfo(dir_).isWritable()) {
        return QCoreApplication::translate(
                   "AppHome",
                   "The program folder %1 is not writable; the settings and lists will not be saved")
            .arg(dir_);
    }
    return {};
}
