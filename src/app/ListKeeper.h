#pragma once
// The owner's side of the list files: the export, import and append buttons (after their dialogs),
// the start-up load, the two-minute auto-save and the save at close, kept apart by the exporting and
// auto-saving guards. The list path (setting ListFile) says which file the list stays in step with;
// without one, the session list in the home does. A file is only written over with the list that was
// loaded from it or saved to it, and only while it is still the file that was read or written (another
// program may rename a file over it) and the load kept every record it held: otherwise the file is left
// as it is and the rows go to a new file beside it, which becomes the list path. A list file the list
// never came from is left as it is, and an empty table goes over a file with rows only when the user
// has said so.
// Main thread only; a load may read its file on a thread of its own (BeginImport), and the list then
// changes only when the whole file has been read.

#include <QObject>
#include <QString>
#include <QTimer>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <thread>

#include "lists/ListFiles.h"

class StatusLine;

class ListKeeper {
  public:
    ListKeeper(ResultList& list, Options& options, MessageSink* messages, StatusLine* status);
    ~ListKeeper();

    // Export button: BeginExport before the dialogs (false when an auto-save runs), ExportTo with the
    // chosen path and filter, EndExport on every way out.
    bool BeginExport();
    void EndExport() { exporting_ = false; }
    // Adds ".xml" to a path without extension; returns the path written.
    QString ExportTo(QString path, const StatusFilter& filter);
    // Import button: loads the file and then forgets the list path (a list loaded by hand is not saved
    // behind the user's back).
    void ImportFrom(const QString& path, const StatusFilter& filter);
    // The same read on a thread of its own, so that a million rows never hold up the window: the list
    // stays as it was (searches may add rows, which stay ahead of the loaded ones) until the whole file
    // is read, then the rows take its place at once and `done` runs, on this thread. False, and nothing
    // started, while another load runs.
    bool BeginImport(const QString& path, const StatusFilter& filter, std::function<void()> done = {});
    // The start-up load runs the same way (set before Session::Start; the command line keeps it inline).
    void SetLoadInBackground(bool background) { loadInBackground_ = background; }
    bool Loading() const { return bool(load_); }
    qint64 LoadedRows() const;  // records read by the running load
    qint64 LastLoadSkipped() const { return lastLoadSkipped_; }  // records the last load could not keep
    // Stops a running load and drops what it read: the list, its path and the file it is in step with
    // stay as they were before the load. Waits for the reader, which stops at its next record.
    void CancelLoad();

    // Append button; false when the list is empty or the file cannot be written.
    bool AppendTo(QString path);

    // Where the list lives while no list path is set (the home's session.list); empty (the default)
    // keeps such a list in memory only.
    void SetSessionListPath(const QString& path) { sessionListPath_ = path; }
    // The file the auto-save and the close write: the list path, else the session list.
    QString KeptPath() const;

    // With LoadLastListAtStart, loads the list path, else the session list when there is one.
    void StartupLoad();

    // What the close does with the list, so that the front end can say it before it happens.
    enum class CloseAction {
        Nothing,      // no file to keep the list in, or an empty list and no file it came from
        Save,         // the rows go to `path`
        EmptiesFile,  // the list was emptied by the user: `path` loses its rows, only when confirmed
        NotSaved,     // `path` holds a list this one was not loaded from: the rows are not written
    };
    // Why the rows go to another file than the one the list is kept in.
    enum class Aside {
        None,
        NotLoaded,  // the list path holds a list this one was not loaded from
        Changed,    // the file changed on disk since it was loaded or saved
        Skipped,    // its load skipped records that the list does not hold
    };
    struct ClosePlan {
        CloseAction action = CloseAction::Nothing;
        QString path;
        qsizetype rows = 0;
        Aside aside = Aside::None;
        QString leftAlone;   // the file left as it is, when aside
        qint64 skipped = 0;  // Skipped: how many records
    };
    ClosePlan PlanCloseSave() const;
    // What a plan with an aside says about it, for the status line, the run log and the quit question.
    static QString AsideText(const ClosePlan& plan);
    // The auto-save and the close write only what PlanCloseSave calls Save; the close empties a file
    // only when the user has confirmed it.
    void AutoSave();
    void CloseSave(bool emptyingConfirmed = false);

    ListFiles& Files() { return files_; }

  private:
    void Save(const ClosePlan& plan);
    enum class LoadKind { Import, SessionList, ListPath };
    struct Load;
    bool StartLoad(LoadKind kind, const QString& path, const StatusFilter& filter, bool background,
                   std::function<void()> done);
    void FinishLoad();
    void FreeLeftovers();
    void AfterLoad(LoadKind kind, const QString& path, const ListFiles::ReadOutcome& outcome);
    // The list may replace the file's rows: it came from there or went there and the file is still as
    // it was then, or the file holds none.
    bool MayWrite(const QString& path) const;
    Aside WhyNotWritten(const QString& path) const;
    // A name beside `path` that nothing has yet, of the same kind; empty when none is found.
    static QString FreeSibling(const QString& path);
    // The status line and the run log say which file was not written and why.
    void ReportSaveFailure();

    ResultList& list_;
    Options& options_;
    MessageSink* messages_;
    StatusLine* status_;
    ListFiles files_;
    QString sessionListPath_;
    // The file the list was last loaded from or saved to, as it was then.
    struct Step {
        QString path;
        std::optional<ListFiles::FileStamp> stamp;
        qint64 skipped = 0;  // records of that load that are not in the list
    };
    Step step_;
    ClosePlan diverted_;  // the last save that went aside, so later questions can still say why
    qint64 lastLoadSkipped_ = 0;
    bool exporting_ = false;
    bool autoSaving_ = false;
    bool loadInBackground_ = false;
    std::unique_ptr<Load> load_;
    quint64 loads_ = 0;
    // The rows a load replaced, freed a slice per turn of the event loop.
    std::deque<std::unique_ptr<ResultList>> leftovers_;
    QTimer freeing_;
    QObject answers_;  // where the reader posts its end: what is posted dies with it
};
