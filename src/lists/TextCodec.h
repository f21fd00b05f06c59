#pragma once
// All conversions between bytes and text go through here. We write UTF-8; we read UTF-8 when the bytes
// are valid UTF-8 and GB18030 otherwise, so files written on Simplified-Chinese Windows systems load
// unchanged. Callable from any thread.

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>

class TextCodec {
  public:
    // Strict check: no overlong forms, no surrogates, nothing above U+10FFFF, no truncated sequence.
    static bool IsValidUtf8(QByteArrayView bytes);

    // Whole-buffer decode: a UTF-8 BOM is skipped; UTF-8 when valid, otherwise GB18030.
    static QString Decode(QByteArrayView bytes);
    static QString DecodeGb18030(QByteArrayView bytes);

    // Decode with a charset label as the web writes it ("utf-8", "gb2312", "GBK", "iso-8859-1", ...).
    // gb2312, gbk, x-gbk and gb18030 all mean GB18030; an unknown label falls back to GB18030.
    static QString DecodeWithCharset(QByteArrayView bytes, QByteArrayView charset);

    static QByteArray EncodeUtf8(const QString& text);
    static QByteArray EncodeGb18030(const QString& text);
    // The UTF-8 bytes of text with every byte but ASCII letters, digits and "-._~" written as %XX
    // (upper-case hex): a value that may stand anywhere in a query string.
    static QString PercentEncoded(const QString& text);

    // Splits on "\n" (a "\r" before it is dropped) and decodes each line on its own, so a file that
    // another program wrote in GB18030 and we have since appended UTF-8 lines to still reads right.
    // A final line without a line end counts; a final empty segment does not.
    static QStringList DecodeLines(QByteArrayView bytes);
    // Calls `line` with each line's bytes, without its "\n" (a "\r" before it stays).
    template <typename LineFn>
    static void ForEachLine(QByteArrayView bytes, LineFn line) {
        qsizetype start = 0;
        while (start < bytes.size()) {
            qsizetype end = bytes.indexOf('\n', start);
            if (end < 0) end = bytes.size();
            line(bytes.sliced(start, end - start));
            start = end + 1;
        }
    }
    static QString DecodeLine(QByteArrayView line);
    // A line of cells joined by `separator`, each cell decoded on its own: UTF-8 when valid, else GB18030
    // when the cell is clean GB18030, else UTF-8 with replacement characters for the bad bytes only.
    static QString DecodeCells(QByteArrayView line, char separator);
};
