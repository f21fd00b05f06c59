#include "Aria2Daemon.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QDir>
#include <QElapsedTimer>
#include <QThread>

bool Aria2Daemon::Listening(int port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0) return false;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(quint16(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const bool connected = ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    ::close(fd);
    return connected;
}

int Aria2Daemon::FreePort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    int port = 0;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0) {
        port = ntohs(address.sin_port);
    }
    ::close(fd);
    return port;
}

Aria2Daemon::Aria2Daemon(const QString& folder, const QString& secret) : port_(FreePort()) {
    QDir().mkpath(folder);
    // A folder of its own: a relative path sent to it would land there, never beside the tests.
    process_.setWorkingDirectory(folder);
    QStringList args{"--enable-rpc",
                     "--rpc-listen-all=false",
                     QStringLiteral("--rpc-listen-port=%1").arg(port_),
                     "--no-conf",
                     "--quiet",
                     QStringLiteral("--dir=%1").arg(folder)};
    if (!secret.isEmpty()) args.append(QStringLiteral("--rpc-secret=") + secret);
    process_.start(QStringLiteral("aria2c"), args);
    if (port_ == 0 || !process_.waitForStarted(5000)) return;
    QElapsedTimer clock;
    clock.start();
    while (!Listening(port_) && clock.elapsed() < 5000 && process_.state() == QProcess::Running)
        QThread::msleep(20);
    started_ = process_.state() == QProcess::Running && Listening(port_);
}

Aria2Daemon::~Aria2Daemon() {
    Kill();
}

QString Aria2Daemon::Url() const {
    return QStringLiteral("http://127.0.0.1:%1/jsonrpc").arg(port_);
}

void Aria2Daemon::Kill() {
    if (process_.state() == QProcess::NotRunning) return;
    process_.kill();
    process_.waitForFinished(5000);
}
