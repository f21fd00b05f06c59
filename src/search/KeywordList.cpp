#include "search/KeywordList.h"

#include <QFile>
#include <QFileInfo>
#include <QMutexLocker>

#include "lists/SafeFile.h"
#include "lists/TextCodec.h"

namespace {

// A file that cannot be opened gives no lines; nothing is reported.
QStringList ReadLines(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    return TextCodec::DecodeLines(file.readAll());
}

}  // namespace

bool KeywordList::AppendLocked(const QString& keyword) {
    if (keyword.isEmpty() || index_.contains(keyword)) return false;
    entries_.push_back({keyword, false});
    index_.insert(keyword);
    return true;
}

int KeywordList::AppendLines(const QStringList& lines) {
    int added = 0;
    {
        QMutexLocker lock(&mutex_);
        for (const QString& line : lines) added += AppendLocked(line.trimmed()) ? 1 : 0;
    }
    if (added > 0) NotifyChanged();
    return added;
}

int KeywordList::AddKeyword(const QString& text) {
    if (text.isEmpty()) return 0;
    const QFileInfo info(text);
    if (!info.exists()) {
        // key.list holds one keyword a line, so a line break inside a keyword would split it on the next
        // start; typed text never has one, pasted or scripted text might.
        QString keyword = text;
        keyword.replace(u'\r', u' ').replace(u'\n', u' ');
        bool added;
        {
            QMutexLocker lock(&mutex_);
            added = AppendLocked(keyword);
        }
        if (added) NotifyChanged();
        return added ? 1 : 0;
    }
    if (!info.isFile() || info.suffix().compare(u"txt", Qt::CaseInsensitive) != 0) return 0;
    return AppendLines(ReadLines(text));
}

int KeywordList::DeleteTickedKeywords() {
    int removed = 0;
    {
        QMutexLocker lock(&mutex_);
        for (auto it = entries_.begin(); it != entries_.end();) {
            if (it->ticked) {
                index_.remove(it->text);
                it = entries_.erase(it);
                ++removed;
            } else {
                ++it;
            }
        }
    }
    if (removed > 0) NotifyChanged();
    return removed;
}

void KeywordList::ClearKeywords() {
    {
        QMutexLocker lock(&mutex_);
        entries_.clear();
        index_.clear();
    }
    NotifyChanged();
}

void KeywordList::LoadKeywordFile() {
    AppendLines(ReadLines(filePath_));
}

bool KeywordList::SaveKeywordFile(QString* error) const {
    QByteArray bytes;
    {
        QMutexLocker lock(&mutex_);
        for (const Entry& entry : entries_) {
            bytes += TextCodec::EncodeUtf8(entry.text);
            bytes += '\n';
        }
    }
    if (bytes.isEmpty()) {
        QFile file(filePath_);
        if (!file.exists() || file.remove()) return true;
        if (error) *error = file.errorString();
        return false;
    }
    return SafeFile::Write(filePath_, bytes, error);
}

QStringList KeywordList::Keywords() const {
    QMutexLocker lock(&mutex_);
    QStringList list;
    list.reserve(qsizetype(entries_.size()));
    for (const Entry& entry : entries_) list.append(entry.text);
    return list;
}

int KeywordList::Size() const {
    QMutexLocker lock(&mutex_);
    return int(entries_.size());
}

bool KeywordList::Contains(const QString& keyword) const {
    QMutexLocker lock(&mutex_);
    return index_.contains(keyword);
}

void KeywordList::SetTicked(int index, bool ticked) {
    QMutexLocker lock(&mutex_);
    if (index >= 0 && size_t(index) < entries_.size()) entries_[size_t(index)].ticked = ticked;
}

bool KeywordList::IsTicked(int index) const {
    QMutexLocker lock(&mutex_);
    return index >= 0 && size_t(index) < entries_.size() && entries_[size_t(index)].ticked;
}

void KeywordList::NotifyChanged() const {
    if (changed_) changed_();
}
