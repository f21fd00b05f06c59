#pragma once
// An HTML page as its anchors: each anchor's visible text and its href as written, in document order,
// resolved with the program's own address rules. Built on gumbo, which tolerates any broken markup.
// One object per page and thread; objects on different threads share nothing.

#include <QList>
#include <QString>
#include <memory>

struct AnchorRecord {
    QString text;
    QString link;
};

class CHtmlParse {
  public:
    CHtmlParse();
    ~CHtmlParse();
    CHtmlParse(const CHtmlParse&) = delete;
    CHtmlParse& operator=(const CHtmlParse&) = delete;

    // False for an empty text (the previous page stays).
    bool SetHtml(const QString& text, bool stripScripts);
    // The address anchors are resolved against. Set it to the page's own address: without it a link
    // relative to the page's folder would come out relative to the site root.
    void SetBaseUrl(const QString& base) { base_ = base; }
    const QString& BaseUrl() const { return base_; }
    const QString& PageText() const { return page_; }

    // False when no page has been set.
    bool ListAnchors(QList<AnchorRecord>& anchors) const;

    static QString ResolveUrl(const QString& base, const QString& link);
    static QString SiteBase(const QString& base, int levels);
    static void StripScriptTags(QString& text);

  private:
    struct Document;
    std::unique_ptr<Document> document_;
    QString base_;
    QString page_;
};
