#include "search/CHtmlParse.h"

#include <gumbo.h>

#include <cctype>
#include <vector>

struct CHtmlParse::Document {
    QByteArray utf8;  // gumbo points into it
    GumboOutput* output = nullptr;
    ~Document() {
        if (output) gumbo_destroy_output(&kGumboDefaultOptions, output);
    }
};

CHtmlParse::CHtmlParse() = default;
CHtmlParse::~CHtmlParse() = default;

namespace {

// Nesting deeper than any real page; gumbo's recursive clean-up would run out of stack on a page nested
// a hundred thousand levels deep, so such markup is flattened before parsing.
constexpr int kMaxDepth = 2000;

bool IsVoidElement(const QByteArray& name) {
    static const QByteArrayList kVoid = {"area", "base", "br",    "col",    "embed", "hr",  "img", "input",
                                         "link", "meta", "param", "source", "track", "wbr", "p",   "li"};
    return kVoid.contains(name);
}

// A rough count of open elements: enough to tell a real page from a pathological one.
bool NestsTooDeep(const QByteArray& html) {
    int depth = 0;
    for (qsizetype i = 0; i + 1 < html.size(); ++i) {
        if (html[i] != '<') continue;
        const char next = html[i + 1];
        if (next == '/') {
            depth = qMax(0, depth - 1);
            continue;
        }
        if (!((next >= 'a' && next <= 'z') || (next >= 'A' && next <= 'Z'))) continue;
        qsizetype end = i + 1;
        while (end < html.size() && end - i < 12 && std::isalnum(static_cast<unsigned char>(html[end])))
            ++end;
        if (IsVoidElement(html.mid(i + 1, end - i - 1).toLower())) continue;
        if (++depth > kMaxDepth) return true;
    }
    return false;
}

QByteArray FlattenDeepNesting(const QByteArray& html) {
    if (!NestsTooDeep(html)) return html;
    // Keep anchors and text; drop every other tag, which removes the nesting without losing a link.
    QByteArray flat;
    flat.reserve(html.size());
    for (qsizetype i = 0; i < html.size(); ++i) {
        if (html[i] == '<') {
            const qsizetype close = html.indexOf('>', i);
            if (close < 0) break;
            const QByteArray tag = html.mid(i + 1, qMin<qsizetype>(close - i - 1, 3)).toLower();
            if (tag.startsWith("a ") || tag == "a" || tag.startsWith("/a") || tag.startsWith("a>")) {
                flat += html.mid(i, close - i + 1);
            } else {
                flat += ' ';
            }
            i = close;
            continue;
        }
        flat += html[i];
    }
    return flat;
}

void AppendText(const GumboNode* root, QString& out) {
    std::vector<const GumboNode*> stack{root};
    QByteArray text;
    while (!stack.empty()) {
        const GumboNode* node = stack.back();
        stack.pop_back();
        if (node->type == GUMBO_NODE_TEXT || node->type == GUMBO_NODE_WHITESPACE ||
            node->type == GUMBO_NODE_CDATA) {
            text += node->v.text.text;
        } else if (node->type == GUMBO_NODE_ELEMENT || node->type == GUMBO_NODE_TEMPLATE) {
            const GumboVector& children = node->v.element.children;
            for (unsigned i = children.length; i > 0; --i)
                stack.push_back(static_cast<const GumboNode*>(children.data[i - 1]));
        }
    }
    out = QString::fromUtf8(text).simplified();
}

}  // namespace

void CHtmlParse::StripScriptTags(QString& text) {
    static const QString kScript = QStringLiteral("<script");
    qsizetype found = text.indexOf(kScript);
    if (found < 0) return;
    // One pass instead of one deletion per tag: the opening tag's text up to (not including) its ">" goes.
    QString out;
    out.reserve(text.size());
    qsizetype copied = 0;
    while (found >= 0) {
        const qsizetype close = text.indexOf(u'>', found);
        if (close < 0) break;
        out += QStringView(text).mid(copied, found - copied);
        copied = close;
        found = text.indexOf(kScript, close + 1);
    }
    out += QStringView(text).mid(copied);
    text = std::move(out);
}

bool CHtmlParse::SetHtml(const QString& text, bool stripScripts) {
    if (text.isEmpty()) return false;
    page_ = text;
    if (stripScripts) StripScriptTags(page_);
    auto document = std::make_unique<Document>();
    document->utf8 = FlattenDeepNesting(page_.toUtf8());
    GumboOptions options = kGumboDefaultOptions;
    options.max_errors = 0;  // the error list of a broken 20 MB page would cost more than the page
    document->output =
        gumbo_parse_with_options(&options, document->utf8.constData(), size_t(document->utf8.size()));
    if (!document->output) return false;
    document_ = std::move(document);
    return true;
}

bool CHtmlParse::ListAnchors(QList<AnchorRecord>& anchors) const {
    if (!document_) return false;
    std::vector<const GumboNode*> stack{document_->output->root};
    while (!stack.empty()) {
        const GumboNode* node = stack.back();
        stack.pop_back();
        if (node->type != GUMBO_NODE_ELEMENT && node->type != GUMBO_NODE_TEMPLATE) continue;
        if (node->v.element.tag == GUMBO_TAG_A) {
            const GumboAttribute* href = gumbo_get_attribute(&node->v.element.attributes, "href");
            AnchorRecord record;
            AppendText(node, record.text);
            record.link = ResolveUrl(base_, href ? QString::fromUtf8(href->value) : QString());
            anchors.append(record);
        }
        const GumboVector& children = node->v.element.children;
        for (unsigned i = children.length; i > 0; --i)
            stack.push_back(static_cast<const GumboNode*>(children.data[i - 1]));
    }
    return true;
}

QString CHtmlParse::SiteBase(const QString& base, int levels) {
    qsizetype last = 0;
    QString rest = base;
    if (levels == -1) {
        const qsizetype scheme = base.indexOf(QStringLiteral("//"));
        const qsizetype stopAt = scheme < 0 ? -1 : scheme + 1;
        for (;;) {
            const qsizetype slash = rest.lastIndexOf(u'/');
            if (slash == stopAt || slash < 0) break;
            last = slash;
            rest.truncate(slash);
        }
    } else {
        for (int i = 0; i < levels; ++i) {
            const qsizetype slash = rest.lastIndexOf(u'/');
            if (slash < 0) break;
            last = slash;
            rest.truncate(slash);
        }
    }
    return last >= 10 ? base.left(last) : base;
}

QString CHtmlParse::ResolveUrl(const QString& base, const QString& link) {
    if (link.startsWith(QStringLiteral("//www."))) return base.left(5) + link;
    const QString lower = link.toLower();
    if (lower.contains(u'#') || lower.contains(QStringLiteral("javascript")) ||
        lower.contains(QStringLiteral("vbscript"))) {
        return {};
    }
    if (lower.startsWith(QStringLiteral("ftp"))) return link;
    for (const char* skipped : {".js", ".ico", ".jpg", ".bmp"}) {
        if (lower.contains(QLatin1StringView(skipped))) return {};
    }
    QString result;
    if (lower.contains(QStringLiteral("http")) || lower.contains(QStringLiteral("www"))) {
        result = link;
    } else if (link.startsWith(u'/')) {
        result = SiteBase(base, -1) + link;
    } else if (link.startsWith(QStringLiteral("./"))) {
        result = SiteBase(base, 1) + link.mid(1);
    } else {
        // Each "../" drops everything up to and including it.
        int ups = 0;
        qsizetype restStart = 0;
        for (qsizetype at = link.indexOf(QStringLiteral("../")); at >= 0;
             at = link.indexOf(QStringLiteral("../"), restStart)) {
            ++ups;
            restStart = at + 3;
        }
        result =
            ups == 0 ? SiteBase(base, 1) + u'/' + link : SiteBase(base, ups + 1) + u'/' + link.mid(restStart);
    }
    if (result.endsWith(QStringLiteral("//"))) {
        result.chop(2);
    } else if (result.endsWith(u'/')) {
        result.chop(1);
    }
    return result;
}
