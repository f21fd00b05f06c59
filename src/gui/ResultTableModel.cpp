#include "gui/ResultTableModel.h"

#include <QDateTime>
#include <QTimeZone>
#include <QLocale>
#include <QUrl>
#include <algorithm>
#include <utility>

#include "app/BulkThread.h"
#include "gui/MetadataCache.h"
#include "lists/ResultList.h"
#include "meta/DocMetadata.h"

namespace {

const char* const kHeaders[] = {
    QT_TRANSLATE_NOOP("ResultTableModel", "File Name"), QT_TRANSLATE_NOOP("ResultTableModel", "Type"),
    QT_TRANSLATE_NOOP("ResultTableModel", "Size (KB)"), QT_TRANSLATE_NOOP("ResultTableModel", "Location"),
    QT_TRANSLATE_NOOP("ResultTableModel", "Status"),    QT_TRANSLATE_NOOP("ResultTableModel", "Author"),
    QT_TRANSLATE_NOOP("ResultTableModel", "Pages"),     QT_TRANSLATE_NOOP("ResultTableModel", "Created"),
    QT_TRANSLATE_NOOP("ResultTableModel", "Producer")};
constexpr int kWidths[] = {170, 50, 80, 200, 190, 120, 50, 130, 140};
static_assert(std::size(kHeaders) == ResultTableModel::kColumns && std::size(kWidths) == ResultTableModel::kColumns);

// Up to this many rows a sort is quicker than a thread: it runs at once on the window's thread.
constexpr qsizetype kSortHere = 50000;
// While a download changes the sorted column of a big list, it is sorted again at most this often.
constexpr qint64 kBigResortMs = 2000;

QString Producer(const DocMetadata& metadata) {
    return metadata.producer.isEmpty() ? metadata.application : metadata.producer;
}

// Dates as ISO 8601 with or without a time or an offset; nullopt for anything else.
std::optional<qint64> DateValue(const QString& iso) {
    if (iso.isEmpty()) return std::nullopt;
    QDateTime time = QDateTime::fromString(iso, Qt::ISODateWithMs);
    if (!time.isValid()) time = QDateTime::fromString(iso, Qt::ISODate);
    if (!time.isValid()) {
        const QDate date = QDate::fromString(iso.left(10), Qt::ISODate);
        if (!date.isValid()) return std::nullopt;
        time = date.startOfDay(Qt::UTC);
    }
    return time.toMSecsSinceEpoch();
}

bool SortsByChangingCells(int column) {
    return column == ResultTableModel::kSizeColumn || column == ResultTableModel::kLinkColumn ||
           column == ResultTableModel::kStatusColumn;
}

bool SortsByMetadata(int column, bool documentTitles) {
    return column >= ResultTableModel::kListColumns || (column == ResultTableModel::kTitleColumn && documentTitles);
}

}  // namespace

QString ResultTableModel::DisplayStatus(const RowStatus& status) {
    // List files keep the stored texts byte for byte; only the table shows them in the window's language.
    switch (status.kind()) {
        case RowStatus::Kind::Waiting:
            return tr("Waiting");
        case RowStatus::Kind::Downloading:
            return tr("Downloading");
        case RowStatus::Kind::Downloaded:
            return tr("Downloaded");
        case RowStatus::Kind::Failed:
            return tr("Failed");
        case RowStatus::Kind::Duplicate:
            return tr("Duplicate");
        case RowStatus::Kind::Uploading:
            return tr("Uploading");
        case RowStatus::Kind::InProgress:
            //: Download progress; %1 is the percentage with its sign, as the worker wrote it.
            return tr("Done: %1").arg(QString::number(status.Percent()) + u'%');
        case RowStatus::Kind::Other:
            break;
    }
    return status.OtherText();  // a text from an older or newer version: shown as it is
}

QString ResultTableModel::DisplaySize(const QString& stored) {
    return stored == EntrySize::Unknown ? tr("Unknown") : stored;
}

bool ResultTableModel::IsFileNameTitle(const ResultEntry& entry) {
    const QString title = entry.title.trimmed();
    if (title.isEmpty()) return false;
    if (!entry.type.isEmpty() && title.endsWith(u'.' + entry.type, Qt::CaseInsensitive)) return true;
    const QString fileName = QUrl(entry.link).fileName(QUrl::FullyDecoded);
    return !fileName.isEmpty() && title.compare(fileName, Qt::CaseInsensitive) == 0;
}

QString ResultTableModel::Cell(const ResultEntry& entry, int column) const {
    const DocMetadata* metadata = column >= kListColumns || column == kTitleColumn ? MetadataOf(entry.link) : nullptr;
    switch (column) {
        case kTitleColumn:
            if (documentTitles_ && metadata && !metadata->title.trimmed().isEmpty() && IsFileNameTitle(entry))
                return metadata->title.trimmed();
            return entry.title;
        case kTypeColumn:
            return entry.type;
        case kSizeColumn:
            return DisplaySize(entry.size);
        case kLinkColumn:
            return entry.link;
        case kStatusColumn:
            return DisplayStatus(entry.status);
        case kAuthorColumn:
            return metadata ? metadata->author : QString();
        case kPagesColumn:
            return metadata && metadata->pages >= 0 ? QString::number(metadata->pages) : QString();
        case kCreatedColumn:
            // Down to the minute: the offset and seconds are in the details.
            return metadata ? metadata->created.left(16).replace(u'T', u' ') : QString();
        case kProducerColumn:
            return metadata ? Producer(*metadata) : QString();
        default:
            return {};
    }
}

RowOrder::Key ResultTableModel::KeyOf(const ResultEntry& entry, const DocMetadata* metadata, int column,
                                      bool documentTitles) {
    RowOrder::Key key;
    auto text = [&key](const QString& value) {
        key.known = !value.isEmpty();
        key.text = value;
    };
    auto number = [&key](std::optional<double> value) {
        key.known = value.has_value();
        key.number = value.value_or(0);
    };
    switch (column) {
        case kTitleColumn:
            text(documentTitles && metadata && !metadata->title.trimmed().isEmpty() && IsFileNameTitle(entry)
                     ? metadata->title.trimmed()
                     : entry.title);
            break;
        case kTypeColumn:
            text(entry.type);
            break;
        case kSizeColumn: {
            bool ok = false;
            const double kb = entry.size.toDouble(&ok);
            number(ok ? std::optional<double>(kb) : std::nullopt);
            break;
        }
        case kLinkColumn:
            text(entry.link);
            break;
        case kStatusColumn:
            // Grouped by state, the rows in progress by how far they are.
            number(int(entry.status.kind()) * 1000.0 +
                   (entry.status.kind() == RowStatus::Kind::InProgress ? entry.status.Percent() : 0));
            break;
        case kAuthorColumn:
            text(metadata ? metadata->author : QString());
            break;
        case kPagesColumn:
            number(metadata && metadata->pages >= 0 ? std::optional<double>(metadata->pages) : std::nullopt);
            break;
        case kCreatedColumn: {
            const auto date = metadata ? DateValue(metadata->created) : std::nullopt;
            number(date ? std::optional<double>(double(*date)) : std::nullopt);
            break;
        }
        case kProducerColumn:
            text(metadata ? Producer(*metadata) : QString());
            break;
        default:
            break;
    }
    return key;
}

QString ResultTableModel::DisplaySpeed(qint64 bytesPerSecond) {
    //: Download speed, such as "1.5 MB/s".
    return tr("%1/s").arg(QLocale().formattedDataSize(bytesPerSecond, 1, QLocale::DataSizeTraditionalFormat));
}

QString ResultTableModel::ProgressText(int percent, qint64 bytesPerSecond) {
    const QString text = DisplayStatus(RowStatus::InProgress(percent));
    //: A row's progress and its speed: "Done: 42% · 1.5 MB/s".
    return bytesPerSecond > 0 ? tr("%1 · %2").arg(text, DisplaySpeed(bytesPerSecond)) : text;
}

QString ResultTableModel::StatusCell(int row, RowId id, const ResultEntry& entry) const {
    if (entry.status.kind() == RowStatus::Kind::InProgress) {
        const qint64 speed = speed_ ? speed_(row) : 0;
        speedShown_ = speedShown_ || speed > 0;
        return ProgressText(entry.status.Percent(), speed);
    }
    QString text = DisplayStatus(entry.status);
    // Why a row ended as it did, beside its status: the stored status text cannot say it.
    //: A row's status and why: "Failed: HTTP 404".
    if (const QString reason = list_.Reason(id); !reason.isEmpty()) text = tr("%1: %2").arg(text, reason);
    return text;
}

ResultTableModel::ResultTableModel(ResultList& list, QObject* parent)
    : QAbstractTableModel(parent), list_(list) {
    shownRows_ = list_.Size();
    connect(&refresh_, &QTimer::timeout, this, &ResultTableModel::Refresh);
    refresh_.start(200);
    sinceSort_.start();
}

ResultTableModel::~ResultTableModel() {
    // Its answer is posted to this object, and Qt drops what is posted to an object gone.
    if (sorter_.joinable()) sorter_.join();
}

int ResultTableModel::ColumnWidth(int column) {
    return kWidths[column];
}

void ResultTableModel::SetMetadataCache(MetadataCache* cache) {
    metadata_ = cache;
    connect(cache, &MetadataCache::loaded, this, [this] {
        if (shownRows_ > 0) {
            RowsChanged(0, shownRows_ - 1, documentTitles_ ? int(kTitleColumn) : int(kListColumns), kColumns - 1);
        }
        if (sortColumn_ >= 0 && SortsByMetadata(sortColumn_, documentTitles_)) Resort();
    });
}

const DocMetadata* ResultTableModel::MetadataOf(const QString& link) const {
    return metadata_ ? metadata_->Find(link) : nullptr;
}

void ResultTableModel::SetUseDocumentTitles(bool use) {
    if (documentTitles_ == use) return;
    documentTitles_ = use;
    if (shownRows_ > 0) RowsChanged(0, shownRows_ - 1, kTitleColumn, kTitleColumn);
    if (sortColumn_ == kTitleColumn) sort(sortColumn_, sortOrder_);
}

std::optional<RowId> ResultTableModel::IdAt(int row) const {
    if (row < 0 || row >= shownRows_) return std::nullopt;
    // Rows added since the last sort follow the sorted ones in the list's order until the next.
    if (order_.IsSorted() && row < order_.Size()) return order_.IdAt(row);
    return list_.IdAt(row);
}

int ResultTableModel::RowOf(RowId id) const {
    if (order_.IsSorted()) {
        if (const qsizetype row = order_.RowOf(id); row >= 0) return int(row);
    }
    const auto position = list_.PositionOf(id);
    if (!position || (order_.IsSorted() && *position < order_.Size())) return -1;
    return int(*position);
}

void ResultTableModel::RowsChanged(qsizetype first, qsizetype last, int firstColumn, int lastColumn) {
    Q_EMIT dataChanged(index(int(first), firstColumn), index(int(last), lastColumn));
}

void ResultTableModel::sort(int column, Qt::SortOrder order) {
    sortColumn_ = column >= 0 && column < kColumns ? column : -1;
    sortOrder_ = order;
    // An order being made for the previous column is dropped when it comes.
    ++sortGeneration_;
    if (sortColumn_ < 0) {
        ApplyOrder(RowOrder(), sortGeneration_);
        return;
    }
    Resort();
}

void ResultTableModel::Resort() {
    if (sortColumn_ < 0) return;
    orderStale_ = false;
    auto work = [&list = list_, column = sortColumn_, descending = sortOrder_ == Qt::DescendingOrder,
                 documentTitles = documentTitles_,
                 metadata = metadata_ ? metadata_->Snapshot() : std::shared_ptr<const MetadataCache::Map>()] {
        std::vector<std::pair<RowId, ResultEntry>> rows = list.SnapshotWithIds();
        std::vector<RowOrder::Key> keys;
        keys.reserve(rows.size());
        const bool needsMetadata = metadata && SortsByMetadata(column, documentTitles);
        for (const auto& [id, entry] : rows) {
            const DocMetadata* found = nullptr;
            if (needsMetadata) {
                const auto it = metadata->constFind(entry.link);
                if (it != metadata->cend()) found = it->get();
            }
            keys.push_back(KeyOf(entry, found, column, documentTitles));
            keys.back().id = id;
        }
        return RowOrder::Of(RowOrder::Sorted(std::move(keys),
                                             column == kTitleColumn || column == kTypeColumn ||
                                                     column == kLinkColumn || column == kAuthorColumn ||
                                                     column == kProducerColumn
                                                 ? RowOrder::Compare::Text
                                                 : RowOrder::Compare::Number,
                                             descending));
    };
    if (list_.Size() <= kSortHere) {
        ApplyOrder(work(), sortGeneration_);
        return;
    }
    if (Sorting()) {
        sortAgain_ = true;
        return;
    }
    if (sorter_.joinable()) sorter_.join();  // done: its answer is in
    sortAgain_ = false;
    sorterDone_ = false;
    const quint64 generation = sortGeneration_;
    sorter_ = std::thread([this, work = std::move(work), generation] {
        BulkThread::YieldToOthers();
        RowOrder sorted = work();
        // Done before the answer is posted, so the answer may start the next sort.
        sorterDone_ = true;
        QMetaObject::invokeMethod(
            this,
            [this, sorted = std::move(sorted), generation]() mutable {
                // Rows that came meanwhile follow the sorted ones until the next sort, which starts at
                // once: an order of a moment ago beats none while a search keeps adding rows.
                ApplyOrder(std::move(sorted), generation);
                if (std::exchange(sortAgain_, false)) Resort();
            },
            Qt::QueuedConnection);
    });
}

void ResultTableModel::ApplyOrder(RowOrder sorted, quint64 generation) {
    if (generation != sortGeneration_) return;
    Q_EMIT layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    // The highlight and the current row follow their rows to where the sort puts them.
    const QModelIndexList before = persistentIndexList();
    std::vector<std::optional<RowId>> rows;
    rows.reserve(size_t(before.size()));
    for (const QModelIndex& index : before) rows.push_back(IdAt(index.row()));
    if (sortColumn_ < 0)
        order_.Clear();
    else
        order_ = std::move(sorted);
    QModelIndexList after;
    after.reserve(before.size());
    for (qsizetype i = 0; i < before.size(); ++i) {
        const int row = rows[size_t(i)] ? RowOf(*rows[size_t(i)]) : -1;
        after.append(row >= 0 && row < shownRows_ ? index(row, before[i].column()) : QModelIndex());
    }
    changePersistentIndexList(before, after);
    Q_EMIT layoutChanged({}, QAbstractItemModel::VerticalSortHint);
    sinceSort_.restart();
}

void ResultTableModel::Refresh() {
    const ResultList::Changes changes = list_.TakeChanges();
    if (changes.structural) {
        beginResetModel();
        shownRows_ = list_.Size();
        endResetModel();
        // Asked for, not only applied: a sort still on its thread took its rows before these.
        if (sortColumn_ >= 0) Resort();
        return;
    }
    qsizetype first = -1, last = -1;
    for (RowId id : changes.rows) {
        const int row = RowOf(id);
        if (row < 0 || row >= shownRows_) continue;
        first = first < 0 ? row : std::min(first, qsizetype(row));
        last = std::max(last, qsizetype(row));
    }
    if (first >= 0) RowsChanged(first, last, 0, kColumns - 1);
    // A download moves rows in a sort by status or size; a big list is sorted again only now and then.
    if (!changes.rows.isEmpty() && SortsByChangingCells(sortColumn_)) orderStale_ = true;
    if (orderStale_ && !Sorting() && (shownRows_ <= kSortHere || sinceSort_.elapsed() >= kBigResortMs)) {
        orderStale_ = false;
        Resort();
    }
    // Speeds change without a change note; the view repaints only the cells it shows.
    if (std::exchange(speedShown_, false) && shownRows_ > 0)
        RowsChanged(0, shownRows_ - 1, kStatusColumn, kStatusColumn);
}

int ResultTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(shownRows_);
}

int ResultTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kColumns;
}

QVariant ResultTableModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) return {};
    const auto id = IdAt(index.row());
    if (!id) return {};
    if (role == Qt::TextAlignmentRole) return int(Qt::AlignCenter);
    if (role == Qt::CheckStateRole && index.column() == 0)
        return list_.IsChecked(*id) ? Qt::Checked : Qt::Unchecked;
    if (role == ProgressRole) {
        if (index.column() != kStatusColumn) return {};
        const auto entry = list_.Entry(*id);
        if (!entry || entry->status.kind() != RowStatus::Kind::InProgress) return {};
        return std::clamp(entry->status.Percent(), 0, 100);
    }
    if (role != Qt::DisplayRole && role != Qt::ToolTipRole) return {};
    if (role == Qt::ToolTipRole && index.column() == kStatusColumn) {
        if (const QString reason = list_.Reason(*id); !reason.isEmpty()) return reason;
    }
    const auto entry = list_.Entry(*id);
    if (!entry) return {};
    if (index.column() == kStatusColumn && role == Qt::DisplayRole)
        return StatusCell(index.row(), *id, *entry);
    if (role == Qt::ToolTipRole && index.column() == kCreatedColumn) {
        const DocMetadata* metadata = MetadataOf(entry->link);
        return metadata ? metadata->created : QString();
    }
    // The list's own title stays in reach when the document's title is shown.
    if (role == Qt::ToolTipRole && index.column() == kTitleColumn) return entry->title;
    return Cell(*entry, index.column());
}

bool ResultTableModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (role != Qt::CheckStateRole || index.column() != 0) return false;
    const auto id = IdAt(index.row());
    if (!id) return false;
    list_.SetChecked(*id, value.toInt() == Qt::Checked);
    Q_EMIT dataChanged(index, index);
    return true;
}

Qt::ItemFlags ResultTableModel::flags(const QModelIndex& index) const {
    Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (index.column() == 0) flags |= Qt::ItemIsUserCheckable;
    return flags;
}

QVariant ResultTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= kColumns) return {};
    if (role == Qt::DisplayRole) return tr(kHeaders[section]);
    if (role == Qt::TextAlignmentRole) return int(Qt::AlignCenter);
    return {};
}
