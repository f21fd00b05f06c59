#pragma once
// Inflates gzip members and deflate streams from outside: WARC records, sitemaps served as .xml.gz and
// content-encoded bodies of archived answers. Every call has a ceiling on what it writes, so a small
// bomb stops at the ceiling with a message instead of filling memory. Pure; any thread.

#include <QByteArray>
#include <QString>

class Inflater {
  public:
    enum class Format {
        Gzip,  // one gzip member (RFC 1952); bytes after it are left alone
        Zlib,  // a zlib stream (RFC 1950), what "Content-Encoding: deflate" should be
        Raw,   // a bare deflate stream, what some servers send as "deflate"
    };
    struct Result {
        bool ok = false;
        QByteArray bytes;
        qint64 consumed = 0;  // input bytes the stream took (the member's length for Gzip)
        QString problem;      // in words, when !ok
    };

    static Result Inflate(const QByteArray& input, Format format, qint64 limit);
    static bool IsGzip(const QByteArray& bytes) {
        return bytes.size() >= 2 && quint8(bytes[0]) == 0x1f && quint8(bytes[1]) == 0x8b;
    }
};
