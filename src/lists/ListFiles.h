#pragma once
// Saving the result list to ".list" and XML files and loading it back. Every save writes a temporary
// file and renames it over the old one, so a crash or a full disk never costs the previous list. Called
// on the owner's thread; the result list's own locks keep searches running alongside.

#include <QByteArrayView>
#include <QString>
#include <QStringList>
#include <atomic>
#include <functional>
#include <optional>

#include "lists/ResultEntry.h"

using RowId = quint64;

class MessageSink;
class Options;
class ResultList;

class ListFiles {
  public:
    ListFiles(ResultList& list, Options& options, MessageSink* messages)
        : list_(list), options_(options), messages_(messages) {}

    // 1 written, 0 the file could not be written (LastError() says why; the old file is kept whole).
    int ExportListText(const QString& path, const StatusFilter& filter);
    // Writes the ".list" twin first, then the XML; 0 for an empty list (no XML written) or a failed write
    // of either file.
    int ExportListXml(const QString& path, const StatusFilter& filter);
    // Replaces the list with the file's records; always 1. Remembers the path as the list path.
    int ImportListText(const QString& path, const StatusFilter& filter);
    // 1 loaded; 0 nothing loaded; falls back to the ".list" twin when the XML cannot be read.
    int ImportListXml(const QString& path, const StatusFilter& filter);
    // A load in two steps, so that the reading can run on a thread of its own while the list stays in
    // use: Read fills a staging list (ResultList::MakeStaging) and touches nothing else; Adopt, on the
    // owner's thread, puts its rows in the list's place, remembers the path and shows the messages.
    struct ReadControl {
        std::atomic<bool> cancel{false};  // set by the owner: the read stops at its next record
        std::atomic<qint64> rows{0};      // records read so far, for a progress note
    };
    // Which file a path named when it was read or written: a file renamed over it, or written by
    // another program, has another stamp.
    struct FileStamp {
        quint64 device = 0;
        quint64 inode = 0;
        qint64 size = 0;
        qint64 modifiedNs = 0;
        bool operator==(const FileStamp&) const = default;
        static std::optional<FileStamp> OfPath(const QString& path);
        static std::optional<FileStamp> OfDescriptor(int descriptor);
    };
    struct ReadOutcome {
        int result = 0;                   // what ImportListText / ImportListXml return
        bool replace = false;             // the staging list's rows take the list's place
        std::optional<QString> listPath;  // the list path from now on
        QStringList messages;             // for the user, in this order
        qint64 skipped = 0;               // records (lines that hold something) that did not become rows
        std::optional<FileStamp> stamp;   // the file the rows were read from, as it was opened
    };
    static ReadOutcome Read(ResultList& staging, const QString& path, const StatusFilter& filter,
                            ReadControl* control = nullptr);
    // `keepFromId`: the list's NextId() when the read began; rows added since (a search) stay.
    void Adopt(ResultList& staging, RowId keepFromId, const ReadOutcome& outcome);

    // Every record of a ".list" file's bytes, as `list show` prints them: each line that holds more
    // than blanks, its cells decoded one by one, cells it lacks empty. `onRecord` returns false to stop.
    static void ForEachTextRecord(QByteArrayView bytes, const std::function<bool(ResultEntry&&)>& onRecord);

    // Appends every row as ".list" records to the file; false when it cannot be written (the file is
    // then left as it was).
    bool AppendListText(const QString& path);

    // Why the last export or append failed: the path and the reason.
    const QString& LastError() const { return lastError_; }

    // The export or import that fits the path (IsTextPath): what ExportListText or ExportListXml,
    // ImportListText or ImportListXml return.
    int ExportList(const QString& path, const StatusFilter& filter);
    int ImportList(const QString& path, const StatusFilter& filter);

    // The one place that tells the formats apart: ".list" in the extension means text, anything else XML.
    static bool IsTextPath(const QString& path);

  private:
    ResultList& list_;
    Options& options_;
    MessageSink* messages_;
    QString lastError_;

    bool Save(const QString& path, const QByteArray& bytes);
    int ImportNow(const QString& path, const StatusFilter& filter, bool text);
    static ReadOutcome ReadText(ResultList& staging, const QString& path, const StatusFilter& filter,
                                ReadControl* control);
    static ReadOutcome ReadXml(ResultList& staging, const QString& path, const StatusFilter& filter,
                               ReadControl* control);
    // Adds a record read from a file; false when it cannot be a row (no link, a link already there, an
    // empty cell, or already downloaded while those are skipped). A filtered-out record counts as read.
    static bool AddRecord(ResultList& staging, ResultEntry entry, const StatusFilter& filter);
};
