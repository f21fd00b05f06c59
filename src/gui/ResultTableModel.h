#pragma once
// The result list as a table: five centred text columns and a check box in the first, then the
// documents' metadata (author, pages, created, producer) from a cache. It pulls the list's batched change
// notes every 200 ms, so a million rows and a hundred busy workers cost one refresh per batch, not one
// repaint per cell write. A header click sorts the view only (RowOrder); the list keeps its order. Main
// thread.

#include <QAbstractTableModel>
#include <QElapsedTimer>
#include <QTimer>
#include <atomic>
#include <functional>
#include <optional>
#include <thread>

#include "gui/RowOrder.h"
#include "lists/RowStatus.h"

class MetadataCache;
class ResultList;
struct DocMetadata;
struct ResultEntry;

class ResultTableModel : public QAbstractTableModel {
    Q_OBJECT
  public:
    explicit ResultTableModel(ResultList& list, QObject* parent = nullptr);
    ~ResultTableModel() override;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    // Sorts the view by a column, stably; a column out of range (-1) returns to the list's order.
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

    // The list row a table row shows, and back; nullopt / -1 for a row that is gone.
    std::optional<RowId> IdAt(int row) const;
    int RowOf(RowId id) const;

    // The percent of a row in progress, in the status column; no value for other rows.
    static constexpr int ProgressRole = Qt::UserRole + 1;
    // Bytes per second of the table's row, 0 when none is known. Called on the main thread at every
    // refresh and paint of a row in progress.
    using SpeedSource = std::function<qint64(int row)>;
    void SetSpeedSource(SpeedSource source) { speed_ = std::move(source); }
    static QString DisplaySpeed(qint64 bytesPerSecond);
    // The status cell of a row in progress: "Done: 42% · 1.5 MB/s", or without a speed when none is known.
    static QString ProgressText(int percent, qint64 bytesPerSecond);

    // Where the metadata columns and the documents' titles come from; without one they stay empty.
    void SetMetadataCache(MetadataCache* cache);
    const DocMetadata* MetadataOf(const QString& link) const;
    // Shows a document's own title for rows whose title is only a file name (the list keeps its title).
    void SetUseDocumentTitles(bool use);
    bool UseDocumentTitles() const { return documentTitles_; }
    static bool IsFileNameTitle(const ResultEntry& entry);

    enum Column { kTitleColumn, kTypeColumn, kSizeColumn, kLinkColumn, kStatusColumn,
                  kAuthorColumn, kPagesColumn, kCreatedColumn, kProducerColumn, kColumns };
    static constexpr int kListColumns = kAuthorColumn;  // the columns the list itself holds
    static int ColumnWidth(int column);
    // The text the table shows for a stored status or size text, in the window's language.
    static QString DisplayStatus(const RowStatus& status);
    static QString DisplaySize(const QString& stored);
    // Applies the list's changes now (the timer does it by itself).
    void Refresh();
    // A sort of a big list runs on a thread of its own; tests wait for it.
    bool Sorting() const { return sorter_.joinable() && !sorterDone_.load(); }

  private:
    QString Cell(const ResultEntry& entry, int column) const;
    QString StatusCell(int row, RowId id, const ResultEntry& entry) const;
    static RowOrder::Key KeyOf(const ResultEntry& entry, const DocMetadata* metadata, int column,
                               bool documentTitles);
    // Sorts again by the current column: here for a small list, on the sorter thread for a big one.
    void Resort();
    void ApplyOrder(RowOrder sorted, quint64 generation);
    void RowsChanged(qsizetype first, qsizetype last, int firstColumn, int lastColumn);

    ResultList& list_;
    MetadataCache* metadata_ = nullptr;
    bool documentTitles_ = false;
    QTimer refresh_;
    qsizetype shownRows_ = 0;
    SpeedSource speed_;
    // A cell showed a speed since the last refresh: only then do the status cells repaint on the timer,
    // so an idle list costs nothing. A row that starts downloading repaints through its change note.
    mutable bool speedShown_ = false;

    RowOrder order_;
    int sortColumn_ = -1;
    Qt::SortOrder sortOrder_ = Qt::AscendingOrder;
    quint64 sortGeneration_ = 0;  // a sort asked for before the last one is dropped when it ends
    bool sortAgain_ = false;      // rows came or went during a sort on the sorter thread
    bool orderStale_ = false;     // a download changed the sorted column's cells since the last sort
    QElapsedTimer sinceSort_;
    std::thread sorter_;
    std::atomic<bool> sorterDone_{true};
};
