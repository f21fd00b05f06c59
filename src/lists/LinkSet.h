#pragma once
// A set of links (exact, case-sensitive text) that keeps a link from entering twice: the result list's
// duplicate guard, and the search job's set of seen addresses. Constant-time membership. Every call
// takes the set's own lock; callable from any thread.

#include <QMutex>
#include <QString>
#include <unordered_set>

#include "lists/TextHash.h"

class LinkSet {
  public:
    // 1 when the link was new and is now in the set, 0 when it was there already. An empty link gives 1
    // and is never stored.
    int AddLinkIfNew(const QString& link);
    bool Contains(const QString& link) const;
    void Remove(const QString& link);
    void Clear();
    qsizetype Size() const;
    void Reserve(qsizetype count);
    // Frees up to `count` links of a set that is going away; false once it is empty.
    bool FreeSome(qsizetype count);
    // Takes the other set's links in place of its own, which the other set gets: freeing a million links
    // is then up to whoever drops the other set.
    void TakeFrom(LinkSet& other);

  private:
    mutable QMutex mutex_;
    std::unordered_set<QString, TextHash> links_;
};
