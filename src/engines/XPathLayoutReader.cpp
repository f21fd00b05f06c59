#include "engines/XPathLayoutReader.h"

#include <libxml/tree.h>
#include <libxml/xpath.h>
#include <libxml/xpathInternals.h>

#include <algorithm>

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

// The operation budget is the whole page's, not each evaluation's: a thousand blocks each walking the
// whole page would otherwise cost a thousand budgets. Once it is spent (or Stop is asked) every further
// evaluation fails at once.
struct Evaluator {
    xmlXPathContextPtr context;
    const XPathBudget& budget;

    Object operator()(xmlXPathCompExprPtr compiled, xmlNodePtr node) const {
        if (!compiled || budget.Exhausted() || context->opCount >= context->opLimit) return nullptr;
        context->node = node;
        return Object(xmlXPathCompiledEval(compiled, context));
    }
};

// A string function reads the text of its arguments (or of the context node): a text the size of the page
// read once per node is quadratic work in a handful of operations. Each call is charged before it runs, an
// operation for every node its text is gathered from and every kCharsPerOperation characters, and refused
// once the budget cannot pay.
constexpr unsigned long kCharsPerOperation = 16;

// What gathering the text under a node costs, counted up to `cap` without building the text.
unsigned long TextCost(xmlNodePtr root, unsigned long cap) {
    if (!root) return 0;
    if (root->type == XML_ATTRIBUTE_NODE) root = root->children;
    unsigned long nodes = 0, chars = 0;
    for (xmlNodePtr node = root; node && nodes + chars / kCharsPerOperation <= cap;) {
        ++nodes;
        if ((node->type == XML_TEXT_NODE || node->type == XML_CDATA_SECTION_NODE) && node->content)
            chars += static_cast<unsigned long>(xmlStrlen(node->content));
        if (node->children && (node->type == XML_ELEMENT_NODE || node->type == XML_DOCUMENT_NODE ||
                               node->type == XML_HTML_DOCUMENT_NODE)) {
            node = node->children;
            continue;
        }
        while (node && !node->next && node != root) node = node->parent;
        if (!node || node == root) break;
        node = node->next;
    }
    return nodes + chars / kCharsPerOperation;
}

template <xmlXPathFunction Original, bool kEveryNode>
void Charged(xmlXPathParserContextPtr parser, int nargs) {
    xmlXPathContextPtr context = parser->context;
    const unsigned long left = context->opLimit > context->opCount ? context->opLimit - context->opCount : 0;
    unsigned long cost = 1;
    if (nargs == 0) cost += TextCost(context->node, left);
    for (int i = 0; i < nargs && i < parser->valueNr && cost <= left; ++i) {
        const xmlXPathObjectPtr value = parser->valueTab[parser->valueNr - 1 - i];
        if (!value) continue;
        if (value->type == XPATH_STRING && value->stringval) {
            cost += static_cast<unsigned long>(xmlStrlen(value->stringval)) / kCharsPerOperation;
        } else if (value->type == XPATH_NODESET && value->nodesetval) {
            // The text of the first node is read (sum: of every node).
            const int nodes = kEveryNode ? value->nodesetval->nodeNr : std::min(value->nodesetval->nodeNr, 1);
            for (int n = 0; n < nodes && cost <= left; ++n) cost += TextCost(value->nodesetval->nodeTab[n], left - cost);
        }
    }
    if (cost > left) {
        context->opCount = context->opLimit;
        xmlXPathErr(parser, XPATH_OP_LIMIT_EXCEEDED);
        return;
    }
    context->opCount += cost;
    Original(parser, nargs);
}

xmlXPathFunction ChargedFunction(void*, const xmlChar* name, const xmlChar* uri) {
    if (uri) return nullptr;
    static const struct {
        const char* name;
        xmlXPathFunction function;
    } kFunctions[] = {
        {"string", Charged<xmlXPathStringFunction, false>},
        {"string-length", Charged<xmlXPathStringLengthFunction, false>},
        {"normalize-space", Charged<xmlXPathNormalizeFunction, false>},
        {"concat", Charged<xmlXPathConcatFunction, false>},
        {"contains", Charged<xmlXPathContainsFunction, false>},
        {"starts-with", Charged<xmlXPathStartsWithFunction, false>},
        {"substring", Charged<xmlXPathSubstringFunction, false>},
        {"substring-before", Charged<xmlXPathSubstringBeforeFunction, false>},
        {"substring-after", Charged<xmlXPathSubstringAfterFunction, false>},
        {"translate", Charged<xmlXPathTranslateFunction, false>},
        {"number", Charged<xmlXPathNumberFunction, false>},
        {"sum", Charged<xmlXPathSumFunction, true>},
    };
    for (const auto& entry : kFunctions) {
        if (xmlStrEqual(name, reinterpret_cast<const xmlChar*>(entry.name))) return entry.function;
    }
    return nullptr;
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

QString Unwrap(const XPathLayout& layout, const CompiledLayout& compiled, const Evaluator& evaluate,
               xmlNodePtr block, const QString& link) {
    for (qsizetype i = 0; i < layout.unwrap.size(); ++i) {
        const UnwrapRule& rule = layout.unwrap.at(i);
        QString target;
        if (rule.kind == UnwrapRule::Kind::Attribute) {
            target = StringOf(evaluate(compiled.attributeRules.at(size_t(i)).get(), block), true);
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

}  // namespace

QList<EngineHit> XPathLayoutReader::Read(const XPathLayout& layout, const HtmlDocument& page) {
    XPathBudget budget = XPathBudget::ForPage(page);
    return Read(layout, page, budget);
}

QList<EngineHit> XPathLayoutReader::Read(const XPathLayout& layout, const HtmlDocument& page, XPathBudget& budget) {
    QList<EngineHit> hits;
    if (!page.Doc() || budget.Exhausted()) return hits;
    std::unique_ptr<xmlXPathContext, ContextDeleter> context(xmlXPathNewContext(page.Doc()));
    if (!context) return hits;
    context->error = IgnoreError;
    xmlXPathRegisterFuncLookup(context.get(), ChargedFunction, nullptr);
    context->opLimit = budget.Remaining();
    context->opCount = 0;
    // Whatever way the read ends, the page's budget pays for it.
    struct Payment {
        XPathBudget& budget;
        xmlXPathContextPtr context;
        ~Payment() { budget.Spend(std::max(context->opCount, 1UL)); }
    } payment{budget, context.get()};
    const Evaluator evaluate{context.get(), budget};

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

    const Object blocks = evaluate(compiled.results.get(), xmlDocGetRootElement(page.Doc()));
    if (!blocks || blocks->type != XPATH_NODESET || !blocks->nodesetval) return hits;
    const int blockCount = qMin(blocks->nodesetval->nodeNr, kMaxBlocks);
    for (int b = 0; b < blockCount && hits.size() < kMaxHits && !budget.Exhausted(); ++b) {
        xmlNodePtr block = blocks->nodesetval->nodeTab[b];
        if (!Readable(block)) continue;
        const QString title = Collapse(StringOf(evaluate(compiled.title.get(), block), false));
        const QString snippet =
            compiled.snippet ? Collapse(StringOf(evaluate(compiled.snippet.get(), block), false)) : QString();
        const QString link = StringOf(evaluate(compiled.link.get(), block), true);
        if (!link.isEmpty()) hits.append({Unwrap(layout, compiled, evaluate, block, link), title, snippet, QString()});
        if (!compiled.extraLinks) continue;
        const Object extras = evaluate(compiled.extraLinks.get(), block);
        if (!extras || extras->type != XPATH_NODESET || !extras->nodesetval) continue;
        for (int e = 0; e < extras->nodesetval->nodeNr && hits.size() < kMaxHits; ++e) {
            xmlNodePtr node = extras->nodesetval->nodeTab[e];
            const QString extra = Readable(node) ? LinkOf(node) : QString();
            if (!extra.isEmpty()) hits.append({Unwrap(layout, compiled, evaluate, block, extra), title, snippet, QString()});
        }
    }
    return hits;
}
