#include "search/SearchJob.h"

#include <QThread>

#include "lists/MessageSink.h"
#include "lists/Options.h"
#include "lists/ResultList.h"
#include "lists/RunLog.h"
#include "lists/StatusLine.h"
#include "net/CHttpClientT.h"
#include "net/CRemoteSizeProbe.h"
#include "net/PageFetch.h"
#include "search/CHtmlParse.h"
#include "search/DocLinkRules.h"
#include "search/EngineHosts.h"
#include "search/KeywordList.h"
#include "search/LinkFilters.h"
#include "search/QueryCatalogue.h"
#include "search/WorkerState.h"

namespace {

using K = SettingKey;

QString Host(const char* host) {
    return QString::fromLatin1(host);
}

void Sleep(int milliseconds) {
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

}  // namespace

SearchJob::SearchJob(Services services, QObject* parent) : QObject(parent), s_(std::move(services)) {}

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
    const quint32 minimum = DocLinkRules::UnsignedValue(s_.options.Text(K::SizeMin));
    const quint32 maximum = DocLinkRules::UnsignedValue(s_.options.Text(K::SizeMax));
    if (minimum > maximum && minimum != 0) {
        s_.messages.ShowMessageBox(QStringLiteral("文件大小限制非法"));
        return false;
    }
    if (controlState_.load() & WorkerBits::kRunning) {
        controlState_.fetch_or(WorkerBits::kCancel);
        return false;
    }
    if (controlBusy_.load()) return false;  // ended but not yet reaped: the next press starts
    Keys();  // loaded here, on the owner's thread, before any parser needs them
    controlState_.store(WorkerBits::kRunning);
    controlBusy_.store(true);
    try {
        control_ = std::thread([this] { ControlThread(); });
    } catch (const std::system_error&) {
        controlState_.fetch_and(~WorkerBits::kRunning);
        controlBusy_.store(false);
        return false;
    }
    return true;
}

void SearchJob::StopSearch() {
    for (auto& state : states_) state.store(WorkerBits::kStop);
}

void SearchJob::CheckDeepSearchLimit() {
    const int limit = s_.options.LiveInt(K::URLsCount);
    if (limit > 0 && queue_.Waiting() >= limit) stopDeepSearch_.store(1);
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
        QueryCatalogue catalogue(s_.options);
        catalogue.SetPdfSitesEnabled(pdfSites_.load());
        const QStringList keywords = s_.keywords.Keywords();
        catalogue.BuildQueue(keywords, s_.options.TimeRange(), [this](const QString& url) {
            CheckCancel(controlState_);
            queue_.QueueUrl(url, 0);
        });
        CheckCancel(controlState_);
        StartSearchThreads();
    } catch (const WorkerCancelled&) {
    } catch (const std::exception&) {
    }
    QMetaObject::invokeMethod(
        this, [this] { ReapControl(); }, Qt::QueuedConnection);
}

void SearchJob::StartSearchThreads() {
    const int count = qBound(1, s_.options.Int(K::SearchMaxThread), kSlots - 1);
    for (int slot = 0; slot < count; ++slot) {
        if (busy_[size_t(slot)].load() || (states_[size_t(slot)].load() & WorkerBits::kRunning)) continue;
        states_[size_t(slot)].store(WorkerBits::kRunning);
        busy_[size_t(slot)].store(true);
        try {
            threads_[size_t(slot)] = std::thread([this, slot] { SearchThread(slot); });
        } catch (const std::system_error&) {
            states_[size_t(slot)].fetch_and(~WorkerBits::kRunning);
            busy_[size_t(slot)].store(false);
            continue;
        }
        Sleep(10);
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
        s_.status.ShowMsg(QStringLiteral("搜索已全部结束"), QString(), QString(), 1);
        if (!controlBusy_.load()) Q_EMIT searchFinished();
    }
}

void SearchJob::SearchThread(int slot) {
    std::atomic<int>& state = states_[size_t(slot)];
    try {
        s_.status.ShowMsg(QStringLiteral("线程%1启动").arg(slot), QString(), QString(), 1);
        const int tryLimit = s_.settings.ProfileGetInt(QStringLiteral("SearchTryCount"), 3);
        int idle = 0;
        for (;;) {
            CheckCancel(state);
            if (idle > idleLimit_.load()) {
                state.store(WorkerBits::kStop);
                break;
            }
            const std::optional<QueueItem> item = queue_.PopUrl();
            if (!item) {
                Sleep(1);
                ++idle;
                continue;
            }
            idle = 0;
            ServeItem(slot, *item, tryLimit);
        }
    } catch (const WorkerCancelled&) {
    } catch (const std::exception&) {
    }
    s_.status.ShowMsg(QStringLiteral("线程%1结束").arg(slot), QString(), QString(), 1);
    s_.status.ShowMsg(QStringLiteral("搜索线程"), QString::number(slot), QStringLiteral("结束"), 1);
    QMetaObject::invokeMethod(
        this, [this, slot] { ReapSearchThread(slot); }, Qt::QueuedConnection);
}

void SearchJob::ServeItem(int slot, const QueueItem& item, int tryLimit) {
    std::atomic<int>& state = states_[size_t(slot)];
    const int interval = s_.options.Int(K::SearchInterval);
    if (interval > 0) {
        QMutexLocker pause(&pauseLock_);
        PauseBeforeFetch(slot, interval);
    }
    s_.status.ShowMsg(QStringLiteral("正在获取远方网页信息："), item.url, QString(), 0);
    CHtmlParse document;
    CheckCancel(state);
    bool fetch = false;
    const PageParser parser = Dispatch(item.url, s_.options, s_.rules, &fetch);
    bool loaded = false;
    if (fetch) {
        CHttpClientT client;
        client.SetAbortFlag(&shuttingDown_);
        const QString page = getHtmlPageCode(client, item.url, item.url, true, &s_.log);
        CheckCancel(state);
        if (page.isEmpty()) {
            if (item.tries < tryLimit) queue_.Requeue({item.url, item.tries + 1});
            s_.status.ShowMsg(QStringLiteral("无法得到数据信息："), item.url, QString(), 1);
            return;
        }
        s_.status.ShowMsg(QStringLiteral("获取成功，正在分析链接："), item.url, QString(), 0);
        CheckCancel(state);
        loaded = document.SetHtml(page, true);
        if (parser != PageParser::None && RunParser(parser, state, item.url, page) == 0) return;
    }
    AnalysePage(state, item.url, document, loaded);
}

void SearchJob::PauseBeforeFetch(int slot, int seconds) {
    const qint64 start = s_.secondsTick.load();
    while (s_.secondsTick.load() - start < seconds) {
        CheckCancel(states_[size_t(slot)]);
        const qint64 remaining = start + seconds - s_.secondsTick.load();
        s_.status.ShowMsg(QStringLiteral("进入延时等待:"),
                          QStringLiteral("线程%1-(%2)秒").arg(slot).arg(remaining), QString(), 0);
        Sleep(100);
    }
}

ParseContext SearchJob::Context(const std::atomic<int>& state) {
    return ParseContext{state, s_.results, s_.filters, s_.rules, s_.options, queue_, [](const QString& link) {
                            return CRemoteSizeProbe().GetRemoteFileSize(link);
                        }};
}

int SearchJob::RunParser(PageParser parser, const std::atomic<int>& state, const QString& url,
                         const QString& page) {
    ParseContext context = Context(state);
    return ResultPageParsers(Keys()).Parse(parser, context, url, page);
}

PageParser SearchJob::Dispatch(const QString& url, const Options& options, const DocLinkRules& rules,
                               bool* fetch) {
    *fetch = true;
    auto has = [&url](const char* host, const char* path) {
        return url.contains(Host(host) + QLatin1StringView(path));
    };
    if (has(EngineHosts::Google, "/search?q") || has(EngineHosts::GoogleMain, "/search?q"))
        return PageParser::Google;
    if (has(EngineHosts::Scholar, "/scholar")) return PageParser::Scholar;
    if (has(EngineHosts::Bing, "/search")) return PageParser::Bing;
    if (has(EngineHosts::Bing, "/academic/search")) return PageParser::BingAcademic;
    if (url.contains(Host(EngineHosts::Osun))) return PageParser::Osun;
    if (has(EngineHosts::PdfGeni, "/book") || has(EngineHosts::PdfSearch, "/us/") ||
        has(EngineHosts::PdfQueen, "/")) {
        return PageParser::None;
    }
    if (has(EngineHosts::Baidu, "/s?wd=filetype")) return PageParser::Baidu;
    if (has(EngineHosts::Soso, "/q?w=filetype")) return PageParser::Soso;
    if (has(EngineHosts::Yahoo, "/search")) return PageParser::Yahoo;
    if (has(EngineHosts::Zhongsou, "/third.cgi")) return PageParser::Zhongsou;
    if (has(EngineHosts::Aol, "/aol/search")) return PageParser::Aol;
    if (has(EngineHosts::Youdao, "/search?q=filetype")) return PageParser::Youdao;
    if (DocLinkRules::Is63daPage(url, true))
        return has(EngineHosts::Da63, "/?") ? PageParser::Search63 : PageParser::Doc63;
    if (has(EngineHosts::Sogou, "/web?num")) return PageParser::Sogou;
    if (options.Checked(K::EngineOtherSearch) && rules.InOtherEngineScope(url)) return PageParser::None;
    *fetch = false;
    return PageParser::None;
}

void SearchJob::AnalysePage(const std::atomic<int>& state, const QString& url, CHtmlParse& document,
                            bool loaded) {
    CheckCancel(state);
    if (stopDeepSearch_.load() || !deepSearchAllowed_.load()) {
        Sleep(5);
        return;
    }
    s_.status.ShowMsg(QStringLiteral("正在分析所有URL链接信息："), url, QString(), 0);
    QList<AnchorRecord> anchors;
    // Relative links are relative to this page's own folder.
    document.SetBaseUrl(url);
    if (!loaded || !document.ListAnchors(anchors)) {
        CheckCancel(state);
        s_.status.ShowMsg(QStringLiteral("无法得到链接信息:"), url, QString(), 1);
        return;
    }
    const QString officeViewer = Host(EngineHosts::OfficeViewer);
    for (const AnchorRecord& anchor : anchors) {
        CheckCancel(state);
        if (anchor.link.isEmpty() || anchor.link.contains(officeViewer) ||
            anchor.text.contains(QStringLiteral("网页视图"))) {
            continue;
        }
        const QString link = CHtmlParse::ResolveUrl(url, anchor.link);
        if (link.isEmpty() || s_.filters.UrlFiltered(link)) continue;
        s_.status.ShowMsg(QStringLiteral("正在分析："), link, QString(), 0);
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
            ParseContext context = Context(state);
            ResultPageParsers::AddHit(context, link, title, doc.type);
        } else if (s_.rules.ShouldFollow(link)) {
            CheckCancel(state);
            queue_.QueueUrl(link, 0);
            CheckCancel(state);
        }
    }
}
