#pragma once
// The two list file formats, as text. ".list": one record a line, the five cells joined by "$". A
// record whose cells hold "$" or a line end (or whose title starts with the escape mark) is written
// with a leading ESC character and backslash escapes in every cell, so it reads back unchanged; every
// other record is written plainly. XML: root "skimmer", one "item" per row with "title", "types",
// "size", "path" and "status", indented with tab text nodes. Pure functions; any thread.

#include <QByteArray>
#include <QList>
#include <QString>
#include <functional>
#include <optional>

#include "lists/ResultEntry.h"

class ListFileFormat {
  public:
    static QString FormatRecord(const ResultEntry& entry);
    // FormatRecord's line in UTF-8 with its "\n", appended: the same bytes without the copies between.
    static void AppendRecordUtf8(QByteArray& out, const ResultEntry& entry);
    // The reverse of FormatRecord, and the rules every plain line is read by: four fields up to the
    // next "$" (an empty one ends the parse), then the status as the first run of non-blank characters.
    static ResultEntry ParseRecord(const QString& line);

    // The title loses its line ends; characters XML 1.0 cannot carry are dropped.
    static QByteArray WriteXml(const QList<ResultEntry>& entries);
    // Items of the first "skimmer" element anywhere in the document; nothing (with error set) when the
    // bytes are not well-formed XML, carry a DOCTYPE, or have no "skimmer" element.
    static std::optional<QList<ResultEntry>> ReadXml(const QByteArray& bytes, QString* error);
    // The same, handing each item over as soon as it is complete; false (with error set) when the
    // document turns out bad, possibly after some items were handed over.
    static bool ReadXml(const QByteArray& bytes, QString* error,
                        const std::function<void(ResultEntry&&)>& onItem);
};
