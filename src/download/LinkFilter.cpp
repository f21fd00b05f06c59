#include "download/LinkFilter.h"

#include <algorithm>

#include "lists/TextHash.h"

std::uint64_t LinkFilter::HashOf(const QString& link) {
    static_assert(sizeof(size_t) == sizeof(std::uint64_t), "a 64-bit hash keeps false matches negligible");
    return TextHash{}(link);
}

void LinkFilter::Add(std::uint64_t hash) {
    recent_.insert(hash);
    // A set node costs several times the 8 bytes of an array slot; merging is linear, so it waits until
    // the set is a fair share of the array.
    if (recent_.size() >= std::max<size_t>(4096, sorted_.size() / 8)) Merge();
}

bool LinkFilter::MayContain(std::uint64_t hash) const {
    return recent_.count(hash) != 0 || std::binary_search(sorted_.begin(), sorted_.end(), hash);
}

void LinkFilter::Clear() {
    sorted_ = {};
    recent_ = {};
}

void LinkFilter::Merge() {
    const size_t before = sorted_.size();
    sorted_.insert(sorted_.end(), recent_.begin(), recent_.end());
    std::sort(sorted_.begin() + std::ptrdiff_t(before), sorted_.end());
    std::inplace_merge(sorted_.begin(), sorted_.begin() + std::ptrdiff_t(before), sorted_.end());
    sorted_.erase(std::unique(sorted_.begin(), sorted_.end()), sorted_.end());
    recent_.clear();
}
