#pragma once
// The documents' metadata the result table shows, by the row's link: read from the registry's database on
// a thread of its own and swapped in whole on the main thread, so painting or sorting a cell never waits
// for SQLite. Main thread, but for the loader inside.

#include <QHash>
#include <QObject>
#include <QString>
#include <atomic>
#include <memory>
#include <thread>

#include "meta/DocMetadata.h"

class MetadataCache : public QObject {
    Q_OBJECT
  public:
    explicit MetadataCache(QString databasePath, QObject* parent = nullptr);
    ~MetadataCache() override;

    using Map = QHash<QString, std::shared_ptr<const DocMetadata>>;
    // What was loaded last; safe to read from another thread once taken.
    std::shared_ptr<const Map> Snapshot() const { return map_; }
    // Null when the link's document has no metadata (yet).
    const DocMetadata* Find(const QString& link) const;
    // Loads anew in the background; a request during a load is served when it ends.
    void Reload();
    bool Loading() const { return loading_; }

  Q_SIGNALS:
    void loaded();

  private:
    void StartLoad();
    void Finished(std::shared_ptr<const Map> map);

    QString path_;
    std::shared_ptr<const Map> map_;
    std::thread loader_;
    bool loading_ = false;
    bool again_ = false;
};
