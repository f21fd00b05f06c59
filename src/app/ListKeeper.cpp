#include "app/ListKeeper.h"

#include <QCoreApplication>
#include <QFileInfo>

#include "lists/MessageSink.h"
#include "lists/Options.h"
#include "lists/ResultList.h"
#include "lists/StatusLine.h"

ListKeeper::ListKeeper(ResultList& list, Options& options, MessageSink* messages, StatusLine* status)
    : list_(list), options_(options), messages_(messages), status_(status), files_(list, options, messages) {}

bool ListKeeper::BeginExport() {
    if (autoSaving_) {
        if (messages_)
            messages_->ShowMessageBox(
                QCoreApplication::translate("ListKeeper", "Saving automatically, please wait..."));
        return false;
    }
    if (list_.Size() == 0) return false;
    exporting_ = true;
    return true;
}

QString ListKeeper::ExportTo(QString path, const StatusFilter& filter) {
    if (QFileInfo(path).suffix().isEmpty()) path += QStringLiteral(".xml");
    const int saved = files_.ExportList(path, filter);
    options_.SetCommittedText(SettingKey::ListFile, path);
    exporting_ = false;
    if (saved == 0 && !files_.LastError().isEmpty()) {
        ReportSaveFailure();
        if (messages_)
            messages_->ShowMessageBox(QCoreApplication::translate("ListKeeper", "The list was not saved: %1")
                                          .arg(files_.LastError()));
        return path;
    }
    if (status_)
        status_->ShowMsg(QCoreApplication::translate("ListKeeper", "Export finished"), QString(), QString(),
                         0);
    return path;
}

void ListKeeper::ImportFrom(const QString& path, const StatusFilter& filter) {
    files_.ImportList(path, filter);
    options_.SetCommittedText(SettingKey::ListFile, QString());
}

bool ListKeeper::AppendTo(QString path) {
    if (list_.Size() == 0) {
        if (messages_)
            messages_->ShowMessageBox(QCoreApplication::translate("ListKeeper", "The list is empty"));
        return false;
    }
    if (QFileInfo(path).suffix().isEmpty()) path += QStringLiteral(".list");
    if (!files_.AppendListText(path)) {
        ReportSaveFailure();
        if (messages_)
            messages_->ShowMessageBox(QCoreApplication::translate("ListKeeper", "The list was not saved: %1")
                                          .arg(files_.LastError()));
        return false;
    }
    options_.SetCommittedText(SettingKey::ListFile, QString());
    if (status_)
        status_->ShowMsg(QCoreApplication::translate("ListKeeper", "Export finished"), QString(), QString(),
                         0);
    return true;
}

QString ListKeeper::KeptPath() const {
    const QString path = options_.Text(SettingKey::ListFile);
    return path.isEmpty() ? sessionListPath_ : path;
}

void ListKeeper::StartupLoad() {
    if (!options_.Checked(SettingKey::LoadLastListAtStart)) return;
    if (options_.Text(SettingKey::ListFile).isEmpty()) {
        // The session list is ours and always text; missing means the last run kept no list.
        if (!sessionListPath_.isEmpty() && QFileInfo(sessionListPath_).isFile()) {
            files_.ImportListText(sessionListPath_, StatusFilter());
            // It stays the session list: no list path is shown, and the exit still offers to save.
            options_.SetCommittedText(SettingKey::ListFile, QString());
        }
        return;
    }
    const QString path = options_.Text(SettingKey::ListFile);
    const QFileInfo info(path);
    if (info.exists() && !info.isFile()) {
        // Reading a pipe would wait for a writer forever, and saving to a device is no list.
        options_.SetCommittedText(SettingKey::ListFile, QString());
        if (status_) {
            status_->ShowMsg(QCoreApplication::translate(
                                 "ListKeeper",
                                 "The last list %1 is not a regular file; it is not loaded and not saved to.")
                                 .arg(path),
                             QString(), QString(), 1);
        }
        return;
    }
    files_.ImportList(path, StatusFilter());
    // A damaged XML list was read from its twin, which is now the list path: the auto-save and the
    // close keep the twin in step and never write the twin's rows over the user's XML file.
    const QString twin = path + QStringLiteral(".list");
    if (options_.Text(SettingKey::ListFile) == twin && status_) {
        status_->ShowMsg(QCoreApplication::translate(
                             "ListKeeper",
                             "The list %1 cannot be read; its twin %2 was loaded and is saved from "
                             "now on: %1 is left as it is.")
                             .arg(path, twin),
                         QString(), QString(), 1);
    }
}

void ListKeeper::SaveToListPath() {
    const QString path = KeptPath();
    if (path.isEmpty()) return;
    const int saved = files_.ExportList(path, StatusFilter());
    if (saved == 0 && !files_.LastError().isEmpty()) ReportSaveFailure();
}

void ListKeeper::ReportSaveFailure() {
    if (status_)
        status_->ShowMsg(QCoreApplication::translate("ListKeeper", "The list was not saved:"),
                         files_.LastError(), QString(), 1);
}

void ListKeeper::AutoSave() {
    if (exporting_ || KeptPath().isEmpty()) return;
    autoSaving_ = true;
    SaveToListPath();
    autoSaving_ = false;
}

void ListKeeper::CloseSave() {
    SaveToListPath();
}
