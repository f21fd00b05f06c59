#pragma once
// A decoded HTML page parsed by libxml2's HTML parser into a document tree, in bounded size, nesting and
// time: the one place where the program hands web pages to libxml2. Owns the tree; any thread, one object
// per page and thread.

#include <QString>
#include <memory>

struct _xmlDoc;

class HtmlDocument {
  public:
    // Pages above this size (UTF-8 bytes) are refused rather than parsed: the tree costs about fifteen
    // times the page (a 50 MB page took 0.8 GB), and no result page or document index comes near it.
    static constexpr qsizetype kMaxPageBytes = 16 * 1024 * 1024;
    // Elements nested deeper than this are hostile or broken beyond use: such a page is read again with
    // only its anchors and base kept as markup (text stays), so its links still count.
    static constexpr int kMaxDepth = 1024;
    // A tag's attributes past this many distinct names are cut before parsing: the parser checks each new
    // attribute against all the earlier ones of its tag, which is quadratic (40,000 took 24 s).
    static constexpr int kMaxAttributes = 256;

    ~HtmlDocument();
    HtmlDocument(const HtmlDocument&) = delete;
    HtmlDocument& operator=(const HtmlDocument&) = delete;

    // The page's tree, or null with the reason in *refusal (when given) for a page that is empty or too
    // large. The page's own charset declaration is ignored: the
    // text is already decoded. `url` becomes the document's address (used for nothing but diagnostics).
    static std::unique_ptr<HtmlDocument> Parse(const QString& page, QString* refusal = nullptr,
                                               const QString& url = QString());

    _xmlDoc* Doc() const { return doc_; }
    // True when the page nested too deep and only its anchors, base and text were kept.
    bool Flattened() const { return flattened_; }

  private:
    HtmlDocument(_xmlDoc* doc, bool flattened) : doc_(doc), flattened_(flattened) {}
    _xmlDoc* doc_;
    bool flattened_;
};
