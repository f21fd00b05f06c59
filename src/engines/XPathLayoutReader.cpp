#include "engines/XPathLayoutReader.h"

#include <libxml/tree.h>
#include <libxml/xpath.h>

#include <memory>
#include <vector>

#include <QUrl>

#include "engines/HtmlDocument.h"
#include "engines/LinkUnwrap.h"

namespace {

void IgnoreError(void*, xmlErrorPtr) {}

struct CompiledDeleter {
    void operator()(xmlXPathCompExpr* compiled) const { xmlXPathFreeCompExpr(compiled); }
};
struct ObjectDeleter {
    void operator()(xmlXPathObject* object) const { xmlXPathFreeObject(object); }
};
struct ContextDeleter {
    void operator()(xmlXPathContext* context) const { xmlXPathFreeContext(context); }
};
using Compiled = std::unique_ptr<xmlXPathCompExpr, CompiledDeleter>;
using Object = std::unique_ptr<xmlXPathObject, ObjectDeleter>;

Compiled Compile(xmlXPathContextPtr context, const QString& expression) {
    if (expression.isEmpty()) return nullptr;
    const QByteArray utf8 = expression.toUtf8();
    return Compiled(xmlXPathCtxtCompile(context, reinterpret_cast<const xmlChar*>(utf8.constData())));
}

// The operation budget is the whole read's, not each evaluation's: a thousand blocks each walking the
// whole page would otherwise cost a thousand budgets. Once it is spent every further evaluation fails at
// once.
Object Evaluate(xmlXPathContextPtr context, xmlXPathCompExprPtr compiled, xmlNodePtr node) {
    if (!compiled) return nullptr;
    context->node = node;
    return Object(xmlXPathCompiledEval(compiled, context));
}

QString NodeText(xmlNodePtr node) {
    xmlChar* content = xmlNodeGetContent(node);
    if (!content) return {};
    QString text = QString::fromUtf8(reinterpret_cast<const char*>(content));
    xmlFree(content);
    return text;
}

// What a link expression selected, as an address: an attribute's value, an element's href, or a string.
QString LinkOf(xmlNodePtr node) {
    if (!node) return {};
    if (node->type == XML_ELEMENT_NODE) {
        xmlChar* href = xmlGetProp(node, reinterpret_cast<const xmlChar*>("href"));
        if (!href) return {};
        QString text = QString::fromUtf8(reinterpret_cast<const char*>(href));
        xmlFree(href);
        return text.trimmed();
    }
    return NodeText(node).trimmed();
}

// Nodes a layout may stand on or read from. A namespace node is a different structure that only looks like
// a node; a layout has no business with it (nor with comments and processing instructions).
bool Readable(xmlNodePtr node) {
    if (!node) return false;
    switch (node->type) {
        case XML_ELEMENT_NODE:
        case XML_ATTRIBUTE_NODE:
        case XML_TEXT_NODE:
        case XML_CDATA_SECTION_NODE:
        case XML_DOCUMENT_NODE:
        case XML_HTML_DOCUMENT_NODE:
            return true;
        default:
            return false;
    }
}

xmlNodePtr FirstNode(const Object& object) {
    if (!object || object->type != XPATH_NODESET || !object->nodesetval || object->nodesetval->nodeNr <= 0)
        return nullptr;
    xmlNodePtr node = object->nodesetval->nodeTab[0];
    return Readable(node) ? node : nullptr;
}

QString StringOf(const Object& object, bool asLink) {
    if (!object) return {};
    if (object->type == XPATH_NODESET) {
        if (asLink) return LinkOf(FirstNode(object));
        // Text is every node selected, in document order: a title may be the anchor's text nodes without
        // the element that shows the address inside it.
        QString text;
        const xmlNodeSetPtr nodes = object->nodesetval;
        for (int i = 0; nodes && i < nodes->nodeNr && text.size() <= XPathLayoutReader::kMaxTitleLength;
             ++i) {
            if (Readable(nodes->nodeTab[i])) text += NodeText(nodes->nodeTab[i]);
        }
        return text;
    }
    if (object->type == XPATH_STRING && object->stringval)
        return QString::fromUtf8(reinterpret_cast<const char*>(object->stringval)).trimmed();
    return {};
}

QString Collapse(const QString& text) {
    QString simple = text.simplified();
    if (simple.size() > XPathLayoutReader::kMaxTitleLength)
        simple.truncate(XPathLayoutReader::kMaxTitleLength);
    return simple;
}

struct CompiledLayout {
    Compiled results, link, title, snippet, extraLinks;
    std::vector<Compiled>
        attributeRules;  // index-aligned with the layout's unwrap rules; null for the others
};

QString Unwrap(const XPathLayout& layout, const CompiledLayout& compiled, xmlXPathContextPtr context,
               xmlNodePtr block, const QString& link) {
    for (qsizetype i = 0; i < layout.unwrap.size(); ++i) {
        const UnwrapRule& rule = layout.unwrap.at(i);
        QString target;
        if (rule.kind == UnwrapRule::Kind::Attribute) {
            target = StringOf(Evaluate(context, compiled.attributeRules.at(size_t(i)).get(), block), true);
            if (rule.ignore.contains(target, Qt::CaseInsensitive)) target.clear();
            // The attribute must hold a real address; anything else leaves the link as it is.
            if (!target.isEmpty()) {
                const QUrl url(target);
                const QString scheme = url.scheme().toLower();
                if ((scheme != QLatin1StringView("http") && scheme != QLatin1StringView("https")) ||
                    url.host().isEmpty())
                    target.clear();
            }
        } else {
            target = UnwrapLink(rule, link);
        }
        if (!target.isEmpty()) return target;
    }
    return link;
}

// Nodes of the tree, counted without recursion (a page may nest deep).
unsigned long CountNodes(xmlNodePtr root) {
    unsigned long count = 0;
    for (xmlNodePtr node = root; node;) {
        ++count;
        if (node->children && node->type == XML_ELEMENT_NODE) {
            node = node->children;
            continue;
        }
        while (node && !node->next && node != root) node = node->parent;
        if (!node || node == root) break;
        node = node->next;
    }
    return count;
}

}  // namespace

QList<EngineHit> XPathLayoutReader::Read(const XPathLayout& layout, const HtmlDocument& page) {
    QList<EngineHit> hits;
    if (!page.Doc()) return hits;
    std::unique_ptr<xmlXPathContext, ContextDeleter> context(xmlXPathNewContext(page.Doc()));
    if (!context) return hits;
    context->error = IgnoreError;
    // A layout walks the page a few times over; an expression that walks it once per node is what the
    // limit stops, and on a large page that takes far more than a few passes.
    const unsigned long nodes = CountNodes(xmlDocGetRootElement(page.Doc()));
    context->opLimit = kOperationLimit + kOperationsPerNode * nodes;
    context->opCount = 0;

    CompiledLayout compiled;
    compiled.results = Compile(context.get(), layout.results);
    compiled.link = Compile(context.get(), layout.link);
    compiled.title = Compile(context.get(), layout.title);
    compiled.snippet = Compile(context.get(), layout.snippet);
    compiled.extraLinks = Compile(context.get(), layout.extraLinks);
    for (const UnwrapRule& rule : layout.unwrap)
        compiled.attributeRules.push_back(
            rule.kind == UnwrapRule::Kind::Attribute ? Compile(context.get(), rule.name) : nullptr);
    if (!compiled.results || !compiled.link || !compiled.title) return hits;

    const Object blocks = Evaluate(context.get(), compiled.results.get(), xmlDocGetRootElement(page.Doc()));
    if (!blocks || blocks->type != XPATH_NODESET || !blocks->nodesetval) return hits;
    const int blockCount = qMin(blocks->nodesetval->nodeNr, kMaxBlocks);
    for (int b = 0; b < blockCount && hits.size() < kMaxHits; ++b) {
        xmlNodePtr block = blocks->nodesetval->nodeTab[b];
        if (!Readable(block)) continue;
        const QString title = Collapse(StringOf(Evaluate(context.get(), compiled.title.get(), block), false));
        const QString snippet =
            compiled.snippet
                ? Collapse(StringOf(Evaluate(context.get(), compiled.snippet.get(), block), false))
                : QString();
        const QString link = StringOf(Evaluate(context.get(), compiled.link.get(), block), true);
        if (!link.isEmpty())
            hits.append({Unwrap(layout, compiled, context.get(), block, link), title, snippet, QString()});
        if (!compiled.extraLinks) continue;
        const Object extras = Evaluate(context.get(), compiled.extraLinks.get(), block);
        if (!extras || extras->type != XPATH_NODESET || !extras->nodesetval) continue;
        for (int e = 0; e < extras->nodesetval->nodeNr && hits.size() < kMaxHits; ++e) {
            xmlNodePtr node = extras->nodesetval->nodeTab[e];
            const QString extra = Readable(node) ? LinkOf(node) : QString();
            if (!extra.isEmpty())
                hits.append(
                    {Unwrap(layout, compiled, context.get(), block, extra), title, snippet, QString()});
        }
    }
    return hits;
}
