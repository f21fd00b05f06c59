#include "search/SearchJob.h"

#include <QThread>
#include <QUrl>
#include <algorithm>

#include "engines/ApiAnswer.h"
#include "engines/ApiRequest.h"
#include "engines/BlockDetector.h"
#include "engines/DocLinkRules.h"
#include "engines/EngineCatalog.h"
#include "engines/EngineHosts.h"
#include "lists/EngineKeys.h"
#include "lists/MessageSink.h"
#include "lists/Options.h"
#include "lists/Pause.h"
#include "lists/ResultList.h"
#include "lists/RunLog.h"
#include "lists/StatusLine.h"
#include "lists/UrlCredentials.h"
#include "net/CurlSetup.h"
#include "net/HttpClient.h"
#include "net/HttpError.h"
#include "net/HttpRequest.h"
#include "net/PageDecoder.h"
#include "net/PageFetch.h"
#include "net/RemoteSizeProbe.h"
#include "search/EngineHostSet.h"
#include "search/HtmlAnchorLister.h"
#include "search/KeywordList.h"
#include "search/LinkFilters.h"
#include "search/QueryCatalogue.h"
#include "search/SitemapReader.h"
#include "search/WorkerState.h"

namespace {

using K = SettingKey;

QString Host(const char* host) {
    return QString::fromLatin1(host);
}

}  // namespace

SearchJob::SearchJob(Services services, QObject* parent) : QObject(parent), s_(std::move(services)) {
    robots_.SetTimeLimit(kFetchTimeLimitMs);
}

void SearchJob::SetFetchTimeLimit(std::chrono::milliseconds limit) {
    fetchLimitMs_.store(long(limit.count()));
    robots_.SetTimeLimit(long(limit.count()));
}

bool SearchJob::FetchCancelled(const std::atomic<int>& state) const {
    return shuttingDown_.load() || (state.load() & (WorkerBits::kCancel | WorkerBits::kStop)) != 0;
}

void SearchJob::PrepareClient(HttpClient& client, const std::atomic<int>& state) const {
    // Stop must not wait for a page that trickles in: the transfer itself is abandoned.
    client.SetCancelCheck([this, &state] { return FetchCancelled(state); });
    client.SetTimeLimit(fetchLimitMs_.load());
}

SearchJob::~SearchJob() {
    // Nobody waits for a page any more: abandon fetches under way and let every thread unwind.
    shuttingDown_.store(true);
    controlState_.fetch_or(WorkerBits::kCancel);
    StopSearch();
    if (control_.joinable()) control_.join();
    for (std::thread& thread : threads_) {
        if (thread.joinable()) thread.join();
    }
}

const ParserKeys& SearchJob::Keys() {
    std::call_once(keysLoaded_,
                   [this] { keys_ = std::make_unique<ParserKeys>(ParserKeys::Load(s_.settings)); });
    return *keys_;
}

bool SearchJob::StartSearch() {
    // A refused entry is reported; the search still runs with the values that passed before.
    if (const auto refusal = s_.options.ReadBack()) s_.messages.ShowMessageBox(*refusal);
    const quint32 minimum = DocLinkRules::UnsignedValue(s_.options.Text(K::MinSizeKb));
    const quint32 maximum = DocLinkRules::UnsignedValue(s_.options.Text(K::MaxSizeKb));
    if (minimum > maximum && minimum != 0) {
        s_.messages.ShowMessageBox(tr("The file size limits are not valid"));
        return false;
    }
    if (controlState_.load() & WorkerBits::kRunning) {
        controlState_.fetch_or(WorkerBits::kCancel);
        return false;
    }
    if (controlBusy_.load()) return false;  // ended but not yet reaped: the next press starts
    // A press while search threads still run adds to their job; otherwise every engine starts afresh.
    if (RunningThreads() == 0) ledger_.Clear();
    Keys();  // loaded here, on the owner's thread, before any parser needs them
    controlState_.store(WorkerBits::kRunning);
    controlBusy_.store(true);
    // From here until its threads are started, running threads that run dry wait for this build.
    queue_.BeginBuild();
    try {
        control_ = std::thread([this] { ControlThread(); });
    } catch (const std::system_error&) {
        queue_.EndBuild();
        controlState_.fetch_and(~WorkerBits::kRunning);
        controlBusy_.store(false);
        return false;
    }
    return true;
}

void SearchJob::StopSearch() {
    for (auto& state : states_) state.store(WorkerBits::kStop);
    queue_.WakeTakers();  // threads waiting on the empty queue see their stop word now
}

void SearchJob::CheckDeepSearchLimit() {
    const int limit = s_.options.LiveInt(K::DeepSearchQueueLimit);
    if (limit > 0 && queue_.Waiting() >= limit) stopDeepSearch_.store(1);
}

int SearchJob::PendingPageCount() const {
    const std::shared_ptr<const EngineCatalog> engines = Catalogue();
    int pending = 0;
    for (const QString& url : queue_.WaitingUrls()) pending += engines->ForUrl(url) ? 1 : 0;
    return pending;
}

bool SearchJob::PendingOptionsDiffer(const Options& options) const {
    const std::shared_ptr<const EngineCatalog> engines = Catalogue();
    QSet<QString> wanted;
    QueryCatalogue catalogue(options, engines);
    catalogue.SetPdfSitesEnabled(pdfSites_.load());
    catalogue.BuildQueue(s_.keywords.Keywords(), options.TimeRange(),
                         [&wanted](const QString& url) { wanted.insert(url); });
    // Pages the deep search queued belong to no engine and follow whatever the engines found.
    for (const QString& url : queue_.WaitingUrls()) {
        if (engines->ForUrl(url) && !wanted.contains(url)) return true;
    }
    return false;
}

int SearchJob::DropPendingPages() {
    return queue_.DropWaiting([](const QString&) { return true; });
}

int SearchJob::RunningThreads() const {
    int running = 0;
    for (const auto& busy : busy_) running += busy.load() ? 1 : 0;
    return running;
}

bool SearchJob::IsBusy() const {
    return controlBusy_.load() || RunningThreads() > 0;
}

void SearchJob::ControlThread() {
    try {
        stopDeepSearch_.store(0);
        robots_.Clear();  // read each site's rules once per job
        sitemaps_.Clear();
        const std::shared_ptr<const EngineCatalog> engines = Catalogue();
        const QSet<QString> disabled = DisableEnginesWithoutKeys(*engines);
        proxyPool_.Reset(CurlSetup::Network().SearchPool());
        QueryCatalogue catalogue(s_.options, engines);
        catalogue.SetPdfSitesEnabled(pdfSites_.load());
        const QStringList keywords = s_.keywords.Keywords();
        catalogue.BuildQueue(keywords, s_.options.TimeRange(),
                             [this, &engines, &disabled](const QString& url) {
                                 CheckCancel(controlState_);
                                 const EngineDefinition* engine = engines->ForUrl(url);
                                 if (engine && disabled.contains(engine->id)) return;
                                 if (!queue_.QueueUrl(url, 0)) return;
                                 if (engine) ledger_.Queued(engine->id);
                             });
        CheckCancel(controlState_);
        QueueArchiveSites(*engines, disabled);
        StartSearchThreads();
    } catch (const WorkerCancelled&) {
    } catch (const std::exception&) {
    }
    queue_.EndBuild();
    QMetaObject::invokeMethod(
        this, [this] { ReapControl(); }, Qt::QueuedConnection);
}

void SearchJob::StartSearchThreads() {
    const int count = qBound(1, s_.options.Int(K::SearchThreads), kSlots - 1);
    for (int slot = 0; slot < count; ++slot) {
        if (busy_[size_t(slot)].load() || (states_[size_t(slot)].load() & WorkerBits::kRunning)) continue;
        states_[size_t(slot)].store(WorkerBits::kRunning);
        busy_[size_t(slot)].store(true);
        queue_.AddTaker();  // before it runs: the others must not finish without it
        try {
            threads_[size_t(slot)] = std::thread([this, slot] { SearchThread(slot); });
        } catch (const std::system_error&) {
            queue_.RemoveTaker();
            states_[size_t(slot)].fetch_and(~WorkerBits::kRunning);
            busy_[size_t(slot)].store(false);
            continue;
        }
        // Apart by a millisecond, as the download slots are, so that the threads do not all connect in
        // the same instant; ten, as once, kept a crawl of a small site waiting half a second for its last
        // threads to start before it could end.
        PauseMs(1);
    }
}

void SearchJob::ReapControl() {
    if (control_.joinable()) control_.join();
    controlState_.fetch_and(~WorkerBits::kLowBits);
    controlBusy_.store(false);
    // A build that started no thread (all cancelled, or no slot free) ends the job by itself.
    if (RunningThreads() == 0) Q_EMIT searchFinished();
}

void SearchJob::ReapSearchThread(int slot) {
    if (slot < 0 || slot >= kSlots) return;
    std::thread& thread = threads_[size_t(slot)];
    if (thread.joinable()) thread.join();
    states_[size_t(slot)].fetch_and(~WorkerBits::kLowBits);
    busy_[size_t(slot)].store(false);
    if (RunningThreads() == 0) {
        ReportBlockedEngines();
        s_.status.ShowMsg(tr("The search has finished"), QString(), QString(), 1);
        if (!controlBusy_.load()) Q_EMIT searchFinished();
    }
}

void SearchJob::SearchThread(int slot) {
    std::atomic<int>& state = states_[size_t(slot)];
    try {
        s_.status.ShowMsg(tr("Thread %1 started").arg(slot), QString(), QString(), 1);
        const SettingSpec& attempts = SettingsTable::Spec(K::SearchAttempts);
        const int tryLimit = s_.settings.ProfileGetInt(QLatin1StringView(attempts.key), attempts.defaultInt);
        const auto stopRequested = [&state] {
            return (state.load() & (WorkerBits::kCancel | WorkerBits::kStop)) != 0;
        };
        for (;;) {
            CheckCancel(state);
            bool done = false;
            const std::optional<QueueItem> item = queue_.TakeOrWait(stopRequested, &done);
            if (done) {
                state.store(WorkerBits::kStop);
                break;
            }
            if (item) ServeItem(slot, *item, tryLimit);
        }
    } catch (const WorkerCancelled&) {
    } catch (const std::exception&) {
    }
    queue_.RemoveTaker();
    s_.status.ShowMsg(tr("Thread %1 finished").arg(slot), QString(), QString(), 1);
    s_.status.ShowMsg(tr("Search thread"), QString::number(slot), tr("finished"), 1);
    QMetaObject::invokeMethod(
        this, [this, slot] { ReapSearchThread(slot); }, Qt::QueuedConnection);
}

void SearchJob::ServeItem(int slot, const QueueItem& item, int tryLimit) {
    std::atomic<int>& state = states_[size_t(slot)];
    // Held for the whole item: route.engine points into it.
    const std::shared_ptr<const EngineCatalog> engines = Catalogue();
    if (const EngineDefinition* archive = engines->Find(archives_.EngineOf(item.url))) {
        ServeArchiveSite(slot, *archive, item);
        return;
    }
    const Route route = RouteOf(*engines, item.url, s_.options, s_.rules, HostSet(engines).get());
    if (route.engine && ledger_.IsSuspended(route.engine->id)) {
        // The engine refused this job; a later search may ask for the page again.
        ledger_.Skipped(route.engine->id, 1);
        queue_.Forget(item.url);
        return;
    }
    const int interval = s_.options.Int(K::SearchPauseSeconds);
    if (interval > 0) {
        QMutexLocker pause(&pauseLock_);
        PauseBeforeFetch(slot, interval);
    }
    s_.status.ShowMsg(tr("Fetching the remote page:"), item.url, QString(), 0);
    if (route.engine && route.engine->IsApi()) {
        // An API answers in JSON: there is no page for the deep search to read.
        ServeApiQuery(slot, *route.engine, item, tryLimit);
        return;
    }
    HtmlAnchorLister document;
    CheckCancel(state);
    bool loaded = false;
    if (route.fetch && !route.engine && !RobotsAllow(state, item.url)) {
        queue_.Forget(item.url);
        return;
    }
    if (route.fetch && !route.engine) ReadSitemaps(state, item.url);
    if (route.fetch) {
        QString page;
        bool plain = false;
        if (route.engine) {
            if (!FetchEnginePage(slot, *route.engine, item, tryLimit, &page)) return;
        } else {
            HttpClient client;
            PrepareClient(client, state);
            const FetchedBody fetched = FetchPageBody(client, item.url, item.url, &s_.log);
            CheckCancel(state);
            // Only its links are wanted: a plain page is read from its bytes, any other decoded and parsed.
            plain = document.SetPlainHtml(fetched.body);
            if (!plain) page = PageDecoder::Decode(fetched.body, fetched.contentType, true);
            if (!plain && page.isEmpty()) {
                if (item.tries < tryLimit) queue_.Requeue({item.url, item.tries + 1});
                s_.status.ShowMsg(tr("Could not get the data:"), item.url, QString(), 1);
                return;
            }
        }
        s_.status.ShowMsg(tr("Fetched, reading the links:"), item.url, QString(), 0);
        CheckCancel(state);
        loaded = plain || document.SetHtml(page, true);
        if (route.engine) {
            ParseTally tally;
            ParseContext context = Context(state, &tally);
            const int more = ResultPageParsers(Keys()).Parse(*route.engine, context, item.url, page);
            ledger_.Fetched(route.engine->id, tally.hits, tally.rows);
            if (more == 0) return;
        }
    }
    AnalysePage(state, item.url, document, loaded, route.fetch && !route.engine);
}

void SearchJob::ReadSitemaps(const std::atomic<int>& state, const QString& url) {
    if (stopDeepSearch_.load() || !deepSearchAllowed_.load()) return;
    const QString root = sitemaps_.Visit(url);
    if (root.isEmpty()) return;
    const auto fetch = [&](const QString& address) -> std::optional<QByteArray> {
        CheckCancel(state);
        s_.status.ShowMsg(tr("Reading the sitemap:"), address, QString(), 0);
        try {
            HttpClient client;
            PrepareClient(client, state);
            client.SetBodyLimit(SitemapReader::kMaxBytes);
            auto response = client.Get(address, false);
            if (response->StatusCode() != 200) return std::nullopt;
            return response->ReadAll();
        } catch (const HttpError& error) {
            s_.log.WriteRunLog(QStringLiteral("sitemap"), address + QStringLiteral(": ") + error.Message());
            return std::nullopt;
        }
    };
    QStringList problems;
    // robots.txt is read only for a deep search that obeys it.
    const QStringList listed =
        s_.options.Checked(K::ObeyRobotsTxt)
            ? robots_.Sitemaps(url, [this, &state] { return FetchCancelled(state); })
            : QStringList();
    int offHost = 0;
    const QStringList addresses = SitemapSites::Addresses(root, listed, fetch, &problems, &offHost);
    for (const QString& problem : problems) s_.log.WriteRunLog(QStringLiteral("sitemap"), problem);
    if (offHost > 0) {
        s_.log.WriteRunLog(QStringLiteral("sitemap"),
                           QStringLiteral("%1: %2 addresses on other hosts left out").arg(root).arg(offHost));
    }
    for (const QString& link : addresses) {
        CheckCancel(state);
        if (stopDeepSearch_.load()) return;
        if (s_.filters.UrlFiltered(link)) continue;
        const DocLink doc = s_.rules.ClassifyDocLink(link);
        if (doc.isDocument) {
            QString title = doc.title;
            LinkFilters::CleanTitle(title);
            if (!s_.filters.AcceptTitle(title) || !RobotsAllow(state, link)) continue;
            ParseContext context = Context(state);
            ResultPageParsers::AddHit(context, link, title, doc.type);
        } else if (s_.rules.ShouldFollow(link)) {
            queue_.QueueUrl(link, 0);
            CheckDeepSearchLimit();
        }
    }
}

bool SearchJob::RobotsAllow(const std::atomic<int>& state, const QString& url) {
    const auto cancelled = [this, &state] { return FetchCancelled(state); };
    if (!s_.options.Checked(K::ObeyRobotsTxt) || robots_.Allows(url, cancelled)) return true;
    s_.status.ShowMsg(tr("robots.txt disallows"), url, QString(), 0);
    return false;
}

bool SearchJob::FetchEnginePage(int slot, const EngineDefinition& engine, const QueueItem& item, int tryLimit,
                                QString* page) {
    std::atomic<int>& state = states_[size_t(slot)];
    FetchedPage fetched;
    const QString proxy = proxyPool_.Current(engine.id);
    {
        const int delay = std::min(engine.delayMs, delayCap_.load());
        const EngineGate::Turn turn = gate_.Enter(engine.id, delay, [&state] { CheckCancel(state); });
        // Another thread may have met a block page while this one waited for its turn.
        if (ledger_.IsSuspended(engine.id)) {
            ledger_.Skipped(engine.id, 1);
            queue_.Forget(item.url);
            return false;
        }
        HttpClient client;
        PrepareClient(client, state);
        client.SetPoolProxy(proxy);
        fetched = FetchResultPage(client, item.url, item.url, engine.headers, &s_.log);
    }
    CheckCancel(state);
    // Through a pool, the proxy is the first suspect of a page that did not come; the network rule
    // applies once the pool is spent.
    if (!fetched.answered && !proxy.isEmpty()) {
        MoveToNextProxy(engine, item, proxy, tr("the proxy failed to connect"));
        return false;
    }
    if (!fetched.answered && NoteUnanswered(engine, item.url, fetched.failureCode)) return false;
    if (fetched.answered) {
        ledger_.Answered(engine.id);
        const BlockVerdict verdict = DetectBlock(engine, int(fetched.status), fetched.finalUrl, fetched.text);
        if (verdict.blocked && !proxy.isEmpty()) {
            ledger_.Fetched(engine.id, 0, 0);
            MoveToNextProxy(engine, item, proxy, verdict.reason);
            return false;
        }
        if (verdict.blocked) {
            // Asking again would only provoke the engine further: no retry, and its other pages wait
            // for a later search.
            ledger_.Fetched(engine.id, 0, 0);
            SuspendEngine(engine, verdict.reason);
            return false;
        }
    }
    if (fetched.text.isEmpty()) {
        if (fetched.answered)
            ledger_.Failed(engine.id, fetched.status >= 400 ? FetchFailure::HttpStatus : FetchFailure::Unreadable,
                           {});
        if (item.tries < tryLimit) queue_.Requeue({item.url, item.tries + 1});
        s_.status.ShowMsg(tr("Could not get the data:"), item.url, QString(), 1);
        return false;
    }
    *page = fetched.text;
    return true;
}

QSet<QString> SearchJob::DisableEnginesWithoutKeys(const EngineCatalog& engines) {
    auto keys = std::make_shared<const EngineKeys>(EngineKeys::Load(s_.settings));
    {
        QMutexLocker hold(&catalogueLock_);
        // Threads of an earlier press may still read the old keys; they keep their own reference.
        apiKeys_ = keys;
    }
    searxng_.Reset(keys->SearxngInstances());
    {
        QMutexLocker hold(&unresponsiveLock_);
        unresponsiveReported_.clear();
    }
    QSet<QString> disabled;
    for (const EngineDefinition& engine : engines.Engines()) {
        const SettingSpec* tick = SettingsTable::Find(engine.setting);
        if (!engine.IsApi() || !tick || tick->kind != SettingKind::Check || !s_.options.Checked(tick->id))
            continue;
        const QString missing = ApiRequest::MissingKey(engine, *keys);
        if (missing.isEmpty()) continue;
        disabled.insert(engine.id);
        const QString reason = tr("no %1 in [Engines] of Setting.ini").arg(missing);
        ledger_.Suspend(engine.id, reason);
        s_.status.ShowMsg(tr("%1 is left out of this search:").arg(engine.name), reason, QString(), 1);
    }
    return disabled;
}

std::shared_ptr<const EngineKeys> SearchJob::ApiKeys() const {
    QMutexLocker hold(&catalogueLock_);
    return apiKeys_ ? apiKeys_ : std::make_shared<const EngineKeys>();
}

void SearchJob::ServeApiQuery(int slot, const EngineDefinition& engine, const QueueItem& item, int tryLimit) {
    std::atomic<int>& state = states_[size_t(slot)];
    QString cursor;
    for (int page = 0; page < std::max(1, engine.pageLimit); ++page) {
        CheckCancel(state);
        if (ledger_.IsSuspended(engine.id)) {
            if (page == 0) ledger_.Skipped(engine.id, 1);
            return;
        }
        const std::optional<QByteArray> body = FetchApiPage(slot, engine, item, page, cursor, tryLimit);
        if (!body) return;
        CheckCancel(state);
        const QStringList secrets = ApiKeys()->Secrets();
        const ApiPage answer = ApiAnswer::Read(engine.kind, *body, secrets);
        if (!answer.refusal.isEmpty()) {
            ledger_.Fetched(engine.id, 0, 0);
            SuspendEngine(engine, answer.refusal);
            return;
        }
        if (!answer.problem.isEmpty()) {
            ledger_.Fetched(engine.id, 0, 0);
            ledger_.Failed(engine.id, FetchFailure::Unreadable, {});
            s_.status.ShowMsg(tr("%1 gave an answer that cannot be read (%2):")
                                  .arg(engine.name, EngineKeys::Scrub(answer.problem, secrets)),
                              item.url, tr("page %1").arg(page + 1), 1);
            return;
        }
        if (answer.skippedResults > 0) {
            s_.status.ShowMsg(tr("%1: %2 results without a usable address were skipped:")
                                  .arg(engine.name)
                                  .arg(answer.skippedResults),
                              item.url, tr("page %1").arg(page + 1), 1);
        }
        if (!answer.unresponsive.isEmpty()) ReportUnresponsive(answer.unresponsive);
        ParseTally tally;
        ParseContext context = Context(state, &tally);
        ResultPageParsers::AddEngineHits(context, answer.hits);
        ledger_.Fetched(engine.id, tally.hits, tally.rows);
        if (answer.hits.isEmpty() || answer.last) return;
        if (engine.kind == EngineKind::OpenAlex) {
            if (answer.nextCursor.isEmpty()) return;
            cursor = answer.nextCursor;
        }
    }
}

std::optional<QByteArray> SearchJob::FetchApiPage(int slot, const EngineDefinition& engine,
                                                  const QueueItem& item, int page, const QString& cursor,
                                                  int tryLimit) {
    std::atomic<int>& state = states_[size_t(slot)];
    const std::shared_ptr<const EngineKeys> keys = ApiKeys();
    const QStringList secrets = keys->Secrets();
    const bool searxng = engine.kind == EngineKind::Searxng;
    // SearXNG: each instance at most once for this page; the others once.
    const int attempts = searxng ? std::max(1, searxng_.Count()) : 1;
    for (int attempt = 0; attempt < attempts; ++attempt) {
        QString instance;
        if (searxng) {
            const std::optional<QString> next = searxng_.Next();
            if (!next) break;
            instance = *next;
        }
        long status = 0;
        QByteArray body;
        bool answered = false;
        int failureCode = 0;
        QString failure;
        {
            const int delay = std::min(engine.delayMs, delayCap_.load());
            const EngineGate::Turn turn = gate_.Enter(engine.id, delay, [&state] { CheckCancel(state); });
            if (ledger_.IsSuspended(engine.id)) {
                if (page == 0) ledger_.Skipped(engine.id, 1);
                return std::nullopt;
            }
            const ApiRequest request = ApiRequest::Build(engine, item.url, page, cursor, *keys, instance);
            try {
                HttpClient client;
                PrepareClient(client, state);
                client.SetRole(NetRole::Api);
                client.SetUserAgent(QStringLiteral("Skimmer (document search)"));
                // An API request's headers carry its key: never to another site, and a redirect there
                // is a refusal rather than a page.
                for (const auto& [name, value] : request.headers) {
                    if (!value.isEmpty())
                        client.AddSecretHeader(QString::fromUtf8(name), QString::fromUtf8(value));
                }
                client.SetRefuseForeignRedirects(true);
                auto response = client.Get(request.url, false);
                answered = true;
                status = response->StatusCode();
                body = response->ReadAll();
            } catch (const HttpError& error) {
                // The client's message holds the address, and the address may hold a key.
                failureCode = error.Code();
                failure = EngineKeys::Scrub(error.Message(), secrets);
                s_.log.WriteRunLog(QStringLiteral("getHtmlPageCode"), failure);
            }
        }
        CheckCancel(state);
        // The instance address may hold a password: it is shown, and logged, masked.
        const QString where = searxng ? UrlCredentials::MaskPasswords(instance) : item.url;
        if (failureCode == kRedirectRefused) {
            ledger_.Answered(engine.id);
            ledger_.Fetched(engine.id, 0, 0);
            SuspendEngine(engine, failure.section(QStringLiteral(": "), 1));
            return std::nullopt;
        }
        if (answered) ledger_.Answered(engine.id);
        if (searxng) {
            // An instance that fails or asks for a pause rests; the page goes to the next one.
            if (answered && status >= 200 && status < 300) return body;
            searxng_.Rest(instance);
            s_.status.ShowMsg(tr("SearXNG instance rests:"), where,
                              answered ? tr("HTTP %1").arg(status) : tr("no answer"), 1);
            continue;
        }
        if (!answered) {
            if (NoteUnanswered(engine, item.url, failureCode)) return std::nullopt;
            if (page == 0 && item.tries < tryLimit) queue_.Requeue({item.url, item.tries + 1});
            s_.status.ShowMsg(tr("Could not get the data:"), where, QString(), 1);
            return std::nullopt;
        }
        const QString text = QString::fromUtf8(body.left(64 * 1024));
        const BlockVerdict verdict = DetectBlock(engine, int(status), QString(), text);
        if (verdict.blocked || status < 200 || status >= 300) {
            // A refusal names itself in its error object; say what the service said.
            const ApiPage answer = ApiAnswer::Read(engine.kind, body, secrets);
            QString reason = verdict.blocked ? verdict.reason : tr("HTTP %1").arg(status);
            if (!answer.refusal.isEmpty()) reason += QStringLiteral(": ") + answer.refusal;
            if (verdict.blocked || !answer.refusal.isEmpty()) {
                ledger_.Fetched(engine.id, 0, 0);
                SuspendEngine(engine, EngineKeys::Scrub(reason, secrets));
                return std::nullopt;
            }
            ledger_.Fetched(engine.id, 0, 0);
            ledger_.Failed(engine.id, FetchFailure::HttpStatus, {});
            s_.status.ShowMsg(tr("Could not get the data:"), where, reason, 1);
            return std::nullopt;
        }
        return body;
    }
    SuspendEngine(engine, tr("every SearXNG instance failed or asked for a pause"));
    return std::nullopt;
}

void SearchJob::ReportUnresponsive(const QStringList& engines) {
    QStringList fresh;
    {
        QMutexLocker hold(&unresponsiveLock_);
        for (const QString& engine : engines) {
            if (unresponsiveReported_.contains(engine) || unresponsiveReported_.size() > 256) continue;
            unresponsiveReported_.insert(engine);
            fresh.append(engine);
        }
    }
    if (!fresh.isEmpty())
        s_.status.ShowMsg(tr("SearXNG: engines of the instance that did not answer:"),
                          fresh.join(QStringLiteral(", ")), QString(), 1);
}

void SearchJob::MoveToNextProxy(const EngineDefinition& engine, const QueueItem& item, const QString& proxy,
                                const QString& reason) {
    const QString next = proxyPool_.Block(engine.id, proxy);
    ledger_.ProxyBlocked(engine.id, UrlCredentials::MaskPasswords(proxy), reason);
    s_.status.ShowMsg(
        tr("%1 blocked the proxy %2 (%3):").arg(engine.name, UrlCredentials::MaskPasswords(proxy), reason),
        next.isEmpty() ? tr("no proxy of the pool is left")
                       : tr("moving on to %1").arg(UrlCredentials::MaskPasswords(next)),
        QString(), 1);
    if (next.isEmpty()) {
        SuspendEngine(engine, tr("every proxy of the pool was blocked or failed"));
        return;
    }
    // The page is asked again through the next proxy; the pool's size bounds how often.
    queue_.Requeue({item.url, item.tries});
}

int SearchJob::DropEnginePages(const EngineDefinition& engine) {
    const std::shared_ptr<const EngineCatalog> engines = Catalogue();
    const int dropped = queue_.DropWaiting([&engines, &engine](const QString& url) {
        const EngineDefinition* owner = engines->ForUrl(url);
        return owner && owner->id == engine.id;
    });
    ledger_.Skipped(engine.id, dropped);
    return dropped;
}

bool SearchJob::NoteUnanswered(const EngineDefinition& engine, const QString& url, int failureCode) {
    const NetworkFault fault = HttpTransport::NetworkFaultOf(failureCode);
    if (fault == NetworkFault::None) {
        ledger_.Failed(engine.id, FetchFailure::NoAnswer, {});
        return false;
    }
    const QString host = QUrl(url).host();
    const QString cause = fault == NetworkFault::Resolve   ? tr("could not resolve %1").arg(host)
                          : fault == NetworkFault::Connect ? tr("could not connect to %1").arg(host)
                                                           : tr("no secure connection to %1").arg(host);
    const QString reason = tr("no network: %1").arg(cause);
    if (!ledger_.Failed(engine.id, FetchFailure::Network, reason)) return false;
    // Asking on would only fail once a page for minutes: the engine is done for this search.
    const int dropped = DropEnginePages(engine);
    s_.status.ShowMsg(tr("%1 is stopped (%2):").arg(engine.name, reason),
                      tr("its first %1 fetches failed, %2 result pages skipped")
                          .arg(EngineLedger::kNetworkStrikes)
                          .arg(dropped),
                      QString(), 1);
    return true;
}

void SearchJob::SuspendEngine(const EngineDefinition& engine, const QString& reason) {
    if (!ledger_.Suspend(engine.id, reason)) return;  // another thread has reported it
    const int dropped = DropEnginePages(engine);
    s_.status.ShowMsg(tr("%1 blocked the search (%2):").arg(engine.name, reason),
                      tr("suspended for the rest of the search, %1 result pages skipped").arg(dropped),
                      QString(), 1);
}

void SearchJob::ReportBlockedEngines() {
    for (const EngineTally& tally : ledger_.Snapshot()) {
        if (tally.unreachable) {
            s_.status.ShowMsg(tr("%1 is stopped (%2):").arg(EngineName(tally.engine), tally.reason),
                              tr("%1 result pages skipped").arg(tally.pagesSkipped), QString(), 1);
        }
        if (!tally.blocked) continue;
        s_.status.ShowMsg(tr("%1 blocked the search (%2):").arg(EngineName(tally.engine), tally.reason),
                          tr("%1 result pages skipped").arg(tally.pagesSkipped), QString(), 1);
    }
}

QString SearchJob::EngineName(const QString& id) const {
    const EngineDefinition* engine = Catalogue()->Find(id);
    return engine && !engine->name.isEmpty() ? engine->name : id;
}

void SearchJob::SetCatalogue(std::shared_ptr<const EngineCatalog> catalogue) {
    QMutexLocker hold(&catalogueLock_);
    catalogue_ = std::move(catalogue);
}

std::shared_ptr<const EngineHostSet> SearchJob::HostSet(const std::shared_ptr<const EngineCatalog>& catalogue) {
    QMutexLocker hold(&catalogueLock_);
    if (hostSetOf_ != catalogue) {
        hostSet_ = std::make_shared<const EngineHostSet>(*catalogue);
        hostSetOf_ = catalogue;
    }
    return hostSet_;
}

std::shared_ptr<const EngineCatalog> SearchJob::Catalogue() const {
    QMutexLocker hold(&catalogueLock_);
    return catalogue_ ? catalogue_ : EngineCatalog::BuiltIn();
}

void SearchJob::PauseBeforeFetch(int slot, int seconds) {
    const qint64 start = s_.secondsTick.load();
    while (s_.secondsTick.load() - start < seconds) {
        CheckCancel(states_[size_t(slot)]);
        const qint64 remaining = start + seconds - s_.secondsTick.load();
        s_.status.ShowMsg(tr("Waiting before the next request:"),
                          tr("thread %1 - (%2) s").arg(slot).arg(remaining), QString(), 0);
        PauseMs(100);
    }
}

ParseContext SearchJob::Context(const std::atomic<int>& state, ParseTally* tally) {
    return ParseContext{state,
                        s_.results,
                        s_.filters,
                        s_.rules,
                        s_.options,
                        queue_,
                        [](const QString& link) { return RemoteSizeProbe().Size(link); },
                        tally};
}

int SearchJob::RunParser(PageParser parser, const std::atomic<int>& state, const QString& url,
                         const QString& page) {
    ParseContext context = Context(state);
    return ResultPageParsers(Keys()).Parse(parser, context, url, page);
}

SearchJob::Route SearchJob::RouteOf(const EngineCatalog& catalogue, const QString& url,
                                    const Options& options, const DocLinkRules& rules,
                                    const EngineHostSet* hosts) {
    if (!hosts || hosts->MayBeEngine(url)) {
        if (const EngineDefinition* engine = catalogue.ForUrl(url)) return {engine, true};
    }
    if (options.Checked(K::EngineOther) && rules.InOtherEngineScope(url)) return {nullptr, true};
    return {};
}

PageParser SearchJob::Dispatch(const QString& url, const Options& options, const DocLinkRules& rules,
                               bool* fetch) {
    const Route route = RouteOf(*EngineCatalog::BuiltIn(), url, options, rules);
    *fetch = route.fetch;
    if (!route.engine) return PageParser::None;
    for (int p = int(PageParser::None) + 1; p <= int(PageParser::Doc63); ++p) {
        if (route.engine->id == QLatin1StringView(ResultPageParsers::Name(PageParser(p))))
            return PageParser(p);
    }
    return PageParser::None;
}

void SearchJob::AnalysePage(const std::atomic<int>& state, const QString& url, HtmlAnchorLister& document,
                            bool loaded) {
    AnalysePage(state, url, document, loaded, false);
}

void SearchJob::AnalysePage(const std::atomic<int>& state, const QString& url, HtmlAnchorLister& document,
                            bool loaded, bool crawled) {
    CheckCancel(state);
    if (stopDeepSearch_.load() || !deepSearchAllowed_.load()) {
        PauseMs(5);
        return;
    }
    s_.status.ShowMsg(tr("Reading all the links of:"), url, QString(), 0);
    QList<AnchorRecord> anchors;
    // Relative links are relative to this page's own folder.
    document.SetBaseUrl(url);
    if (!loaded || !document.ListAnchors(anchors)) {
        CheckCancel(state);
        s_.status.ShowMsg(tr("Could not get the links:"), url, QString(), 1);
        return;
    }
    const QString officeViewer = Host(EngineHosts::OfficeViewer);
    for (const AnchorRecord& anchor : anchors) {
        CheckCancel(state);
        if (anchor.link.isEmpty() || anchor.link.contains(officeViewer) ||
            anchor.text.contains(QStringLiteral("网页视图"))) {
            continue;
        }
        const QString link = HtmlAnchorLister::ResolveUrl(url, anchor.link);
        if (link.isEmpty() || s_.filters.UrlFiltered(link)) continue;
        s_.status.ShowMsg(tr("Reading:"), link, QString(), 0);
        CheckCancel(state);
        if (link.contains(QStringLiteral("mailto"))) continue;
        const DocLink doc = s_.rules.ClassifyDocLink(link);
        if (doc.isDocument) {
            QString title = !anchor.text.isEmpty() && anchor.text.contains(QStringLiteral("www"))
                                ? anchor.text
                                : doc.title;
            LinkFilters::CleanTitle(title);
            CheckCancel(state);
            if (!s_.filters.AcceptTitle(title)) continue;
            if (crawled && !RobotsAllow(state, link)) continue;
            CheckCancel(state);
            ParseTally tally;
            ParseContext context = Context(state, &tally);
            ResultPageParsers::AddHit(context, link, title, doc.type);
            ledger_.DeepSearchRows(tally.rows);
        } else if (s_.rules.ShouldFollow(link)) {
            CheckCancel(state);
            queue_.QueueUrl(link, 0);
            CheckCancel(state);
        }
    }
}

void SearchJob::QueueArchiveSites(const EngineCatalog& engines, const QSet<QString>& disabled) {
    archives_.Clear();
    const QStringList sites = ArchiveSearch::Sites(s_.options.Text(K::ArchiveSites));
    for (const EngineDefinition& engine : engines.Engines()) {
        const SettingSpec* tick = SettingsTable::Find(engine.setting);
        if (!engine.IsArchive() || disabled.contains(engine.id) || !tick || !s_.options.Checked(tick->id))
            continue;
        if (sites.isEmpty()) {
            s_.status.ShowMsg(tr("%1 is left out of this search:").arg(engine.name),
                              tr("no site in ArchiveSites"), QString(), 1);
            continue;
        }
        for (const QString& site : sites) {
            CheckCancel(controlState_);
            const QString address = ArchiveSearch::SiteAddress(engine, site);
            archives_.Remember(address, engine.id);
            if (queue_.QueueUrl(address, 0)) ledger_.Queued(engine.id);
        }
    }
}

void SearchJob::ServeArchiveSite(int slot, const EngineDefinition& engine, const QueueItem& item) {
    std::atomic<int>& state = states_[size_t(slot)];
    if (ledger_.IsSuspended(engine.id)) {
        ledger_.Skipped(engine.id, 1);
        return;
    }
    s_.status.ShowMsg(tr("Asking the web archive:"), item.url, QString(), 0);
    const auto fetch = [&](const QString& address) -> std::optional<ArchiveSearch::Answer> {
        ArchiveSearch::Answer answer;
        try {
            CheckCancel(state);
            const int delay = std::min(engine.delayMs, delayCap_.load());
            const EngineGate::Turn turn = gate_.Enter(engine.id, delay, [&state] { CheckCancel(state); });
            if (ledger_.IsSuspended(engine.id)) return std::nullopt;
            // The limits of a result page: the time limit, and Stop abandons the transfer under way.
            HttpClient client;
            PrepareClient(client, state);
            client.SetUserAgent(QStringLiteral("Skimmer (document search)"));
            client.SetBodyLimit(ArchiveSearch::kBodyLimit);
            client.SetKeepBodyPrefix(true);
            auto response = client.Get(address, false);
            answer.status = response->StatusCode();
            answer.body = response->ReadAll();
            answer.cut = answer.body.size() >= ArchiveSearch::kBodyLimit;
        } catch (const WorkerCancelled&) {
            return std::nullopt;  // Stop: the search unwinds after the index walk
        } catch (const HttpError& error) {
            if (FetchCancelled(state)) return std::nullopt;
            s_.log.WriteRunLog(QStringLiteral("getHtmlPageCode"), error.Message());
            const QString cause = error.Message().section(QStringLiteral(": "), 1);
            if (HttpTransport::NetworkFaultOf(error.Code()) != NetworkFault::None) {
                NoteUnanswered(engine, address, error.Code());
            } else {
                ledger_.Failed(engine.id, FetchFailure::NoAnswer, cause);
            }
            s_.status.ShowMsg(tr("Could not get the data:"), address, cause, 1);
            return std::nullopt;
        }
        const BlockVerdict verdict =
            DetectBlock(engine, int(answer.status), QString(), QString::fromUtf8(answer.body.left(64 * 1024)));
        if (verdict.blocked) {
            ledger_.Answered(engine.id);
            ledger_.Fetched(engine.id, 0, 0);
            SuspendEngine(engine, verdict.reason);
            return std::nullopt;
        }
        return answer;
    };
    const ArchiveSearch::Query query = ArchiveSearch::QueryOf(s_.options, s_.keywords.Keywords());
    const ArchiveSearch::Outcome outcome =
        ArchiveSearch::Run(engine, item.url, query, engine.pageLimit, fetch);
    // An answer that is an error page, not captures, is a failed fetch with its reason, not an answer.
    for (const ArchiveSearch::Problem& problem : outcome.problems) {
        const QString reason = tr("%1 gave an answer that cannot be read (%2)").arg(engine.name, problem.text);
        ledger_.Failed(engine.id, problem.kind, problem.text);
        s_.log.WriteRunLog(QStringLiteral("archive"), reason + QStringLiteral(": ") + item.url);
        s_.status.ShowMsg(reason + u':', item.url, QString(), 1);
    }
    if (outcome.skippedLines > 0) {
        s_.status.ShowMsg(tr("%1: %2 lines of the index's answers were skipped (missing or extra fields, or "
                             "outside the site):")
                              .arg(engine.name)
                              .arg(outcome.skippedLines),
                          item.url, QString(), 1);
    }
    if (outcome.crawlsLeftOut > 0) {
        s_.log.WriteRunLog(
            QStringLiteral("archive"),
            tr("%1: the newest %2 crawls were asked (CommonCrawlCrawls), %3 older ones left out")
                    .arg(engine.name)
                    .arg(query.crawls)
                    .arg(outcome.crawlsLeftOut) +
                QStringLiteral(": ") + item.url);
    }
    CheckCancel(state);
    QList<EngineHit> hits;
    for (const ArchiveCapture& capture : outcome.captures) {
        EngineHit hit;
        hit.link = capture.link;
        hit.title = QUrl(capture.link).fileName();
        hits.append(hit);
    }
    ParseTally tally;
    ParseContext context = Context(state, &tally);
    ResultPageParsers::AddEngineHits(context, hits);
    for (int page = 0; page < outcome.pages; ++page) ledger_.Answered(engine.id);
    if (outcome.pages > 0) ledger_.Fetched(engine.id, tally.hits, tally.rows, outcome.pages);
    CaptureSink sink;
    {
        QMutexLocker hold(&catalogueLock_);
        sink = captureSink_;
    }
    // Every capture is kept, also of a link already listed: the rescue of that row needs it too.
    if (sink) {
        for (const ArchiveCapture& capture : outcome.captures) sink(capture);
    }
}

void SearchJob::SetCaptureSink(CaptureSink sink) {
    QMutexLocker hold(&catalogueLock_);
    captureSink_ = std::move(sink);
}
