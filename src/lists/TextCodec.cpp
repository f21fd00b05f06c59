#include "lists/TextCodec.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace {

constexpr QByteArrayView kUtf8Bom("\xEF\xBB\xBF", 3);

QByteArrayView WithoutBom(QByteArrayView bytes) {
    return bytes.startsWith(kUtf8Bom) ? bytes.sliced(3) : bytes;
}

bool IsGbLabel(const QByteArray& label) {
    return label == "gb18030" || label == "gbk" || label == "gb2312" || label == "x-gbk" ||
           label == "cp936" || label == "windows-936" || label == "euc-cn";
}

// A cell that is neither valid UTF-8 nor clean GB18030 (a stray 0xFF) would lose the character after the
// bad byte in GB18030, which pairs it with the next ASCII letter; UTF-8 replaces only the bad bytes.
QString DecodeCell(QByteArrayView cell) {
    if (TextCodec::IsValidUtf8(cell)) return QString::fromUtf8(cell);
    QStringDecoder decoder("GB18030", QStringDecoder::Flag::Stateless);
    if (decoder.isValid()) {
        QString text = decoder.decode(cell);
        if (!decoder.hasError()) return text;
    }
    return QString::fromUtf8(cell);
}

}  // namespace

bool TextCodec::IsValidUtf8(QByteArrayView bytes) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const qsizetype n = bytes.size();
    qsizetype i = 0;
    while (i < n) {
        const unsigned char c = p[i];
        if (c < 0x80) {
            ++i;
            continue;
        }
        int extra;
        unsigned char lo = 0x80, hi = 0xBF;  // allowed range of the first continuation byte
        if (c >= 0xC2 && c <= 0xDF) {
            extra = 1;
        } else if (c == 0xE0) {
            extra = 2, lo = 0xA0;
        } else if ((c >= 0xE1 && c <= 0xEC) || c == 0xEE || c == 0xEF) {
            extra = 2;
        } else if (c == 0xED) {
            extra = 2, hi = 0x9F;  // no UTF-16 surrogates
        } else if (c == 0xF0) {
            extra = 3, lo = 0x90;
        } else if (c >= 0xF1 && c <= 0xF3) {
            extra = 3;
        } else if (c == 0xF4) {
            extra = 3, hi = 0x8F;
        } else {
            return false;
        }
        if (i + extra >= n) return false;  // truncated sequence
        if (p[i + 1] < lo || p[i + 1] > hi) return false;
        for (int k = 2; k <= extra; ++k) {
            if ((p[i + k] & 0xC0) != 0x80) return false;
        }
        i += extra + 1;
    }
    return true;
}

QString TextCodec::Decode(QByteArrayView bytes) {
    const QByteArrayView body = WithoutBom(bytes);
    if (IsValidUtf8(body)) return QString::fromUtf8(body);
    return DecodeGb18030(body);
}

QString TextCodec::DecodeGb18030(QByteArrayView bytes) {
    QStringDecoder decoder("GB18030");
    if (!decoder.isValid()) return QString::fromLatin1(bytes);  // Qt without ICU: keep the bytes visible
    QString text = decoder.decode(bytes);
    return text;
}

QString TextCodec::DecodeWithCharset(QByteArrayView bytes, QByteArrayView charset) {
    const QByteArray label = charset.toByteArray().trimmed().toLower();
    if (label == "utf-8" || label == "utf8") {
        return QString::fromUtf8(WithoutBom(bytes));
    }
    if (label.isEmpty() || IsGbLabel(label)) return DecodeGb18030(bytes);
    QStringDecoder decoder(label.constData());
    if (!decoder.isValid()) return DecodeGb18030(bytes);
    QString text = decoder.decode(bytes);
    return text;
}

QByteArray TextCodec::EncodeUtf8(const QString& text) {
    return text.toUtf8();
}

QByteArray TextCodec::EncodeGb18030(const QString& text) {
    QStringEncoder encoder("GB18030");
    if (!encoder.isValid()) return text.toUtf8();
    QByteArray bytes = encoder.encode(text);
    return bytes;
}

QString TextCodec::PercentEncoded(const QString& text) {
    return QString::fromLatin1(text.toUtf8().toPercentEncoding());
}

QString TextCodec::DecodeLine(QByteArrayView line) {
    if (line.endsWith('\r')) line.chop(1);
    return Decode(line);
}

QString TextCodec::DecodeCells(QByteArrayView line, char separator) {
    if (line.endsWith('\r')) line.chop(1);
    const QByteArrayView body = WithoutBom(line);
    if (IsValidUtf8(body)) return QString::fromUtf8(body);
    // One cell in another encoding (a title cut inside a character, pasted from elsewhere) must not turn
    // the cells around it into GB18030 nonsense: the status would be misread and the row lost. The
    // separator is ASCII and is no trail byte of GB18030, so splitting on it first is safe.
    QString text;
    qsizetype start = 0;
    for (;;) {
        const qsizetype end = body.indexOf(separator, start);
        text += DecodeCell(body.sliced(start, (end < 0 ? body.size() : end) - start));
        if (end < 0) return text;
        text += QLatin1Char(separator);
        start = end + 1;
    }
}

QStringList TextCodec::DecodeLines(QByteArrayView bytes) {
    QStringList lines;
    ForEachLine(bytes, [&lines](QByteArrayView line) { lines.append(DecodeLine(line)); });
    return lines;
}
