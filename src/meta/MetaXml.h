#pragma once
// A small metadata XML file (core.xml, app.xml, meta.xml, an XMP packet) parsed with libxml2 for reading
// only: no network, no external or internal DTD, no entity ever expanded (a document that declares a
// DOCTYPE is refused), nesting bounded by libxml2's default depth limit. Any thread; one per file.

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <functional>

typedef struct _xmlDoc xmlDoc;
typedef struct _xmlNode xmlNode;

class MetaXml {
  public:
    explicit MetaXml(const QByteArray& bytes);
    ~MetaXml();
    MetaXml(const MetaXml&) = delete;
    MetaXml& operator=(const MetaXml&) = delete;

    bool IsValid() const { return doc_ != nullptr; }
    // Why it is not valid: "DOCTYPE refused" or "not well-formed".
    QString Problem() const { return problem_; }

    // Every element in document order, with its depth.
    void ForEachElement(const std::function<void(xmlNode*)>& visit) const;
    // The text of the first element with this local name, in any namespace; empty when none.
    QString FirstText(const char* localName) const;

    static QString LocalName(xmlNode* node);
    // The element's own text and CDATA, its descendants' too; entity references contribute nothing.
    static QString Text(xmlNode* node);
    // The value of an attribute by local name, any namespace.
    static QString Attribute(xmlNode* node, const char* localName);
    static QList<xmlNode*> Children(xmlNode* node);

    static constexpr int kMaxTextChars = 64 * 1024;

  private:
    xmlDoc* doc_ = nullptr;
    QString problem_;
};
