#include "app/HomeLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QMutex>
#include <QThread>
#include <cerrno>
#include <system_error>

namespace {

// The locks this process holds: path -> (descriptor, holders). flock() would make a second descriptor of
// the same process wait for the first.
struct HeldLock {
    int fd;
    int holders;
};
QMutex heldMutex;
QHash<QString, HeldLock> heldLocks;

QString SystemReason() {
    return QString::fromStdString(std::generic_category().message(errno));
}

}  // namespace

bool HomeLock::Acquire(QString* error, int waitMs) {
    if (held_) return true;
    QMutexLocker lock(&heldMutex);
    if (auto it = heldLocks.find(path_); it != heldLocks.end()) {
        ++it->holders;
        held_ = true;
        return true;
    }
    const int fd =
        ::open(QFile::encodeName(path_).constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0644);
    if (fd < 0) {
        *error = QStringLiteral("cannot open the lock file %1: %2").arg(path_, SystemReason());
        return false;
    }
    const QDeadlineTimer deadline(waitMs);
    for (;;) {
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
            heldLocks.insert(path_, HeldLock{fd, 1});
            held_ = true;
            return true;
        }
        if (errno != EWOULDBLOCK && errno != EINTR) {
            *error = QStringLiteral("cannot lock %1: %2").arg(path_, SystemReason());
            break;
        }
        if (deadline.hasExpired()) {
            *error =
                QStringLiteral("the home %1 is busy: another skimmer is changing its files (waited %2 s)")
                    .arg(QFileInfo(path_).absolutePath())
                    .arg(waitMs / 1000);
            break;
        }
        QThread::msleep(20);
    }
    ::close(fd);
    return false;
}

void HomeLock::Release() {
    if (!held_) return;
    held_ = false;
    QMutexLocker lock(&heldMutex);
    auto it = heldLocks.find(path_);
    if (it == heldLocks.end() || --it->holders > 0) return;
    ::flock(it->fd, LOCK_UN);
    ::close(it->fd);
    heldLocks.erase(it);
}
