#pragma once
// One row of the result list (five text cells in column order), the status texts, and the filter that
// list files and batch selection use. Plain values; safe to copy between threads.

#include <QString>

struct ResultEntry {
    QString title;
    QString type;
    QString size;
    QString link;
    QString status;

    bool operator==(const ResultEntry&) const = default;
};

namespace EntryStatus {
inline const QString Waiting = QStringLiteral("等待");
inline const QString Downloading = QStringLiteral("下载中");
inline const QString Downloaded = QStringLiteral("下载成功");
inline const QString Failed = QStringLiteral("下载失败");
inline const QString Duplicate = QStringLiteral("重复文档");
inline const QString Uploading = QStringLiteral("正在上传");
inline const QString ProgressPrefix = QStringLiteral("完成:");
inline QString Progress(int percent) {
    return ProgressPrefix + QString::number(percent) + u'%';
}
inline const QString SizeUnknown = QStringLiteral("未知");
}  // namespace EntryStatus

// Which statuses a list file or a batch selection takes. A status none of the four flags names (a
// duplicate, a progress text) always passes.
struct StatusFilter {
    bool downloaded = true;
    bool failed = true;
    bool waiting = true;
    bool downloading = true;

    bool Passes(const QString& status) const {
        if (status == EntryStatus::Downloaded) return downloaded;
        if (status == EntryStatus::Failed) return failed;
        if (status == EntryStatus::Waiting) return waiting;
        if (status == EntryStatus::Downloading) return downloading;
        return true;
    }
    // For batch selection: the row's status is one the filter names and asks for.
    bool Selects(const QString& status) const {
        return (status == EntryStatus::Downloaded && downloaded) ||
               (status == EntryStatus::Failed && failed) || (status == EntryStatus::Waiting && waiting) ||
               (status == EntryStatus::Downloading && downloading);
    }
};
