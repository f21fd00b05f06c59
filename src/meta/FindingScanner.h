#pragma once
// Finds the strings an analyst looks for in metadata fields: e-mail addresses, URLs, file-system paths
// (and the user names inside them), printers, and author fields that are login names. Fields only, never
// a document's body.

#include <QList>
#include <QString>

#include "meta/MetaFinding.h"

struct DocMetadata;

class FindingScanner {
  public:
    // Scans one field's text; new findings are appended once each.
    static void Scan(const QString& field, const QString& text, QList<MetaFinding>* findings);
    // Every field of the metadata and its XMP history.
    static void ScanAll(DocMetadata* metadata);
};
