#include "gui/ResultTableModel.h"

#include <QLocale>
#include <algorithm>
#include <utility>

#include "lists/ResultList.h"

namespace {

const char* const kHeaders[] = {
    QT_TRANSLATE_NOOP("ResultTableModel", "File Name"), QT_TRANSLATE_NOOP("ResultTableModel", "Type"),
    QT_TRANSLATE_NOOP("ResultTableModel", "Size (KB)"), QT_TRANSLATE_NOOP("ResultTableModel", "Location"),
    QT_TRANSLATE_NOOP("ResultTableModel", "Status")};
constexpr int kWidths[] = {170, 50, 80, 200, 170};

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

QString ResultTableModel::Cell(const ResultEntry& entry, int column) {
    switch (column) {
        case 0:
            return entry.title;
        case 1:
            return entry.type;
        case 2:
            return DisplaySize(entry.size);
        case 3:
            return entry.link;
        default:
            return DisplayStatus(entry.status);
    }
}

QString ResultTableModel::DisplaySpeed(qint64 bytesPerSecond) {
    //: Download speed, such as "1.5 MB/s".
    return tr("%1/s").arg(QLocale().formattedDataSize(bytesPerSecond, 1, QLocale::DataSizeTraditionalFormat));
}

QString ResultTableModel::StatusCell(int row, RowId id, const ResultEntry& entry) const {
    QString text = DisplayStatus(entry.status);
    if (entry.status.kind() == RowStatus::Kind::InProgress) {
        const qint64 speed = speed_ ? speed_(row) : 0;
        speedShown_ = speedShown_ || speed > 0;
        //: A row's progress and its speed: "Done: 42% · 1.5 MB/s".
        if (speed > 0) text = tr("%1 · %2").arg(text, DisplaySpeed(speed));
        return text;
    }
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
}

int ResultTableModel::ColumnWidth(int column) {
    return kWidths[column];
}

void ResultTableModel::Refresh() {
    const ResultList::Changes changes = list_.TakeChanges();
    if (changes.structural) {
        beginResetModel();
        shownRows_ = list_.Size();
        endResetModel();
        return;
    }
    qsizetype first = -1, last = -1;
    for (RowId id : changes.rows) {
        const auto position = list_.PositionOf(id);
        if (!position || *position >= shownRows_) continue;
        first = first < 0 ? *position : std::min(first, *position);
        last = std::max(last, *position);
    }
    if (first >= 0) Q_EMIT dataChanged(index(int(first), 0), index(int(last), 4));
    // Speeds change without a change note; the view repaints only the cells it shows.
    if (std::exchange(speedShown_, false) && shownRows_ > 0)
        Q_EMIT dataChanged(index(0, kStatusColumn), index(int(shownRows_) - 1, kStatusColumn));
}

int ResultTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(shownRows_);
}

int ResultTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : 5;
}

QVariant ResultTableModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) return {};
    const auto id = list_.IdAt(index.row());
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
    return Cell(*entry, index.column());
}

bool ResultTableModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (role != Qt::CheckStateRole || index.column() != 0) return false;
    const auto id = list_.IdAt(index.row());
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
    if (orientation != Qt::Horizontal || section < 0 || section > 4) return {};
    if (role == Qt::DisplayRole) return tr(kHeaders[section]);
    if (role == Qt::TextAlignmentRole) return int(Qt::AlignCenter);
    return {};
}
