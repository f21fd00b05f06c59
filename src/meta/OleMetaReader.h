#pragma once
// OLE2 (doc, xls, ppt) SummaryInformation and DocumentSummaryInformation through libgsf, which decodes
// the strings by the property set's code page.

#include <QByteArray>

struct DocMetadata;

class OleMetaReader {
  public:
    static void Read(const QByteArray& bytes, DocMetadata* metadata);
};
