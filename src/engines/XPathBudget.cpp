#include "engines/XPathBudget.h"

#include <libxml/tree.h>

#include "engines/HtmlDocument.h"

namespace {

// Nodes of the tree, counted without recursion (a page may nest deep).
unsigned long CountNodes(xmlNodePtr root) {
    unsigned long count = 0;
    for (xmlNodePtr node = root; node;) {
        ++count;
        if (node->children && node->type == XML_ELEMENT_NODE) {
            node = node->children;
            continue;
        }
        while (node && !node->next && node != root) node = node->parent;
        if (!node || node == root) break;
        node = node->next;
    }
    return count;
}

}  // namespace

XPathBudget XPathBudget::ForPage(const HtmlDocument& page, std::function<bool()> cancelled) {
    const unsigned long nodes = page.Doc() ? CountNodes(xmlDocGetRootElement(page.Doc())) : 0;
    return XPathBudget(kOperationLimit + kOperationsPerNode * nodes, std::move(cancelled));
}
