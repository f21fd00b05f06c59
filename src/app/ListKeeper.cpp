#include "app/ListKeeper.h"

#include <QCoreApplication>
#include <QFileInfo>

#include "app/BulkThread.h"
#include "lists/MessageSink.h"
#include "lists/Options.h"
#include "lists/ResultList.h"
#include "lists/StatusLine.h"

struct ListKeeper::Load {
    LoadKind kind;
    quint64 serial = 0;
    QString path;
    std::function<void()> done;
    RowId keepFrom = 0;
    std::unique_ptr<ResultList> staging;
    ListFiles::ReadControl control;
    ListFiles::ReadOutcome outcome;  // written by the reader before it posts its end
    std::thread reader;
};

ListKeeper::ListKeeper(ResultList& list, Options& options, MessageSink* messages, StatusLine* status)
    : list_(list), options_(options), messages_(messages), status_(status), files_(list, options, messages) {
    freeing_.setInterval(0);
    QObject::connect(&freeing_, &QTimer::timeout, &answers_, [this] { FreeLeftovers(); });
}

ListKeeper::~ListKeeper() {
    CancelLoad();
}

void ListKeeper::FreeLeftovers() {
    // About a millisecond of freeing per turn of the event loop.
    constexpr qsizetype kSlice = 2000;
    while (!leftovers_.empty() && !leftovers_.front()->FreeSome(kSlice)) leftovers_.pop_front();
    if (leftovers_.empty()) freeing_.stop();
}

bool ListKeeper::StartLoad(LoadKind kind, const QString& path, const StatusFilter& filter, bool background,
                           std::function<void()> done) {
    if (load_) return false;
    load_ = std::make_unique<Load>();
    Load& load = *load_;
    load.kind = kind;
    load.serial = ++loads_;
    load.path = path;
    load.done = std::move(done);
    load.keepFrom = list_.NextId();
    load.staging = list_.MakeStaging();
    if (!background) {
        load.outcome = ListFiles::Read(*load.staging, path, filter);
        FinishLoad();
        return true;
    }
    load.reader = std::thread([this, &load, filter] {
        BulkThread::YieldToOthers();
        load.outcome = ListFiles::Read(*load.staging, load.path, filter, &load.control);
        // An end posted by a load cancelled since finds another load, or none, and leaves it alone.
        QMetaObject::invokeMethod(
            &answers_,
            [this, serial = load.serial] {
                if (load_ && load_->serial == serial) FinishLoad();
            },
            Qt::QueuedConnection);
    });
    return true;
}

void ListKeeper::FinishLoad() {
    const std::unique_ptr<Load> load = std::move(load_);
    if (load->reader.joinable()) load->reader.join();
    files_.Adopt(*load->staging, load->keepFrom, load->outcome);
    // The staging list now holds the rows the list let go of: a million of them take a while to free.
    leftovers_.push_back(std::move(load->staging));
    freeing_.start();
    AfterLoad(load->kind, load->path, load->outcome);
    if (load->done) load->done();
}

qint64 ListKeeper::LoadedRows() const {
    return load_ ? load_->control.rows.load(std::memory_order_relaxed) : 0;
}

void ListKeeper::CancelLoad() {
    if (!load_) return;
    const std::unique_ptr<Load> load = std::move(load_);
    load->control.cancel = true;
    if (load->reader.joinable()) load->reader.join();
}

bool ListKeeper::BeginImport(const QString& path, const StatusFilter& filter, std::function<void()> done) {
    return StartLoad(LoadKind::Import, path, filter, true, std::move(done));
}

void ListKeeper::AfterLoad(LoadKind kind, const QString& path, const ListFiles::ReadOutcome& outcome) {
    lastLoadSkipped_ = outcome.replace ? outcome.skipped : 0;
    if (lastLoadSkipped_ > 0 && status_) {
        status_->ShowMsg(
            QCoreApplication::translate(
                "ListKeeper",
                "Lines of %2 that could not be read were skipped: %1; the file is left as it is.")
                .arg(lastLoadSkipped_)
                .arg(outcome.listPath.value_or(path)),
            QString(), QString(), 1);
    }
    const Step loaded{outcome.listPath.value_or(path), outcome.stamp, outcome.skipped};
    switch (kind) {
        case LoadKind::Import:
            // A list loaded by hand is not saved behind the user's back.
            options_.SetCommittedText(SettingKey::ListFile, QString());
            break;
        case LoadKind::SessionList:
            if (outcome.replace) step_ = loaded;
            // It stays the session list: no list path is shown, and the exit still offers to save.
            options_.SetCommittedText(SettingKey::ListFile, QString());
            break;
        case LoadKind::ListPath: {
            // An XML file that cannot be read loads nothing (and, without its twin, leaves the list as it
            // was): the list is then in step with no file, and the file is never written over.
            if (outcome.result == 1 || outcome.replace) {
                step_ = loaded;
                step_.path = options_.Text(SettingKey::ListFile);
            }
            // A damaged XML list was read from its twin, which is now the list path: the auto-save and
            // the close keep the twin in step and never write the twin's rows over the user's XML file.
            const QString twin = path + QStringLiteral(".list");
            if (options_.Text(SettingKey::ListFile) == twin && status_) {
                status_->ShowMsg(QCoreApplication::translate(
                                     "ListKeeper",
                                     "The list %1 cannot be read; its twin %2 was loaded and is saved from "
                                     "now on: %1 is left as it is.")
                                     .arg(path, twin),
                                 QString(), QString(), 1);
            }
            break;
        }
    }
}

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
    // The user chose this file: whatever it held is theirs to replace.
    step_ = Step{path, ListFiles::FileStamp::OfPath(path), 0};
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
    StartLoad(LoadKind::Import, path, filter, false, {});
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
        if (!sessionListPath_.isEmpty() && QFileInfo(sessionListPath_).isFile())
            StartLoad(LoadKind::SessionList, sessionListPath_, StatusFilter(), loadInBackground_, {});
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
    StartLoad(LoadKind::ListPath, path, StatusFilter(), loadInBackground_, {});
}

namespace {

// An XML list keeps its rows in its ".list" twin as well; either holding some is a list to keep.
bool HoldsRows(const QString& path) {
    const QFileInfo file(path);
    const QFileInfo twin(path + QStringLiteral(".list"));
    return (file.exists() && file.size() > 0) ||
           (!ListFiles::IsTextPath(path) && twin.exists() && twin.size() > 0);
}

}  // namespace

bool ListKeeper::MayWrite(const QString& path) const {
    const bool allRead = path != step_.path || step_.skipped == 0;
    // The session list is this program's own note of the last run's rows, never a file the user named:
    // any rows may replace it, only not an empty table, nor a file some of whose records were not read.
    if (path == sessionListPath_ && list_.Size() > 0 && allRead) return true;
    if (!HoldsRows(path)) return true;
    // Stamped when read or written: a file renamed over it since, or rewritten by another program, holds
    // rows this list never had.
    return path == step_.path && allRead && step_.stamp && ListFiles::FileStamp::OfPath(path) == step_.stamp;
}

ListKeeper::Aside ListKeeper::WhyNotWritten(const QString& path) const {
    if (path != step_.path) return Aside::NotLoaded;
    return step_.skipped > 0 ? Aside::Skipped : Aside::Changed;
}

QString ListKeeper::FreeSibling(const QString& path) {
    const QFileInfo info(path);
    const QString suffix = info.suffix().isEmpty() ? QString() : u'.' + info.suffix();
    for (int n = 1; n < 1000; ++n) {
        const QString name =
            info.path() + u'/' + info.completeBaseName() + u'-' + QString::number(n) + suffix;
        const QFileInfo taken(name);
        const QFileInfo twin(name + QStringLiteral(".list"));
        if (taken.exists() || taken.isSymLink()) continue;
        if (!ListFiles::IsTextPath(name) && (twin.exists() || twin.isSymLink())) continue;
        return name;
    }
    return QString();
}

ListKeeper::ClosePlan ListKeeper::PlanCloseSave() const {
    ClosePlan plan;
    plan.rows = list_.Size();
    const QString listPath = options_.Text(SettingKey::ListFile);
    plan.path = KeptPath();
    if (plan.path.isEmpty()) return plan;
    if (plan.rows > 0 && !MayWrite(plan.path)) {
        plan.aside = WhyNotWritten(plan.path);
        plan.leftAlone = plan.path;
        plan.skipped = plan.aside == Aside::Skipped ? step_.skipped : 0;
        if (plan.aside == Aside::NotLoaded) {
            // The list path holds a list that was never loaded: the rows go to the session list instead.
            const bool toSession =
                !listPath.isEmpty() && !sessionListPath_.isEmpty() && MayWrite(sessionListPath_);
            plan.path = toSession ? sessionListPath_ : QString();
        } else {
            // The rows came from that file: they stay beside it, where its owner looks for them.
            plan.path = FreeSibling(plan.leftAlone);
        }
        if (plan.path.isEmpty()) {
            plan.path = plan.leftAlone;
            plan.action = CloseAction::NotSaved;
        } else {
            plan.action = CloseAction::Save;
        }
        return plan;
    }
    if (plan.path == diverted_.path) {
        plan.aside = diverted_.aside;
        plan.leftAlone = diverted_.leftAlone;
        plan.skipped = diverted_.skipped;
    }
    if (!MayWrite(plan.path)) {
        plan.action = plan.rows > 0 ? CloseAction::NotSaved : CloseAction::Nothing;
    } else if (plan.rows == 0) {
        // Nothing to lose when the file is empty or missing, else the user's own clearing empties it.
        plan.action = HoldsRows(plan.path) ? CloseAction::EmptiesFile : CloseAction::Save;
    } else {
        plan.action = CloseAction::Save;
    }
    return plan;
}

void ListKeeper::Save(const ClosePlan& plan) {
    const int saved = files_.ExportList(plan.path, StatusFilter());
    if (saved == 0 && !files_.LastError().isEmpty()) return ReportSaveFailure();
    const bool newlyAside = plan.aside != Aside::None && plan.path != step_.path;
    step_ = Step{plan.path, ListFiles::FileStamp::OfPath(plan.path), 0};
    if (!newlyAside) return;
    diverted_ = plan;
    // The list lives in the new file from now on; the session list stays the session list.
    if (plan.aside != Aside::NotLoaded) options_.SetCommittedText(SettingKey::ListFile, plan.path);
    if (status_) status_->ShowMsg(AsideText(plan), QString(), QString(), 1);
}

QString ListKeeper::AsideText(const ClosePlan& plan) {
    switch (plan.aside) {
        case Aside::Changed:
            return QCoreApplication::translate("ListKeeper",
                                               "%1 changed on disk since it was loaded and is left as it is: "
                                               "the list (rows: %2) is kept in %3.")
                .arg(plan.leftAlone)
                .arg(plan.rows)
                .arg(plan.path);
        case Aside::Skipped:
            return QCoreApplication::translate(
                       "ListKeeper",
                       "%1 has lines that could not be read (%2) and is left as it is: "
                       "the list (rows: %3) is kept in %4.")
                .arg(plan.leftAlone)
                .arg(plan.skipped)
                .arg(plan.rows)
                .arg(plan.path);
        case Aside::NotLoaded:
            return QCoreApplication::translate(
                       "ListKeeper",
                       "%1 holds a list that was not loaded and is left as it is: the "
                       "list (rows: %2) is kept in %3.")
                .arg(plan.leftAlone)
                .arg(plan.rows)
                .arg(plan.path);
        case Aside::None:
            break;
    }
    return QString();
}

void ListKeeper::ReportSaveFailure() {
    if (status_)
        status_->ShowMsg(QCoreApplication::translate("ListKeeper", "The list was not saved:"),
                         files_.LastError(), QString(), 1);
}

void ListKeeper::AutoSave() {
    // A load under way keeps the list as it was, which the close would save: the next round will do.
    if (exporting_ || load_) return;
    const ClosePlan plan = PlanCloseSave();
    if (plan.action != CloseAction::Save) return;
    autoSaving_ = true;
    Save(plan);
    autoSaving_ = false;
}

void ListKeeper::CloseSave(bool emptyingConfirmed) {
    // A quit during a load keeps the list as it was before it: the file it came from gets those rows,
    // and never a table half read from another file.
    CancelLoad();
    const ClosePlan plan = PlanCloseSave();
    if (plan.action == CloseAction::Save || (plan.action == CloseAction::EmptiesFile && emptyingConfirmed))
        Save(plan);
}
