#include "net/PageDecoder.h"

#include <QRegularExpression>

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
    QByteArray bytes = body;
    bytes.replace('\0', QByteArray());
    if (preferUtf8 && TextCodec::IsValidUtf8(bytes)) return TextCodec::Decode(bytes);
    return TextCodec::DecodeWithCharset(bytes, DeclaredCharset(bytes, contentType));
}
