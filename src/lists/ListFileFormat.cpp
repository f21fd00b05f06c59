#include "lists/ListFileFormat.h"

#include <QXmlStreamReader>
#include <QXmlStreamWriter>

namespace {

constexpr QChar kEscapeMark(0x1B);

bool NeedsEscape(const ResultEntry& entry) {
    for (const QString* cell : {&entry.title, &entry.type, &entry.size, &entry.link, &entry.status}) {
        if (cell->contains(u'$') || cell->contains(u'\n') || cell->contains(u'\r')) return true;
    }
    // A plain status is read as its first run of non-blank characters: blanks would be lost.
    for (const QChar c : entry.status) {
        if (c.isSpace()) return true;
    }
    // An empty field ends a plain parse early, and a title starting with the mark would read as escaped.
    return entry.title.isEmpty() || entry.type.isEmpty() || entry.size.isEmpty() || entry.link.isEmpty() ||
           entry.title.startsWith(kEscapeMark);
}

QString Escape(const QString& cell) {
    QString out;
    out.reserve(cell.size());
    for (const QChar c : cell) {
        switch (c.unicode()) {
            case u'\\':
                out += QStringLiteral("\\\\");
                break;
            case u'$':
                out += QStringLiteral("\\d");
                break;
            case u'\n':
                out += QStringLiteral("\\n");
                break;
            case u'\r':
                out += QStringLiteral("\\r");
                break;
            default:
                out += c;
        }
    }
    return out;
}

QString Unescape(QStringView cell) {
    QString out;
    out.reserve(cell.size());
    for (qsizetype i = 0; i < cell.size(); ++i) {
        if (cell[i] != u'\\' || i + 1 >= cell.size()) {
            out += cell[i];
            continue;
        }
        switch (cell[++i].unicode()) {
            case u'd':
                out += u'$';
                break;
            case u'n':
                out += u'\n';
                break;
            case u'r':
                out += u'\r';
                break;
            default:
                out += cell[i];
        }
    }
    return out;
}

bool IsXmlChar(char32_t c) {
    return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) || (c >= 0xE000 && c <= 0xFFFD) ||
           (c >= 0x10000 && c <= 0x10FFFF);
}

QString XmlSafe(const QString& text) {
    // Nearly every cell is clean: find out without converting.
    bool clean = true;
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if ((u < 0x20 && u != 0x9 && u != 0xA && u != 0xD) || u == 0xFFFE || u == 0xFFFF || c.isSurrogate()) {
            clean = false;
            break;
        }
    }
    if (clean) return text;
    QString out;
    out.reserve(text.size());
    for (const char32_t c : text.toUcs4()) {
        if (IsXmlChar(c)) out += QString::fromUcs4(&c, 1);
    }
    return out;
}

}  // namespace

QString ListFileFormat::FormatRecord(const ResultEntry& e) {
    if (!NeedsEscape(e)) return e.title + u'$' + e.type + u'$' + e.size + u'$' + e.link + u'$' + e.status;
    return kEscapeMark + Escape(e.title) + u'$' + Escape(e.type) + u'$' + Escape(e.size) + u'$' +
           Escape(e.link) + u'$' + Escape(e.status);
}

ResultEntry ListFileFormat::ParseRecord(const QString& line) {
    ResultEntry entry;
    if (line.startsWith(kEscapeMark)) {
        const QList<QStringView> cells = QStringView(line).mid(1).split(u'$');
        QString* fields[] = {&entry.title, &entry.type, &entry.size, &entry.link, &entry.status};
        for (qsizetype i = 0; i < 5 && i < cells.size(); ++i) *fields[i] = Unescape(cells[i]);
        return entry;
    }
    QString* fields[] = {&entry.title, &entry.type, &entry.size, &entry.link};
    qsizetype pos = 0;
    for (QString* field : fields) {
        const qsizetype end = line.indexOf(u'$', pos);
        const qsizetype stop = end < 0 ? line.size() : end;
        if (stop == pos) return entry;  // an empty field ends the match
        *field = line.mid(pos, stop - pos);
        if (end < 0) return entry;
        pos = end + 1;
    }
    while (pos < line.size() && line[pos].isSpace()) ++pos;
    qsizetype end = pos;
    while (end < line.size() && !line[end].isSpace()) ++end;
    entry.status = line.mid(pos, end - pos);
    return entry;
}

QByteArray ListFileFormat::WriteXml(const QList<ResultEntry>& entries) {
    QByteArray bytes;
    QXmlStreamWriter xml(&bytes);
    xml.setAutoFormatting(false);
    xml.writeProcessingInstruction(QStringLiteral("xml"), QStringLiteral("version='1.0' encoding='utf-8'"));
    xml.writeCharacters(QStringLiteral("\n"));
    xml.writeStartElement(QStringLiteral("skimmer"));
    for (const ResultEntry& entry : entries) {
        QString title = entry.title;
        title.remove(QStringLiteral("\r\n"));
        title.remove(u'\n');
        xml.writeCharacters(QStringLiteral("\n\t"));
        xml.writeStartElement(QStringLiteral("item"));
        const std::pair<const char*, const QString*> fields[] = {{"title", &title},
                                                                 {"types", &entry.type},
                                                                 {"size", &entry.size},
                                                                 {"path", &entry.link},
                                                                 {"status", &entry.status}};
        for (const auto& [name, value] : fields) {
            xml.writeCharacters(QStringLiteral("\n\t\t"));
            xml.writeTextElement(QLatin1StringView(name), XmlSafe(*value));
        }
        xml.writeCharacters(QStringLiteral("\n\t"));
        xml.writeEndElement();
    }
    xml.writeCharacters(QStringLiteral("\n"));
    xml.writeEndElement();
    return bytes;
}

std::optional<QList<ResultEntry>> ListFileFormat::ReadXml(const QByteArray& bytes, QString* error) {
    QList<ResultEntry> items;
    if (!ReadXml(bytes, error, [&items](ResultEntry&& item) { items.append(std::move(item)); }))
        return std::nullopt;
    return items;
}

bool ListFileFormat::ReadXml(const QByteArray& bytes, QString* error,
                             const std::function<void(ResultEntry&&)>& onItem) {
    QXmlStreamReader xml(bytes);
    bool foundRoot = false;
    int rootDepth = -1;  // depth of the chosen root while inside it
    int depth = 0;
    bool inItem = false;
    ResultEntry item;
    QString* field = nullptr;
    int fieldDepth = 0;
    unsigned seenFields = 0;  // one bit per field name
    static const char16_t* const kNames[] = {u"title", u"types", u"size", u"path", u"status"};
    while (!xml.atEnd()) {
        switch (xml.readNext()) {
            case QXmlStreamReader::DTD:
                // Entity definitions can expand without bound; a list file never needs them.
                if (error) *error = QStringLiteral("a DOCTYPE is not allowed in a list file");
                return false;
            case QXmlStreamReader::StartElement: {
                ++depth;
                const QStringView name = xml.name();
                if (!foundRoot && name == u"skimmer") {
                    foundRoot = true;
                    rootDepth = depth;
                } else if (rootDepth > 0 && depth == rootDepth + 1 && name == u"item") {
                    item = ResultEntry();
                    inItem = true;
                    seenFields = 0;
                } else if (inItem && depth == rootDepth + 2 && !field) {
                    QString* const targets[] = {&item.title, &item.type, &item.size, &item.link,
                                                &item.status};
                    for (unsigned i = 0; i < 5; ++i) {
                        // The first child of a name counts, as a lookup by name would find it.
                        if (name == QStringView(kNames[i]) && !(seenFields & (1u << i))) {
                            seenFields |= 1u << i;
                            field = targets[i];
                            fieldDepth = depth;
                        }
                    }
                }
                break;
            }
            case QXmlStreamReader::Characters:
                if (field) *field += xml.text();
                break;
            case QXmlStreamReader::EndElement:
                if (field && depth == fieldDepth) field = nullptr;
                if (inItem && depth == rootDepth + 1) {
                    inItem = false;
                    onItem(std::move(item));
                }
                if (depth == rootDepth) rootDepth = -1;
                --depth;
                break;
            default:
                break;
        }
    }
    if (xml.hasError()) {
        if (error) *error = xml.errorString();
        return false;
    }
    if (!foundRoot) {
        if (error) *error = QStringLiteral("no skimmer element");
        return false;
    }
    return true;
}
