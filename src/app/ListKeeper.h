#pragma once
// The owner's side of the list files: the export, import and append buttons (after their dialogs),
// the start-up load, the two-minute auto-save and the save at close, kept apart by the exporting and
// auto-saving guards. The list path (setting ListFile) says which file the list stays in step with;
// without one, the session list in the home does.
// Main thread only.

#include <QString>

#include "lists/ListFiles.h"

class StatusLine;

class ListKeeper {
  public:
    ListKeeper(ResultList& list, Options& options, MessageSink* messages, StatusLine* status);

    // Export button: BeginExport before the dialogs (false when an auto-save runs), ExportTo with the
    // chosen path and filter, EndExport on every way out.
    bool BeginExport();
    void EndExport() { exporting_ = false; }
    // Adds ".xml" to a path without extension; returns the path written.
    QString ExportTo(QString path, const StatusFilter& filter);
    // Import button: loads the file and then forgets the list path (a list loaded by hand is not saved
    // behind the user's back).
    void ImportFrom(const QString& path, const StatusFilter& filter);
    // Append button; false when the list is empty or the file cannot be written.
    bool AppendTo(QString path);

    // Where the list lives while no list path is set (the home's session.list); empty (the default)
    // keeps such a list in memory only.
    void SetSessionListPath(const QString& path) { sessionListPath_ = path; }
    // The file the auto-save and the close write: the list path, else the session list.
    QString KeptPath() const;

    // With LoadLastListAtStart, loads the list path, else the session list when there is one.
    void StartupLoad();
    void AutoSave();
    void CloseSave();

    ListFiles& Files() { return files_; }

  private:
    void SaveToListPath();
    // The status line and the run log say which file was not written and why.
    void ReportSaveFailure();

    ResultList& list_;
    Options& options_;
    MessageSink* messages_;
    StatusLine* status_;
    ListFiles files_;
    QString sessionListPath_;
    bool exporting_ = false;
    bool autoSaving_ = false;
};
