#pragma once
// Every result-page address of a search: for each keyword, each ticked engine, each page and each
// ticked format, in the order the search job fetches them. The addresses come from the query templates
// of the engine definitions; the options are read at the moment it runs.
// Pure: the addresses go to the callback (the search job's QueueUrl); any thread.

#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

class EngineCatalog;
class Options;
struct EngineDefinition;
struct QueryTemplate;

// The engines the program has always asked, by the definition they read (Id()).
enum class SearchEngine {
    Google,
    Scholar,
    Baidu,
    Bing,
    BingAcademic,
    Sogou,
    Youdao,
    Yahoo,
    Aol,
    Zhongsou,
    Osun,
    Da63
};

class QueryCatalogue {
  public:
    // The longest address queued; a longer one is not queued at all (no engine answers one).
    static constexpr qsizetype kMaxAddress = 1023;
    // The definition of the three PDF sites, which follow the PDF format box.
    static constexpr const char* kPdfSites = "pdfsites";

    using QueueFn = std::function<void(const QString& address)>;

    // The built-in definitions.
    explicit QueryCatalogue(const Options& options);
    QueryCatalogue(const Options& options, std::shared_ptr<const EngineCatalog> engines);
    // A caller may leave the PDF sites out altogether.
    void SetPdfSitesEnabled(bool enabled) { pdfSites_ = enabled; }

    // timeIndex 0..4 (all time .. last year).
    void BuildQueue(const QStringList& keywords, int timeIndex, const QueueFn& queue) const;
    // One engine's pages for one keyword, whether its box is ticked or not.
    void QueueEngine(const EngineDefinition& engine, const QString& keyword, int timeIndex,
                     const QueueFn& queue) const;

    // One of those engines' pages for a keyword already in the form the engine wants (escaped or raw).
    void QueueEngine(SearchEngine engine, const QString& keyword, int timeIndex, const QueueFn& queue) const;
    static const char* Id(SearchEngine engine);

    // Whether the engine's box is ticked (a setting the program does not know: no).
    bool EngineTicked(const EngineDefinition& engine) const;

    // UTF-8 bytes, unreserved ones kept, others as %xx (lower case); empty when longer than 1023.
    static QString EscapeKeyword(const QString& keyword);
    static bool IsAllAlnum(const QString& keyword);

  private:
    void QueueTemplate(const QueryTemplate& query, const QString& keyword, int timeIndex,
                       const QueueFn& queue) const;
    void Queue(const QString& address, const QueueFn& queue) const;

    const Options& options_;
    std::shared_ptr<const EngineCatalog> engines_;
    bool pdfSites_ = true;
};
