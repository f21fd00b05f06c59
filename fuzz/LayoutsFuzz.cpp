// User layouts: the XPath expressions of a layout in config/engines.json (four lines: results, link,
// title, extra links) and then any page. An expression the loader would refuse is not read; one it
// accepts must read the page within the page's budget, the same whatever it does, and never crash: a
// hang here is a layout that escaped the budget.

#include "FuzzSupport.h"
#include "engines/EngineDefinition.h"
#include "engines/HtmlDocument.h"
#include "engines/XPathBudget.h"
#include "engines/XPathCheck.h"
#include "engines/XPathLayoutReader.h"

namespace {

// The loader's check of one expression; an optional one may be empty.
bool Accepted(const QString& expression, bool optional) {
    if (expression.isEmpty()) return optional;
    return expression.size() <= 8192 && XPathCompileError(expression).isEmpty() &&
           XPathCostProblem(expression).isEmpty();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString input = QString::fromUtf8(fuzz::Bytes(data, size));
    const QStringList parts = input.split(u'\n');
    if (parts.size() < 5) return 0;
    XPathLayout layout;
    layout.results = parts[0];
    layout.link = parts[1];
    layout.title = parts[2];
    layout.extraLinks = parts[3];
    if (!Accepted(layout.results, false) || !Accepted(layout.link, false) || !Accepted(layout.title, false) ||
        !Accepted(layout.extraLinks, true)) {
        return 0;
    }
    UnwrapRule rule;
    rule.kind = UnwrapRule::Kind::QueryParameter;
    rule.name = QStringLiteral("q");
    layout.unwrap = {rule};
    const std::unique_ptr<HtmlDocument> page = HtmlDocument::Parse(parts.mid(4).join(u'\n'));
    if (!page) return 0;
    XPathBudget budget = XPathBudget::ForPage(*page);
    // Two layouts from one budget, as an engine's layouts share it.
    for (int pass = 0; pass < 2; ++pass) {
        const QList<EngineHit> hits = XPathLayoutReader::Read(layout, *page, budget);
        fuzz::Require(hits.size() <= XPathLayoutReader::kMaxHits, "the hits stop at their cap");
        for (const EngineHit& hit : hits) {
            fuzz::Require(!hit.link.isEmpty(), "a hit has a link");
            fuzz::Require(hit.title.size() <= XPathLayoutReader::kMaxTitleLength, "a title stops at its cap");
        }
    }
    return 0;
}
