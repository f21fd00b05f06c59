#include "lists/ListFileFormat.h"

#include <QStringEncoder>
#include <QXmlStreamReader>
#include <algorithm>
#include <cstring>

#include "lists/TextCodec.h"

namespace {

constexpr QChar kEscapeMark(0x1B);

bool NeedsEscape(const ResultEntry& entry) {
    const QString status = entry.status.Stored();
    for (const QString* cell : {&entry.title, &entry.type, &entry.size, &entry.link, &status}) {
        if (cell->contains(u'$') || cell->contains(u'\n') || cell->contains(u'\r')) return true;
    }
    // A plain status is read as its first run of non-blank characters: blanks would be lost.
    for (const QChar c : status) {
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

// Text content as UTF-8 with the four characters an XML writer replaces: "&", "<", ">" and the quote.
void AppendXmlText(QByteArray& out, QStringView text) {
    qsizetype special = 0;
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        special += u == u'&' || u == u'<' || u == u'>' || u == u'"';
    }
    const qsizetype at = out.size();
    out.resize(at + text.size() * 3 + special * 6);
    char* const begin = out.data() + at;
    char* end = begin;
    QStringEncoder utf8(QStringEncoder::Utf8);
    qsizetype from = 0;
    for (qsizetype i = 0; special > 0 && i < text.size(); ++i) {
        const char* entity = nullptr;
        switch (text[i].unicode()) {
            case u'&':
                entity = "&amp;";
                break;
            case u'<':
                entity = "&lt;";
                break;
            case u'>':
                entity = "&gt;";
                break;
            case u'"':
                entity = "&quot;";
                break;
            default:
                continue;
        }
        end = utf8.appendToBuffer(end, text.sliced(from, i - from));
        const size_t length = std::strlen(entity);
        std::memcpy(end, entity, length);
        end += length;
        from = i + 1;
    }
    end = utf8.appendToBuffer(end, text.sliced(from));
    out.resize(at + (end - begin));
}

// A reader for documents in exactly the shape WriteXml gives them, many times faster than a general
// XML reader. Anything else (another declaration, a BOM, comments, attributes, CDATA, other entities,
// a carriage return, characters XML forbids, bytes that are not UTF-8) makes it give up before it hands
// over a single item, and the general reader takes the document from the start.
class CanonicalXml {
  public:
    explicit CanonicalXml(QByteArrayView bytes) : bytes_(bytes) {}

    // Walks the whole document; hands each item over when onItem is given, else only checks the shape.
    bool Walk(const std::function<void(ResultEntry&&)>* onItem) {
        pos_ = 0;
        if (!Take("<?xml version='1.0' encoding='utf-8'?>\n<skimmer>")) return false;
        while (Take("\n\t<item>")) {
            ResultEntry item;
            QString status;
            if (!Field("\n\t\t<title>", "</title>", onItem ? &item.title : nullptr) ||
                !Field("\n\t\t<types>", "</types>", onItem ? &item.type : nullptr) ||
                !Field("\n\t\t<size>", "</size>", onItem ? &item.size : nullptr) ||
                !Field("\n\t\t<path>", "</path>", onItem ? &item.link : nullptr) ||
                !Field("\n\t\t<status>", "</status>", onItem ? &status : nullptr) || !Take("\n\t</item>")) {
                return false;
            }
            if (onItem) {
                item.status = RowStatus::FromStored(status);
                (*onItem)(std::move(item));
            }
        }
        if (!Take("\n</skimmer>")) return false;
        Take("\n");
        return pos_ == bytes_.size();
    }

  private:
    bool Take(QByteArrayView literal) {
        if (bytes_.sliced(pos_).startsWith(literal)) {
            pos_ += literal.size();
            return true;
        }
        return false;
    }

    bool Field(QByteArrayView open, QByteArrayView close, QString* value) {
        if (!Take(open)) return false;
        const qsizetype start = pos_;
        bool entities = false;
        const auto* p = reinterpret_cast<const unsigned char*>(bytes_.data());
        for (; pos_ < bytes_.size() && p[pos_] != '<'; ++pos_) {
            const unsigned char c = p[pos_];
            if (c >= 0x20 && c != '&' && c != '>' && c != 0xEF) continue;
            if (c == '\t' || c == '\n') continue;
            if (c == 0xEF) {  // U+FFFE and U+FFFF are not XML characters
                if (pos_ + 2 < bytes_.size() && p[pos_ + 1] == 0xBF &&
                    (p[pos_ + 2] == 0xBE || p[pos_ + 2] == 0xBF))
                    return false;
                continue;
            }
            if (c != '&') return false;  // controls, a carriage return (read as a line feed), a bare ">"
            const qsizetype length = EntityLength(pos_);
            if (length == 0) return false;
            entities = true;
            pos_ += length - 1;
        }
        const QByteArrayView text = bytes_.sliced(start, pos_ - start);
        if (!Take(close)) return false;
        if (value) *value = entities ? Unescaped(text) : QString::fromUtf8(text);
        return true;
    }

    qsizetype EntityLength(qsizetype at) const {
        for (const QByteArrayView entity :
             {QByteArrayView("&amp;"), QByteArrayView("&lt;"), QByteArrayView("&gt;"),
              QByteArrayView("&quot;"), QByteArrayView("&apos;")}) {
            if (bytes_.sliced(at).startsWith(entity)) return entity.size();
        }
        return 0;
    }

    static QString Unescaped(QByteArrayView text) {
        QByteArray plain;
        plain.reserve(text.size());
        for (qsizetype i = 0; i < text.size(); ++i) {
            if (text[i] != '&') {
                plain += text[i];
                continue;
            }
            const QByteArrayView rest = text.sliced(i);
            const std::pair<const char*, char> names[] = {
                {"&amp;", '&'}, {"&lt;", '<'}, {"&gt;", '>'}, {"&quot;", '"'}, {"&apos;", '\''}};
            for (const auto& [name, character] : names) {
                if (rest.startsWith(QByteArrayView(name))) {
                    plain += character;
                    i += qsizetype(std::strlen(name)) - 1;
                    break;
                }
            }
        }
        return QString::fromUtf8(plain);
    }

    QByteArrayView bytes_;
    qsizetype pos_ = 0;
};

}  // namespace

QString ListFileFormat::FormatRecord(const ResultEntry& e) {
    const QString status = e.status.Stored();
    if (!NeedsEscape(e)) return e.title + u'$' + e.type + u'$' + e.size + u'$' + e.link + u'$' + status;
    return kEscapeMark + Escape(e.title) + u'$' + Escape(e.type) + u'$' + Escape(e.size) + u'$' +
           Escape(e.link) + u'$' + Escape(status);
}

void ListFileFormat::AppendRecordUtf8(QByteArray& out, const ResultEntry& e) {
    // A lone surrogate becomes "?" in a converted line but U+FFFD through an encoder: such records (and
    // escaped ones) take the line's way.
    const auto surrogates = [](const QString& cell) {
        return std::any_of(cell.cbegin(), cell.cend(), [](QChar c) { return c.isSurrogate(); });
    };
    const QString status = e.status.Stored();
    if (NeedsEscape(e) || surrogates(e.title) || surrogates(e.type) || surrogates(e.size) ||
        surrogates(e.link) || surrogates(status)) {
        out += FormatRecord(e).toUtf8();
        out += '\n';
        return;
    }
    const qsizetype at = out.size();
    out.resize(at + 3 * (e.title.size() + e.type.size() + e.size.size() + e.link.size() + status.size()) + 5);
    char* const begin = out.data() + at;
    char* end = begin;
    QStringEncoder utf8(QStringEncoder::Utf8);
    for (const QString* cell : {&e.title, &e.type, &e.size, &e.link}) {
        end = utf8.appendToBuffer(end, *cell);
        *end++ = '$';
    }
    end = utf8.appendToBuffer(end, status);
    *end++ = '\n';
    out.resize(at + (end - begin));
}

ResultEntry ListFileFormat::ParseRecord(const QString& line) {
    ResultEntry entry;
    if (line.startsWith(kEscapeMark)) {
        const QList<QStringView> cells = QStringView(line).mid(1).split(u'$');
        QString* fields[] = {&entry.title, &entry.type, &entry.size, &entry.link};
        for (qsizetype i = 0; i < 4 && i < cells.size(); ++i) *fields[i] = Unescape(cells[i]);
        if (cells.size() > 4) entry.status = RowStatus::FromStored(Unescape(cells[4]));
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
    entry.status = RowStatus::FromStored(line.mid(pos, end - pos));
    return entry;
}

QByteArray ListFileFormat::WriteXml(const QList<ResultEntry>& entries) {
    // Written directly rather than through an XML writer, which spends most of a million-row export on
    // its device writes; the bytes are the same (the tests hold the two side by side).
    qsizetype estimate = 64;
    for (const ResultEntry& e : entries) {
        estimate +=
            112 + e.title.size() + e.type.size() + e.size.size() + e.link.size() + e.status.Stored().size();
    }
    QByteArray out;
    out.reserve(estimate);
    out += "<?xml version='1.0' encoding='utf-8'?>\n<skimmer>";
    for (const ResultEntry& entry : entries) {
        QString title = entry.title;
        if (title.contains(u'\n')) {
            title.remove(QStringLiteral("\r\n"));
            title.remove(u'\n');
        }
        out += "\n\t<item>\n\t\t<title>";
        AppendXmlText(out, XmlSafe(title));
        out += "</title>\n\t\t<types>";
        AppendXmlText(out, XmlSafe(entry.type));
        out += "</types>\n\t\t<size>";
        AppendXmlText(out, XmlSafe(entry.size));
        out += "</size>\n\t\t<path>";
        AppendXmlText(out, XmlSafe(entry.link));
        out += "</path>\n\t\t<status>";
        AppendXmlText(out, XmlSafe(entry.status.Stored()));
        out += "</status>\n\t</item>";
    }
    out += "\n</skimmer>";
    return out;
}

std::optional<QList<ResultEntry>> ListFileFormat::ReadXml(const QByteArray& bytes, QString* error) {
    QList<ResultEntry> items;
    if (!ReadXml(bytes, error, [&items](ResultEntry&& item) { items.append(std::move(item)); }))
        return std::nullopt;
    return items;
}

bool ListFileFormat::ReadXml(const QByteArray& bytes, QString* error,
                             const std::function<void(ResultEntry&&)>& onItem) {
    // Our own files take the fast way once their whole shape has been checked; the check costs a tenth
    // of the reading and means no item is handed over twice.
    CanonicalXml canonical(bytes);
    if (TextCodec::IsValidUtf8(bytes) && canonical.Walk(nullptr)) return canonical.Walk(&onItem);
    QXmlStreamReader xml(bytes);
    bool foundRoot = false;
    int rootDepth = -1;  // depth of the chosen root while inside it
    int depth = 0;
    bool inItem = false;
    ResultEntry item;
    QString status;  // the item's stored status text
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
                    status.clear();
                    inItem = true;
                    seenFields = 0;
                } else if (inItem && depth == rootDepth + 2 && !field) {
                    QString* const targets[] = {&item.title, &item.type, &item.size, &item.link, &status};
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
                    item.status = RowStatus::FromStored(status);
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
