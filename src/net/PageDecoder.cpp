#include "net/PageDecoder.h"

#include <QRegularExpression>
#include <QStringDecoder>
#include <optional>

#include "lists/TextCodec.h"

namespace {

// Browsers look for a meta charset in the first 1,024 bytes; pages with long heads put it a little later.
constexpr qsizetype kMetaScanBytes = 4096;

QByteArray CharsetParameter(const QString& text) {
    static const QRegularExpression charset(QStringLiteral("charset\\s*=\\s*[\"']?\\s*([A-Za-z0-9_.:-]+)"),
                                            QRegularExpression::CaseInsensitiveOption);
    const auto match = charset.match(text);
    return match.hasMatch() ? match.captured(1).toLatin1().toLower() : QByteArray();
}

}  // namespace

QByteArray PageDecoder::DeclaredCharset(const QByteArray& body, const QString& contentType) {
    QByteArray charset = CharsetParameter(contentType);
    if (!charset.isEmpty()) return charset;
    static const QRegularExpression meta(QStringLiteral("<meta[^>]*>"),
                                         QRegularExpression::CaseInsensitiveOption);
    const QString head = QString::fromLatin1(body.left(kMetaScanBytes));
    auto matches = meta.globalMatch(head);
    while (matches.hasNext()) {
        charset = CharsetParameter(matches.next().captured(0));
        if (!charset.isEmpty()) return charset;
    }
    return {};
}

QString PageDecoder::Decode(const QByteArray& body, const QString& contentType, bool preferUtf8) {
    // A byte-order mark decides before any header or meta, as browsers read pages. UTF-16 is full of NUL
    // bytes of its own: only the decoded text loses its NULs.
    std::optional<QStringConverter::Encoding> utf16;
    const QByteArray headerCharset = CharsetParameter(contentType);
    if (body.startsWith("\xFF\xFE")) {
        utf16 = QStringConverter::Utf16LE;
    } else if (body.startsWith("\xFE\xFF")) {
        utf16 = QStringConverter::Utf16BE;
    } else if (!body.startsWith("\xEF\xBB\xBF") && headerCharset.startsWith("utf-16")) {
        utf16 = headerCharset == "utf-16be" ? QStringConverter::Utf16BE : QStringConverter::Utf16LE;
    }
    if (utf16) {
        QStringDecoder decoder(*utf16);
        QString text = decoder(body);
        if (!text.isEmpty() && text.front() == QChar(0xFEFF)) text.remove(0, 1);
        return text.remove(QChar(0));
    }
    QByteArray bytes = body;
    bytes.replace('\0', QByteArray());
    if (preferUtf8 && TextCodec::IsValidUtf8(bytes)) return TextCodec::Decode(bytes);
    return TextCodec::DecodeWithCharset(bytes, DeclaredCharset(bytes, contentType));
}
