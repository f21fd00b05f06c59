#pragma once
// The search job: the Search button's control thread builds the whole queue of result-page addresses
// and starts up to 50 search threads; each takes addresses in order, pauses when asked to, fetches the
// page, runs the engine's parser and then the deep search over the page's links. A thread that finds
// the queue empty waits until an address is queued; threads end once every one of them waits on the
// empty queue (no page is left that could queue more), on Stop, or on a failure, and the owner (this
// object, on the main thread) reaps each with a queued call and reports "The search has finished" after the
// last one.
//
// Threads: StartSearch, StopSearch, StopDeepSearch, ClearSearchRecords, CheckDeepSearchLimit and the
// reaping run on the owner's thread; the control and search threads run the rest.

#include <QByteArray>
#include <QMutex>
#include <QObject>
#include <QSet>
#include <QString>
#include <array>
#include <functional>
#include <atomic>
#include <chrono>
#include <limits>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

#include "lists/Profile.h"
#include "engines/ArchiveCapture.h"
#include "search/ArchiveSearch.h"
#include "search/SitemapSites.h"
#include "search/EngineGate.h"
#include "search/EngineLedger.h"
#include "search/ParserKeys.h"
#include "search/ProxyPool.h"
#include "search/ResultPageParsers.h"
#include "search/RobotsCache.h"
#include "search/SearchQueue.h"
#include "search/SearxngInstances.h"

class EngineHostSet;
class HtmlAnchorLister;
class HttpClient;
class DocLinkRules;
class EngineCatalog;
struct EngineKeys;
struct EngineDefinition;
class KeywordList;
class LinkFilters;
class MessageSink;
class Options;
class ResultList;
class RunLog;
class StatusLine;

class SearchJob : public QObject {
    Q_OBJECT
  public:
    static constexpr int kSlots = 51;

    struct Services {
        Options& options;
        KeywordList& keywords;
        ResultList& results;
        const LinkFilters& filters;
        const DocLinkRules& rules;
        StatusLine& status;
        RunLog& log;
        MessageSink& messages;
        Profile settings;
        const std::atomic<qint64>& secondsTick;
    };

    explicit SearchJob(Services services, QObject* parent = nullptr);
    ~SearchJob() override;

    // The Search button: false when nothing was started (bad size limits, or a running build that is
    // now asked to cancel).
    bool StartSearch();
    void StopSearch();
    void StopDeepSearch() { stopDeepSearch_.store(1); }
    void ClearSearchRecords() { queue_.ClearSearchRecords(); }
    // Called by the counters timer: switches deep search off once the queue holds DeepSearchQueueLimit
    // addresses.
    void CheckDeepSearchLimit();
    // The command line may switch deep search off for a whole job.
    void SetDeepSearchAllowed(bool allowed) { deepSearchAllowed_.store(allowed); }
    // The command line may leave the three PDF sites out of the queue.
    void SetPdfSitesEnabled(bool enabled) { pdfSites_.store(enabled); }

    // The engine definitions the job reads (the session loads them once); the built-ins until set.
    void SetCatalogue(std::shared_ptr<const EngineCatalog> catalogue);
    std::shared_ptr<const EngineCatalog> Catalogue() const;
    // The hosts of the catalogue Catalogue() gives, made once per catalogue.
    std::shared_ptr<const EngineHostSet> HostSet(const std::shared_ptr<const EngineCatalog>& catalogue);
    // Per engine, what the current or last job did: pages, hits, rows, skipped pages, blocks.
    const EngineLedger& Ledger() const { return ledger_; }
    // Politeness delays longer than this are shortened (tests keep their runs short).
    void SetDelayCap(int milliseconds) { delayCap_.store(milliseconds); }
    // The most one result page, API answer or robots.txt may take, however slowly it trickles in.
    static constexpr long kFetchTimeLimitMs = 120 * 1000;
    void SetFetchTimeLimit(std::chrono::milliseconds limit);
    // How long a SearXNG instance that failed or asked for a pause is passed over.
    void SetSearxngRest(std::chrono::milliseconds rest) { searxng_.SetRest(rest); }

    // Where the captures of archive rows go (the session keeps them in the registry); called on search
    // threads.
    using CaptureSink = std::function<void(const ArchiveCapture&)>;
    void SetCaptureSink(CaptureSink sink);

    SearchQueue& Queue() { return queue_; }

    // A stopped search leaves its result pages waiting, and the next Search press carries on with them.
    // The window asks whether to continue or start anew when the options changed since they were queued.
    // Result pages (of engines) still waiting from the last search.
    int PendingPageCount() const;
    // True when some waiting result page is not one that these options and the keyword list would ask
    // for now (an engine or a format was unticked, a keyword removed, the time range changed).
    bool PendingOptionsDiffer(const Options& options) const;
    // Starts anew: every waiting address is dropped and may be asked again by a later search; pages
    // already fetched stay seen until the search history is cleared. Gives how many were dropped.
    int DropPendingPages();
    int RunningThreads() const;
    // Search threads waiting on the empty queue for work that a busy one may still queue.
    int WaitingThreads() const { return queue_.WaitingTakers(); }
    bool IsBusy() const;  // a control thread or a search thread is not yet reaped
    bool DeepSearchStopped() const { return stopDeepSearch_.load() != 0; }

    // Where an address goes: the engine whose result page it is (none for other pages), and whether
    // it is fetched at all (engine pages and, with the other engine on, pages in its scope).
    struct Route {
        const EngineDefinition* engine = nullptr;
        bool fetch = false;
    };
    // With `hosts` (the catalogue's) an address on no engine's host skips the catalogue's walk.
    static Route RouteOf(const EngineCatalog& catalogue, const QString& url, const Options& options,
                         const DocLinkRules& rules, const EngineHostSet* hosts = nullptr);
    // The same for the built-in definitions, as the classic parser named by the engine's id (None:
    // no classic parser; `fetch` tells whether the address is fetched at all).
    static PageParser Dispatch(const QString& url, const Options& options, const DocLinkRules& rules,
                               bool* fetch);
    // The robots.txt of the sites the deep search visited in this job.
    const RobotsCache& Robots() const { return robots_; }

    // One page's parser and its deep search, on the calling thread; used by the threads and by
    // `skimmer-cli parse`.
    int RunParser(PageParser parser, const std::atomic<int>& state, const QString& url, const QString& page);
    void AnalysePage(const std::atomic<int>& state, const QString& url, HtmlAnchorLister& document,
                     bool loaded);
    // The same for a page the deep search itself fetched: its documents must be allowed by their
    // site's robots.txt too.
    void AnalysePage(const std::atomic<int>& state, const QString& url, HtmlAnchorLister& document,
                     bool loaded, bool crawled);

  Q_SIGNALS:
    // After the last search thread has been reaped.
    void searchFinished();

  private:
    void ControlThread();
    void StartSearchThreads();
    void SearchThread(int slot);
    void ServeItem(int slot, const QueueItem& item, int tryLimit);
    // Fetches an engine's result page through its politeness gate; false when the page is done with
    // (failed and queued again, or a block page that suspended the engine).
    bool FetchEnginePage(int slot, const EngineDefinition& engine, const QueueItem& item, int tryLimit,
                         QString* page);
    // A query of an API engine: its pages in order, until one comes back empty or the definition's page
    // limit; the keys are read from the snapshot the control thread took.
    void ServeApiQuery(int slot, const EngineDefinition& engine, const QueueItem& item, int tryLimit);
    // The answer's body, or nothing when the page is done with (failed, or a refusal that suspended the
    // engine).
    std::optional<QByteArray> FetchApiPage(int slot, const EngineDefinition& engine, const QueueItem& item,
                                           int page, const QString& cursor, int tryLimit);
    void ReportUnresponsive(const QStringList& engines);
    // The archives ticked, each asked once per site of ArchiveSites; and one site's query, on a search
    // thread.
    void QueueArchiveSites(const EngineCatalog& engines, const QSet<QString>& disabled);
    void ServeArchiveSite(int slot, const EngineDefinition& engine, const QueueItem& item);
    // The first time the deep search visits a site: the documents its sitemaps list become rows, and
    // its pages are queued as a page's links are.
    void ReadSitemaps(const std::atomic<int>& state, const QString& url);
    // False (and a status message) when the site's robots.txt forbids the deep search this address.
    bool RobotsAllow(const std::atomic<int>& state, const QString& url);
    // True once the slot is asked to stop or the job to end: a transfer under way is then abandoned.
    bool FetchCancelled(const std::atomic<int>& state) const;
    // A client for the slot: abandoned on Stop or exit, bounded in time.
    void PrepareClient(HttpClient& client, const std::atomic<int>& state) const;
    // A fetch of the engine's page got no answer. True when that makes the engine's first fetches all
    // network failures: the engine is stopped for the job and its waiting pages dropped.
    bool NoteUnanswered(const EngineDefinition& engine, const QString& url, int failureCode);
    // Takes the engine's waiting pages out of the queue (a later search may ask again); gives how many.
    int DropEnginePages(const EngineDefinition& engine);
    // The API engines that are ticked but cannot be asked (a key or address is missing): reported and
    // suspended for the job before anything is queued.
    QSet<QString> DisableEnginesWithoutKeys(const EngineCatalog& engines);
    std::shared_ptr<const EngineKeys> ApiKeys() const;
    void SuspendEngine(const EngineDefinition& engine, const QString& reason);
    // The engine blocked `proxy` of the pool (or it did not connect): the page goes back to the queue for
    // the next proxy, or the engine is suspended when none is left.
    void MoveToNextProxy(const EngineDefinition& engine, const QueueItem& item, const QString& proxy,
                         const QString& reason);
    void ReportBlockedEngines();
    QString EngineName(const QString& id) const;
    void PauseBeforeFetch(int slot, int seconds);
    void ReapControl();
    void ReapSearchThread(int slot);
    const ParserKeys& Keys();
    ParseContext Context(const std::atomic<int>& state, ParseTally* tally = nullptr);

    Services s_;
    SearchQueue queue_;
    std::atomic<int> stopDeepSearch_{0};
    std::atomic<bool> deepSearchAllowed_{true};
    std::atomic<bool> pdfSites_{true};
    std::atomic<bool> shuttingDown_{false};
    QMutex pauseLock_;

    std::thread control_;
    std::atomic<int> controlState_{0};
    std::atomic<bool> controlBusy_{false};
    std::array<std::thread, kSlots> threads_;
    std::array<std::atomic<int>, kSlots> states_{};
    std::array<std::atomic<bool>, kSlots> busy_{};  // from start until reaped

    mutable QMutex catalogueLock_;
    std::shared_ptr<const EngineCatalog> catalogue_;
    std::shared_ptr<const EngineCatalog> hostSetOf_;  // the catalogue hostSet_ was made of
    std::shared_ptr<const EngineHostSet> hostSet_;
    EngineGate gate_;
    EngineLedger ledger_;
    std::atomic<int> delayCap_{std::numeric_limits<int>::max()};
    std::atomic<long> fetchLimitMs_{kFetchTimeLimitMs};
    std::shared_ptr<const EngineKeys> apiKeys_;  // guarded by catalogueLock_
    CaptureSink captureSink_;                    // guarded by catalogueLock_
    ArchiveSearch archives_;
    SitemapSites sitemaps_;
    SearxngInstances searxng_;
    ProxyPool proxyPool_;
    RobotsCache robots_{&s_.log};
    QMutex unresponsiveLock_;
    QSet<QString> unresponsiveReported_;

    std::once_flag keysLoaded_;
    std::unique_ptr<ParserKeys> keys_;
};
