#pragma once
// The result-page parsers: an engine's definition says how its page is read. The classic layout cuts
// blocks with the key matcher, repairs and filters the link, cleans and tests the title, finds the type
// and (optionally) the size, and adds the hit as a waiting row; the 63da search-page walk queues document
// pages instead. A page where the classic layout cuts nothing goes to the definition's XPath layouts (or
// the other way round for a definition that tries its XPath layouts first), and their hits pass the same
// type, size and title filters. Called on a search thread; every call has its own
// matchers; stops at CheckCancel.

#include <QList>
#include <QString>
#include <atomic>
#include <functional>

#include "engines/EngineHit.h"
#include "search/ParserKeys.h"

class DocLinkRules;
class LinkFilters;
class Options;
class ResultList;
class SearchQueue;
struct ClassicLayout;
struct EngineDefinition;

// The engines whose classic layouts the program has always read; the search job's dispatch and
// `skimmer-cli parse` name them by Name().
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

// What one page gave: hits cut by its layout (before the filters) and rows that entered the list.
struct ParseTally {
    int hits = 0;
    int rows = 0;
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
    ParseTally* tally = nullptr;  // counted into when given
};

class ResultPageParsers {
  public:
    explicit ResultPageParsers(const ParserKeys& keys) : keys_(keys) {}

    // Always 1: the page then goes through the generic link analysis as well.
    int Parse(const EngineDefinition& engine, ParseContext& context, const QString& pageUrl,
              const QString& pageText) const;
    // The built-in definition whose id is Name(parser); None reads nothing.
    int Parse(PageParser parser, ParseContext& context, const QString& pageUrl,
              const QString& pageText) const;

    // The hits the classic layout cuts from a page, links repaired and resolved and titles cleaned, before
    // the URL, type, size and title filters (a 63da search page: the document pages it lists). Empty when
    // the definition has no classic layout. Any thread.
    QList<EngineHit> CutClassicHits(const EngineDefinition& engine, const QString& pageUrl,
                                    const QString& pageText) const;

    static const char* Name(PageParser parser);
    // The last steps every hit takes, a parser's or the deep search's: the size (when asked for) against
    // the limits, the duplicate guard, the row.
    static void AddHit(ParseContext& context, const QString& link, const QString& title, const QString& type);
    // Hits cut by a layout or read from an API answer through the URL, type, title and size filters into
    // rows; counted into the context's tally.
    static void AddEngineHits(ParseContext& context, const QList<EngineHit>& hits);

  private:
    struct Keys;
    Keys ResolveKeys(const ClassicLayout& layout) const;
    int ParseBlocks(const ClassicLayout& layout, ParseContext& context, const QString& pageUrl,
                    const QString& pageText) const;
    static int ParseDoc63(ParseContext& context, const QString& pageText);
    static int ParseSearch63(ParseContext& context, const QString& pageUrl, const QString& pageText);
    // Each gives the number of hits its layouts cut, before the filters.
    int ParseClassic(const EngineDefinition& engine, ParseContext& context, const QString& pageUrl,
                     const QString& pageText) const;
    static int ParseLayouts(const EngineDefinition& engine, ParseContext& context, const QString& pageUrl,
                            const QString& pageText);

    ParserKeys keys_;
};
