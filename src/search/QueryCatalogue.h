#pragma once
// Every result-page address of a search: for each keyword, each ticked engine, each page and each
// ticked format, in the order the search job fetches them. Reads the options at the moment it runs.
// Pure: the addresses go to the callback (the search job's QueueUrl); any thread.

#include <QString>
#include <QStringList>
#include <functional>

class Options;

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
    // The longest address the old fixed buffer held; a longer one is not queued at all.
    static constexpr qsizetype kMaxAddress = 1023;

    using QueueFn = std::function<void(const QString& address)>;

    explicit QueryCatalogue(const Options& options) : options_(options) {}
    // The three PDF sites follow the PDF format box; a caller may leave them out altogether.
    void SetPdfSitesEnabled(bool enabled) { pdfSites_ = enabled; }

    // timeIndex 0..4 (all time .. last year).
    void BuildQueue(const QStringList& keywords, int timeIndex, const QueueFn& queue) const;
    // One engine's pages for one keyword (in the form the engine wants: escaped or raw).
    void QueueEngine(SearchEngine engine, const QString& keyword, int timeIndex, const QueueFn& queue) const;

    // UTF-8 bytes, unreserved ones kept, others as %xx (lower case); empty when longer than 1023.
    static QString EscapeKeyword(const QString& keyword);
    static bool IsAllAlnum(const QString& keyword);
    // Fills "%%", "%s" and "%d" of a printf-style template in order.
    static QString Format(const QString& pattern, const QStringList& args);

  private:
    void Queue(const QString& address, const QueueFn& queue) const;

    const Options& options_;
    bool pdfSites_ = true;
};
