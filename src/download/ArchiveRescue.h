#pragma once
// Saves a dead link's document from a web archive: the link's kept captures newest first (the Wayback's
// raw bytes through /web/<timestamp>id_/<link>, Common Crawl's record by a byte range of its WARC file),
// else the newest status-200 captures the Wayback's index knows for that exact link. The bytes pass the
// same content, size and duplicate checks as a live download and are written to the row's target.
// Archive transfers take a place at the archive's host in the workers' row scheduler; index look-ups are
// spaced by the archive definition's delay, one at a time. Any thread (each call on the slot that
// downloads the row).

#include <QHash>
#include <QMutex>
#include <QSet>
#include <QString>
#include <chrono>
#include <functional>
#include <memory>
#include <mutex>

#include "engines/ArchiveCapture.h"

class CaptureTable;
class DocRegistry;
class EngineCatalog;
class FileDownload;
class RowScheduler;
class Options;
class RunLog;

class ArchiveRescue {
  public:
    struct Services {
        Options& options;
        CaptureTable& captures;
        DocRegistry& registry;
        RunLog& log;
        std::function<std::shared_ptr<const EngineCatalog>()> engines;
    };
    struct Request {
        QString link;    // the live link, as the row has it
        QString target;  // where the document goes
        QString type;    // the row's type, for the content check
        bool overwrite = false;
    };
    // Busy: the archive itself asked for a pause (429/503 with no Memento-Datetime) and its host now
    // rests that long: the row should wait for it, as a row of a resting host does, not fail.
    enum class End { Saved, Failed, Stopped, Busy };
    struct Result {
        End end = End::Failed;
        QString note;  // Saved: "from the web archive, captured 2019-03-04"; else why no copy was saved
        QString sameAs;  // Saved: the existing file that already holds these bytes, when not written again
        qint64 bytes = 0;
        int restSeconds = 0;  // Busy: the pause the archive asked for
    };
    // Index look-ups of links without a kept capture: how many, for the figures.
    struct Counts {
        int lookups = 0;
        int saved = 0;
    };

    explicit ArchiveRescue(Services services) : s_(std::move(services)) {}

    // Whether a finished live transfer says the link is dead: 404 or 410, a host that does not resolve
    // or refuses the connection, or bytes the content check refused.
    static bool LinkDead(const FileDownload& live);
    // The ArchiveRescue setting, and outside a test run any archive address; in a test run (the
    // SKIMMER_ARCHIVE_LOOPBACK_ONLY environment variable) only archives on this machine.
    bool Enabled() const;
    // keepGoing is polled while the archive answers; false abandons the rescue (End::Stopped).
    Result Rescue(const Request& request, RowScheduler& gate, const std::function<bool()>& keepGoing);
    Counts Figures() const;

    // "/web/<timestamp>id_/<link>" under the Wayback's base: the bytes as they were served.
    static QString RawCaptureAddress(const QString& waybackBase, const ArchiveCapture& capture);
    static bool OnThisMachine(const QString& base);

  private:
    struct Bases {
        QString wayback;      // empty: no Wayback definition
        QString commonCrawl;  // the WARC files' base; empty: none
        int delayMs = 1000;
    };
    Bases CurrentBases() const;
    // The newest status-200 captures of the exact link in the Wayback's index, newest first; empty
    // when it has none or cannot be asked.
    QList<ArchiveCapture> LookUp(const Bases& bases, const QString& link, const std::function<bool()>& keepGoing);
    // One capture: Saved, Stopped, Busy (no older capture is tried then), or Failed with why in result.note.
    Result FromWayback(const Bases& bases, const ArchiveCapture& capture, const Request& request,
                       RowScheduler& gate, const std::function<bool()>& keepGoing);
    Result FromCommonCrawl(const Bases& bases, const ArchiveCapture& capture, const Request& request,
                           RowScheduler& gate, const std::function<bool()>& keepGoing);
    // The archive's host rests as long as it asked; the Busy result that says so.
    Result RestArchive(RowScheduler& gate, const QString& address, int status, const QByteArray& retryAfter);
    // Writes checked bytes of a Common Crawl record to the target as a download would.
    Result Keep(const QByteArray& body, const Request& request);

    Services s_;
    // Index look-ups, one at a time and spaced by the delay.
    std::mutex lookupLock_;
    std::chrono::steady_clock::time_point nextLookup_{};
    mutable QMutex countsLock_;
    Counts counts_;
    QSet<QString> notArchived_;  // links the index had no capture of: a retry of the row does not ask again
    // WARC records (file and offset) the reader refused, with why: the same bytes would be refused again,
    // and a bomb inflated again, on every retry of the row.
    QHash<QString, QString> refusedRecords_;
};
