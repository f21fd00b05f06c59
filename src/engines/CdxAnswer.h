#pragma once
// Reads the answers of the archives' capture indexes: the Wayback CDX server (plain text of seven
// fields, or JSON rows) with its resume key, Common Crawl's index server (one JSON object per line, or
// CDXJ "urlkey timestamp {json}"), its page count and its list of crawls. Lines that are not captures
// are counted and skipped; an answer that is not an index answer at all (an HTML error page) is a
// problem in words. Pure; any thread.

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include "engines/ArchiveCapture.h"

struct CdxPage {
    QList<ArchiveCapture> captures;
    QString resumeKey;   // Wayback: as the server wrote it (still percent-encoded); empty at the end
    int skippedLines = 0;
    QString message;     // Common Crawl's {"message": ...} (no captures, page out of range)
    QString problem;     // not an index answer
};

class CdxAnswer {
  public:
    // More captures than this from one answer are dropped (and counted as skipped).
    static constexpr int kMaxCaptures = 2'000'000;
    static constexpr qsizetype kMaxLine = 64 * 1024;

    static CdxPage ReadWayback(const QByteArray& body);
    static CdxPage ReadCommonCrawl(const QByteArray& body, ArchiveSource source = ArchiveSource::CommonCrawl);
    // showNumPages=true: {"pages": n, ...} or a bare number; -1 when unreadable.
    static int ReadPageCount(const QByteArray& body);
    // collinfo.json: the crawls' ids ("CC-MAIN-2025-33"), newest first, at most `newest` of them. The ids,
    // not the addresses the list gives, so that the definition's base address decides where to ask.
    // `leftOut` (when given) gets how many other distinct crawls the list named. Linear in the list's
    // length, however long a hostile list is.
    static QStringList ReadCrawls(const QByteArray& body, int newest, QString* problem,
                                  int* leftOut = nullptr);
};
