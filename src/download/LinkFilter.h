#pragma once
// What the registry holds, as 64-bit hashes of its links: a link whose hash is not here was never
// recorded, so the answer "absent" (every new link asks it) costs no database look-up. A hash that is
// here proves nothing (another link may share it, or the link was deleted since): those are asked of
// the database. Hashes are never removed for that reason.
//
// A sorted array holds the bulk (8 bytes a link, a million links in 8 MB) and a small set what came
// since; the set is merged into the array when it grows. Not thread-safe: the registry's lock guards it.

#include <QString>
#include <cstdint>
#include <unordered_set>
#include <vector>

class LinkFilter {
  public:
    static std::uint64_t HashOf(const QString& link);
    void Add(std::uint64_t hash);
    bool MayContain(std::uint64_t hash) const;
    void Clear();

  private:
    void Merge();

    std::vector<std::uint64_t> sorted_;
    std::unordered_set<std::uint64_t> recent_;
};
