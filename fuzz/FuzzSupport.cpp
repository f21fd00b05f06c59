#include "FuzzSupport.h"

#include <QFile>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>
#include <memory>

namespace fuzz {

QByteArray Bytes(const uint8_t* data, size_t size) {
    return QByteArray(reinterpret_cast<const char*>(data), qsizetype(size));
}

QString ScratchPath(const QString& name) {
    static const std::unique_ptr<QTemporaryDir> dir = [] {
        auto made = std::make_unique<QTemporaryDir>();
        if (!made->isValid()) {
            std::fprintf(stderr, "fuzz: cannot make a scratch folder under $TMPDIR\n");
            std::abort();
        }
        return made;
    }();
    return dir->filePath(name);
}

void WriteScratch(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size()) {
        std::fprintf(stderr, "fuzz: cannot write %s\n", qPrintable(path));
        std::abort();
    }
}

QByteArray TakeLine(QByteArray& bytes) {
    const qsizetype end = bytes.indexOf('\n');
    if (end < 0) return {};
    QByteArray line = bytes.left(end);
    bytes.remove(0, end + 1);
    return line;
}

void Require(bool condition, const char* what) {
    if (condition) return;
    std::fprintf(stderr, "fuzz: broken promise: %s\n", what);
    std::abort();
}

}  // namespace fuzz
