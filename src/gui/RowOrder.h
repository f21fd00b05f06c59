#pragma once
// The order the result table shows its rows in: the list's own (insertion) order, or a stable sort of the
// rows by one column's values, which only the view sees. List files, the download order and row ids keep
// the list's order. Sorting takes the rows' keys by value, so it can run on any thread; the order itself
// belongs to the model's (main) thread.

#include <QString>
#include <optional>
#include <vector>

#include <QtGlobal>

using RowId = quint64;

class RowOrder {
  public:
    // One row's value in the sorted column. Rows without a value go last whichever the direction, so
    // the documents that have one stay together at the top.
    struct Key {
        RowId id = 0;
        bool known = false;
        double number = 0;  // numbers, and dates as milliseconds since the epoch
        QString text;       // compared without case when the column is a text
    };
    enum class Compare { Text, Number };

    // The ids of `keys` sorted stably: rows that compare equal keep the order `keys` has them in.
    static std::vector<RowId> Sorted(std::vector<Key> keys, Compare compare, bool descending);

    // A sorted order, with its lookup by id made here: on the sorter's thread, not the window's.
    static RowOrder Of(std::vector<RowId> ids);
    // A sorted order replaces the list's order; Clear returns to it.
    void Set(std::vector<RowId> ids) { *this = Of(std::move(ids)); }
    void Clear();
    bool IsSorted() const { return sorted_; }
    // The rows the order covers; rows added after it was made follow it in the list's order.
    qsizetype Size() const { return qsizetype(ids_.size()); }
    std::optional<RowId> IdAt(qsizetype row) const;
    // The view row of an id the order covers, -1 otherwise.
    qsizetype RowOf(RowId id) const;

  private:
    bool sorted_ = false;
    std::vector<RowId> ids_;                      // view order
    std::vector<std::pair<RowId, qsizetype>> byId_;  // (id, view row), by id, for RowOf
};
