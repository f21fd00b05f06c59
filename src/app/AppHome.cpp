#include "app/AppHome.h"

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
        return QStringLiteral("无法创建程序目录 %1，设置与列表将不会保存").arg(ConfigDir());
    }
    if (!QFileInfo(ConfigDir()).isWritable() || !QFileInfo(dir_).isWritable()) {
        return QStringLiteral("程序目录 %1 不可写，设置与列表将不会保存").arg(dir_);
    }
    return {};
}
