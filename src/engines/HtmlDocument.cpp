#include "engines/HtmlDocument.h"

#include <libxml/HTMLparser.h>
#include <libxml/SAX2.h>
#include <libxml/parser.h>
#include <libxml/tree.h>

#include <QCoreApplication>
#include <QSet>
#include <cstring>
#include <mutex>

namespace {

// Character classes as libxml2's HTML parser has them.
bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

bool IsLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool IsNameStart(char c) {
    return IsLetter(c) || c == '_' || c == ':' || c == '.';
}

bool IsNameChar(char c) {
    return IsNameStart(c) || (c >= '0' && c <= '9') || c == '-';
}

bool NameIs(const char* name, qsizetype length, const char* wanted) {
    if (qsizetype(std::strlen(wanted)) != length) return false;
    for (qsizetype i = 0; i < length; ++i) {
        if ((name[i] | 0x20) != wanted[i]) return false;
    }
    return true;
}

// A replacement of the page's bytes [from, to).
struct Edit {
    qsizetype from;
    qsizetype to;
    const char* text;
};

// A walk over the page that finds where each start tag ends exactly as the parser does, so that a tag's
// surplus attributes can be cut without moving the tag's end, and that finds the text areas, whose
// content a browser shows as text while the parser would read it as markup.
class MarkupPreflight {
  public:
    MarkupPreflight(const QByteArray& html, int limit)
        : data_(html.constData()), size_(html.size()), limit_(limit) {}

    // The edits in page order.
    QList<Edit> Edits() {
        QList<Edit> edits;
        qsizetype p = 0;
        while (p < size_) {
            const void* open = std::memchr(data_ + p, '<', size_t(size_ - p));
            if (!open) break;
            p = static_cast<const char*>(open) - data_;
            if (At(p + 1) == '!' && At(p + 2) == '-' && At(p + 3) == '-') {
                p = Find("-->", p + 4);
            } else if (IsLetter(At(p + 1))) {
                const qsizetype name = p + 1;
                p = name;
                while (IsNameChar(At(p))) ++p;
                const qsizetype nameLength = p - name;
                // "<a" glued to a character that ends no tag name ("<a)", "<a&&b" in script text) is no
                // anchor to a browser, whose tag names run to the next blank, "/" or ">"; the parser
                // would make one of it.
                if (NameIs(data_ + name, nameLength, "a") && !IsSpace(At(p)) && At(p) != '\f' &&
                    At(p) != '>' && At(p) != '/' && At(p) != '\0') {
                    edits.append({name - 1, name, "&lt;"});
                    continue;
                }
                p = StartTagEnd(p, edits);
                if (NameIs(data_ + name, nameLength, "script") || NameIs(data_ + name, nameLength, "style")) {
                    const char* closing = nameLength == 6 ? "</script" : "</style";
                    p = FindCaseless(closing, p);
                } else if (NameIs(data_ + name, nameLength, "textarea")) {
                    const qsizetype close = FindCaseless("</textarea", p);
                    for (qsizetype at = p + 1; at < close; ++at) {
                        if (data_[at] == '<') edits.append({at, at + 1, "&lt;"});
                    }
                    p = close;
                }
            } else if ((At(p + 1) == '/' && IsLetter(At(p + 2))) || At(p + 1) == '!' || At(p + 1) == '?') {
                p = Find(">", p + 2);
            } else {
                ++p;
            }
        }
        return edits;
    }

  private:
    char At(qsizetype i) const { return i < size_ ? data_[i] : '\0'; }

    qsizetype Find(const char* text, qsizetype from) const {
        const qsizetype at = QByteArrayView(data_, size_).indexOf(QByteArrayView(text), from);
        return at < 0 ? size_ : at + qsizetype(std::strlen(text));
    }

    qsizetype FindCaseless(const char* text, qsizetype from) const {
        const qsizetype length = qsizetype(std::strlen(text));
        for (qsizetype p = from; p < size_; ++p) {
            const void* open = std::memchr(data_ + p, '<', size_t(size_ - p));
            if (!open) break;
            p = static_cast<const char*>(open) - data_;
            if (p + length <= size_ && At(p + 1) == '/' && NameIs(data_ + p + 2, length - 2, text + 2))
                return p;
        }
        return size_;
    }

    bool TagGoesOn(qsizetype p) const {
        const char c = At(p);
        return c != '\0' && c != '>' && !(c == '/' && At(p + 1) == '>');
    }

    // From just after a start tag's name to its ">" (or the page's end), following the parser's reading
    // of attributes: a quote opens a value only right after "=", anything that is not a name is skipped
    // to the next blank. Only a tag with more names than the limit has its distinct names counted (they
    // are what the parser keeps and compares), so an ordinary page costs no allocation here.
    qsizetype StartTagEnd(qsizetype from, QList<Edit>& edits) {
        qsizetype floodStart = -1;
        const qsizetype end = ReadAttributes(from, nullptr, &floodStart);
        if (floodStart >= 0) {
            QSet<QByteArray> names;
            floodStart = -1;
            ReadAttributes(from, &names, &floodStart);
            if (floodStart >= 0) edits.append({floodStart, end, ""});
        }
        return end;
    }

    // Without `names` *floodStart tells only that the tag has more names than the limit; with them, where
    // the first distinct name past the limit starts.
    qsizetype ReadAttributes(qsizetype p, QSet<QByteArray>* names, qsizetype* floodStart) const {
        int count = 0;
        while (IsSpace(At(p))) ++p;
        while (TagGoesOn(p)) {
            const qsizetype attribute = p;
            if (IsNameStart(At(p))) {
                while (IsNameChar(At(p))) ++p;
                if (*floodStart < 0) {
                    if (names)
                        names->insert(
                            QByteArray(data_ + attribute, qMin<qsizetype>(p - attribute, 100)).toLower());
                    if ((names ? int(names->size()) : ++count) > limit_) *floodStart = attribute;
                }
                while (IsSpace(At(p))) ++p;
                if (At(p) == '=') {
                    ++p;
                    while (IsSpace(At(p))) ++p;
                    const char quote = At(p);
                    if (quote == '"' || quote == '\'') {
                        ++p;
                        while (p < size_ && data_[p] != quote && data_[p] != '\0') ++p;
                        if (At(p) == quote) ++p;
                    } else {
                        while (At(p) != '\0' && At(p) != '>' && !IsSpace(At(p))) ++p;
                    }
                }
            } else {
                while (TagGoesOn(p) && !IsSpace(At(p))) ++p;
            }
            while (IsSpace(At(p))) ++p;
        }
        return p;
    }

    const char* data_;
    qsizetype size_;
    int limit_;
};

// The page with every tag's attributes past the limit cut away and the markup inside text areas
// escaped, or the page itself when it needs neither. Real tags hold a few dozen attributes; past the
// limit a tag is either an attack on the parser's quadratic attribute check or script text read as a
// tag, and in neither do the surplus attributes mean anything.
QByteArray Preflight(const QByteArray& html, int limit) {
    const QList<Edit> edits = MarkupPreflight(html, limit).Edits();
    if (edits.isEmpty()) return html;
    QByteArray out;
    out.reserve(html.size() + edits.size() * 3);
    qsizetype copied = 0;
    for (const Edit& edit : edits) {
        out.append(html.constData() + copied, edit.from - copied);
        out.append(edit.text);
        copied = edit.to;
    }
    out.append(html.constData() + copied, html.size() - copied);
    return out;
}

// Every tag but anchors and base becomes a space: the nesting goes, the text and every link stay.
QByteArray KeepOnlyAnchors(const QByteArray& html) {
    QByteArray flat;
    flat.reserve(html.size());
    qsizetype copied = 0;
    for (qsizetype at = html.indexOf('<'); at >= 0; at = html.indexOf('<', copied)) {
        const qsizetype close = html.indexOf('>', at);
        if (close < 0) break;
        flat.append(html.constData() + copied, at - copied);
        const char* tag = html.constData() + at + 1;
        if (*tag == '/') ++tag;
        const char* nameEnd = tag;
        while (IsLetter(*nameEnd)) ++nameEnd;
        const qsizetype length = nameEnd - tag;
        const bool keep = (NameIs(tag, length, "a") || NameIs(tag, length, "base")) &&
                          (IsSpace(*nameEnd) || *nameEnd == '>' || *nameEnd == '/');
        if (keep) {
            flat.append(html.constData() + at, close - at + 1);
        } else {
            flat.append(' ');
        }
        copied = close + 1;
    }
    flat.append(html.constData() + copied, html.size() - copied);
    return flat;
}

struct ParseWatch {
    startElementSAXFunc startElement = nullptr;
    bool tooDeep = false;
};

// Stops the parse as soon as the open elements nest past the bound: past it, unmatched end tags cost a
// walk over every open element each, and the tree would be a stack hazard for anyone walking it.
void WatchDepth(void* context, const xmlChar* name, const xmlChar** attributes) {
    auto* parser = static_cast<htmlParserCtxtPtr>(context);
    auto* watch = static_cast<ParseWatch*>(parser->_private);
    watch->startElement(context, name, attributes);
    if (parser->nameNr > HtmlDocument::kMaxDepth) {
        watch->tooDeep = true;
        xmlStopParser(parser);
    }
}

void IgnoreError(void*, xmlErrorPtr) {}

// The tree, or null; *tooDeep tells a page stopped for its nesting.
xmlDocPtr ParseBounded(const QByteArray& utf8, const QByteArray& url, bool* tooDeep) {
    htmlParserCtxtPtr parser = htmlNewParserCtxt();
    if (!parser) return nullptr;
    ParseWatch watch;
    watch.startElement = parser->sax->startElement ? parser->sax->startElement : xmlSAX2StartElement;
    parser->sax->startElement = WatchDepth;
    parser->sax->serror = IgnoreError;
    parser->_private = &watch;
    // No network, no error output; the page is UTF-8 whatever its meta tag says.
    // Deep nesting is bounded above, so the parser's own depth cut-off (which would silently drop the
    // rest of the page) is lifted.
    const int options = HTML_PARSE_RECOVER | HTML_PARSE_NOERROR | HTML_PARSE_NOWARNING | HTML_PARSE_NONET |
                        HTML_PARSE_COMPACT | HTML_PARSE_IGNORE_ENC | XML_PARSE_HUGE;
    xmlDocPtr doc = htmlCtxtReadMemory(parser, utf8.constData(), int(utf8.size()),
                                       url.isEmpty() ? nullptr : url.constData(), "UTF-8", options);
    htmlFreeParserCtxt(parser);
    *tooDeep = watch.tooDeep;
    if (watch.tooDeep && doc) {
        xmlFreeDoc(doc);
        doc = nullptr;
    }
    return doc;
}

QString Tr(const char* text) {
    return QCoreApplication::translate("HtmlDocument", text);
}

}  // namespace

HtmlDocument::~HtmlDocument() {
    if (doc_) xmlFreeDoc(doc_);
}

std::unique_ptr<HtmlDocument> HtmlDocument::Parse(const QString& page, QString* refusal, const QString& url) {
    static std::once_flag initialised;
    std::call_once(initialised, [] { xmlInitParser(); });
    auto refuse = [refusal](const QString& reason) {
        if (refusal) *refusal = reason;
        return nullptr;
    };
    if (page.isEmpty()) return refuse(Tr("the page is empty"));
    if (page.size() > kMaxPageBytes)
        return refuse(Tr("the page is larger than %1 MB").arg(kMaxPageBytes >> 20));
    const QByteArray utf8 = page.toUtf8();
    if (utf8.size() > kMaxPageBytes)
        return refuse(Tr("the page is larger than %1 MB").arg(kMaxPageBytes >> 20));
    const QByteArray bounded = Preflight(utf8, kMaxAttributes);
    const QByteArray address = url.toUtf8();
    bool tooDeep = false;
    xmlDocPtr doc = ParseBounded(bounded, address, &tooDeep);
    if (tooDeep) {
        doc = ParseBounded(KeepOnlyAnchors(bounded), address, &tooDeep);
        if (tooDeep) return refuse(Tr("the page nests its elements more than %1 deep").arg(kMaxDepth));
        if (!doc) return refuse(Tr("the page could not be parsed"));
        return std::unique_ptr<HtmlDocument>(new HtmlDocument(doc, true));
    }
    if (!doc) return refuse(Tr("the page could not be parsed"));
    return std::unique_ptr<HtmlDocument>(new HtmlDocument(doc, false));
}
