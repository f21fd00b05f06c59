#pragma once
// Reads one document's metadata: detects its format by its first bytes, hands it to the reader of that
// format, adds its size and SHA-256 and the telling strings of its fields. Runs in the worker process
// (and in the fuzz targets); never throws.

#include <QByteArray>
#include <QString>

#include "meta/DocMetadata.h"

class DocumentReader {
  public:
    static DocMetadata ReadFile(const QString& path);
    static DocMetadata ReadBytes(const QByteArray& bytes);

    // Larger files get their size, digest and type only: no metadata reader is trusted with them.
    static constexpr qint64 kMaxReadBytes = 512LL * 1024 * 1024;
};
