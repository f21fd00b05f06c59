#pragma once
// One capture of a document in a web archive: where the archive keeps the bytes that were served at
// `link` at `timestamp`. The Wayback needs the timestamp and the link; Common Crawl the WARC file and
// the byte range in it. Plain values.

#include <QString>

enum class ArchiveSource { Wayback, CommonCrawl };

struct ArchiveCapture {
    ArchiveSource source = ArchiveSource::Wayback;
    QString link;       // as the site published it
    QString timestamp;  // yyyyMMddhhmmss, as the index gives it (some old rows have a 00 month or day)
    QString mime;       // the type the index reports (Common Crawl: the detected one)
    int status = 0;     // 0 for "-" (revisits)
    QString digest;
    qint64 length = -1;  // Common Crawl: the record's length in the WARC file
    qint64 offset = -1;
    QString filename;    // Common Crawl: the WARC file's path under the data address

    // "wayback" / "commoncrawl": the word the registry and the capture lines use.
    static QString SourceName(ArchiveSource source) {
        return source == ArchiveSource::Wayback ? QStringLiteral("wayback") : QStringLiteral("commoncrawl");
    }
    // "2019-03-04" from the timestamp; the raw text when it is not a date.
    QString Day() const {
        if (timestamp.size() < 8) return timestamp;
        return timestamp.left(4) + u'-' + timestamp.mid(4, 2) + u'-' + timestamp.mid(6, 2);
    }
};
