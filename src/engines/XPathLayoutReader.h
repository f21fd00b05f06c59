#pragma once
// Cuts the results of one XPath layout from a parsed page: each result block's link (unwrapped, not yet
// resolved against the page) and title, plus the block's extra links. The work is bounded whatever the
// page or the expressions: at most kMaxBlocks blocks, kMaxHits hits, and one libxml2 operation budget
// (grown with the page, never with the square of it) for all the read's evaluations. Any thread, one call per
// page.

#include <QList>

#include "engines/EngineDefinition.h"
#include "engines/EngineHit.h"

class HtmlDocument;

class XPathLayoutReader {
  public:
    static constexpr int kMaxBlocks = 1000;
    static constexpr int kMaxHits = 1000;
    static constexpr int kMaxTitleLength = 1000;
    // XPath steps per read: many times what a real layout costs on a real page, few enough that an
    // expression which is quadratic in the page stops within a second or so.
    static constexpr unsigned long kOperationLimit = 2'000'000;
    static constexpr unsigned long kOperationsPerNode = 32;  // added to the limit for each node of the page

    // The hits as written in the page (a relative link stays relative); empty when the layout finds none
    // or an expression fails.
    static QList<EngineHit> Read(const XPathLayout& layout, const HtmlDocument& page);
};
