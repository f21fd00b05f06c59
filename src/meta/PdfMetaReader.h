#pragma once
// PDF metadata through qpdf: the Info dictionary, the XMP packet (which fills the gaps the Info
// dictionary leaves; where they differ, Info wins and the XMP value is kept beside it), the page count
// from the page tree's root, version and encryption. Hostile files end as Damaged or Encrypted, never
// as an exception; the XMP packet is decoded up to kMaxXmpBytes.

#include <QByteArray>

struct DocMetadata;

class PdfMetaReader {
  public:
    static void Read(const QByteArray& bytes, DocMetadata* metadata);
    static constexpr qsizetype kMaxXmpBytes = 4 * 1024 * 1024;
};
