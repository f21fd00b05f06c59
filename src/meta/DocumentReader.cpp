#include "meta/DocumentReader.h"

#include <QFile>
#include <QFileInfo>
#include <new>

#include "meta/FindingScanner.h"
#include "meta/OleMetaReader.h"
#include "meta/PdfMetaReader.h"
#include "meta/RtfMetaReader.h"
#include "meta/ZipMetaReader.h"
#include "net/Sha256Stream.h"

namespace {

enum class Format { Pdf, Zip, Ole2, Rtf, Other };

Format Detect(const QByteArray& bytes) {
    if (bytes.startsWith("PK\x03\x04") || bytes.startsWith("PK\x05\x06")) return Format::Zip;
    if (bytes.startsWith(QByteArray::fromHex("d0cf11e0a1b11ae1"))) return Format::Ole2;
    if (bytes.startsWith("{\\rtf")) return Format::Rtf;
    // Writers put junk before the header; readers accept it within the first kilobyte.
    if (bytes.left(1024).contains("%PDF-")) return Format::Pdf;
    return Format::Other;
}

void ReadFormat(const QByteArray& bytes, DocMetadata* metadata) {
    try {
        switch (Detect(bytes)) {
            case Format::Pdf: PdfMetaReader::Read(bytes, metadata); break;
            case Format::Zip: ZipMetaReader::Read(bytes, metadata); break;
            case Format::Ole2: OleMetaReader::Read(bytes, metadata); break;
            case Format::Rtf: RtfMetaReader::Read(bytes, metadata); break;
            case Format::Other: metadata->type = QStringLiteral("other"); break;
        }
    } catch (const std::bad_alloc&) {
        metadata->status = MetaStatus::Failed;
        metadata->reason = QStringLiteral("memory limit reached");
    } catch (const std::exception& failure) {
        metadata->status = MetaStatus::Damaged;
        metadata->reason = QString::fromUtf8(failure.what()).left(200);
    }
    FindingScanner::ScanAll(metadata);
}

// libcrypto's digest uses the processor's SHA instructions: every downloaded document passes here, and
// Qt's own implementation took twenty times as long, more than the transfers themselves.
QString DigestOf(const QByteArray& bytes) {
    Sha256Stream hash;
    hash.Add(bytes.constData(), size_t(bytes.size()));
    return hash.HexDigest();
}

}  // namespace

DocMetadata DocumentReader::ReadBytes(const QByteArray& bytes) {
    DocMetadata metadata;
    metadata.size = bytes.size();
    metadata.sha256 = DigestOf(bytes);
    ReadFormat(bytes, &metadata);
    return metadata;
}

DocMetadata DocumentReader::ReadFile(const QString& path) {
    DocMetadata metadata;
    QFile file(path);
    if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly)) {
        metadata.status = MetaStatus::Damaged;
        metadata.reason = QStringLiteral("cannot be opened");
        return metadata;
    }
    metadata.size = file.size();
    if (metadata.size > kMaxReadBytes) {
        Sha256Stream hash;
        if (hash.AddFilePrefix(file.handle(), metadata.size, nullptr)) metadata.sha256 = hash.HexDigest();
        file.seek(0);
        const QByteArray head = file.read(1024);
        metadata.type = Detect(head) == Format::Pdf ? QStringLiteral("pdf") : QStringLiteral("other");
        metadata.reason = QStringLiteral("too large to read its metadata");
        return metadata;
    }
    // Mapped, not copied: the readers see the bytes in place and the digest costs no second read.
    const uchar* mapped = file.map(0, metadata.size);
    const QByteArray bytes = mapped ? QByteArray::fromRawData(reinterpret_cast<const char*>(mapped), metadata.size)
                                    : file.readAll();
    metadata.sha256 = DigestOf(bytes);
    ReadFormat(bytes, &metadata);
    return metadata;
}
