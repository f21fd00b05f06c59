#include "engines/HtmlDocument.h"

#include <libxml/HTMLparser.h>
#include <libxml/SAX2.h>
#include <libxml/parser.h>
#include <libxml/tree.h>

#include <QCoreApplication>
#include <cstring>
#include <mutex>

namespace {

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

bool IsLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool NameIs(const char* name, qsizetype length, const char* wanted) {
    if (qsizetype(std::strlen(wanted)) != length) return false;
    for (qsizetype i = 0; i < length; ++i) {
        if ((name[i] | 0x20) != wanted[i]) return false;
    }
    return true;
}

// The end of the raw text that follows an opening script or style tag: the parser reads none of it as
// markup, so neither does the attribute count.
const char* SkipRawText(const char* at, const char* end, const char* name) {
    const qsizetype length = qsizetype(std::strlen(name));
    for (const char* p = at; p < end; ++p) {
        p = static_cast<const char*>(std::memchr(p, '<', size_t(end - p)));
        if (!p) return end;
        if (end - p > length + 1 && p[1] == '/' && NameIs(p + 2, length, name)) return p;
    }
    return end;
}

// Whether any start tag holds more than `limit` attributes, in one pass over the page. An attribute is
// counted where a name starts after white space; quoted values are skipped only where a value may start
// (after "="), as the parser does, so a stray quote never hides the rest of the page from the count.
bool HasTagWithTooManyAttributes(const QByteArray& html, int limit) {
    const char* p = html.constData();
    const char* const end = p + html.size();
    while (p < end) {
        p = static_cast<const char*>(std::memchr(p, '<', size_t(end - p)));
        if (!p || ++p >= end) return false;
        if (!IsLetter(*p)) continue;
        const char* const name = p;
        while (p < end && !IsSpace(*p) && *p != '>' && *p != '/') ++p;
        const qsizetype nameLength = p - name;
        int attributes = 0;
        bool inName = false;
        bool valueMayStart = false;
        for (; p < end && *p != '>'; ++p) {
            const char c = *p;
            if (valueMayStart && (c == '"' || c == '\'')) {
                const void* close = std::memchr(p + 1, c, size_t(end - p - 1));
                if (!close) return false;
                p = static_cast<const char*>(close);
                valueMayStart = false;
                inName = false;
                continue;
            }
            if (IsSpace(c) || c == '/') {
                inName = false;
                continue;
            }
            if (c == '=') {
                valueMayStart = true;
                inName = false;
                continue;
            }
            if (!inName && !valueMayStart && ++attributes > limit) return true;
            inName = !valueMayStart;
            valueMayStart = false;
        }
        if (p < end && (NameIs(name, nameLength, "script") || NameIs(name, nameLength, "style")))
            p = SkipRawText(p, end, nameLength == 6 ? "script" : "style");
    }
    return false;
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
    if (HasTagWithTooManyAttributes(utf8, kMaxAttributes))
        return refuse(Tr("a tag of the page holds more than %1 attributes").arg(kMaxAttributes));
    const QByteArray address = url.toUtf8();
    bool tooDeep = false;
    xmlDocPtr doc = ParseBounded(utf8, address, &tooDeep);
    if (tooDeep) {
        doc = ParseBounded(KeepOnlyAnchors(utf8), address, &tooDeep);
        if (tooDeep) return refuse(Tr("the page nests its elements more than %1 deep").arg(kMaxDepth));
        if (!doc) return refuse(Tr("the page could not be parsed"));
        return std::unique_ptr<HtmlDocument>(new HtmlDocument(doc, true));
    }
    if (!doc) return refuse(Tr("the page could not be parsed"));
    return std::unique_ptr<HtmlDocument>(new HtmlDocument(doc, false));
}
