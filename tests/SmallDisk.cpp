#include "SmallDisk.h"

#include <fcntl.h>
#include <sys/mount.h>
#include <unistd.h>
#include <QDir>
#include <QFile>
#include <cerrno>
#include <cstring>

SmallDisk::SmallDisk(int kilobytes) : dir_(QDir::tempPath() + QStringLiteral("/skimmer-disk-XXXXXX")) {
    const QByteArray options = QByteArray("size=") + QByteArray::number(kilobytes) + "k";
    if (::mount("tmpfs", QFile::encodeName(dir_.path()).constData(), "tmpfs", 0, options.constData()) == 0) {
        mounted_ = true;
    } else {
        why_ = QStringLiteral("cannot mount a tmpfs here (%1); the full-disk case is not run")
                   .arg(QString::fromLocal8Bit(std::strerror(errno)));
    }
}

SmallDisk::~SmallDisk() {
    if (mounted_) ::umount2(QFile::encodeName(dir_.path()).constData(), MNT_DETACH);
}

QString SmallDisk::Path(const QString& relative) const {
    return relative.isEmpty() ? dir_.path() : dir_.filePath(relative);
}

void SmallDisk::Fill() const {
    const int fd = ::open(QFile::encodeName(Path(QStringLiteral("filler"))).constData(),
                          O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) return;
    static const char block[4096] = {};
    while (::write(fd, block, sizeof block) > 0) {
    }
    // A tmpfs may still take a last partial page.
    while (::write(fd, block, 1) > 0) {
    }
    ::close(fd);
}
