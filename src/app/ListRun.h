#pragma once
// A list file that a download run works through: every record the workers can use becomes a row of the
// session's result list, the others are counted and left alone, and afterwards the rows' sizes and
// statuses go back into their own records, so the file keeps every record it held, in its order.
// Main thread only.

#include <QString>
#include <QStringList>
#include <vector>

#include "lists/ListDocument.h"
#include "lists/ResultList.h"

class Session;

class ListRun {
  public:
    // Replaces the session's rows with the file's usable records. An XML list that cannot be read is
    // replaced by its ".list" twin when there is one: the run then reads and writes the twin only, and
    // says so on the status line and in the run log. False with the reason when nothing could be read.
    bool Load(Session& session, const QString& path, QString* error);

    // Records the workers cannot use (an empty cell, a link met before, already downloaded with
    // SkipDownloaded on), and what the first one was.
    int Unusable() const { return unusable_; }
    const QString& FirstUnusable() const { return firstUnusable_; }

    // The files WriteBack writes: the list, and before it the ".list" twin of an XML list.
    QStringList Targets() const;
    // Takes each row's size and status into its record and writes the files; false with the reason
    // when one could not be written (it then keeps its old contents).
    bool WriteBack(const ResultList& results, QString* error);

  private:
    void NoteUnusable(size_t index, const QString& why);

    ListDocument document_;
    std::vector<std::pair<size_t, RowId>> rows_;  // record index, row
    int unusable_ = 0;
    QString firstUnusable_;
};
