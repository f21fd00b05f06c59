#pragma once
// One row of the result list (four text cells and the status, in column order), the size text of an
// unknown size, and the filter that list files and batch selection use. Plain values; safe to copy between
// threads.

#include <QString>

#include "lists/RowStatus.h"

struct ResultEntry {
    QString title;
    QString type;
    QString size;
    QString link;
    RowStatus status;

    bool operator==(const ResultEntry&) const = default;
};

namespace EntrySize {
inline const QString Unknown = QStringLiteral("未知");  // the size cell as stored when it was not probed
}  // namespace EntrySize

// Which statuses a list file or a batch selection takes. A status none of the four flags names (a
// duplicate, a progress, an unknown text) always passes.
struct StatusFilter {
    bool downloaded = true;
    bool failed = true;
    bool waiting = true;
    bool downloading = true;

    bool Passes(const RowStatus& status) const {
        switch (status.kind()) {
            case RowStatus::Kind::Downloaded:
                return downloaded;
            case RowStatus::Kind::Failed:
                return failed;
            case RowStatus::Kind::Waiting:
                return waiting;
            case RowStatus::Kind::Downloading:
                return downloading;
            default:
                return true;
        }
    }
    // For batch selection: the row's status is one the filter names and asks for.
    bool Selects(const RowStatus& status) const {
        switch (status.kind()) {
            case RowStatus::Kind::Downloaded:
            case RowStatus::Kind::Failed:
            case RowStatus::Kind::Waiting:
            case RowStatus::Kind::Downloading:
                return Passes(status);
            default:
                return false;
        }
    }
};
