#include "lists/LinkSet.h"

#include <QMutexLocker>

int LinkSet::AddLinkIfNew(const QString& link) {
    if (link.isEmpty()) return 1;
    QMutexLocker lock(&mutex_);
    const qsizetype before = links_.size();
    links_.insert(link);
    return links_.size() != before ? 1 : 0;
}

bool LinkSet::Contains(const QString& link) const {
    QMutexLocker lock(&mutex_);
    return links_.contains(link);
}

void LinkSet::Remove(const QString& link) {
    QMutexLocker lock(&mutex_);
    links_.remove(link);
}

void LinkSet::Clear() {
    QMutexLocker lock(&mutex_);
    links_.clear();
}

qsizetype LinkSet::Size() const {
    QMutexLocker lock(&mutex_);
    return links_.size();
}
