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

namespace {

// The parts of an address or a reference to one (RFC 3986, appendix B), fragment already removed.
struct UrlParts {
    QStringView scheme;
    QStringView authority;
    QStringView path;
    QStringView query;
    bool hasScheme = false;
    bool hasAuthority = false;
    bool hasQuery = false;
};

bool IsSchemeChar(QChar c, bool first) {
    if ((c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z')) return true;
    return !first && ((c >= u'0' && c <= u'9') || c == u'+' || c == u'-' || c == u'.');
}

UrlParts SplitUrl(QStringView text) {
    UrlParts parts;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == u':' && i > 0) {
            parts.hasScheme = true;
            parts.scheme = text.left(i);
            text = text.mid(i + 1);
            break;
        }
        if (!IsSchemeChar(c, i == 0)) break;
    }
    if (text.startsWith(u"//")) {
        qsizetype end = 2;
        while (end < text.size() && text[end] != u'/' && text[end] != u'?') ++end;
        parts.hasAuthority = true;
        parts.authority = text.mid(2, end - 2);
        text = text.mid(end);
    }
    const qsizetype question = text.indexOf(u'?');
    parts.path = question < 0 ? text : text.left(question);
    if (question >= 0) {
        parts.hasQuery = true;
        parts.query = text.mid(question + 1);
    }
    return parts;
}

// "." and ".." segments folded away in one pass; more ".." than segments stop at the root.
QString RemoveDotSegments(QStringView path) {
    const bool absolute = path.startsWith(u'/');
    QList<QStringView> segments = (absolute ? path.mid(1) : path).split(u'/');
    QList<QStringView> kept;
    kept.reserve(segments.size());
    for (qsizetype i = 0; i < segments.size(); ++i) {
        const bool last = i + 1 == segments.size();
        const QStringView segment = segments[i];
        if (segment == u"." || segment == u"..") {
            if (segment == u".." && !kept.isEmpty()) kept.removeLast();
            if (last) kept.append(QStringView());
            continue;
        }
        kept.append(segment);
    }
    QString out;
    out.reserve(path.size());
    if (absolute) out += u'/';
    for (qsizetype i = 0; i < kept.size(); ++i) {
        if (i > 0) out += u'/';
        out += kept[i];
    }
    return out;
}

// A link as a browser reads it from an attribute: surrounding white space and control characters go, and
// so do tabs and line breaks inside it.
QString CleanLink(const QString& link) {
    QString clean;
    clean.reserve(link.size());
    for (QChar c : link) {
        if (c != u'\t' && c != u'\n' && c != u'\r') clean += c;
    }
    qsizetype from = 0;
    qsizetype to = clean.size();
    while (from < to && clean[from].unicode() <= 0x20) ++from;
    while (to > from && clean[to - 1].unicode() <= 0x20) --to;
    return clean.mid(from, to - from);
}

bool IsFetchedScheme(QStringView scheme) {
    return scheme.compare(u"http", Qt::CaseInsensitive) == 0 ||
           scheme.compare(u"https", Qt::CaseInsensitive) == 0 ||
           scheme.compare(u"ftp", Qt::CaseInsensitive) == 0;
}

// Scripts, style sheets and pictures: never a document and never a page worth following.
bool IsPageResource(QStringView path) {
    static const char16_t* const kSkipped[] = {u".js",  u".css", u".ico", u".jpg", u".jpeg",
                                               u".png", u".gif", u".bmp", u".svg", u".webp"};
    for (const char16_t* ending : kSkipped) {
        if (path.endsWith(QStringView(ending), Qt::CaseInsensitive)) return true;
    }
    return false;
}

}  // namespace

QString CHtmlParse::ResolveUrl(const QString& base, const QString& link) {
    const QString clean = CleanLink(link);
    const qsizetype hash = clean.indexOf(u'#');
    const QStringView reference = hash < 0 ? QStringView(clean) : QStringView(clean).left(hash);
    if (reference.isEmpty()) return {};  // empty, or a place on the same page

    const UrlParts ref = SplitUrl(reference);
    const qsizetype baseHash = base.indexOf(u'#');
    const UrlParts from = SplitUrl(baseHash < 0 ? QStringView(base) : QStringView(base).left(baseHash));
    UrlParts target;
    QString path;
    if (ref.hasScheme || !from.hasScheme) {
        // Absolute already, or nothing absolute to resolve against: the link as written, less dot segments
        // only when it is absolute (a relative one keeps its "../" for a later resolution).
        target = ref;
        path = ref.hasScheme ? RemoveDotSegments(ref.path) : ref.path.toString();
    } else {
        target.hasScheme = true;
        target.scheme = from.scheme;
        if (ref.hasAuthority) {
            target.hasAuthority = true;
            target.authority = ref.authority;
            path = RemoveDotSegments(ref.path);
            target.hasQuery = ref.hasQuery;
            target.query = ref.query;
        } else {
            target.hasAuthority = from.hasAuthority;
            target.authority = from.authority;
            if (ref.path.isEmpty()) {
                path = from.path.toString();
                target.hasQuery = ref.hasQuery || from.hasQuery;
                target.query = ref.hasQuery ? ref.query : from.query;
            } else {
                if (ref.path.startsWith(u'/')) {
                    path = RemoveDotSegments(ref.path);
                } else if (from.hasAuthority && from.path.isEmpty()) {
                    path = RemoveDotSegments(QString(u'/').append(ref.path));
                } else {
                    const qsizetype slash = from.path.lastIndexOf(u'/');
                    path = RemoveDotSegments(from.path.left(slash + 1).toString().append(ref.path));
                }
                target.hasQuery = ref.hasQuery;
                target.query = ref.query;
            }
        }
    }
    if (target.hasScheme && !IsFetchedScheme(target.scheme)) return {};
    if (IsPageResource(path)) return {};

    QString result;
    result.reserve(reference.size() + base.size());
    if (target.hasScheme) result.append(target.scheme).append(u':');
    if (target.hasAuthority) result.append(u"//").append(target.authority);
    result.append(path);
    if (target.hasQuery) result.append(u'?').append(target.query);
    if (result.endsWith(QStringLiteral("//"))) {
        result.chop(2);
    } else if (result.endsWith(u'/')) {
        result.chop(1);
    }
    return result;
}
