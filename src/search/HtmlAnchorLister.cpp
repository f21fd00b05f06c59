#include "search/HtmlAnchorLister.h"

#include <libxml/tree.h>

#include "engines/HtmlDocument.h"
#include "search/PlainAnchorScanner.h"

struct HtmlAnchorLister::Document {
    std::unique_ptr<HtmlDocument> html;
};

HtmlAnchorLister::HtmlAnchorLister() = default;
HtmlAnchorLister::~HtmlAnchorLister() = default;

namespace {

QString Text(const xmlChar* text) {
    return QString::fromUtf8(reinterpret_cast<const char*>(text));
}

// The next node in document order, descending into elements only; null after the last.
xmlNodePtr NextNode(xmlNodePtr node, xmlNodePtr top) {
    if (node->type == XML_ELEMENT_NODE && node->children) return node->children;
    while (node && node != top && !node->next) node = node->parent;
    return node && node != top ? node->next : nullptr;
}

bool IsElement(xmlNodePtr node, const char* name) {
    return node->type == XML_ELEMENT_NODE && xmlStrEqual(node->name, BAD_CAST name);
}

// An attribute as written in the page (entities decoded), or a null text when it is missing.
QString Attribute(xmlNodePtr node, const char* name) {
    xmlChar* value = xmlGetProp(node, BAD_CAST name);
    if (!value) return {};
    QString text = Text(value);
    xmlFree(value);
    if (text.isNull()) text = QLatin1StringView("");
    return text;
}

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
    // A "." or ".." segment starts the path or follows a "/"; most paths have none and stay as they are.
    if (!path.startsWith(u'.') && !path.contains(u"/.")) return path.toString();
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

// A link resolved against a base (RFC 3986, section 5.2) without the program's filters: empty for an
// empty or fragment-only link; *path is the result's path, *fetched whether its scheme (if any) is one the
// program fetches.
QString ResolveReference(const QString& base, const QString& link, QString* resultPath, bool* fetched) {
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
    *fetched = !target.hasScheme || IsFetchedScheme(target.scheme);

    QString result;
    result.reserve(reference.size() + base.size());
    if (target.hasScheme) result.append(target.scheme).append(u':');
    if (target.hasAuthority) result.append(u"//").append(target.authority);
    result.append(path);
    if (target.hasQuery) result.append(u'?').append(target.query);
    *resultPath = std::move(path);
    return result;
}

}  // namespace

void HtmlAnchorLister::StripScriptTags(QString& text) {
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

bool HtmlAnchorLister::SetHtml(const QString& text, bool stripScripts) {
    if (text.isEmpty()) return false;
    page_ = text;
    if (stripScripts) StripScriptTags(page_);
    refusal_.clear();
    document_.reset();
    plain_.reset();
    auto html = HtmlDocument::Parse(page_, &refusal_);
    if (!html) return false;
    document_ = std::make_unique<Document>();
    document_->html = std::move(html);
    return true;
}

bool HtmlAnchorLister::SetPlainHtml(QByteArrayView bytes) {
    std::optional<PlainAnchors> scanned = PlainAnchorScanner::Scan(bytes);
    if (!scanned) return false;
    page_.clear();
    refusal_.clear();
    document_.reset();
    plain_ = std::make_unique<PlainAnchors>(std::move(*scanned));
    return true;
}

QString HtmlAnchorLister::BaseAfter(const QString& href) const {
    QString path;
    bool fetched = false;
    const QString resolved = ResolveReference(base_, href, &path, &fetched);
    return fetched && !resolved.isEmpty() ? resolved : base_;
}

QString HtmlAnchorLister::DocumentBase() const {
    if (plain_) return plain_->baseHref.isNull() ? base_ : BaseAfter(plain_->baseHref);
    const xmlNodePtr top = reinterpret_cast<xmlNodePtr>(document_->html->Doc());
    for (xmlNodePtr node = top->children; node; node = NextNode(node, top)) {
        if (!IsElement(node, "base")) continue;
        const QString href = Attribute(node, "href");
        if (href.isNull()) continue;  // only the first base with an address counts
        return BaseAfter(href);
    }
    return base_;
}

bool HtmlAnchorLister::ListAnchors(QList<AnchorRecord>& anchors) const {
    if (plain_) {
        const QString base = DocumentBase();
        for (const AnchorRecord& anchor : plain_->anchors)
            anchors.append({anchor.text, anchor.link.isNull() ? QString() : ResolveUrl(base, anchor.link)});
        return true;
    }
    if (!document_) return false;
    const QString base = DocumentBase();
    const xmlNodePtr top = reinterpret_cast<xmlNodePtr>(document_->html->Doc());
    for (xmlNodePtr node = top->children; node; node = NextNode(node, top)) {
        if (!IsElement(node, "a")) continue;
        AnchorRecord record;
        xmlChar* text = xmlNodeGetContent(node);
        record.text = Text(text).simplified();
        xmlFree(text);
        const QString href = Attribute(node, "href");
        record.link = href.isNull() ? QString() : ResolveUrl(base, href);
        anchors.append(record);
    }
    return true;
}

QString HtmlAnchorLister::SiteBase(const QString& base, int levels) {
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

QString HtmlAnchorLister::ResolveUrl(const QString& base, const QString& link) {
    QString path;
    bool fetched = false;
    QString result = ResolveReference(base, link, &path, &fetched);
    if (!fetched || IsPageResource(path)) return {};
    if (result.endsWith(QStringLiteral("//"))) {
        result.chop(2);
    } else if (result.endsWith(u'/')) {
        result.chop(1);
    }
    return result;
}
