#pragma once
// The result list as a table: five centred text columns and a check box in the first, no sorting. It
// pulls the list's batched change notes every 200 ms, so a million rows and a hundred busy workers
// cost one refresh per batch, not one repaint per cell write. Main thread.

#include <QAbstractTableModel>
#include <QTimer>
#include <functional>

#include "lists/RowStatus.h"

class ResultList;
using RowId = quint64;
struct ResultEntry;

class ResultTableModel : public QAbstractTableModel {
    Q_OBJECT
  public:
    explicit ResultTableModel(ResultList& list, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // The percent of a row in progress, in the status column; no value for other rows.
    static constexpr int ProgressRole = Qt::UserRole + 1;
    // Bytes per second of the row at a position, 0 when none is known. Called on the main thread at
    // every refresh and paint of a row in progress.
    using SpeedSource = std::function<qint64(int row)>;
    void SetSpeedSource(SpeedSource source) { speed_ = std::move(source); }
    static QString DisplaySpeed(qint64 bytesPerSecond);

    static constexpr int kColumns = 5;
    static constexpr int kTitleColumn = 0;
    static constexpr int kLinkColumn = 3;
    static constexpr int kStatusColumn = 4;
    static int ColumnWidth(int column);
    // The text the table shows for a stored status or size text, in the window's language.
    static QString DisplayStatus(const RowStatus& status);
    static QString DisplaySize(const QString& stored);
    // Applies the list's changes now (the timer does it by itself).
    void Refresh();

  private:
    static QString Cell(const ResultEntry& entry, int column);
    QString StatusCell(int row, RowId id, const ResultEntry& entry) const;

    ResultList& list_;
    QTimer refresh_;
    qsizetype shownRows_ = 0;
    SpeedSource speed_;
    // A cell showed a speed since the last refresh: only then do the status cells repaint on the timer,
    // so an idle list costs nothing. A row that starts downloading repaints through its change note.
    mutable bool speedShown_ = false;
};
