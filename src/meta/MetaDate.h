#pragma once
// Dates as documents write them (PDF's D:YYYYMMDDHHmmSSOHH'mm', XMP's and OOXML's ISO 8601, ODF's with
// nanoseconds, RTF's and OLE2's parts), turned into ISO 8601 text. An invalid date gives empty text.

#include <QString>

class MetaDate {
  public:
    static QString FromPdf(const QString& text);
    static QString FromIso(const QString& text);
    // Local time without a zone, as OLE2 and RTF store it; month and day 0 mean unknown.
    static QString FromParts(int year, int month, int day, int hour, int minute, int second);
};
