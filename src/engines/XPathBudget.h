#pragma once
// The XPath work one result page may cost across every layout of its engine, in libxml2 operations (text
// that string functions read counts one operation a character), and the question that ends it early (Stop,
// Ctrl-C). One object per page, on the thread that reads the page.

#include <functional>

class HtmlDocument;

class XPathBudget {
  public:
    // Many times what all the layouts of a real engine cost on a real page, few enough that an
    // expression which is quadratic in the page stops within a second or so.
    static constexpr unsigned long kOperationLimit = 2'000'000;
    static constexpr unsigned long kOperationsPerNode = 32;  // added to the limit for each node of the page

    XPathBudget(unsigned long operations, std::function<bool()> cancelled = {})
        : remaining_(operations), cancelled_(std::move(cancelled)) {}
    // The budget a page gets: grown with the page, never with the square of it.
    static XPathBudget ForPage(const HtmlDocument& page, std::function<bool()> cancelled = {});

    unsigned long Remaining() const { return remaining_; }
    void Spend(unsigned long operations) { remaining_ = operations < remaining_ ? remaining_ - operations : 0; }
    // Spent, or the reader was asked to stop: no further evaluation starts.
    bool Exhausted() const { return remaining_ == 0 || (cancelled_ && cancelled_()); }

  private:
    unsigned long remaining_;
    std::function<bool()> cancelled_;
};
