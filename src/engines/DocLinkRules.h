#pragma once
// Whether a link is a document of a wanted format (its type and default title), whether a size is
// acceptable, and whether a page is worth following in the deep search. Reads the options live at each
// call, so a change in the window counts at once, also mid-search. Any thread.

#include <QString>

class Options;

struct DocLink {
    bool isDocument = false;
    QString type;
    QString title;
};

class DocLinkRules {
  public:
    explicit DocLinkRules(const Options& options) : options_(options) {}

    QString GetDocType(const QString& link) const;
    // Whether documents of this type ("pdf") are wanted: its format box is ticked.
    bool TypeWanted(const QString& type) const { return !GetDocType(QStringLiteral("x.") + type).isEmpty(); }
    DocLink ClassifyDocLink(const QString& link) const;
    bool SizeInRange(double kb) const;
    bool InOtherEngineScope(const QString& link) const;
    static bool Is63daPage(const QString& link, bool allowSearchPages);
    bool ShouldFollow(const QString& link) const;

    // An edit read as an unsigned integer: leading digits, anything else 0.
    static quint32 UnsignedValue(const QString& text);

  private:
    const Options& options_;
};
