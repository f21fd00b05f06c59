#pragma once
// The anchors of a page read straight from the UTF-8 bytes that came over the wire, for the plain pages a
// crawl meets most: tags with quoted or simple attribute values, anchors that hold text only, no entity
// in an anchor, no script, style, comment or other markup that needs the full parser. Such a page costs a
// byte walk instead of a decoding to UTF-16, a parse tree and an encoding back. Any other page is declined
// (nothing is returned) and goes to libxml2 through HtmlAnchorLister::SetHtml; on every page the scanner
// accepts it lists what libxml2's reading lists. Any thread; no state.

#include <QByteArrayView>
#include <QList>
#include <QString>
#include <optional>

#include "search/HtmlAnchorLister.h"

struct PlainAnchors {
    QList<AnchorRecord> anchors;  // text simplified, link as written (null when the anchor has no href)
    QString baseHref;             // the first <base> with an href; null when none
};

class PlainAnchorScanner {
  public:
    static std::optional<PlainAnchors> Scan(QByteArrayView page);
};
