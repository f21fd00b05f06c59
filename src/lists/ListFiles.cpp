#include "lists/ListFiles.h"

#include <sys/stat.h>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

#include "lists/ListFileFormat.h"
#include "lists/MessageSink.h"
#include "lists/Options.h"
#include "lists/ResultList.h"
#include "lists/SafeFile.h"
#include "lists/TextCodec.h"

namespace {

QByteArray TextRecords(const QList<ResultEntry>& entries, const StatusFilter* filter) {
    qsizetype estimate = 0;
    for (const ResultEntry& entry : entries) {
        estimate += entry.title.size() + entry.type.size() + entry.size.size() + entry.link.size() + 16;
    }
    QByteArray bytes;
    bytes.reserve(estimate);
    for (const ResultEntry& entry : entries) {
        if (filter && !filter->Passes(entry.status)) continue;
        ListFileFormat::AppendRecordUtf8(bytes, entry);
    }
    return bytes;
}

}  // namespace

bool ListFiles::IsTextPath(const QString& path) {
    return QFileInfo(path).suffix().toLower().contains(QStringLiteral("list"));
}

int ListFiles::ExportList(const QString& path, const StatusFilter& filter) {
    return IsTextPath(path) ? ExportListText(path, filter) : ExportListXml(path, filter);
}

int ListFiles::ImportList(const QString& path, const StatusFilter& filter) {
    return IsTextPath(path) ? ImportListText(path, filter) : ImportListXml(path, filter);
}

bool ListFiles::Save(const QString& path, const QByteArray& bytes) {
    QString reason;
    if (SafeFile::Replace(path, bytes, &reason)) return true;
    lastError_ = QStringLiteral("cannot write %1: %2").arg(path, reason);
    return false;
}

int ListFiles::ExportListText(const QString& path, const StatusFilter& filter) {
    lastError_.clear();
    const QList<ResultEntry> entries = list_.Snapshot();
    list_.CommitRegistry();
    return Save(path, TextRecords(entries, &filter)) ? 1 : 0;
}

int ListFiles::ExportListXml(const QString& path, const StatusFilter& filter) {
    lastError_.clear();
    const QList<ResultEntry> entries = list_.Snapshot();
    list_.CommitRegistry();
    const bool twinSaved = Save(path + QStringLiteral(".list"), TextRecords(entries, &filter));
    if (entries.isEmpty()) return 0;
    // A second list of a million rows is worth sparing when every row passes, as it mostly does.
    const bool everyRow = std::all_of(entries.cbegin(), entries.cend(), [&filter](const ResultEntry& entry) {
        return filter.Passes(entry.status);
    });
    QList<ResultEntry> kept;
    if (!everyRow) {
        kept.reserve(entries.size());
        for (const ResultEntry& entry : entries) {
            if (filter.Passes(entry.status)) kept.append(entry);
        }
    }
    const QString twinError = lastError_;
    const bool saved = Save(path, ListFileFormat::WriteXml(everyRow ? entries : kept));
    if (!twinSaved && saved) lastError_ = twinError;
    return saved && twinSaved ? 1 : 0;
}

int ListFiles::ImportListText(const QString& path, const StatusFilter& filter) {
    return ImportNow(path, filter, true);
}

int ListFiles::ImportListXml(const QString& path, const StatusFilter& filter) {
    return ImportNow(path, filter, false);
}

int ListFiles::ImportNow(const QString& path, const StatusFilter& filter, bool text) {
    const RowId keepFrom = list_.NextId();
    const std::unique_ptr<ResultList> staging = list_.MakeStaging();
    const ReadOutcome outcome =
        text ? ReadText(*staging, path, filter, nullptr) : ReadXml(*staging, path, filter, nullptr);
    Adopt(*staging, keepFrom, outcome);
    return outcome.result;
}

ListFiles::ReadOutcome ListFiles::Read(ResultList& staging, const QString& path, const StatusFilter& filter,
                                       ReadControl* control) {
    return IsTextPath(path) ? ReadText(staging, path, filter, control)
                            : ReadXml(staging, path, filter, control);
}

void ListFiles::Adopt(ResultList& staging, RowId keepFromId, const ReadOutcome& outcome) {
    if (outcome.listPath) options_.SetCommittedText(SettingKey::ListFile, *outcome.listPath);
    if (outcome.replace) list_.AdoptRows(staging, keepFromId);
    if (messages_) {
        for (const QString& message : outcome.messages) messages_->ShowMessageBox(message);
    }
}

namespace {

bool Cancelled(const ListFiles::ReadControl* control) {
    return control && control->cancel.load(std::memory_order_relaxed);
}

}  // namespace

namespace {

ListFiles::FileStamp StampOf(const struct stat& info) {
    return {quint64(info.st_dev), quint64(info.st_ino), qint64(info.st_size),
            qint64(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec};
}

}  // namespace

std::optional<ListFiles::FileStamp> ListFiles::FileStamp::OfPath(const QString& path) {
    struct stat info {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0) return std::nullopt;
    return StampOf(info);
}

std::optional<ListFiles::FileStamp> ListFiles::FileStamp::OfDescriptor(int descriptor) {
    struct stat info {};
    if (descriptor < 0 || ::fstat(descriptor, &info) != 0) return std::nullopt;
    return StampOf(info);
}

void ListFiles::ForEachTextRecord(QByteArrayView bytes, const std::function<bool(ResultEntry&&)>& onRecord) {
    bool going = true;
    TextCodec::ForEachLine(bytes, [&](QByteArrayView raw) {
        if (!going) return;
        const QString line = TextCodec::DecodeCells(raw, '$');
        if (std::all_of(line.cbegin(), line.cend(), [](QChar c) { return c.isSpace(); })) return;
        going = onRecord(ListFileFormat::ParseRecord(line));
    });
}

bool ListFiles::AddRecord(ResultList& staging, ResultEntry entry, const StatusFilter& filter) {
    if (entry.link.isEmpty()) return false;
    // A record cut short at the end of a file, or typed by hand, may lack its last cells: it waits with an
    // unknown size, as a row found by a search does, rather than being dropped from the list.
    if (entry.status.IsEmpty()) entry.status = RowStatus::Waiting;
    if (entry.size.isEmpty()) entry.size = EntrySize::Unknown;
    // The link joins the set before the filter is asked, so a skipped record still keeps its link out.
    if (staging.AddLinkIfNew(entry.link) == 0) return false;
    if (!filter.Passes(entry.status)) return true;
    return staging.AddEntry(entry.title, entry.type, entry.size, entry.link, entry.status) ==
           ResultList::AddResult::Added;
}

ListFiles::ReadOutcome ListFiles::ReadText(ResultList& staging, const QString& path,
                                           const StatusFilter& filter, ReadControl* control) {
    ReadOutcome outcome;
    outcome.result = 1;
    const QFileInfo info(path);
    if (info.exists() && !info.isFile()) {
        // A pipe would keep the reader waiting, and a device or folder holds no list.
        outcome.messages.append(
            QCoreApplication::translate("ListFiles", "%1 is not a regular file").arg(path));
        return outcome;
    }
    outcome.listPath = path;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return outcome;
    // The file as opened, not as named: one renamed over it meanwhile is another file.
    outcome.stamp = FileStamp::OfDescriptor(file.handle());
    const QByteArray bytes = file.readAll();
    staging.Reserve(bytes.count('\n'));
    bool cancelled = false;
    qint64 read = 0;
    ForEachTextRecord(bytes, [&](ResultEntry&& entry) {
        // A look at the flag per thousand records costs nothing and stops a million-row read at once.
        if (++read % 1024 == 0) {
            cancelled = Cancelled(control);
            if (control) control->rows.store(read, std::memory_order_relaxed);
            if (cancelled) return false;
        }
        if (!AddRecord(staging, std::move(entry), filter)) ++outcome.skipped;
        return true;
    });
    if (cancelled) return ReadOutcome{};
    staging.ResetUploadingToWaiting();
    outcome.replace = true;
    return outcome;
}

ListFiles::ReadOutcome ListFiles::ReadXml(ResultList& staging, const QString& path,
                                          const StatusFilter& filter, ReadControl* control) {
    if (path.isEmpty() || !QFileInfo(path).isFile()) return {};
    QFile file(path);
    bool readable = file.open(QIODevice::ReadOnly);
    const std::optional<FileStamp> stamp = readable ? FileStamp::OfDescriptor(file.handle()) : std::nullopt;
    QByteArray bytes = readable ? file.readAll() : QByteArray();
    qint64 skipped = 0;

    // The document is parsed on one thread while this one adds its items to the staging list, which
    // takes the list's place only when the whole document has proved readable.
    staging.Reserve(bytes.count("<item>"));  // an upper bound; spares a million-row list its regrowth
    std::mutex mutex;
    std::condition_variable ready;
    std::deque<std::vector<ResultEntry>> chunks;
    bool parsed = false;
    std::atomic<bool> cancelled{false};  // read by the parser, which keeps nothing once it is set
    QString error;
    std::thread parser;
    if (readable) {
        parser = std::thread([&] {
            constexpr size_t kChunk = 4096;
            std::vector<ResultEntry> chunk;
            chunk.reserve(kChunk);
            auto hand = [&](bool last) {
                std::lock_guard lock(mutex);
                if (!chunk.empty()) chunks.push_back(std::move(chunk));
                chunk = {};
                chunk.reserve(kChunk);
                if (last) parsed = true;
                ready.notify_one();
            };
            readable = ListFileFormat::ReadXml(bytes, &error, [&](ResultEntry&& item) {
                // A cancelled read parses on without keeping what it finds: the reader has no way out.
                if (cancelled.load(std::memory_order_relaxed)) return;
                chunk.push_back(std::move(item));
                if (chunk.size() == kChunk) hand(false);
            });
            // Only this thread reads the document; the rows it became still have to be added.
            bytes = QByteArray();
            hand(true);
        });
        qint64 read = 0;
        for (;;) {
            std::vector<ResultEntry> chunk;
            {
                std::unique_lock lock(mutex);
                ready.wait(lock, [&] { return !chunks.empty() || parsed; });
                if (chunks.empty()) break;
                chunk = std::move(chunks.front());
                chunks.pop_front();
                if (Cancelled(control)) cancelled = true;
                if (cancelled) continue;
            }
            for (ResultEntry& item : chunk) {
                if (!AddRecord(staging, std::move(item), filter)) ++skipped;
            }
            read += qint64(chunk.size());
            if (control) control->rows.store(read, std::memory_order_relaxed);
        }
        parser.join();
    }
    if (cancelled) return {};
    if (!readable) {
        ReadOutcome outcome;
        const QString twin = path + QStringLiteral(".list");
        if (!QFileInfo::exists(twin)) {
            outcome.messages.append(QCoreApplication::translate(
                "ListFiles", "Loading failed; check that the XML file is well formed!"));
            return outcome;
        }
        QStringList messages{QCoreApplication::translate(
            "ListFiles",
            "Loading failed; check that the XML file is well formed. The List file is loaded instead")};
        outcome = ReadText(staging, twin, filter, control);
        outcome.messages = messages + outcome.messages;
        return outcome;
    }
    staging.ResetUploadingToWaiting();
    ReadOutcome outcome;
    outcome.result = 1;
    outcome.replace = true;
    outcome.listPath = path;
    outcome.skipped = skipped;
    outcome.stamp = stamp;
    return outcome;
}

bool ListFiles::AppendListText(const QString& path) {
    lastError_.clear();
    // The old records and the new ones replace the file together, so a full disk cannot leave half a
    // record behind.
    QByteArray bytes;
    const QFileInfo info(path);
    if (info.exists() && !info.isFile()) {
        lastError_ = QStringLiteral("cannot write %1: it exists and is not a regular file").arg(path);
        return false;
    }
    QFile file(path);
    if (info.exists()) {
        if (!file.open(QIODevice::ReadOnly)) {
            lastError_ = QStringLiteral("cannot read %1: %2").arg(path, file.errorString());
            return false;
        }
        bytes = file.readAll();
        file.close();
        if (!bytes.isEmpty() && !bytes.endsWith('\n')) bytes += '\n';
    }
    const QList<ResultEntry> entries = list_.Snapshot();
    list_.CommitRegistry();
    bytes += TextRecords(entries, nullptr);
    return Save(path, bytes);
}
