#include "lists/ListFiles.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include "lists/ListFileFormat.h"
#include "lists/MessageSink.h"
#include "lists/Options.h"
#include "lists/ResultList.h"
#include "lists/TextCodec.h"

namespace {

bool WriteAtomically(const QString& path, const QByteArray& bytes) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return false;
    if (file.write(bytes) != bytes.size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

QByteArray TextRecords(const QList<ResultEntry>& entries, const StatusFilter* filter) {
    QByteArray bytes;
    for (const ResultEntry& entry : entries) {
        if (filter && !filter->Passes(entry.status)) continue;
        bytes += TextCodec::EncodeUtf8(ListFileFormat::FormatRecord(entry));
        bytes += '\n';
    }
    return bytes;
}

}  // namespace

bool ListFiles::IsTextPath(const QString& path) {
    return QFileInfo(path).suffix().toLower().contains(QStringLiteral("list"));
}

int ListFiles::ExportListText(const QString& path, const StatusFilter& filter) {
    return WriteAtomically(path, TextRecords(list_.Snapshot(), &filter)) ? 1 : 0;
}

int ListFiles::ExportListXml(const QString& path, const StatusFilter& filter) {
    const QList<ResultEntry> entries = list_.Snapshot();
    WriteAtomically(path + QStringLiteral(".list"), TextRecords(entries, &filter));
    if (entries.isEmpty()) return 0;
    QList<ResultEntry> kept;
    kept.reserve(entries.size());
    for (const ResultEntry& entry : entries) {
        if (filter.Passes(entry.status)) kept.append(entry);
    }
    return WriteAtomically(path, ListFileFormat::WriteXml(kept)) ? 1 : 0;
}

int ListFiles::ImportListText(const QString& path, const StatusFilter& filter) {
    options_.SetCommittedText(SettingKey::ListPath, path);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return 1;
    const QByteArray bytes = file.readAll();
    list_.ClearRows();
    list_.Reserve(bytes.count('\n'));
    qsizetype start = 0;
    while (start < bytes.size()) {
        qsizetype end = bytes.indexOf('\n', start);
        if (end < 0) end = bytes.size();
        const QString line = TextCodec::DecodeLine(QByteArrayView(bytes).sliced(start, end - start));
        start = end + 1;
        if (line.isEmpty()) continue;
        const ResultEntry entry = ListFileFormat::ParseRecord(line);
        // The link joins the set before the filter is asked, so a skipped record still keeps its link out.
        if (!entry.link.isEmpty() && list_.AddLinkIfNew(entry.link) == 0) continue;
        if (!filter.Passes(entry.status)) continue;
        list_.AddEntry(entry.title, entry.type, entry.size, entry.link, entry.status);
    }
    list_.ResetUploadingToWaiting();
    return 1;
}

int ListFiles::ImportListXml(const QString& path, const StatusFilter& filter) {
    if (path.isEmpty() || !QFileInfo(path).isFile()) return 0;
    QFile file(path);
    std::optional<QList<ResultEntry>> items;
    QString error;
    if (file.open(QIODevice::ReadOnly)) items = ListFileFormat::ReadXml(file.readAll(), &error);
    if (!items) {
        const QString twin = path + QStringLiteral(".list");
        if (!QFileInfo::exists(twin)) {
            if (messages_) messages_->ShowMessageBox(QStringLiteral("加载失败，请检查xml文件格式是否正确！"));
            return 0;
        }
        if (messages_)
            messages_->ShowMessageBox(QStringLiteral("加载失败，请检查xml文件格式是否正确，将加载List文件"));
        return ImportListText(twin, filter);
    }
    list_.ClearRows();
    list_.Reserve(items->size());
    for (const ResultEntry& item : *items) {
        if (item.title.isEmpty() || item.type.isEmpty() || item.link.isEmpty()) continue;
        if (!filter.Passes(item.status)) continue;
        if (list_.AddLinkIfNew(item.link) == 1)
            list_.AddEntry(item.title, item.type, item.size, item.link, item.status);
    }
    list_.ResetUploadingToWaiting();
    options_.SetCommittedText(SettingKey::ListPath, path);
    return 1;
}

bool ListFiles::AppendListText(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append)) return false;
    const QByteArray bytes = TextRecords(list_.Snapshot(), nullptr);
    return file.write(bytes) == bytes.size();
}
