#include "lists/ListDocument.h"

#include <QFile>

#include "lists/ListFileFormat.h"
#include "lists/ListFiles.h"
#include "lists/TextCodec.h"

bool ListDocument::Read(const QString& path, QString* error) {
    path_ = path;
    text_ = ListFiles::IsTextPath(path);
    records_.clear();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error) *error = file.errorString();
        return false;
    }
    const QByteArray bytes = file.readAll();
    if (!text_) {
        return ListFileFormat::ReadXml(bytes, error, [this](ResultEntry&& item) {
            records_.push_back(Record{std::move(item), {}, false, false});
        });
    }
    records_.reserve(size_t(bytes.count('\n')) + 1);
    TextCodec::ForEachLine(bytes, [this](QByteArrayView raw) {
        const QString line = TextCodec::DecodeCells(raw, '$');
        Record record;
        record.line = raw.toByteArray();
        record.blank = line.trimmed().isEmpty();
        if (!record.blank) record.entry = ListFileFormat::ParseRecord(line);
        records_.push_back(std::move(record));
    });
    return true;
}

QString ListDocument::Where(size_t index) const {
    return (text_ ? QStringLiteral("line %1") : QStringLiteral("item %1")).arg(index + 1);
}

void ListDocument::SetMeasured(size_t index, const QString& size, const RowStatus& status) {
    Record& record = records_[index];
    if (record.entry.size == size && record.entry.status == status) return;
    record.entry.size = size;
    record.entry.status = status;
    record.changed = true;
}

QByteArray ListDocument::ToBytes() const {
    if (!text_) {
        QList<ResultEntry> entries;
        entries.reserve(qsizetype(records_.size()));
        for (const Record& record : records_) entries.append(record.entry);
        return ListFileFormat::WriteXml(entries);
    }
    static const QByteArray kBom("\xEF\xBB\xBF");
    QByteArray out;
    for (size_t i = 0; i < records_.size(); ++i) {
        const Record& record = records_[i];
        if (!record.changed) {
            out += record.line;
        } else {
            if (i == 0 && record.line.startsWith(kBom)) out += kBom;
            out += TextCodec::EncodeUtf8(ListFileFormat::FormatRecord(record.entry));
            if (record.line.endsWith('\r')) out += '\r';  // the file keeps its line ends
        }
        out += '\n';
    }
    return out;
}

QByteArray ListDocument::TwinBytes() const {
    QByteArray out;
    for (const Record& record : records_) {
        out += TextCodec::EncodeUtf8(ListFileFormat::FormatRecord(record.entry));
        out += '\n';
    }
    return out;
}
