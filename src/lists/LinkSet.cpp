#include "lists/LinkSet.h"

#include <QMutexLocker>

int LinkSet::AddLinkIfNew(const QString& link) {
    if (link.isEmpty()) return 1;
    QMutexLocker lock(&mutex_);
    return links_.insert(link).second ? 1 : 0;
}

bool LinkSet::Contains(const QString& link) const {
    QMutexLocker lock(&mutex_);
    return links_.count(link) != 0;
}

void LinkSet::Remove(const QString& link) {
    QMutexLocker lock(&mutex_);
    links_.erase(link);
}

void LinkSet::Clear() {
    QMutexLocker lock(&mutex_);
    links_.clear();
}

qsizetype LinkSet::Size() const {
    QMutexLocker lock(&mutex_);
    return qsizetype(links_.size());
}

void LinkSet::Reserve(qsizetype count) {
    QMutexLocker lock(&mutex_);
    links_.reserve(size_t(count));
}

bool LinkSet::FreeSome(qsizetype count) {
    QMutexLocker lock(&mutex_);
    for (qsizetype i = 0; i < count && !links_.empty(); ++i) links_.erase(links_.begin());
    if (!links_.empty()) return true;
    decltype(links_)().swap(links_);
    return false;
}

void LinkSet::TakeFrom(LinkSet& other) {
    std::unordered_set<QString, TextHash> taken;
    {
        QMutexLocker lock(&other.mutex_);
        taken.swap(other.links_);
    }
    {
        QMutexLocker lock(&mutex_);
        links_.swap(taken);
    }
    QMutexLocker lock(&other.mutex_);
    other.links_.swap(taken);
}
