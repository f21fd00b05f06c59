#include "lists/ResultList.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QMutexLocker>
#include <algorithm>
#include <limits>
#include <random>

#include "lists/Options.h"
#include "lists/StatusLine.h"

namespace {

// A decoded title longer than this is not a title (and file names could not hold it).
constexpr qsizetype kMaxDecodedBytes = 1024;

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool HasEscapePair(const QString& title) {
    for (qsizetype i = title.indexOf(u'%'); i >= 0 && i + 3 < title.size(); i = title.indexOf(u'%', i + 1)) {
        if (title[i + 3] == u'%') return true;
    }
    return false;
}

}  // namespace

ResultList::ResultList(Options& options, StatusLine* status) : options_(options), status_(status) {}

void ResultList::SetRegistry(RegistryCheck check, RegistryDelete remove, RegistryCommit commit) {
    registryCheck_ = std::move(check);
    registryDelete_ = std::move(remove);
    registryCommit_ = std::move(commit);
}

QString ResultList::TitleFromLink(const QString& link) {
    const qsizetype slash = link.lastIndexOf(u'/');
    const QString name = slash >= 0 ? link.mid(slash + 1) : QString();
    const qsizetype dot = name.lastIndexOf(u'.');
    return dot >= 0 ? name.left(dot) : QString();
}

QString ResultList::DecodePercentTitle(const QString& title) {
    if (!HasEscapePair(title)) return title;
    const QByteArray bytes = title.toUtf8();
    QByteArray decoded;
    decoded.reserve(bytes.size());
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        if (bytes[i] != '%') {
            decoded += bytes[i];
        } else {
            if (i + 2 >= bytes.size()) return title;
            const int high = HexValue(bytes[i + 1]);
            const int low = HexValue(bytes[i + 2]);
            if (high < 0 || low < 0) return title;
            decoded += char(high * 16 + low);
            i += 2;
        }
        if (decoded.size() > kMaxDecodedBytes) return title;
    }
    return decoded == bytes ? title : QString::fromUtf8(decoded);
}

ResultList::AddResult ResultList::AddEntry(QString title, const QString& type, const QString& size,
                                           const QString& link, RowStatus status) {
    title = title.trimmed();
    // A byte-order mark is invisible, and at the start of a saved line it would be read as the file's own
    // mark and dropped: a title never starts with one.
    while (title.startsWith(QChar(0xFEFF))) title = title.sliced(1).trimmed();
    // No transfer runs for a row that is only now entering the list: a row saved while it was being
    // downloaded (a stop, a crash, an auto-save) waits again, or no later run would ever take it.
    if (status == RowStatus::Downloading || status.kind() == RowStatus::Kind::InProgress) {
        status = RowStatus::Waiting;
    }
    if (title.isEmpty() || type.isEmpty() || size.isEmpty() || link.isEmpty() || status.IsEmpty())
        return AddResult::EmptyField;

    QMutexLocker append(&appendLock_);
    if (options_.Checked(SettingKey::SkipDownloaded) && registryCheck_ && registryCheck_(link)) {
        if (status_)
            status_->ShowMsg(title, link, QCoreApplication::translate("ResultList", "already exists"), 1);
        return AddResult::AlreadyDownloaded;
    }
    QMutexLocker rows(&rowsMutex_);
    const qsizetype count = qsizetype(rows_.size());
    if (options_.Checked(SettingKey::SuffixSameTitles)) {
        const auto same = firstRowWithTitle_.find(title);
        if (same != firstRowWithTitle_.end()) {
            thread_local std::mt19937 random(std::random_device{}());
            const qint64 now = QDateTime::currentSecsSinceEpoch();
            const qint64 suffix =
                qint64(random() % 10000) + now % 10000 + PositionLocked(same->second) + count;
            title += u'_' + QString::number(suffix);
        }
    }
    // The clean-up below may leave nothing (a link without a file name, a title of dots); a row without a
    // title can never be saved under a name, so it keeps the title it came with.
    const QString given = title;
    if (title.contains(u".cn") || title.contains(u".com") || title.contains(u".net") ||
        title.contains(u".org")) {
        title = TitleFromLink(link);
    }
    title.remove(QStringLiteral("..."));
    title = DecodePercentTitle(title);
    if (title.trimmed().isEmpty()) title = given;

    const RowId id = nextId_++;
    rows_.push_back(Row{id, ResultEntry{title, InternLocked(type), size, link, status}});
    CountStatusLocked(status, +1);
    if (status == RowStatus::Waiting) {
        NoteWaitingLocked();
        FeedWaitingLocked(id);
    }
    firstRowWithTitle_.try_emplace(title, id);
    structural_ = true;
    return AddResult::Added;
}

QString ResultList::InternLocked(const QString& value) {
    if (value.size() > 16) return value;
    const auto it = shortValues_.constFind(value);
    if (it != shortValues_.constEnd()) return *it;
    if (shortValues_.size() < 4096) shortValues_.insert(value);
    return value;
}

qsizetype ResultList::PositionLocked(RowId id) const {
    const auto it = std::lower_bound(rows_.begin(), rows_.end(), id,
                                     [](const Row& row, RowId key) { return row.id < key; });
    return it != rows_.end() && it->id == id ? qsizetype(it - rows_.begin()) : -1;
}

ResultList::Row* ResultList::FindLocked(RowId id) {
    const qsizetype position = PositionLocked(id);
    return position < 0 ? nullptr : &rows_[size_t(position)];
}

const ResultList::Row* ResultList::FindLocked(RowId id) const {
    const qsizetype position = PositionLocked(id);
    return position < 0 ? nullptr : &rows_[size_t(position)];
}

void ResultList::RebuildIndexesLocked() {
    firstRowWithTitle_.clear();
    for (const Row& row : rows_) firstRowWithTitle_.try_emplace(row.entry.title, row.id);
    PruneReasonsLocked();
    structural_ = true;
}

void ResultList::CountStatusLocked(const RowStatus& status, int delta) {
    if (status == RowStatus::Waiting) waitingRows_ += delta;
    if (status == RowStatus::Downloaded) downloadedRows_ += delta;
    if (status == RowStatus::Failed) failedRows_ += delta;
}

void ResultList::SetStatusLocked(Row& row, qsizetype position, const RowStatus& status) {
    if (row.entry.status == status) return;
    // A failed row waiting for its retry still tells why it failed; anything else starts afresh.
    const bool retry = row.entry.status == RowStatus::Failed && status == RowStatus::Waiting;
    if (!retry && !reasons_.isEmpty()) reasons_.remove(row.id);
    if (!speeds_.isEmpty() && status.kind() != RowStatus::Kind::InProgress &&
        status.kind() != RowStatus::Kind::Downloading)
        speeds_.remove(row.id);
    CountStatusLocked(row.entry.status, -1);
    CountStatusLocked(status, +1);
    row.entry.status = status;
    if (status == RowStatus::Waiting) {
        if (position < waitingHint_) waitingHint_ = position;
        NoteWaitingLocked();
        FeedWaitingLocked(row.id);
    }
    NoteChangedLocked(row.id);
}

void ResultList::PruneReasonsLocked() {
    for (auto it = reasons_.begin(); it != reasons_.end();) {
        it = PositionLocked(it.key()) < 0 ? reasons_.erase(it) : std::next(it);
    }
    for (auto it = speeds_.begin(); it != speeds_.end();) {
        it = PositionLocked(it.key()) < 0 ? speeds_.erase(it) : std::next(it);
    }
    returned_.removeIf([this](RowId id) { return PositionLocked(id) < 0; });
}

void ResultList::RestartWaitingFeed() {
    QMutexLocker rows(&rowsMutex_);
    feedOn_ = true;
    FeedRestartLocked();
}

ResultList::WaitingFeed ResultList::TakeWaitingFeed() {
    QMutexLocker rows(&rowsMutex_);
    WaitingFeed feed;
    const auto waiting = [this](RowId id) -> const Row* {
        const qsizetype position = PositionLocked(id);
        if (position < 0 || rows_[size_t(position)].entry.status != RowStatus::Waiting) return nullptr;
        return &rows_[size_t(position)];
    };
    if (!feedFull_) {
        feed.rows.reserve(newlyWaiting_.size());
        for (const RowId id : newlyWaiting_) {
            if (const Row* row = waiting(id)) feed.rows.push_back({id, row->entry.link});
        }
        newlyWaiting_.clear();
        return feed;
    }
    feed.full = true;
    feedFull_ = false;
    feed.rows.reserve(size_t(waitingRows_));
    QSet<RowId> first;
    for (const RowId id : returned_) {
        if (const Row* row = waiting(id); row && !first.contains(id)) {
            first.insert(id);
            feed.rows.push_back({id, row->entry.link});
        }
    }
    for (const Row& row : rows_) {
        if (row.entry.status == RowStatus::Waiting && (first.isEmpty() || !first.contains(row.id)))
            feed.rows.push_back({row.id, row.entry.link});
    }
    return feed;
}

void ResultList::ClearLocked() {
    reasons_.clear();
    speeds_.clear();
    returned_.clear();
    waitingRows_ = downloadedRows_ = failedRows_ = 0;
    waitingHint_ = 0;
    NoteWaitingLocked();
    FeedRestartLocked();
    rows_.clear();
    firstRowWithTitle_.clear();
    shortValues_.clear();
    changed_.clear();
    structural_ = true;
}

void ResultList::ClearRows() {
    {
        QMutexLocker rows(&rowsMutex_);
        ClearLocked();
    }
    links_.Clear();
}

std::unique_ptr<ResultList> ResultList::MakeStaging() const {
    auto staging = std::make_unique<ResultList>(options_, status_);
    staging->registryCheck_ = registryCheck_;
    staging->registryDelete_ = registryDelete_;
    staging->registryCommit_ = registryCommit_;
    QMutexLocker rows(&rowsMutex_);
    // Far above any id this list will hand out while the staging list fills.
    staging->nextId_ = nextId_ + (RowId(1) << 40);
    return staging;
}

RowId ResultList::NextId() const {
    QMutexLocker rows(&rowsMutex_);
    return nextId_;
}

void ResultList::AdoptRows(ResultList& staging, RowId keepFromId) {
    QStringList keptLinks;
    {
        QMutexLocker rows(&rowsMutex_);
        QMutexLocker other(&staging.rowsMutex_);
        // Rows are in id order: the ones to keep are the last few.
        const auto firstKept = std::lower_bound(rows_.begin(), rows_.end(), keepFromId,
                                                [](const Row& row, RowId key) { return row.id < key; });
        std::vector<Row> kept(std::make_move_iterator(firstKept), std::make_move_iterator(rows_.end()));
        // Swapped, not assigned: the rows and indexes let go of go to the staging list, so that a
        // million strings are freed where its owner drops it, not under this list's lock.
        rows_.swap(staging.rows_);
        if (!kept.empty())
            rows_.insert(rows_.begin(), std::make_move_iterator(kept.begin()),
                         std::make_move_iterator(kept.end()));
        firstRowWithTitle_.swap(staging.firstRowWithTitle_);
        shortValues_.swap(staging.shortValues_);
        waitingRows_ = staging.waitingRows_;
        downloadedRows_ = staging.downloadedRows_;
        failedRows_ = staging.failedRows_;
        for (size_t i = kept.size(); i-- > 0;) {  // backwards, so the topmost kept row wins its title
            Row& row = rows_[i];
            firstRowWithTitle_[row.entry.title] = row.id;  // these come first now
            CountStatusLocked(row.entry.status, +1);
            keptLinks.append(row.entry.link);
        }
        nextId_ = std::max(nextId_, staging.nextId_);
        PruneReasonsLocked();
        waitingHint_ = 0;
        NoteWaitingLocked();
        FeedRestartLocked();
        changed_.clear();
        structural_ = true;
        staging.waitingRows_ = staging.downloadedRows_ = staging.failedRows_ = 0;
    }
    links_.TakeFrom(staging.links_);
    for (const QString& link : keptLinks) links_.AddLinkIfNew(link);
}

bool ResultList::FreeSome(qsizetype count) {
    bool left = links_.FreeSome(count);
    QMutexLocker rows(&rowsMutex_);
    for (qsizetype i = 0; i < count && !rows_.empty(); ++i) rows_.pop_back();
    for (qsizetype i = 0; i < count && !firstRowWithTitle_.empty(); ++i)
        firstRowWithTitle_.erase(firstRowWithTitle_.begin());
    if (!rows_.empty() || !firstRowWithTitle_.empty()) return true;
    std::vector<Row>().swap(rows_);  // and the arrays themselves
    decltype(firstRowWithTitle_)().swap(firstRowWithTitle_);
    return left;
}

bool ResultList::DeleteChecked() {
    return DeleteWhere([](const Row& row) { return row.checked; }) >= 0;
}

qsizetype ResultList::DeleteRows(const QSet<RowId>& ids) {
    return std::max<qsizetype>(0, DeleteWhere([&ids](const Row& row) { return ids.contains(row.id); }));
}

qsizetype ResultList::DeleteWhere(const std::function<bool(const Row&)>& goes) {
    QStringList removedLinks;
    {
        QMutexLocker rows(&rowsMutex_);
        if (rows_.empty()) return -1;
        const auto kept =
            std::stable_partition(rows_.begin(), rows_.end(), [&goes](const Row& row) { return !goes(row); });
        for (auto it = kept; it != rows_.end(); ++it) removedLinks.append(it->entry.link);
        for (auto it = kept; it != rows_.end(); ++it) CountStatusLocked(it->entry.status, -1);
        rows_.erase(kept, rows_.end());
        waitingHint_ = 0;
        NoteWaitingLocked();
        FeedRestartLocked();
        RebuildIndexesLocked();
    }
    for (const QString& link : removedLinks) links_.Remove(link);
    return removedLinks.size();
}

bool ResultList::ClearList() {
    {
        QMutexLocker rows(&rowsMutex_);
        if (rows_.empty()) return false;
        ClearLocked();
    }
    links_.Clear();
    options_.SetCommittedText(SettingKey::ListFile, QString());
    return true;
}

void ResultList::SetCheckOnSelectionOrAll(bool check) {
    QMutexLocker rows(&rowsMutex_);
    const auto highlighted =
        std::count_if(rows_.begin(), rows_.end(), [](const Row& row) { return row.selected; });
    for (Row& row : rows_) {
        if (highlighted > 1 && !row.selected) continue;
        if (row.checked != check) NoteChangedLocked(row.id);
        row.checked = check;
    }
}

void ResultList::SetCheckedRows(const QSet<RowId>& ids, bool check) {
    QMutexLocker rows(&rowsMutex_);
    for (RowId id : ids) {
        Row* row = FindLocked(id);
        if (!row || row->checked == check) continue;
        row->checked = check;
        NoteChangedLocked(id);
    }
}

void ResultList::InvertChecks() {
    QMutexLocker rows(&rowsMutex_);
    for (Row& row : rows_) {
        row.checked = !row.checked;
        NoteChangedLocked(row.id);
    }
}

bool ResultList::CheckByStatus(const StatusFilter& filter) {
    QMutexLocker rows(&rowsMutex_);
    if (rows_.empty()) return false;
    for (Row& row : rows_) {
        if (filter.Selects(row.entry.status) && !row.checked) {
            row.checked = true;
            NoteChangedLocked(row.id);
        }
    }
    return true;
}

void ResultList::ApplyStatusAction(StatusAction action) {
    ApplyStatusActionWhere(action, nullptr);
}

void ResultList::ApplyStatusActionToRows(StatusAction action, const QSet<RowId>& ids) {
    ApplyStatusActionWhere(action, &ids);
}

void ResultList::ApplyStatusActionWhere(StatusAction action, const QSet<RowId>* only) {
    const RowStatus* target = nullptr;
    switch (action) {
        case StatusAction::AllToWaiting:
        case StatusAction::CheckedToWaiting:
            target = &RowStatus::Waiting;
            break;
        case StatusAction::CheckedToDownloaded:
            target = &RowStatus::Downloaded;
            break;
        case StatusAction::CheckedToFailed:
            target = &RowStatus::Failed;
            break;
        case StatusAction::CheckedToDuplicate:
            target = &RowStatus::Duplicate;
            break;
    }
    if (!target) return;  // a value outside the enum (a dialog without a choice)
    const bool all = action == StatusAction::AllToWaiting;
    const bool forgets = all || action == StatusAction::CheckedToWaiting;
    QStringList forget;
    {
        QMutexLocker rows(&rowsMutex_);
        for (qsizetype position = 0; position < qsizetype(rows_.size()); ++position) {
            Row& row = rows_[size_t(position)];
            const bool affected =
                all ? row.entry.status != RowStatus::Downloaded && row.entry.status != RowStatus::Duplicate
                    : (only ? only->contains(row.id) : row.checked);
            if (!affected) continue;
            if (forgets) forget.append(row.entry.link);
            SetStatusLocked(row, position, *target);
        }
    }
    if (registryDelete_) {
        for (const QString& link : forget) registryDelete_(link);
    }
}

void ResultList::ResetFailedToWaiting() {
    QMutexLocker rows(&rowsMutex_);
    if (failedRows_ == 0) return;  // the workers call this after every walk
    for (qsizetype position = 0; position < qsizetype(rows_.size()); ++position) {
        Row& row = rows_[size_t(position)];
        if (row.entry.status == RowStatus::Failed) SetStatusLocked(row, position, RowStatus::Waiting);
    }
}

void ResultList::ResetUploadingToWaiting() {
    QMutexLocker rows(&rowsMutex_);
    for (qsizetype position = 0; position < qsizetype(rows_.size()); ++position) {
        Row& row = rows_[size_t(position)];
        if (row.entry.status == RowStatus::Uploading) SetStatusLocked(row, position, RowStatus::Waiting);
    }
}

ResultList::StatusCounts ResultList::Counts() const {
    QMutexLocker rows(&rowsMutex_);
    return {waitingRows_, downloadedRows_, failedRows_};
}

ResultList::Glance ResultList::GlanceNoWait() const {
    QMutexLocker glance(&glanceLock_);
    if (!rowsMutex_.tryLock()) return lastGlance_;
    lastGlance_.rows = qsizetype(rows_.size());
    lastGlance_.counts = {waitingRows_, downloadedRows_, failedRows_};
    lastGlance_.bytesPerSecond = 0;
    for (const qint64 speed : speeds_) lastGlance_.bytesPerSecond += speed;
    rowsMutex_.unlock();
    return lastGlance_;
}

int ResultList::CountDownloaded() const {
    QMutexLocker rows(&rowsMutex_);
    return int(downloadedRows_);
}

void ResultList::Reserve(qsizetype count) {
    {
        QMutexLocker rows(&rowsMutex_);
        rows_.reserve(rows_.size() + size_t(count));
        firstRowWithTitle_.reserve(rows_.size() + size_t(count));
    }
    links_.Reserve(links_.Size() + count);
}

qsizetype ResultList::Size() const {
    QMutexLocker rows(&rowsMutex_);
    return qsizetype(rows_.size());
}

std::optional<RowId> ResultList::IdAt(qsizetype position) const {
    QMutexLocker rows(&rowsMutex_);
    if (position < 0 || position >= qsizetype(rows_.size())) return std::nullopt;
    return rows_[size_t(position)].id;
}

std::optional<qsizetype> ResultList::PositionOf(RowId id) const {
    QMutexLocker rows(&rowsMutex_);
    const qsizetype position = PositionLocked(id);
    if (position < 0) return std::nullopt;
    return position;
}

std::optional<ResultEntry> ResultList::Entry(RowId id) const {
    QMutexLocker rows(&rowsMutex_);
    const Row* row = FindLocked(id);
    if (!row) return std::nullopt;
    return row->entry;
}

QList<ResultEntry> ResultList::Snapshot() const {
    QMutexLocker rows(&rowsMutex_);
    QList<ResultEntry> entries;
    entries.reserve(qsizetype(rows_.size()));
    for (const Row& row : rows_) entries.append(row.entry);
    return entries;
}

std::vector<std::pair<RowId, ResultEntry>> ResultList::SnapshotWithIds() const {
    // In slices of a few milliseconds each, so that copying a million rows never keeps the window's
    // paint or a worker's row update waiting for long. Rows are in id order: a slice starts after the
    // last id taken, so rows removed meanwhile are simply missing and rows added come last.
    constexpr size_t kSlice = 16384;
    std::vector<std::pair<RowId, ResultEntry>> entries;
    for (;;) {
        QMutexLocker rows(&rowsMutex_);
        auto it = rows_.begin();
        if (entries.empty()) {
            entries.reserve(rows_.size());
        } else {
            it = std::upper_bound(rows_.begin(), rows_.end(), entries.back().first,
                                  [](RowId key, const Row& row) { return key < row.id; });
        }
        for (size_t taken = 0; it != rows_.end() && taken < kSlice; ++it, ++taken)
            entries.emplace_back(it->id, it->entry);
        if (it == rows_.end()) return entries;
    }
}

bool ResultList::SetStatus(RowId id, const RowStatus& status) {
    QMutexLocker rows(&rowsMutex_);
    const qsizetype position = PositionLocked(id);
    if (position < 0) return false;
    SetStatusLocked(rows_[size_t(position)], position, status);
    return true;
}

bool ResultList::SetStatus(RowId id, const RowStatus& status, const QString& reason) {
    QMutexLocker rows(&rowsMutex_);
    const qsizetype position = PositionLocked(id);
    if (position < 0) return false;
    SetStatusLocked(rows_[size_t(position)], position, status);
    if (reason.isEmpty()) {
        reasons_.remove(id);
    } else {
        reasons_.insert(id, reason);
    }
    NoteChangedLocked(id);
    return true;
}

bool ResultList::ReturnToWaiting(RowId id) {
    QMutexLocker rows(&rowsMutex_);
    const qsizetype position = PositionLocked(id);
    if (position < 0) return false;
    SetStatusLocked(rows_[size_t(position)], position, RowStatus::Waiting);
    if (!returned_.contains(id)) returned_.append(id);
    return true;
}

void ResultList::SetSpeed(RowId id, qint64 bytesPerSecond) {
    QMutexLocker rows(&rowsMutex_);
    const qsizetype position = PositionLocked(id);
    if (position < 0) return;
    const RowStatus::Kind kind = rows_[size_t(position)].entry.status.kind();
    // A speed that arrives after the row ended would stay behind for good.
    if (kind != RowStatus::Kind::InProgress && kind != RowStatus::Kind::Downloading) return;
    if (speeds_.value(id, -1) == bytesPerSecond) return;
    speeds_.insert(id, qMax<qint64>(0, bytesPerSecond));
    NoteChangedLocked(id);
}

qint64 ResultList::SpeedOf(int row) const {
    QMutexLocker rows(&rowsMutex_);
    if (row < 0 || size_t(row) >= rows_.size() || speeds_.isEmpty()) return 0;
    return speeds_.value(rows_[size_t(row)].id, 0);
}

qint64 ResultList::SpeedOfId(RowId id) const {
    QMutexLocker rows(&rowsMutex_);
    return speeds_.value(id, 0);
}

qint64 ResultList::TotalSpeed() const {
    QMutexLocker rows(&rowsMutex_);
    qint64 total = 0;
    for (const qint64 speed : speeds_) total += speed;
    return total;
}

QString ResultList::Reason(RowId id) const {
    QMutexLocker rows(&rowsMutex_);
    return reasons_.value(id);
}

bool ResultList::SetLink(RowId id, const QString& link) {
    QMutexLocker rows(&rowsMutex_);
    Row* row = FindLocked(id);
    if (!row) return false;
    row->entry.link = link;
    NoteChangedLocked(id);
    return true;
}

bool ResultList::SetSize(RowId id, const QString& size) {
    QMutexLocker rows(&rowsMutex_);
    Row* row = FindLocked(id);
    if (!row) return false;
    row->entry.size = size;
    NoteChangedLocked(id);
    return true;
}

std::optional<ResultEntry> ResultList::ClaimIfWaiting(RowId id) {
    QMutexLocker rows(&rowsMutex_);
    const qsizetype position = PositionLocked(id);
    if (position < 0) return std::nullopt;
    Row& row = rows_[size_t(position)];
    if (row.entry.status != RowStatus::Waiting) return std::nullopt;
    SetStatusLocked(row, position, RowStatus::Downloading);
    if (!returned_.isEmpty()) returned_.removeOne(id);
    return row.entry;
}

std::optional<ResultList::Claim> ResultList::ClaimNextWaiting(qsizetype from, qsizetype end) {
    return ClaimNextWaiting(from, end, nullptr);
}

std::optional<ResultList::Claim> ResultList::ClaimNextWaiting(
    qsizetype from, qsizetype end, const std::function<bool(const ResultEntry&)>& accept) {
    qsizetype next = end;
    return ClaimNextWaiting(from, end, accept, std::numeric_limits<qsizetype>::max(), &next);
}

std::optional<ResultList::Claim> ResultList::ClaimNextWaiting(
    qsizetype from, qsizetype end, const std::function<bool(const ResultEntry&)>& accept, qsizetype budget,
    qsizetype* next) {
    QMutexLocker rows(&rowsMutex_);
    *next = end;
    end = qMin(end, qsizetype(rows_.size()));
    if (waitingRows_ == 0) return std::nullopt;
    for (auto it = returned_.begin(); it != returned_.end();) {
        const qsizetype position = PositionLocked(*it);
        if (position < 0 || rows_[size_t(position)].entry.status != RowStatus::Waiting) {
            it = returned_.erase(it);  // gone, or given another status meanwhile
            continue;
        }
        Row& row = rows_[size_t(position)];
        if (accept && !accept(row.entry)) {
            ++it;
            continue;
        }
        returned_.erase(it);
        SetStatusLocked(row, position, RowStatus::Downloading);
        return Claim{position, row.id, row.entry, true};
    }
    // The hint may only move past rows that no longer wait.
    bool fromHint = from <= waitingHint_;
    budget = qMax<qsizetype>(budget, 1);
    qsizetype looked = 0;
    qsizetype position = qMax(from, waitingHint_);
    for (; position < end && looked < budget; ++position, ++looked) {
        Row& row = rows_[size_t(position)];
        if (row.entry.status != RowStatus::Waiting) continue;
        if (accept && !accept(row.entry)) {
            if (fromHint) waitingHint_ = position;
            fromHint = false;
            continue;
        }
        rowsExamined_.fetch_add(quint64(looked + 1), std::memory_order_relaxed);
        SetStatusLocked(row, position, RowStatus::Downloading);
        if (fromHint) waitingHint_ = position + 1;
        return Claim{position, row.id, row.entry};
    }
    rowsExamined_.fetch_add(quint64(looked), std::memory_order_relaxed);
    if (position < end) {
        if (fromHint) waitingHint_ = position;
        *next = position;
        return std::nullopt;
    }
    if (fromHint && end == qsizetype(rows_.size())) waitingHint_ = end;
    return std::nullopt;
}

std::optional<std::pair<RowId, ResultEntry>> ResultList::ClaimWaitingAt(qsizetype position) {
    QMutexLocker rows(&rowsMutex_);
    if (position < 0 || position >= qsizetype(rows_.size())) return std::nullopt;
    Row& row = rows_[size_t(position)];
    if (row.entry.status != RowStatus::Waiting) return std::nullopt;
    SetStatusLocked(row, position, RowStatus::Downloading);
    return std::make_pair(row.id, row.entry);
}

void ResultList::SetChecked(RowId id, bool checked) {
    QMutexLocker rows(&rowsMutex_);
    if (Row* row = FindLocked(id); row && row->checked != checked) {
        row->checked = checked;
        NoteChangedLocked(id);
    }
}

bool ResultList::IsChecked(RowId id) const {
    QMutexLocker rows(&rowsMutex_);
    const Row* row = FindLocked(id);
    return row && row->checked;
}

void ResultList::SetSelected(RowId id, bool selected) {
    QMutexLocker rows(&rowsMutex_);
    if (Row* row = FindLocked(id)) row->selected = selected;
}

bool ResultList::IsSelected(RowId id) const {
    QMutexLocker rows(&rowsMutex_);
    const Row* row = FindLocked(id);
    return row && row->selected;
}

ResultList::Changes ResultList::TakeChanges() {
    QMutexLocker rows(&rowsMutex_);
    Changes changes;
    changes.structural = structural_;
    if (!structural_) changes.rows = QList<RowId>(changed_.begin(), changed_.end());
    structural_ = false;
    changed_.clear();
    return changes;
}
