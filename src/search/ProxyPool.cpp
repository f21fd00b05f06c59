#include "search/ProxyPool.h"

#include <QMutexLocker>

void ProxyPool::Reset(const QStringList& proxies) {
    QMutexLocker lock(&mutex_);
    proxies_ = proxies;
    blocked_.clear();
}

bool ProxyPool::IsEmpty() const {
    QMutexLocker lock(&mutex_);
    return proxies_.isEmpty();
}

QString ProxyPool::Current(const QString& engine) const {
    QMutexLocker lock(&mutex_);
    const QSet<QString> blocked = blocked_.value(engine);
    for (const QString& proxy : proxies_) {
        if (!blocked.contains(proxy)) return proxy;
    }
    return QString();
}

QString ProxyPool::Block(const QString& engine, const QString& proxy) {
    {
        QMutexLocker lock(&mutex_);
        blocked_[engine].insert(proxy);
    }
    return Current(engine);
}
