#pragma once
// Reads the one WARC record that a Range request of an archive's index line returns: a gzip member
// (or the bare record) holding WARC headers, the archived HTTP answer's headers and its body. Chunked
// and content-encoded bodies are decoded. Only a complete "response" record of the expected address
// with a 200 answer is a document; anything else is refused in words. Pure; any thread.

#include <QByteArray>
#include <QString>

class WarcRecord {
  public:
    // Ceilings: what one archived document may be, and what the WARC and HTTP headers may take.
    static constexpr qint64 kDefaultBodyLimit = 256LL * 1024 * 1024;
    static constexpr qsizetype kMaxHeaderBytes = 64 * 1024;

    struct Document {
        bool ok = false;
        QString problem;     // in words, when !ok
        QString type;        // WARC-Type
        QString targetUri;   // WARC-Target-URI
        QString date;        // WARC-Date
        int httpStatus = 0;  // of the archived answer
        QString contentType; // of the archived answer
        QByteArray body;     // decoded
    };

    // expectedUri empty: any address. The address compares without its scheme, so a capture of
    // the https page answers for the http link.
    static Document Read(const QByteArray& bytes, const QString& expectedUri = QString(),
                         qint64 bodyLimit = kDefaultBodyLimit);

    // Decodes a chunked body strictly: a size that is not hex, larger than what is left, or a missing
    // last chunk is a problem. Exposed for the archived-answer path of the Wayback too.
    static bool Dechunk(const QByteArray& chunked, qint64 limit, QByteArray* out, QString* problem);
};
