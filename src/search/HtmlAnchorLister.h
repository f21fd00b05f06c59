#pragma once
// An HTML page as its anchors: each anchor's visible text and its href, in document order, resolved as a
// browser resolves links (against the page's address or its <base href>) and filtered by the program's
// rules. Parsed by libxml2 through HtmlDocument, which tolerates any broken markup and bounds hostile
// pages. One object per page and thread; objects on different threads share nothing.

#include <QByteArrayView>
#include <QList>
#include <QString>
#include <memory>

struct AnchorRecord {
    QString text;
    QString link;
};
struct PlainAnchors;

class HtmlAnchorLister {
  public:
    HtmlAnchorLister();
    ~HtmlAnchorLister();
    HtmlAnchorLister(const HtmlAnchorLister&) = delete;
    HtmlAnchorLister& operator=(const HtmlAnchorLister&) = delete;

    // False for an empty text (the previous page stays) and for a page the parser refuses (Refusal() says
    // why; no page is held then).
    bool SetHtml(const QString& text, bool stripScripts);
    // The page as fetched, when it is plain enough for PlainAnchorScanner to list its anchors without
    // decoding and parsing it (then as SetHtml(decoded page, true) would); false, and the previous page
    // stays, for any other page, which the caller then decodes and gives to SetHtml.
    bool SetPlainHtml(QByteArrayView bytes);
    const QString& Refusal() const { return refusal_; }
    // The address anchors are resolved against. Set it to the page's own address: without it a link
    // relative to the page's folder would come out relative to the site root.
    void SetBaseUrl(const QString& base) { base_ = base; }
    const QString& BaseUrl() const { return base_; }
    const QString& PageText() const { return page_; }

    // False when no page has been set.
    bool ListAnchors(QList<AnchorRecord>& anchors) const;

    // The link resolved against base by RFC 3986, less its fragment and a trailing slash; empty for an
    // empty or fragment-only link, a scheme other than http, https and ftp, or a path that names a
    // script, style sheet or picture. Without an absolute base a relative link stays as written.
    static QString ResolveUrl(const QString& base, const QString& link);
    static QString SiteBase(const QString& base, int levels);
    static void StripScriptTags(QString& text);

  private:
    QString DocumentBase() const;
    // The page's address after a <base href>: the base when the href resolves to a fetched scheme.
    QString BaseAfter(const QString& href) const;

    struct Document;
    std::unique_ptr<Document> document_;
    std::unique_ptr<PlainAnchors> plain_;  // set instead of document_ for a page the scanner read
    QString base_;
    QString page_;
    QString refusal_;
};
