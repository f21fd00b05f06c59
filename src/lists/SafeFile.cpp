#include "lists/SafeFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <atomic>
#include <cerrno>
#include <system_error>

namespace {

const SafeFile::SystemCalls kRealCalls{::write, ::fsync, ::close};
std::atomic<const SafeFile::SystemCalls*> calls{&kRealCalls};

QString Reason(const char* step, int error) {
    return QStringLiteral("%1 (%2)").arg(QString::fromStdString(std::generic_category().message(error)),
                                         QLatin1StringView(step));
}

void SetError(QString* error, const QString& text) {
    if (error) *error = text;
}

// Opens a fresh temporary file beside the target; the name is random so that two savers never share one.
int OpenTemporary(const QString& target, QString* tempPath) {
    const QFileInfo info(target);
    for (int attempt = 0; attempt < 100; ++attempt) {
        *tempPath = info.absolutePath() + QStringLiteral("/.") + info.fileName() +
                    QStringLiteral(".%1.tmp").arg(QRandomGenerator::global()->generate(), 8, 16, QChar(u'0'));
        const int fd = ::open(QFile::encodeName(*tempPath).constData(),
                              O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    errno = EEXIST;
    return -1;
}

void SyncFolder(const QString& target) {
    // Makes the rename itself durable; a filesystem that cannot sync folders still has the new file.
    const int fd = ::open(QFile::encodeName(QFileInfo(target).absolutePath()).constData(),
                          O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

}  // namespace

void SafeFile::SetSystemCallsForTesting(const SystemCalls* testCalls) {
    calls.store(testCalls ? testCalls : &kRealCalls);
}

bool SafeFile::Write(const QString& path, const QByteArray& bytes, QString* error, bool privateMode) {
    QString target = path;
    const QFileInfo given(path);
    if (given.isSymLink()) {
        // The file at the end of the chain is replaced; a dangling link names the file to create.
        target = given.exists() ? given.canonicalFilePath() : given.symLinkTarget();
        if (target.isEmpty()) {
            SetError(error, QStringLiteral("the symbolic link cannot be followed"));
            return false;
        }
    }
    return WriteTo(target, true, bytes, error, privateMode);
}

bool SafeFile::Replace(const QString& path, const QByteArray& bytes, QString* error) {
    return WriteTo(path, false, bytes, error, false);
}

bool SafeFile::WriteTo(const QString& target, bool followLinks, const QByteArray& bytes, QString* error,
                       bool privateMode) {
    const SystemCalls& sys = *calls.load();
    struct stat old {};
    const QByteArray targetName = QFile::encodeName(target);
    // Without following, a link there is only a name to take over: the file it points to is no old
    // version whose permissions the new one should keep.
    const bool exists =
        (followLinks ? ::stat(targetName.constData(), &old) : ::lstat(targetName.constData(), &old)) == 0 &&
        !S_ISLNK(old.st_mode);
    if (exists && !S_ISREG(old.st_mode)) {
        SetError(error, QStringLiteral("it exists and is not a regular file"));
        return false;
    }

    QString tempPath;
    const int fd = OpenTemporary(target, &tempPath);
    if (fd < 0) {
        SetError(error, Reason("creating the temporary file", errno));
        return false;
    }
    const QByteArray tempName = QFile::encodeName(tempPath);
    auto fail = [&](const char* step, int code, bool closeFirst) {
        if (closeFirst) sys.close(fd);
        ::unlink(tempName.constData());
        SetError(error, Reason(step, code));
        return false;
    };
    if (privateMode) {
        // Set before the first byte is written, so the secret is never readable by others, not even briefly.
        if (::fchmod(fd, 0600) != 0) return fail("restricting the permissions", errno, true);
    } else if (exists) {
        ::fchmod(fd, old.st_mode & 07777);  // the copy keeps the old file's permissions
    }

    const char* data = bytes.constData();
    size_t left = size_t(bytes.size());
    while (left > 0) {
        const ssize_t written = sys.write(fd, data, left);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return fail("writing", written < 0 ? errno : ENOSPC, true);
        data += written;
        left -= size_t(written);
    }
    if (sys.fsync(fd) != 0) return fail("syncing", errno, true);
    if (sys.close(fd) != 0) return fail("closing", errno, false);
    if (::rename(tempName.constData(), targetName.constData()) != 0) return fail("renaming", errno, false);
    SyncFolder(target);
    return true;
}
