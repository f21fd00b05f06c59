#pragma once
// RTF's {\info} group: title, author, operator (last saved by), subject, keywords, company, comment,
// creation and revision times, page count. Text in the header's ANSI code page, \'hh and \uN escapes,
// \upr's Unicode alternative preferred to its ANSI one. Reads no further than the end of the group.

#include <QByteArray>

struct DocMetadata;

class RtfMetaReader {
  public:
    static void Read(const QByteArray& bytes, DocMetadata* metadata);
    static constexpr int kMaxDepth = 256;
};
