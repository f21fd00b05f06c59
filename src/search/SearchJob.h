#pragma once
// The search job: the Search button's control thread builds the whole queue of result-page addresses
// and starts up to 50 search threads; each takes addresses in order, pauses when asked to, fetches the
// page, runs the engine's parser and then the deep search over the page's links. Threads end on Stop,
// after 10,000 empty polls, or on a failure, and the owner (this object, on the main thread) reaps each
// with a queued call and reports "搜索已全部结束" after the last one.
//
// Threads: StartSearch, StopSearch, StopDeepSearch, ClearSearchRecords, CheckDeepSearchLimit and the
// reaping run on the owner's thread; the control and search threads run the rest.

#include <QMutex>
#include <QObject>
#include <QString>
#include <array>
#include <atomic>
#include <memory>
#include <mutex>
#include <thread>

#include "lists/Profile.h"
#include "search/ParserKeys.h"
#include "search/ResultPageParsers.h"
#include "search/SearchQueue.h"

class CHtmlParse;
class DocLinkRules;
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
    static constexpr int kIdleLimit = 10000;

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
    // Timer 1: switches deep search off once the queue holds URLsCount addresses.
    void CheckDeepSearchLimit();
    // The command line may switch deep search off for a whole job.
    void SetDeepSearchAllowed(bool allowed) { deepSearchAllowed_.store(allowed); }
    // The command line may leave the three PDF sites out of the queue.
    void SetPdfSitesEnabled(bool enabled) { pdfSites_.store(enabled); }

    SearchQueue& Queue() { return queue_; }
    // Empty polls before an idle search thread ends (10,000; tests shorten it).
    void SetIdleLimit(int polls) { idleLimit_.store(polls); }
    int RunningThreads() const;
    bool IsBusy() const;  // a control thread or a search thread is not yet reaped
    bool DeepSearchStopped() const { return stopDeepSearch_.load() != 0; }

    // The parser the dispatch table picks for an address (None: fetch nothing, only analyse).
    // `fetch` tells whether the row names a fetch at all.
    static PageParser Dispatch(const QString& url, const Options& options, const DocLinkRules& rules,
                               bool* fetch);
    // One page's parser and its deep search, on the calling thread; used by the threads and by
    // `skimmer-cli parse`.
    int RunParser(PageParser parser, const std::atomic<int>& state, const QString& url, const QString& page);
    void AnalysePage(const std::atomic<int>& state, const QString& url, CHtmlParse& document, bool loaded);

  Q_SIGNALS:
    // After the last search thread has been reaped.
    void searchFinished();

  private:
    void ControlThread();
    void StartSearchThreads();
    void SearchThread(int slot);
    void ServeItem(int slot, const QueueItem& item, int tryLimit);
    void PauseBeforeFetch(int slot, int seconds);
    void ReapControl();
    void ReapSearchThread(int slot);
    const ParserKeys& Keys();
    ParseContext Context(const std::atomic<int>& state);

    Services s_;
    SearchQueue queue_;
    std::atomic<int> stopDeepSearch_{0};
    std::atomic<bool> deepSearchAllowed_{true};
    std::atomic<bool> pdfSites_{true};
    std::atomic<int> idleLimit_{kIdleLimit};
    std::atomic<bool> shuttingDown_{false};
    QMutex pauseLock_;

    std::thread control_;
    std::atomic<int> controlState_{0};
    std::atomic<bool> controlBusy_{false};
    std::array<std::thread, kSlots> threads_;
    std::array<std::atomic<int>, kSlots> states_{};
    std::array<std::atomic<bool>, kSlots> busy_{};  // from start until reaped

    std::once_flag keysLoaded_;
    std::unique_ptr<ParserKeys> keys_;
};
