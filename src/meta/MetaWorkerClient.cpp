#include "meta/MetaWorkerClient.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDeadlineTimer>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMutexLocker>
#include <cerrno>
#include <cstring>
#include <vector>

#include "net/Sha256Stream.h"

extern char** environ;

namespace {

QString SignalReason(int signal) {
    if (signal == SIGXCPU) return QStringLiteral("the reader exceeded its CPU time");
    if (signal == SIGKILL) return QStringLiteral("the reader was killed");
    return QStringLiteral("the reader crashed (%1)").arg(QString::fromUtf8(strsignal(signal)));
}

}  // namespace

MetaWorkerClient::MetaWorkerClient(QString program, QStringList arguments, int timeoutMs)
    : program_(std::move(program)), arguments_(std::move(arguments)), timeoutMs_(timeoutMs) {}

MetaWorkerClient::~MetaWorkerClient() {
    QMutexLocker lock(&lock_);
    StopLocked(false);
}

bool MetaWorkerClient::StartLocked(QString* problem) {
    int sockets[2];
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, sockets) != 0) {
        *problem = QStringLiteral("no socket for the reader: %1").arg(QString::fromUtf8(strerror(errno)));
        return false;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, sockets[1], STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, sockets[1], STDOUT_FILENO);
    // What the libraries say about a broken file is of no use to anyone watching the terminal.
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    std::vector<QByteArray> storage;
    storage.push_back(QFile::encodeName(program_));
    for (const QString& argument : arguments_) storage.push_back(argument.toUtf8());
    std::vector<char*> argv;
    for (QByteArray& item : storage) argv.push_back(item.data());
    argv.push_back(nullptr);
    pid_t pid = -1;
    const int failure = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(sockets[1]);
    if (failure != 0) {
        close(sockets[0]);
        *problem = QStringLiteral("the reader %1 cannot be started: %2").arg(program_, QString::fromUtf8(strerror(failure)));
        return false;
    }
    pid_ = pid;
    socket_ = sockets[0];
    pending_.clear();
    ++starts_;
    return true;
}

QString MetaWorkerClient::StopLocked(bool kill) {
    if (pid_ < 0) return {};
    if (socket_ >= 0) close(socket_);  // a worker waiting for a request sees the end and leaves
    socket_ = -1;
    if (kill) ::kill(pid_, SIGKILL);
    int status = 0;
    pid_t done;
    do {
        done = waitpid(pid_, &status, 0);
    } while (done < 0 && errno == EINTR);
    pid_ = -1;
    if (done < 0) return QStringLiteral("the reader ended");
    if (WIFSIGNALED(status)) return SignalReason(WTERMSIG(status));
    return QStringLiteral("the reader ended with status %1").arg(WEXITSTATUS(status));
}

DocMetadata MetaWorkerClient::FailedLocked(const QString& path, const QString& reason) {
    DocMetadata metadata;
    metadata.status = MetaStatus::Failed;
    metadata.reason = reason;
    // The digest keys the record: computing it here reads the bytes without interpreting them.
    QFile file(path);
    if (file.open(QIODevice::ReadOnly)) {
        Sha256Stream hash;
        if (hash.AddFilePrefix(file.handle(), file.size(), nullptr)) metadata.sha256 = hash.HexDigest();
        metadata.size = file.size();
    }
    return metadata;
}

DocMetadata MetaWorkerClient::Read(const QString& path) {
    QMutexLocker lock(&lock_);
    QByteArray request = QJsonDocument(QJsonObject{{QStringLiteral("path"), path}}).toJson(QJsonDocument::Compact);
    request.append('\n');
    // A worker that died since the last document is noticed only when it is written to: one more try.
    for (int attempt = 0; attempt < 2; ++attempt) {
        QString problem;
        if (pid_ < 0 && !StartLocked(&problem)) return FailedLocked(path, problem);
        qsizetype sent = 0;
        while (sent < request.size()) {
            const ssize_t n = send(socket_, request.constData() + sent, size_t(request.size() - sent), MSG_NOSIGNAL);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) break;
            sent += n;
        }
        if (sent < request.size()) {
            StopLocked(true);
            continue;
        }
        QDeadlineTimer deadline(timeoutMs_);
        for (;;) {
            const qsizetype end = pending_.indexOf('\n');
            if (end >= 0) {
                const QByteArray answer = pending_.left(end);
                pending_.remove(0, end + 1);
                QJsonParseError error{};
                const QJsonDocument json = QJsonDocument::fromJson(answer, &error);
                if (error.error != QJsonParseError::NoError || !json.isObject()) {
                    StopLocked(true);
                    return FailedLocked(path, QStringLiteral("the reader answered something else"));
                }
                return DocMetadata::FromJson(json.object());
            }
            if (pending_.size() > kMaxAnswerBytes) {
                StopLocked(true);
                return FailedLocked(path, QStringLiteral("the reader's answer is too long"));
            }
            pollfd watch{socket_, POLLIN, 0};
            const int remaining = int(std::min<qint64>(deadline.remainingTime(), 1000000));
            if (remaining <= 0) {
                StopLocked(true);
                return FailedLocked(path, QStringLiteral("no answer within %1 s").arg(timeoutMs_ / 1000));
            }
            const int ready = poll(&watch, 1, remaining);
            if (ready < 0 && errno == EINTR) continue;
            if (ready == 0) continue;
            char buffer[64 * 1024];
            const ssize_t got = ready > 0 ? recv(socket_, buffer, sizeof buffer, 0) : -1;
            if (got < 0 && errno == EINTR) continue;
            if (got <= 0) return FailedLocked(path, StopLocked(false));
            pending_.append(buffer, qsizetype(got));
        }
    }
    return FailedLocked(path, QStringLiteral("the reader cannot be reached"));
}
