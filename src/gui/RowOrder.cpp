#include "gui/RowOrder.h"

#include <algorithm>

std::vector<RowId> RowOrder::Sorted(std::vector<Key> keys, Compare compare, bool descending) {
    // Descending reverses the comparison, not the result, so equal rows keep the list's order either way.
    auto less = [compare, descending](const Key& a, const Key& b) {
        if (a.known != b.known) return a.known;
        if (!a.known) return false;
        int order = 0;
        if (compare == Compare::Number)
            order = a.number < b.number ? -1 : (b.number < a.number ? 1 : 0);
        else
            order = a.text.compare(b.text, Qt::CaseInsensitive);
        return descending ? order > 0 : order < 0;
    };
    std::stable_sort(keys.begin(), keys.end(), less);
    std::vector<RowId> ids;
    ids.reserve(keys.size());
    for (const Key& key : keys) ids.push_back(key.id);
    return ids;
}

RowOrder RowOrder::Of(std::vector<RowId> ids) {
    RowOrder order;
    order.ids_ = std::move(ids);
    order.byId_.reserve(order.ids_.size());
    for (size_t row = 0; row < order.ids_.size(); ++row)
        order.byId_.emplace_back(order.ids_[row], qsizetype(row));
    std::sort(order.byId_.begin(), order.byId_.end());
    order.sorted_ = true;
    return order;
}

void RowOrder::Clear() {
    sorted_ = false;
    std::vector<RowId>().swap(ids_);
    std::vector<std::pair<RowId, qsizetype>>().swap(byId_);
}

std::optional<RowId> RowOrder::IdAt(qsizetype row) const {
    if (row < 0 || row >= Size()) return std::nullopt;
    return ids_[size_t(row)];
}

qsizetype RowOrder::RowOf(RowId id) const {
    const auto it = std::lower_bound(byId_.begin(), byId_.end(), std::pair<RowId, qsizetype>(id, -1));
    return it != byId_.end() && it->first == id ? it->second : -1;
}
