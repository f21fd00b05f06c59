#pragma once
// OOXML (docProps/core.xml and app.xml) and ODF (meta.xml) metadata from a zip read with libzip, entries
// read into memory only, never extracted, so an entry's name cannot choose a path. Bounded: entry count,
// each entry's size, its compression ratio, and the bytes inflated in all.

#include <QByteArray>

struct DocMetadata;

class ZipMetaReader {
  public:
    static void Read(const QByteArray& bytes, DocMetadata* metadata);

    static constexpr qint64 kMaxEntries = 20000;
    static constexpr qint64 kMaxEntryBytes = 8 * 1024 * 1024;
    static constexpr qint64 kMaxRatio = 200;  // above 1 MiB inflated
    static constexpr qint64 kMaxTotalBytes = 32 * 1024 * 1024;
};
