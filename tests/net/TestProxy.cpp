#include "TestProxy.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QThread>

#include "Aria2Daemon.h"

TestProxy::TestProxy(Kind kind, const QString& folder)
    : kind_(kind), folder_(folder), port_(Aria2Daemon::FreePort()) {
    QDir().mkpath(folder);
    const QString config = folder + QStringLiteral("/proxy.conf");
    QFile file(config);
    if (!file.open(QIODevice::WriteOnly)) return;
    if (kind == Kind::Http) {
        file.write(QStringLiteral(
                       "Port %1\nListen 127.0.0.1\nTimeout 30\nLogFile \"%2/proxy.log\"\nLogLevel Connect\n"
                       "PidFile \"%2/proxy.pid\"\nMaxClients 100\nBasicAuth %3 %4\nAllow 127.0.0.1\n")
                       .arg(port_)
                       .arg(folder, kUser, kPassword)
                       .toUtf8());
        file.close();
        process_.start(QStringLiteral("tinyproxy"), {"-d", "-c", config});
    } else {
        file.write(
            QStringLiteral("logoutput: %1/proxy.log\ninternal: 127.0.0.1 port = %2\nexternal: 127.0.0.1\n"
                           "socksmethod: none\nclientmethod: none\nuser.privileged: root\n"
                           "user.unprivileged: nobody\n"
                           "client pass { from: 127.0.0.0/8 to: 0.0.0.0/0 log: connect }\n"
                           "socks pass { from: 127.0.0.0/8 to: 0.0.0.0/0 log: connect }\n")
                .arg(folder)
                .arg(port_)
                .toUtf8());
        file.close();
        process_.start(QStringLiteral("danted"), {"-f", config, "-p", folder + QStringLiteral("/proxy.pid")});
    }
    if (port_ == 0 || !process_.waitForStarted(5000)) return;
    QElapsedTimer clock;
    clock.start();
    while (!Aria2Daemon::Listening(port_) && clock.elapsed() < 5000 && process_.state() == QProcess::Running)
        QThread::msleep(20);
    started_ = process_.state() == QProcess::Running && Aria2Daemon::Listening(port_);
}

TestProxy::~TestProxy() {
    process_.terminate();
    if (!process_.waitForFinished(3000)) {
        process_.kill();
        process_.waitForFinished(3000);
    }
}

QString TestProxy::Url() const {
    if (kind_ == Kind::Socks5) return QStringLiteral("socks5h://127.0.0.1:%1").arg(port_);
    return QStringLiteral("http://%1:%2@127.0.0.1:%3").arg(kUser, kPassword).arg(port_);
}

QByteArray TestProxy::Log() const {
    QFile file(folder_ + QStringLiteral("/proxy.log"));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
