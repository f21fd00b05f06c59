#pragma once
// Cuts the results of one XPath layout from a parsed page: each result block's link (unwrapped, not yet
// resolved against the page) and title, plus the block's extra links. The work is bounded whatever the
// page or the expressions: at most kMaxBlocks blocks, kMaxHits hits, and the page's XPathBudget shared by
// every evaluation of every layout read from it (the text string functions read is charged too). Any
// thread, one call at a time per page.

#include <QList>

#include "engines/EngineDefinition.h"
#include "engines/EngineHit.h"
#include "engines/XPathBudget.h"

class HtmlDocument;

class XPathLayoutReader {
  public:
    static constexpr int kMaxBlocks = 1000;
    static constexpr int kMaxHits = 1000;
    static constexpr int kMaxTitleLength = 1000;

    // The hits as written in the page (a relative link stays relative); empty when the layout finds none
    // or an expression fails. What the read costs is taken from the budget; once it is exhausted no
    // further evaluation starts and the hits cut so far are given.
    static QList<EngineHit> Read(const XPathLayout& layout, const HtmlDocument& page, XPathBudget& budget);
    // With a budget of the page's own.
    static QList<EngineHit> Read(const XPathLayout& layout, const HtmlDocument& page);
};
