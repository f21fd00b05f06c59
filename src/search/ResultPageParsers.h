#pragma once
// The fourteen result-page parsers: each cuts the blocks of one engine's page layout with the key
// matcher, repairs and filters the link, cleans and tests the title, finds the type and (optionally)
// the size, and adds the hit as a waiting row. The 63da search-page parser queues document pages
// instead. Called on a search thread; every call has its own matchers; stops at CheckCancel.

#include <QString>
#include <atomic>
#include <functional>

#include "search/ParserKeys.h"

class DocLinkRules;
class LinkFilters;
class Options;
class ResultList;
class SearchQueue;

enum class PageParser {
    None,
    Google,
    Scholar,
    Baidu,
    Bing,
    BingAcademic,
    Sogou,
    Youdao,
    Soso,
    Yahoo,
    Zhongsou,
    Aol,
    Osun,
    Search63,
    Doc63,
};

// What a parser reads and writes besides the page.
struct ParseContext {
    const std::atomic<int>& state;  // the calling slot's word, for CheckCancel
    ResultList& results;
    const LinkFilters& filters;
    const DocLinkRules& rules;
    const Options& options;
    SearchQueue& queue;  // 63da search pages queue their document pages here
    std::function<qint64(const QString& link)> remoteSize;
};

class ResultPageParsers {
  public:
    explicit ResultPageParsers(const ParserKeys& keys) : keys_(keys) {}

    // Always 1: the page then goes through the generic link analysis as well.
    int Parse(PageParser parser, ParseContext& context, const QString& pageUrl,
              const QString& pageText) const;

    static const char* Name(PageParser parser);
    // The last steps every hit takes, a parser's or the deep search's: the size (when asked for) against
    // the limits, the duplicate guard, the row.
    static void AddHit(ParseContext& context, const QString& link, const QString& title, const QString& type);

    struct Layout;

  private:
    int ParseCommon(const Layout& layout, ParseContext& context, const QString& pageUrl,
                    const QString& pageText) const;
    int ParseDoc63(ParseContext& context, const QString& pageText) const;
    int ParseSearch63(ParseContext& context, const QString& pageUrl, const QString& pageText) const;

    ParserKeys keys_;
};
