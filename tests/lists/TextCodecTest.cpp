#include <gtest/gtest.h>

#include "lists/TextCodec.h"

namespace {

const QString kChinese = QString::fromUtf8("中文");
const QByteArray kGbkChinese("\xD6\xD0\xCE\xC4");

TEST(TextCodec, GbkBytesDecodeAsChinese) {
    EXPECT_FALSE(TextCodec::IsValidUtf8(kGbkChinese));
    EXPECT_EQ(TextCodec::Decode(kGbkChinese), kChinese);
    EXPECT_EQ(TextCodec::EncodeGb18030(kChinese), kGbkChinese);
}

TEST(TextCodec, Utf8WinsWhenValidAndBomIsSkipped) {
    EXPECT_EQ(TextCodec::Decode(kChinese.toUtf8()), kChinese);
    EXPECT_EQ(TextCodec::Decode(QByteArray("\xEF\xBB\xBF") + kChinese.toUtf8()), kChinese);
    EXPECT_EQ(TextCodec::Decode("plain ascii"), QStringLiteral("plain ascii"));
}

TEST(TextCodec, Gb18030FourByteSequences) {
    // U+0080 is the first code point GB18030 encodes in four bytes; U+1F600 lies beyond the BMP.
    EXPECT_EQ(TextCodec::Decode(QByteArray("\x81\x30\x81\x30")), QString(QChar(0x80)));
    const QString emoji = QString::fromUcs4(U"\U0001F600");
    const QByteArray encoded = TextCodec::EncodeGb18030(emoji);
    EXPECT_EQ(encoded.size(), 4);
    EXPECT_EQ(TextCodec::Decode(encoded), emoji);
}

TEST(TextCodec, StrictUtf8Validation) {
    EXPECT_TRUE(TextCodec::IsValidUtf8("\xF0\x9F\x98\x80"));
    EXPECT_FALSE(TextCodec::IsValidUtf8("\xC0\x80"));          // overlong NUL
    EXPECT_FALSE(TextCodec::IsValidUtf8("\xE0\x80\xAF"));      // overlong '/'
    EXPECT_FALSE(TextCodec::IsValidUtf8("\xED\xA0\x80"));      // surrogate
    EXPECT_FALSE(TextCodec::IsValidUtf8("\xF4\x90\x80\x80"));  // above U+10FFFF
    EXPECT_FALSE(TextCodec::IsValidUtf8("\xE4\xB8"));          // truncated at the end
    EXPECT_FALSE(
        TextCodec::IsValidUtf8("\xE4\xB8"
                               "a"));
    EXPECT_FALSE(TextCodec::IsValidUtf8("\xFF"));
}

TEST(TextCodec, InvalidBytesNeverCrashAndKeepTheRest) {
    const QString text =
        TextCodec::Decode(QByteArray("ab\x80"
                                     "cd"));
    EXPECT_TRUE(text.startsWith(u"ab"));
    EXPECT_TRUE(text.endsWith(u"cd"));
    QByteArray noise;
    for (int i = 0; i < 4096; ++i) noise.append(char((i * 37) & 0xFF));
    EXPECT_FALSE(TextCodec::Decode(noise).isEmpty());
    EXPECT_EQ(TextCodec::DecodeLines(noise).size(), noise.count('\n') + (noise.endsWith('\n') ? 0 : 1));
}

// GB18030 pairs a stray lead byte with the next ASCII letter and swallows it; such a cell reads as UTF-8
// with replacement characters, and the cells around it keep their text.
TEST(TextCodec, CellsDecodeOnTheirOwnAndNeverLoseAValidCharacter) {
    const struct {
        QByteArray bytes;
        QString text;
    } cases[] = {
        {"bad\xFF\xFEtitle$txt$\xE7\xAD\x89", QString::fromUtf8("bad\uFFFD\uFFFDtitle$txt$\u7B49")},
        {"keep\xC3$x", QString::fromUtf8("keep\uFFFD$x")},
        {kGbkChinese + "$" + kChinese.toUtf8(), kChinese + "$" + kChinese},
        {"a\xFE$b\r", QString::fromUtf8("a\uFFFD$b")},
    };
    for (const auto& c : cases) EXPECT_EQ(TextCodec::DecodeCells(c.bytes, '$'), c.text) << c.bytes.toHex(' ').constData();
}

TEST(TextCodec, LinesDecodeOneByOneAndAcceptCrLf) {
    const QByteArray mixed = kGbkChinese + "\r\n" + kChinese.toUtf8() + "\n\nlast";
    const QStringList lines = TextCodec::DecodeLines(mixed);
    ASSERT_EQ(lines.size(), 4);
    EXPECT_EQ(lines[0], kChinese);
    EXPECT_EQ(lines[1], kChinese);
    EXPECT_EQ(lines[2], QString());
    EXPECT_EQ(lines[3], QStringLiteral("last"));
    EXPECT_EQ(TextCodec::DecodeLines("a\n").size(), 1);
    EXPECT_TRUE(TextCodec::DecodeLines("").isEmpty());
}

TEST(TextCodec, WebCharsetLabels) {
    EXPECT_EQ(TextCodec::DecodeWithCharset(kGbkChinese, "GB2312"), kChinese);
    EXPECT_EQ(TextCodec::DecodeWithCharset(kGbkChinese, "x-gbk"), kChinese);
    EXPECT_EQ(TextCodec::DecodeWithCharset(kChinese.toUtf8(), " UTF-8 "), kChinese);
    EXPECT_EQ(TextCodec::DecodeWithCharset(kGbkChinese, "no-such-charset"), kChinese);
    EXPECT_EQ(TextCodec::DecodeWithCharset("caf\xE9", "iso-8859-1"), QString::fromUtf8("café"));
}

// API keys and cursors go into query strings with this, and the run log masks a secret by the same bytes:
// both break if a reserved character slips through or an unreserved one gets escaped.
TEST(TextCodec, PercentEncodingKeepsOnlyUnreservedBytes) {
    EXPECT_EQ(TextCodec::PercentEncoded(QString::fromUtf8("aZ09-._~ +/&=?%#\u4E2D")),
              QStringLiteral("aZ09-._~%20%2B%2F%26%3D%3F%25%23%E4%B8%AD"));
    EXPECT_EQ(TextCodec::PercentEncoded(QString()), QString());
}

}  // namespace
