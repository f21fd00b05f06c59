#include "net/ContentCheck.h"

#include <magic.h>
#include <QCoreApplication>

#include <QStringList>
#include <cstring>
#include <mutex>

namespace {

std::mutex magicMutex;
magic_t cookie = nullptr;
bool tried = false;

bool IsHtml(const QString& media) {
    return media == QLatin1String("text/html") || media == QLatin1String("application/xhtml+xml");
}

// The media types a file of a known type may carry; an empty list means "not a known type".
QStringList Accepted(const QString& type) {
    const QString t = type.toLower();
    if (t == QLatin1String("pdf")) return {"application/pdf"};
    if (t == QLatin1String("doc") || t == QLatin1String("xls") || t == QLatin1String("ppt")) {
        // The old Office formats are one container; libmagic names it by whatever it recognises inside.
        return {"application/msword", "application/vnd.ms-excel", "application/vnd.ms-powerpoint",
                "application/vnd.ms-office", "application/x-ole-storage", "application/CDFV2",
                "application/CDFV2-corrupt", "application/vnd.ms-outlook",
                // libmagic's answer for a container it cannot look into; never a text page
                "application/octet-stream"};
    }
    if (t == QLatin1String("docx") || t == QLatin1String("xlsx") || t == QLatin1String("pptx")) {
        // A zip; libmagic names the Office kind only when its parts come in the usual order.
        return {"application/vnd.openxmlformats-officedocument.", "application/zip",
                "application/octet-stream"};
    }
    if (t == QLatin1String("rtf")) return {"text/rtf", "application/rtf"};
    if (t == QLatin1String("txt")) return {"text/"};
    if (t == QLatin1String("zip")) return {"application/zip"};
    if (t == QLatin1String("rar")) return {"application/x-rar", "application/vnd.rar"};
    if (t == QLatin1String("7z")) return {"application/x-7z-compressed"};
    if (t == QLatin1String("gz") || t == QLatin1String("tgz"))
        return {"application/gzip", "application/x-gzip"};
    if (t == QLatin1String("tar")) return {"application/x-tar"};
    return {};
}

// Whether libmagic could take `head` for text, and so for an HTML page. It calls bytes with a NUL
// binary in every encoding it tries, except UTF-16 and UTF-32 behind a byte-order mark; it reads at
// least the first kilobyte for that, so only a NUL there counts.
bool MayBeText(const QByteArray& head) {
    if (head.startsWith("\xFF\xFE") || head.startsWith("\xFE\xFF") ||
        head.startsWith(QByteArray("\0\0\xFE\xFF", 4)))
        return true;
    return std::memchr(head.constData(), 0, size_t(qMin<qsizetype>(head.size(), 1024))) == nullptr;
}

}  // namespace

QString ContentCheck::MediaType(const QByteArray& head) {
    std::lock_guard lock(magicMutex);
    if (!tried) {
        tried = true;
        cookie = magic_open(MAGIC_MIME_TYPE | MAGIC_ERROR);
        if (cookie && magic_load(cookie, nullptr) != 0) {
            magic_close(cookie);
            cookie = nullptr;
        }
    }
    if (!cookie || head.isEmpty()) return {};
    const char* media = magic_buffer(cookie, head.constData(), size_t(head.size()));
    return media ? QString::fromLatin1(media) : QString();
}

QString ContentCheck::Mismatch(const QByteArray& head, const QString& type, bool checkOther) {
    const QStringList accepted = Accepted(type);
    if (accepted.isEmpty() && !checkOther) return {};
    // A type outside the known ones is refused only as an HTML page. Most binary files are told apart
    // here: libmagic spends most of a millisecond on noise it cannot name, under its one lock.
    if (accepted.isEmpty() && !MayBeText(head)) return {};
    const QString media = MediaType(head);
    if (media.isEmpty()) return {};
    if (accepted.isEmpty()) {
        if (!IsHtml(media)) return {};
    } else {
        // A text file that is an HTML page is the usual disguise, so "text/" does not cover it.
        bool fits = false;
        for (const QString& prefix : accepted) fits = fits || (media.startsWith(prefix) && !IsHtml(media));
        if (fits) return {};
    }
    return QCoreApplication::translate("ContentCheck", "the file is %1, not a %2 file")
        .arg(media, type.toLower());
}
