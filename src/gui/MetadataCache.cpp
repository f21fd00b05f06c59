#include "gui/MetadataCache.h"

#include <QFileInfo>

#include "download/MetadataTable.h"

MetadataCache::MetadataCache(QString databasePath, QObject* parent)
    : QObject(parent), path_(std::move(databasePath)), map_(std::make_shared<const Map>()) {}

MetadataCache::~MetadataCache() {
    if (loader_.joinable()) loader_.join();
}

const DocMetadata* MetadataCache::Find(const QString& link) const {
    const auto it = map_->constFind(link);
    return it == map_->cend() ? nullptr : it->get();
}

void MetadataCache::Reload() {
    if (loading_) {
        again_ = true;
        return;
    }
    StartLoad();
}

void MetadataCache::StartLoad() {
    if (loader_.joinable()) loader_.join();  // ended: its result is already in
    loading_ = true;
    again_ = false;
    loader_ = std::thread([this, path = path_] {
        auto map = std::make_shared<Map>();
        // A home without a registry yet has no metadata either; opening would make an empty database.
        if (QFileInfo::exists(path)) {
            MetadataTable table;
            if (table.Open(path)) {
                for (MetadataTable::Entry& entry : table.Documents()) {
                    // The first kept file of a link speaks for it, as the report has it.
                    if (!map->contains(entry.link))
                        map->insert(entry.link, std::make_shared<const DocMetadata>(std::move(entry.metadata)));
                }
            }
        }
        QMetaObject::invokeMethod(
            this, [this, map = std::shared_ptr<const Map>(std::move(map))] { Finished(map); },
            Qt::QueuedConnection);
    });
}

void MetadataCache::Finished(std::shared_ptr<const Map> map) {
    map_ = std::move(map);
    loading_ = false;
    if (again_) StartLoad();
    Q_EMIT loaded();
}
