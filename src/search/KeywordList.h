#pragma once
// The search words of the job, in insertion order and without duplicates (exact comparison), with the
// tick marks the user sets to delete some of them, persisted in key.list (UTF-8, one keyword a line).
// The window thread edits it; search threads read it; every call locks.

#include <QMutex>
#include <QSet>
#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

class KeywordList {
  public:
    explicit KeywordList(QString filePath) : filePath_(std::move(filePath)) {}
    const QString& FilePath() const { return filePath_; }

    // Adds the text as one keyword, exactly as typed, unless a file or folder of that name exists: the
    // lines of an existing file whose extension is "txt" (any case) are added trimmed, in file order;
    // any other existing file or folder adds nothing. Returns how many keywords were added.
    int AddKeyword(const QString& text);
    // Removes every ticked keyword; returns how many.
    int DeleteTickedKeywords();
    void ClearKeywords();

    // Appends the trimmed, non-empty lines of key.list that are not yet present; a missing file is no
    // keywords.
    void LoadKeywordFile();
    // Writes the list to key.list in one atomic replacement, or deletes key.list when the list is empty;
    // false with the reason in `error` when key.list was left as it was.
    bool SaveKeywordFile(QString* error = nullptr) const;

    QStringList Keywords() const;
    int Size() const;
    bool Contains(const QString& keyword) const;
    void SetTicked(int index, bool ticked);
    bool IsTicked(int index) const;

    // Called after every change, on the thread that made it, without the lock held.
    void SetChangedCallback(std::function<void()> callback) { changed_ = std::move(callback); }

  private:
    struct Entry {
        QString text;
        bool ticked = false;
    };

    int AppendLines(const QStringList& lines);  // trimmed, non-empty, new only
    bool AppendLocked(const QString& keyword);
    void NotifyChanged() const;

    QString filePath_;
    mutable QMutex mutex_;
    std::vector<Entry> entries_;
    QSet<QString> index_;
    std::function<void()> changed_;
};
