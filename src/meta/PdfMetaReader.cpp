#include "meta/PdfMetaReader.h"

#include <qpdf/Pipeline.hh>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFExc.hh>
#include <qpdf/QPDFObjectHandle.hh>

#include <stdexcept>

#include "meta/DocMetadata.h"
#include "meta/MetaDate.h"
#include "meta/XmpPacket.h"

namespace {

// Keeps the decoded XMP packet and stops qpdf's decoding once it passes the limit.
class BoundedSink : public Pipeline {
  public:
    BoundedSink() : Pipeline("xmp", nullptr) {}
    void write(unsigned char const* data, size_t length) override {
        if (qsizetype(bytes.size() + length) > PdfMetaReader::kMaxXmpBytes) {
            overflow = true;
            throw std::length_error("XMP packet too large");
        }
        bytes.append(reinterpret_cast<const char*>(data), qsizetype(length));
    }
    void finish() override {}
    QByteArray bytes;
    bool overflow = false;
};

QString InfoText(QPDFObjectHandle info, const char* key) {
    if (!info.isDictionary()) return {};
    QPDFObjectHandle value = info.getKey(key);
    if (!value.isString()) return {};
    // qpdf decodes UTF-16 (with its byte-order mark) and PDFDocEncoding; bytes that are neither come out
    // as their PDFDocEncoding reading, the best that can be said of them.
    std::string text = value.getUTF8Value();
    if (text.size() > 64 * 1024) text.resize(64 * 1024);
    return QString::fromUtf8(text.data(), qsizetype(text.size())).remove(QChar(0)).trimmed();
}

void ReadXmp(QPDFObjectHandle root, DocMetadata* metadata) {
    if (!root.isDictionary()) return;
    QPDFObjectHandle stream = root.getKey("/Metadata");
    if (!stream.isStream()) return;
    BoundedSink sink;
    try {
        stream.pipeStreamData(&sink, 0, qpdf_dl_generalized, true);
    } catch (const std::exception&) {
        // qpdf reports what it could not decode; the sink's overflow says whether it was the limit.
    }
    if (sink.overflow) {
        metadata->reason = QStringLiteral("XMP packet over %1 bytes skipped").arg(PdfMetaReader::kMaxXmpBytes);
        return;
    }
    const XmpPacket xmp = XmpPacket::Parse(sink.bytes);
    if (!xmp.valid) return;
    const QString xmpAuthor = xmp.creators.join(QStringLiteral("; "));
    if (metadata->title.isEmpty()) {
        metadata->title = xmp.title;
    } else if (!xmp.title.isEmpty() && xmp.title != metadata->title) {
        metadata->xmpTitle = xmp.title;
    }
    if (metadata->author.isEmpty()) {
        metadata->author = xmpAuthor;
    } else if (!xmpAuthor.isEmpty() && xmpAuthor != metadata->author) {
        metadata->xmpAuthor = xmpAuthor;
    }
    if (metadata->subject.isEmpty()) metadata->subject = xmp.description;
    if (metadata->keywords.isEmpty()) metadata->keywords = xmp.keywords;
    if (metadata->application.isEmpty()) metadata->application = xmp.creatorTool;
    if (metadata->producer.isEmpty()) metadata->producer = xmp.producer;
    if (metadata->created.isEmpty()) metadata->created = xmp.created;
    if (metadata->modified.isEmpty()) metadata->modified = xmp.modified;
    metadata->history = xmp.history;
}

}  // namespace

void PdfMetaReader::Read(const QByteArray& bytes, DocMetadata* metadata) {
    metadata->type = QStringLiteral("pdf");
    try {
        QPDF pdf;
        pdf.setSuppressWarnings(true);
        pdf.processMemoryFile("document", bytes.constData(), size_t(bytes.size()), "");
        metadata->pdfVersion = QString::fromStdString(pdf.getPDFVersion()).left(16);
        metadata->encrypted = pdf.isEncrypted();
        QPDFObjectHandle info = pdf.getTrailer().getKey("/Info");
        metadata->title = InfoText(info, "/Title");
        metadata->author = InfoText(info, "/Author");
        metadata->subject = InfoText(info, "/Subject");
        metadata->keywords = InfoText(info, "/Keywords");
        metadata->application = InfoText(info, "/Creator");
        metadata->producer = InfoText(info, "/Producer");
        metadata->created = MetaDate::FromPdf(InfoText(info, "/CreationDate"));
        metadata->modified = MetaDate::FromPdf(InfoText(info, "/ModDate"));
        QPDFObjectHandle root = pdf.getRoot();
        // The root's count, not a walk of the tree: a 10,000-page file costs no more than a 1-page one.
        QPDFObjectHandle pages = root.isDictionary() ? root.getKey("/Pages") : QPDFObjectHandle::newNull();
        if (pages.isDictionary() && pages.getKey("/Count").isInteger()) {
            const long long count = pages.getKey("/Count").getIntValue();
            if (count >= 0 && count <= 10'000'000) metadata->pages = int(count);
        }
        ReadXmp(root, metadata);
    } catch (const QPDFExc& failure) {
        if (failure.getErrorCode() == qpdf_e_password) {
            metadata->status = MetaStatus::Encrypted;
            metadata->encrypted = true;
            metadata->reason = QStringLiteral("encrypted, no metadata");
        } else {
            metadata->status = MetaStatus::Damaged;
            metadata->reason = QString::fromStdString(failure.getMessageDetail()).left(200);
        }
    } catch (const std::exception& failure) {
        metadata->status = MetaStatus::Damaged;
        metadata->reason = QString::fromUtf8(failure.what()).left(200);
    }
}
