#include "download/DownloadPool.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QMutexLocker>
#include <algorithm>
#include <exception>

#include <sys/stat.h>

#include "download/ArchiveRescue.h"
#include "download/DocRegistry.h"
#include "engines/DocLinkRules.h"
#include "engines/EngineHosts.h"
#include "lists/MessageSink.h"
#include "lists/Options.h"
#include "lists/Pause.h"
#include "lists/ResultList.h"
#include "lists/RunLog.h"
#include "lists/StatusLine.h"
#include "net/FileDownload.h"
#include "net/PageFetch.h"
#include "net/RetryAfter.h"

namespace {

using K = SettingKey;

// File names are at most 255 bytes; the temporary name adds ".download.temp".
constexpr qsizetype kMaxNameBytes = 255 - 14;

QString SafeNamePart(const QString& text) {
    QString safe;
    safe.reserve(text.size());
    for (const QChar c : text) {
        const bool control = c.unicode() < 0x20 || c.unicode() == 0x7F;
        safe += (control || c == u'/' || c == u'\\') ? QChar(u'_') : c;
    }
    return safe;
}

// The longest start of text whose UTF-8 form fits in `bytes`, never half a surrogate pair; one pass, so a
// title of megabytes costs no more than reading it.
QString Utf8Prefix(const QString& text, qsizetype bytes) {
    qsizetype used = 0;
    qsizetype i = 0;
    while (i < text.size()) {
        const char16_t c = text[i].unicode();
        const bool pair = QChar::isHighSurrogate(c) && i + 1 < text.size() && text[i + 1].isLowSurrogate();
        // A lone surrogate is written as U+FFFD, three bytes.
        const qsizetype size = pair ? 4 : c < 0x80 ? 1 : c < 0x800 ? 2 : 3;
        if (used + size > bytes) break;
        used += size;
        i += pair ? 2 : 1;
    }
    return text.left(i);
}

// aria2 keeps "NAME.aria2" beside a file it has not finished (its partial file already carries the final
// name): such a file is no download of ours to count, and no validator was kept to continue it with.
QString Aria2ControlFile(const QString& target) {
    return target + QStringLiteral(".aria2");
}

bool UnfinishedByAria2(const QString& target) {
    struct stat info;
    return !target.isEmpty() && ::lstat(QFile::encodeName(Aria2ControlFile(target)).constData(), &info) == 0;
}

}  // namespace

DownloadPool::DownloadPool(Services services) : s_(std::move(services)) {
    for (auto& flag : idle_) flag.store(1);
}

DownloadPool::~DownloadPool() {
    Shutdown();
}

QString DownloadPool::BuildTargetPath(const QString& folder, const QString& title, const QString& type,
                                      bool* exists) {
    *exists = false;
    if (folder.isEmpty() || title.isEmpty() || type.isEmpty()) return {};
    QString name = SafeNamePart(title);
    const QString extension = u'.' + SafeNamePart(type);
    // A name of dots alone would mean this folder or its parent.
    if (QString(name + extension).count(u'.') == name.size() + extension.size()) name.prepend(u'_');
    const qsizetype extensionBytes = extension.toUtf8().size();
    if (extensionBytes >= kMaxNameBytes) return {};
    name = Utf8Prefix(name, kMaxNameBytes - extensionBytes);
    if (name.isEmpty()) return {};
    const QString path = QDir(folder).filePath(name + extension);
    const QFileInfo info(path);
    *exists = info.exists() || info.isSymLink();
    return path;
}

void DownloadPool::Create() {
    if (created_) return;
    created_ = true;
    // Idle slots cost nothing, so they are made at once; the work itself starts staggered.
    for (int slot = 0; slot < kSlots; ++slot)
        threads_[size_t(slot)] = std::thread([this, slot] { SlotThread(slot); });
}

bool DownloadPool::StartDownload() {
    if (const auto refusal = s_.options.ReadBack()) s_.messages.ShowMessageBox(*refusal);
    if (s_.results.Size() == 0) {
        s_.messages.ShowMessageBox(QCoreApplication::translate("DownloadPool", "The download list is empty"));
        return false;
    }
    const QString folder = s_.options.Text(K::SaveFolder);
    if (folder.isEmpty()) {
        s_.messages.ShowMessageBox(
            QCoreApplication::translate("DownloadPool", "Choose the folder to save the files in"));
        return false;
    }
    QDir().mkpath(
        folder);  // a folder that does not exist yet is made; one that cannot be made fails each file
    Create();
    startCount_.fetch_add(1);  // every start gives each row its whole time again
    const int active = qBound(1, s_.options.Int(K::DownloadThreads), kSlots);
    scheduler_.SetCap(s_.options.Int(K::PerHostConnections));
    s_.results.RestartWaitingFeed();
    {
        std::lock_guard lock(eventMutex_);
        for (int slot = 0; slot < kSlots; ++slot) idle_[size_t(slot)].store(slot < active ? 0 : 1);
    }
    eventChanged_.notify_all();
    return true;
}

void DownloadPool::StopDownload() {
    if (s_.cancelHandoff) s_.cancelHandoff();
    // Each slot removes the temporary file it made as it gives its row back; files that others put in
    // the folder under a temporary name are none of ours.
    for (auto& flag : idle_) flag.store(1);
}

bool DownloadPool::WaitShutdown(int milliseconds) {
    std::unique_lock lock(eventMutex_);
    return eventChanged_.wait_for(lock, std::chrono::milliseconds(milliseconds),
                                  [this] { return shutdown_; });
}

void DownloadPool::Shutdown() {
    closing_.store(1);
    abortRequests_.store(true);
    StopDownload();
    {
        std::lock_guard lock(eventMutex_);
        shutdown_ = true;
    }
    eventChanged_.notify_all();
    for (int slot = 0; slot < kSlots; ++slot) {
        std::thread& thread = threads_[size_t(slot)];
        if (!thread.joinable()) continue;
        // Every slot sees the closing flag within a poll; a transfer it abandons gets its own 2 s.
        for (int waited = 0; waited < 2000 && !ended_[size_t(slot)].load(); waited += 10) PauseMs(10);
        thread.join();
    }
}

bool DownloadPool::WaitWalksEnded(int milliseconds) const {
    for (int waited = 0; walking_.load() > 0; waited += 10) {
        if (waited >= milliseconds) return false;
        PauseMs(10);
    }
    return true;
}

qint64 DownloadPool::BeginTry(RowId row) {
    const int start = startCount_.load();
    std::lock_guard lock(triesMutex_);
    RowTries& tries = tries_[row];
    if (tries.start != start) tries = RowTries{start};
    ++tries.tries;
    tries.inFlight = true;
    return tries.seconds;
}

DownloadPool::Outcome DownloadPool::EndTry(RowId row, Outcome outcome, qint64 seconds) {
    std::lock_guard lock(triesMutex_);
    if (outcome == Outcome::Done || outcome == Outcome::Present) {
        tries_.remove(row);
        return outcome;
    }
    RowTries& tries = tries_[row];
    if (outcome == Outcome::Passed || (outcome == Outcome::BackOff && ++tries.backOffs <= kMaxBackOffs)) {
        // Waiting for the host is not trying: the try does not count. The time of a rest the host asked
        // for does, or a host that keeps asking would hold the row forever.
        tries.tries = qMax(0, tries.tries - 1);
        tries.inFlight = false;
        if (outcome == Outcome::BackOff) tries.seconds = qMax<qint64>(0, seconds);
        return outcome;
    }
    if (outcome == Outcome::BackOff) outcome = Outcome::Failed;
    tries.seconds = qMax<qint64>(0, seconds);
    tries.inFlight = false;
    if (outcome == Outcome::Failed || outcome == Outcome::InternalError) tries.failed = true;
    return outcome;
}

DownloadPool::TryCounts DownloadPool::Tries() const {
    std::lock_guard lock(triesMutex_);
    TryCounts counts;
    const int start = startCount_.load();
    for (const RowTries& tries : tries_) {
        if (tries.start != start) continue;
        if (tries.inFlight) {
            ++(tries.tries > 1 ? counts.retrying : counts.trying);
        } else if (tries.failed) {
            ++counts.failed;
        }
    }
    return counts;
}

int DownloadPool::BusySlots() const {
    int busy = 0;
    for (const auto& flag : idle_) busy += flag.load() == 0 ? 1 : 0;
    return busy;
}

DownloadPool::WorkerStop DownloadPool::CheckWorkerStop(int slot, bool watchExit) {
    // No wait here: the callers' transfer waits pace the poll.
    if (watchExit && WaitShutdown(0)) return WorkerStop::Closing;
    const qint64 now = s_.secondsTick.load();
    std::atomic<qint64>& start = startTimes_[size_t(slot)];
    if (start.load() > now) start.store(now);
    const int timeout = s_.options.Int(K::DownloadTimeoutMinutes);
    if (timeout > 0 && now - start.load() > qint64(timeout) * 60) return WorkerStop::FileTimedOut;
    if (idle_[size_t(slot)].load()) return WorkerStop::SlotIdled;
    return WorkerStop::GoOn;
}

void DownloadPool::SlotThread(int slot) {
    int walks = 0;
    bool starting = true;
    std::atomic<int>& idle = idle_[size_t(slot)];
    while (!closing_.load()) {
        if (idle.load()) {
            starting = true;
            std::unique_lock lock(eventMutex_);
            eventChanged_.wait_for(lock, std::chrono::milliseconds(100),
                                   [&] { return !idle.load() || closing_.load() || shutdown_; });
            continue;
        }
        // Slightly staggered start, so a hundred connections do not open in the same millisecond.
        if (starting) PauseMs(slot);
        starting = false;
        FeedScheduler();
        walking_.fetch_add(1);
        std::optional<RowScheduler::Taken> taken = scheduler_.Take();
        if (!taken && scheduler_.Queued() > 0) {
            // Rows wait for hosts that are full or resting: the slot waits for room at one of them (a
            // transfer ending, a rest running out) or for rows to come in.
            walking_.fetch_sub(1);
            taken = scheduler_.WaitTake(200);
            if (!taken) continue;
            walking_.fetch_add(1);
        }
        if (taken && (idle.load() || closing_.load())) {
            // Stopped while it waited: the row keeps its place for the next start.
            scheduler_.AddFirst(taken->row, taken->host);
            scheduler_.Done(taken->host);
            walking_.fetch_sub(1);
            continue;
        }
        if (taken) {
            DownloadPass(s_.options.Text(K::SaveFolder), slot, *taken);
            scheduler_.Done(taken->host);
            walking_.fetch_sub(1);
            continue;
        }
        walking_.fetch_sub(1);
        // Nothing waits: the failed rows wait again for another round, five rounds in all.
        s_.status.ShowMsg(
            QCoreApplication::translate("DownloadPool", "Download thread %1 has finished this run!").arg(slot),
            QString(), QString(), 1);
        if (walks > 3) {
            idle.store(1);
            walks = 0;
        }
        if (!idle.load()) {
            s_.results.ResetFailedToWaiting();
            ++walks;
        }
        PauseMs(10);
    }
    ended_[size_t(slot)].store(true);
}

void DownloadPool::FeedScheduler() {
    // One slot at a time, so a full feed (after a start or a delete) is never mixed with a partial one.
    std::lock_guard lock(feedMutex_);
    ResultList::WaitingFeed feed = s_.results.TakeWaitingFeed();
    if (feed.full) scheduler_.ClearQueues();
    for (const ResultList::WaitingRow& row : feed.rows) scheduler_.Add(row.id, HostName::Of(row.link));
}

void DownloadPool::DownloadPass(const QString& folder, int slot, const RowScheduler::Taken& taken) {
    const QString clickThrough = QString::fromLatin1(EngineHosts::Baidu) + QStringLiteral("/link?url=");
    startTimes_[size_t(slot)].store(s_.secondsTick.load());
    const RowId row = taken.row;
    // The row may have been deleted, or given another status, since it was queued.
    const std::optional<ResultEntry> claimed = s_.results.ClaimIfWaiting(row);
    if (!claimed) return;
    const ResultEntry& entry = *claimed;
    {
        // The time limit covers all tries of a row together: a retry starts with the time used so far.
        std::atomic<qint64>& started = startTimes_[size_t(slot)];
        started.store(s_.secondsTick.load() - BeginTry(row));
        const WorkerStop stop = CheckWorkerStop(slot, true);
        if (stop == WorkerStop::SlotIdled || stop == WorkerStop::Closing) {
            // Nothing was fetched: the row waits for the next start, in this run or a later one.
            EndTry(row, Outcome::Stopped, s_.secondsTick.load() - started.load());
            s_.results.ReturnToWaiting(row);
            scheduler_.AddFirst(row, taken.host);
            return;
        }
        QString link = entry.link;
        QString type = entry.type;
        if (link.contains(clickThrough)) {
            QString real;
            if (ResolveRedirect(link, real, &s_.log, &abortRequests_)) {
                link = real;
                const QString extension = link.mid(link.lastIndexOf(u'.') + 1);
                if (link.contains(u'.') && !extension.isEmpty()) type = extension;
                s_.results.SetLink(row, link);
            }
        }
        Outcome outcome;
        QString reason;
        bool exists = false;
        qint64 rested = 0;
        const QString givenUp = givenUp_.load() > 0 ? GivenUpReason(HostName::Of(link)) : QString();
        if (!givenUp.isEmpty()) {
            outcome = Outcome::Failed;
            reason = givenUp;
        } else if (s_.options.Checked(K::SkipDownloaded) &&
                   s_.registry.CheckDocLink(link) == DocRegistry::LinkCheck::Present &&
                   !UnfinishedByAria2(BuildTargetPath(folder, entry.title, type, &exists))) {
            outcome = Outcome::Present;
        } else {
            try {
                outcome = DownloadOne(slot, folder, entry.title, type, link, row, reason, rested);
            } catch (const std::exception& e) {
                outcome = Outcome::InternalError;
                reason = QStringLiteral("internal error: %1").arg(QString::fromUtf8(e.what()));
            } catch (...) {
                outcome = Outcome::InternalError;
                reason = QStringLiteral("internal error: unknown exception");
            }
        }
        outcome = EndTry(row, outcome, s_.secondsTick.load() - started.load() + rested);
        switch (outcome) {
            case Outcome::Done:
            case Outcome::Present:
                // Recorded before the row says so: a list saved in between then never shows a
                // downloaded row whose link a kill could still lose from the registry's batch.
                s_.registry.InsertDocLink(link);
                s_.results.SetStatus(row, RowStatus::Downloaded, reason);
                break;
            case Outcome::Failed:
                s_.results.SetStatus(row, RowStatus::Failed, reason);
                break;
            case Outcome::InternalError:
                // Failed like any other try, so the row is retried and never left "downloading".
                s_.results.SetStatus(row, RowStatus::Failed, reason);
                s_.status.ShowMsg(entry.title, reason, QString(), 1);
                break;
            case Outcome::Passed:
            case Outcome::BackOff:
                // Queued again behind the host's rest.
                s_.results.SetStatus(row, RowStatus::Waiting);
                break;
            case Outcome::Stopped:
                // A row stopped in flight is not finished: saved as waiting, it is taken again first.
                s_.results.ReturnToWaiting(row);
                scheduler_.AddFirst(row, taken.host);
                return;
        }
    }
}

int DownloadPool::RestHost(const QString& link, int status, const QByteArray& retryAfter) {
    const QString host = HostName::Of(link);
    const QDateTime now = QDateTime::currentDateTimeUtc();
    const int seconds = RetryAfter::Seconds(retryAfter, now);
    scheduler_.Rest(host, RowScheduler::Clock::now() + std::chrono::seconds(seconds));
    s_.log.WriteRunLog(
        QStringLiteral("HostRest"),
        QCoreApplication::translate("DownloadPool", "%1 answered %2: no downloads from it until %3 (%4 s)")
            .arg(host)
            .arg(status)
            .arg(now.addSecs(seconds).toLocalTime().toString(Qt::ISODate))
            .arg(seconds));
    return seconds;
}

void DownloadPool::GiveUpHost(const QString& host, const QString& reason, int restSeconds) {
    {
        std::lock_guard lock(restsMutex_);
        HostRests& rests = rests_[host];
        rests.failure = reason;
        rests.until = RowScheduler::Clock::now() + std::chrono::seconds(restSeconds);
    }
    givenUp_.fetch_add(1);
    scheduler_.Lift(host);  // its rows are failed now rather than waited for
    s_.log.WriteRunLog(QStringLiteral("HostRest"), QStringLiteral("%1: %2").arg(host, reason));
}

QString DownloadPool::GivenUpReason(const QString& host) {
    std::lock_guard lock(restsMutex_);
    const auto rests = rests_.constFind(host);
    if (rests == rests_.cend() || RowScheduler::Clock::now() >= rests->until) return {};
    return rests->failure;
}

DownloadPool::Outcome DownloadPool::DownloadOne(int slot, const QString& folder, const QString& title,
                                                const QString& type, const QString& link, quint64 row,
                                                QString& reason, qint64& rested) {
    const auto timedOut = [&] {
        reason = QCoreApplication::translate("DownloadPool", "the time limit of %1 minutes per file ran out")
                     .arg(s_.options.Int(K::DownloadTimeoutMinutes));
        return Outcome::Failed;
    };
    bool exists = false;
    const QString target = BuildTargetPath(folder, title, type, &exists);
    if (target.isEmpty()) {
        reason = QCoreApplication::translate("DownloadPool",
                                             "no safe file name in the save folder for this title and type");
        return Outcome::Failed;
    }
    const bool unfinished = UnfinishedByAria2(target);
    const bool overwrite = unfinished || s_.options.Checked(K::OverwriteExisting);
    if (exists && !overwrite) return Outcome::Present;
    const WorkerStop stop = CheckWorkerStop(slot, true);
    if (stop == WorkerStop::SlotIdled || stop == WorkerStop::Closing) return Outcome::Stopped;
    if (stop == WorkerStop::FileTimedOut) return timedOut();

    // Two rows with one target must not write the same temporary file at once.
    {
        QMutexLocker lock(&inFlightMutex_);
        if (inFlight_.contains(target)) {
            reason = QCoreApplication::translate("DownloadPool", "another row is writing %1 right now")
                         .arg(target);
            return Outcome::Failed;
        }
        inFlight_.insert(target);
    }
    struct Release {
        DownloadPool* pool;
        QString target;
        ~Release() {
            QMutexLocker lock(&pool->inFlightMutex_);
            pool->inFlight_.remove(target);
        }
    } release{this, target};

    FileDownload transfer;
    // An exception from here on abandons the transfer at once, as Stop does: what arrived stays recorded
    // for the next try, and the slot does not wait for the rest of the body.
    struct KillOnUnwind {
        explicit KillOnUnwind(FileDownload& transfer) : transfer(transfer) {}
        ~KillOnUnwind() {
            if (std::uncaught_exceptions() > exceptions) transfer.Kill();
        }
        FileDownload& transfer;
        const int exceptions = std::uncaught_exceptions();
    } killOnUnwind(transfer);
    transfer.SetLedger(&s_.registry);
    transfer.SetDocumentLedger(&s_.registry);
    transfer.SetContentCheck(type, s_.options.Checked(K::CheckUnknownTypeContent));
    transfer.SetSizeLimit(s_.options.Checked(K::LimitDownloadSize),
                          qint64(DocLinkRules::UnsignedValue(s_.options.Text(K::MinSizeKb))) * 1024,
                          qint64(DocLinkRules::UnsignedValue(s_.options.Text(K::MaxSizeKb))) * 1024);
    if (transferWatch_) transferWatch_(link);
    if (!transfer.Start(link, target, QString(), QString(), overwrite)) {
        reason = transfer.StartFailureText();
        s_.status.ShowMsg(title, reason, QString(), 1);
        return Outcome::Failed;
    }
    int shown = -1;
    bool timeUp = false;
    // The row's speed over the last half second or more, and its bytes in the pool's figures until it
    // ends one way or another.
    struct Counted {
        std::atomic<qint64>& total;
        qint64 bytes = 0;
        ~Counted() { total.fetch_sub(bytes); }
    } counted{inFlightBytes_};
    QElapsedTimer clock;
    clock.start();
    qint64 sampleBytes = 0;
    qint64 sampleMs = -1;
    while (!transfer.Finished()) {
        if (transferWatch_) transferWatch_(link);
        const WorkerStop check = CheckWorkerStop(slot, true);
        if (check == WorkerStop::SlotIdled || check == WorkerStop::Closing) {
            // The partial file stays recorded: the row resumes from it when it is taken again.
            transfer.Kill();
            return Outcome::Stopped;
        }
        if (check == WorkerStop::FileTimedOut) {
            transfer.Kill();
            timeUp = true;
            break;
        }
        const int progress = transfer.Progress();
        if (progress != shown) {
            s_.results.SetStatus(row, RowStatus::InProgress(progress));
            shown = progress;
        }
        const qint64 received = transfer.Received();
        inFlightBytes_.fetch_add(received - counted.bytes);
        counted.bytes = received;
        // The bytes a resumed transfer starts from arrived earlier: the first sample only sets the base.
        if (sampleMs < 0) {
            sampleBytes = received;
            sampleMs = clock.elapsed();
        } else if (const qint64 ms = clock.elapsed(); ms - sampleMs >= 500) {
            s_.results.SetSpeed(row, qMax<qint64>(0, received - sampleBytes) * 1000 / (ms - sampleMs));
            sampleBytes = received;
            sampleMs = ms;
        }
        transfer.WaitFinished(30);
    }
    const QString host = HostName::Of(link);
    if (const int busy = transfer.BusyStatus(); busy != 0) {
        const int seconds = RestHost(link, busy, transfer.RetryAfter());
        int inRow = 0;
        {
            std::lock_guard lock(restsMutex_);
            inRow = ++rests_[host].inRow;
        }
        const int minutes = s_.options.Int(K::DownloadTimeoutMinutes);
        const qint64 used = s_.secondsTick.load() - startTimes_[size_t(slot)].load();
        QString failure;
        if (minutes > 0 && used + seconds > qint64(minutes) * 60) {
            failure = QCoreApplication::translate("DownloadPool",
                                                  "HTTP %1: the server asked for a pause of %2 s, past the "
                                                  "time limit of %3 minutes per file")
                          .arg(busy)
                          .arg(seconds)
                          .arg(minutes);
        } else if (minutes <= 0 && inRow >= kMaxRestsInARow) {
            failure = QCoreApplication::translate("DownloadPool",
                                                  "HTTP %1: the server asked for a pause %2 times in a row")
                          .arg(busy)
                          .arg(kMaxRestsInARow);
        }
        if (!failure.isEmpty()) {
            GiveUpHost(host, failure, seconds);
            reason = failure;
            return Outcome::Failed;
        }
        rested = seconds;
        // Told only if the row has had too many of these and fails.
        reason =
            QCoreApplication::translate("DownloadPool", "HTTP %1: the server asked for a pause, %2 times")
                .arg(busy)
                .arg(kMaxBackOffs);
        return Outcome::BackOff;
    }
    // A try that learnt no length (a refused connection, a 404) leaves the size unknown, so that a later
    // successful try, a Retry, still fills it in.
    const auto entry = s_.results.Entry(row);
    // A body without a length (HTTP/1.0 ends it by closing) is as long as what arrived.
    const qint64 length = transfer.ContentLength() > 0 ? transfer.ContentLength()
                                                       : (transfer.Succeeded() ? transfer.Received() : 0);
    if (entry && entry->size == EntrySize::Unknown && length > 0) {
        s_.results.SetSize(row, QString::asprintf("%.02f", double(length) / 1024.0));
    }
    if (transfer.Succeeded()) {
        // The file is whole now: aria2's note about it would only make it look unfinished again. (When
        // the bytes were kept elsewhere, aria2's part stays as it was, still marked unfinished.)
        if (unfinished && transfer.SameAs().isEmpty()) {
            struct stat info;
            const QByteArray control = QFile::encodeName(Aria2ControlFile(target));
            if (::lstat(control.constData(), &info) == 0 && S_ISREG(info.st_mode))
                ::unlink(control.constData());
        }
        {
            // The rests in a row start over, but a host given up stays so until its rest ends: the gate
            // keeps it resting that long, and its rows would wait for it instead of failing.
            std::lock_guard lock(restsMutex_);
            const auto rests = rests_.find(host);
            if (rests != rests_.end() && rests->failure.isEmpty()) {
                rests_.erase(rests);
            } else if (rests != rests_.end()) {
                rests->inRow = 0;
            }
        }
        bytesDone_.fetch_add(transfer.Received());
        filesDone_.fetch_add(1);
        transfer.Kill();
        if (const QString same = transfer.SameAs(); !same.isEmpty()) {
            // Not saved twice: the row counts as downloaded and says where the document is.
            reason = QCoreApplication::translate("DownloadPool", "same as %1").arg(same);
            s_.status.ShowMsg(title, reason, QString(), 1);
        }
        return Outcome::Done;
    }
    if (!timeUp && s_.rescue && ArchiveRescue::LinkDead(transfer) && s_.rescue->Enabled()) {
        // The live link is dead: its archived copy, if there is one, is the document.
        const QString live = transfer.ContentRefusal().isEmpty() ? transfer.FailureReason() : transfer.ContentRefusal();
        const ArchiveRescue::Result rescued = s_.rescue->Rescue(
            {link, target, type, overwrite}, scheduler_, [&] { return CheckWorkerStop(slot, true) == WorkerStop::GoOn; });
        if (rescued.end == ArchiveRescue::End::Stopped)
            return CheckWorkerStop(slot, true) == WorkerStop::FileTimedOut ? timedOut() : Outcome::Stopped;
        if (rescued.end == ArchiveRescue::End::Busy) {
            // The archive's host rests as it asked: the row waits like a row of a resting host, no try
            // used, and fails only when the pause would pass its time limit or it has waited too often.
            reason = live + QStringLiteral("; ") + rescued.note;
            const int minutes = s_.options.Int(K::DownloadTimeoutMinutes);
            const qint64 used = s_.secondsTick.load() - startTimes_[size_t(slot)].load();
            if (minutes > 0 && used + rescued.restSeconds > qint64(minutes) * 60) {
                reason += QCoreApplication::translate("DownloadPool",
                                                      ", past the time limit of %1 minutes per file")
                              .arg(minutes);
                return Outcome::Failed;
            }
            rested = rescued.restSeconds;
            return Outcome::BackOff;
        }
        reason = rescued.end == ArchiveRescue::End::Failed ? live + QStringLiteral("; ") + rescued.note
                 : rescued.sameAs.isEmpty()               ? rescued.note
                     : rescued.note + QStringLiteral("; ") +
                           QCoreApplication::translate("DownloadPool", "same as %1").arg(rescued.sameAs);
        s_.status.ShowMsg(title, reason, QString(), 1);
        if (rescued.end == ArchiveRescue::End::Failed) return Outcome::Failed;
        bytesDone_.fetch_add(rescued.bytes);
        filesDone_.fetch_add(1);
        return Outcome::Done;
    }
    if (const QString refusal = transfer.ContentRefusal(); !refusal.isEmpty()) {
        // The stored status stays "failed"; the reason goes to the status line and the run log.
        reason = refusal;
        s_.status.ShowMsg(title, refusal, QString(), 1);
        return Outcome::Failed;
    }
    if (timeUp) return timedOut();
    reason = transfer.FailureReason();
    // A broken or timed-out transfer leaves its recorded partial file for the next try to continue;
    // refusals have removed theirs already, and a week-old leftover is cleaned when the registry opens.
    return Outcome::Failed;
}
