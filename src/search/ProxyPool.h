#pragma once
// The search proxy pool of one search: each engine asks its result pages through one proxy of the pool
// at a time, and moves to the next when the engine blocks it or it fails to connect. An engine is out of
// proxies only when every proxy of the pool has been blocked for it in this search. Any thread.

#include <QHash>
#include <QMutex>
#include <QSet>
#include <QString>
#include <QStringList>

class ProxyPool {
  public:
    // A new search: the pool's proxies in order (none: no pool) and nothing blocked.
    void Reset(const QStringList& proxies);
    bool IsEmpty() const;
    // The proxy the engine uses now; empty without a pool or when every proxy is blocked for it.
    QString Current(const QString& engine) const;
    // `proxy` is blocked for the engine; the proxy it uses from now on, or empty when none is left.
    QString Block(const QString& engine, const QString& proxy);

  private:
    mutable QMutex mutex_;
    QStringList proxies_;
    QHash<QString, QSet<QString>> blocked_;  // engine -> proxies blocked for it
};
