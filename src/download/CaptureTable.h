#pragma once
// The archived captures of links, kept beside the downloaded-link registry in config/docdata.db (table
// captures: doclink, source, timestamp, digest, mime, filename, offset, length; one row per link and
// source, the newest capture wins). Keyed by link, so a list file imported later still finds them; a
// registry from before gains the table when it is opened. Its own connection to the file, one lock
// around each statement; any thread. Failures answer "no capture" and are reported once.

#include <QList>
#include <QMutex>
#include <QString>

#include "download/SqliteDatabase.h"
#include "download/SqliteStatement.h"
#include "engines/ArchiveCapture.h"

class CaptureTable {
  public:
    bool Open(const QString& path);
    void Close();
    // Keeps the capture unless the link has a newer one from the same source.
    bool Keep(const ArchiveCapture& capture);
    // The link's captures, newest first.
    QList<ArchiveCapture> CapturesOf(const QString& link);
    // The capture a dead link's document was saved from (table rescues, one row per link, the last
    // rescue wins); `found` false when the link was never rescued.
    bool KeepRescue(const ArchiveCapture& capture);
    ArchiveCapture RescueOf(const QString& link, bool* found);
    QString LastError() const;

  private:
    mutable QMutex lock_;
    SqliteDatabase db_;
    SqliteStatement keep_;
    SqliteStatement find_;
    SqliteStatement keepRescue_;
    SqliteStatement findRescue_;
    QString lastError_;
};
