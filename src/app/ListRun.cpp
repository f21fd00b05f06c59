#include "app/ListRun.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QHash>

#include "app/Session.h"
#include "lists/SafeFile.h"

bool ListRun::Load(Session& session, const QString& path, QString* error) {
    rows_.clear();
    unusable_ = 0;
    firstUnusable_.clear();
    if (!QFileInfo(path).isFile()) {
        *error = QFileInfo::exists(path) ? QStringLiteral("%1 is not a regular file").arg(path)
                                         : QStringLiteral("%1 does not exist").arg(path);
        return false;
    }
    QString reason;
    if (!document_.Read(path, &reason)) {
        const QString twin = path + QStringLiteral(".list");
        if (document_.IsText() || !QFileInfo(twin).isFile()) {
            *error = QStringLiteral("cannot read the list %1: %2").arg(path, reason);
            return false;
        }
        if (!document_.Read(twin, error)) {
            *error = QStringLiteral("cannot read the list %1 (%2) nor its twin %3: %4")
                         .arg(path, reason, twin, *error);
            return false;
        }
        session.ShowMsg(
            QCoreApplication::translate("ListRun",
                                        "The list %1 cannot be read (%2); its twin %3 is used instead, and "
                                        "the statuses are written to the twin only: %1 is left as it is.")
                .arg(path, reason, twin),
            QString(), QString(), 1);
    }

    // The session's two-minute auto-save must not write these rows over any list file meanwhile.
    session.GetOptions().SetCommittedText(SettingKey::ListFile, QString());
    ResultList& results = session.Results();
    results.ClearRows();
    const std::vector<ListDocument::Record>& records = document_.Records();
    results.Reserve(qsizetype(records.size()));
    QHash<QString, size_t> firstWithLink;
    for (size_t i = 0; i < records.size(); ++i) {
        const ListDocument::Record& record = records[i];
        if (record.blank) continue;
        const ResultEntry& e = record.entry;
        if (e.title.trimmed().isEmpty() || e.type.isEmpty() || e.size.isEmpty() || e.link.isEmpty() ||
            e.status.IsEmpty()) {
            NoteUnusable(i, QStringLiteral("a cell is empty"));
            continue;
        }
        const auto seen = firstWithLink.constFind(e.link);
        if (seen != firstWithLink.constEnd()) {
            NoteUnusable(i, QStringLiteral("the same link as %1").arg(document_.Where(*seen)));
            continue;
        }
        firstWithLink.insert(e.link, i);
        results.AddLinkIfNew(e.link);
        // Nothing else adds rows while a run loads, so the next id is the one this record gets.
        const RowId id = results.NextId();
        const ResultList::AddResult added = results.AddEntry(e.title, e.type, e.size, e.link, e.status);
        if (added == ResultList::AddResult::Added) {
            rows_.emplace_back(i, id);
            // Kept and written back as it was, but no worker takes it: say so rather than skip it unseen.
            if (e.status.kind() == RowStatus::Kind::Other)
                NoteUnusable(i, QStringLiteral("its status '%1' is none this program writes")
                                    .arg(e.status.Stored().left(40)));
        } else if (added == ResultList::AddResult::AlreadyDownloaded) {
            NoteUnusable(i, QStringLiteral("already downloaded, and IgoreGarnered is on"));
        } else {
            NoteUnusable(i, QStringLiteral("a cell is empty"));
        }
    }
    results.ResetUploadingToWaiting();
    return true;
}

void ListRun::NoteUnusable(size_t index, const QString& why) {
    if (unusable_++ == 0) firstUnusable_ = QStringLiteral("%1, %2").arg(document_.Where(index), why);
}

QStringList ListRun::Targets() const {
    if (document_.IsText()) return {document_.Path()};
    return {document_.Path() + QStringLiteral(".list"), document_.Path()};
}

bool ListRun::WriteBack(const ResultList& results, QString* error) {
    for (const auto& [index, id] : rows_) {
        if (const auto entry = results.Entry(id)) document_.SetMeasured(index, entry->size, entry->status);
    }
    QStringList failures;
    QString reason;
    if (!document_.IsText()) {
        const QString twin = document_.Path() + QStringLiteral(".list");
        if (!SafeFile::Replace(twin, document_.TwinBytes(), &reason))
            failures << QStringLiteral("cannot write %1: %2").arg(twin, reason);
    }
    if (!SafeFile::Replace(document_.Path(), document_.ToBytes(), &reason))
        failures << QStringLiteral("cannot write %1: %2").arg(document_.Path(), reason);
    if (failures.isEmpty()) return true;
    *error = failures.join(QStringLiteral("; "));
    return false;
}
