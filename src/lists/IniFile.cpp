#include "lists/IniFile.h"

#include <QFile>

#include "lists/SafeFile.h"
#include "lists/TextCodec.h"

namespace {

QString DropQuotes(const QString& value) {
    if (value.size() >= 2) {
        const QChar first = value.front();
        if ((first == u'"' || first == u'\'') && value.back() == first) return value.mid(1, value.size() - 2);
    }
    return value;
}

// A newline inside a value would smuggle extra lines (and keys) into the file.
QString OneLine(QString value) {
    value.replace(u'\r', u' ');
    value.replace(u'\n', u' ');
    return value;
}

}  // namespace

IniFile IniFile::Load(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return IniFile();
    return FromBytes(file.readAll());
}

std::optional<IniFile> IniFile::LoadForUpdate(const QString& path) {
    QFile file(path);
    if (!file.exists()) return IniFile();
    if (!file.open(QIODevice::ReadOnly)) return std::nullopt;
    return FromBytes(file.readAll());
}

IniFile IniFile::FromBytes(const QByteArray& bytes) {
    IniFile ini;
    TextCodec::ForEachLine(
        bytes, [&ini](QByteArrayView line) { ini.lines_.push_back(ParseLine(line.toByteArray())); });
    ini.RebuildIndex();
    return ini;
}

IniFile::Line IniFile::ParseLine(QByteArray raw) {
    Line line;
    const QString text = TextCodec::DecodeLine(raw).trimmed();
    line.raw = std::move(raw);
    if (text.startsWith(u'[')) {
        const qsizetype close = text.indexOf(u']');
        if (close > 0) line.section = text.mid(1, close - 1).trimmed().toCaseFolded();
        return line;
    }
    if (text.startsWith(u';')) return line;
    const qsizetype eq = text.indexOf(u'=');
    if (eq <= 0) return line;
    line.key = text.left(eq).trimmed().toCaseFolded();
    line.value = DropQuotes(text.mid(eq + 1).trimmed());
    return line;
}

QString IniFile::IndexKey(const QString& section, const QString& key) {
    return section.toCaseFolded() + u'\n' + key.toCaseFolded();
}

void IniFile::RebuildIndex() {
    firstKeyLine_.clear();
    sectionLastLine_.clear();
    QString current;
    bool inSection = false;
    bool currentIsFirstBlock = false;
    for (qsizetype i = 0; i < qsizetype(lines_.size()); ++i) {
        const Line& line = lines_[size_t(i)];
        if (line.raw.trimmed().isEmpty()) continue;
        if (!line.section.isNull()) {
            current = line.section;
            inSection = true;
            currentIsFirstBlock = !sectionLastLine_.contains(current);
            if (currentIsFirstBlock) sectionLastLine_.insert(current, i);
            continue;
        }
        if (!inSection) continue;  // keys before any section belong to none
        if (currentIsFirstBlock) sectionLastLine_[current] = i;
        if (!line.key.isEmpty()) {
            const QString k = current + u'\n' + line.key;
            if (!firstKeyLine_.contains(k)) firstKeyLine_.insert(k, i);
        }
    }
}

std::optional<QString> IniFile::Value(const QString& section, const QString& key) const {
    const auto it = firstKeyLine_.constFind(IndexKey(section, key));
    if (it == firstKeyLine_.constEnd()) return std::nullopt;
    return lines_[size_t(*it)].value;
}

void IniFile::SetValue(const QString& section, const QString& key, const QString& value) {
    const QString clean = OneLine(value);
    const QByteArray raw = TextCodec::EncodeUtf8(key + u'=' + clean);
    const auto it = firstKeyLine_.constFind(IndexKey(section, key));
    if (it != firstKeyLine_.constEnd()) {
        lines_[size_t(*it)] = ParseLine(raw);
        return;  // the index stays valid: same line, same key
    }
    const auto sec = sectionLastLine_.constFind(section.toCaseFolded());
    if (sec != sectionLastLine_.constEnd()) {
        lines_.insert(lines_.begin() + *sec + 1, ParseLine(raw));
    } else {
        lines_.push_back(ParseLine(TextCodec::EncodeUtf8(u'[' + section + u']')));
        lines_.push_back(ParseLine(raw));
    }
    RebuildIndex();
}

QByteArray IniFile::ToBytes() const {
    QByteArray out;
    qsizetype total = 0;
    for (const Line& line : lines_) total += line.raw.size() + 1;
    out.reserve(total);
    for (const Line& line : lines_) {
        out += line.raw;
        out += '\n';
    }
    return out;
}

bool IniFile::Save(const QString& path, QString* error, bool privateMode) const {
    return SafeFile::Write(path, ToBytes(), error, privateMode);
}
