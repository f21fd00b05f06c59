#pragma once
// The records of one list file as the file holds them, in order, for a run that changes only the cells
// the download workers measure (size and status) and writes the file back: a ".list" line that did not
// change is written back byte for byte, blank and unreadable lines included, and an XML list keeps every
// item, also those with missing fields. Plain value; one thread at a time.

#include <QByteArray>
#include <QString>
#include <vector>

#include "lists/ResultEntry.h"

class ListDocument {
  public:
    struct Record {
        ResultEntry entry;
        QByteArray line;       // a ".list" line as read, without its "\n"
        bool blank = false;    // a ".list" line that holds nothing
        bool changed = false;  // written anew rather than as read
    };

    // Reads a ".list" file (by the extension, as ListFiles decides) or an XML list; false with the
    // reason in `error` when the file cannot be read or is not a readable XML list.
    bool Read(const QString& path, QString* error);

    const QString& Path() const { return path_; }
    bool IsText() const { return text_; }
    const std::vector<Record>& Records() const { return records_; }
    // Where the record was in the file, for messages: "line 3" or "item 3".
    QString Where(size_t index) const;

    // Takes the size and status a run found for a record; the other cells stay as the file had them.
    void SetMeasured(size_t index, const QString& size, const RowStatus& status);

    // The whole file with the changes.
    QByteArray ToBytes() const;
    // Every record as ".list" lines: the twin kept beside an XML list.
    QByteArray TwinBytes() const;

  private:
    QString path_;
    bool text_ = true;
    std::vector<Record> records_;
};
