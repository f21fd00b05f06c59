#include "search/RobotsCache.h"

#include <QCoreApplication>
#include <QUrl>

#include "lists/RunLog.h"
#include "net/HttpClient.h"
#include "net/PageFetch.h"
#include "search/SitemapReader.h"

void RobotsCache::Clear() {
    std::lock_guard hold(lock_);
    // A fetch under way finds its entry gone and keeps its answer to itself.
    sites_.clear();
}

int RobotsCache::SitesRead() const {
    std::lock_guard hold(lock_);
    return int(sites_.size());
}

bool RobotsCache::Allows(const QString& address, const std::function<bool()>& cancelled) {
    const QUrl url(address);
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || url.host().isEmpty() || (scheme != u"http" && scheme != u"https")) return true;
    const QString site = SiteOf(url);
    QString path = url.path(QUrl::FullyEncoded);
    if (path.isEmpty()) path = QStringLiteral("/");
    if (url.hasQuery()) path += u'?' + url.query(QUrl::FullyEncoded);

    std::shared_ptr<const RobotsRules> rules;
    QStringList sitemaps;
    {
        std::unique_lock hold(lock_);
        auto [entry, added] = sites_.try_emplace(site);
        if (!added) {
            ready_.wait(hold, [&] {
                const auto now = sites_.find(site);
                return now == sites_.end() || now->second.ready;
            });
            const auto now = sites_.find(site);
            if (now != sites_.end()) rules = now->second.rules;
        }
        if (added) {
            hold.unlock();
            try {
                rules = Fetch(site, cancelled, &sitemaps);
            } catch (const std::exception&) {
                // Never leave the others waiting for an answer that will not come.
            }
            hold.lock();
            if (const auto now = sites_.find(site); now != sites_.end()) {
                now->second.rules = rules;
                now->second.sitemaps = sitemaps;
                now->second.ready = true;
            }
            hold.unlock();
            ready_.notify_all();
        }
    }
    return !rules || rules->Allows(path);
}

QString RobotsCache::SiteOf(const QUrl& url) {
    const QString scheme = url.scheme().toLower();
    const int port = url.port(scheme == u"https" ? 443 : 80);
    return QStringLiteral("%1://%2:%3").arg(scheme, url.host().toLower()).arg(port);
}

QStringList RobotsCache::Sitemaps(const QString& address, const std::function<bool()>& cancelled) {
    Allows(address, cancelled);
    std::lock_guard hold(lock_);
    const auto site = sites_.find(SiteOf(QUrl(address)));
    return site == sites_.end() ? QStringList() : site->second.sitemaps;
}

std::shared_ptr<const RobotsRules> RobotsCache::Fetch(const QString& site, const std::function<bool()>& cancelled,
                                                      QStringList* sitemaps) {
    HttpClient client;
    client.SetCancelCheck(cancelled);
    client.SetTimeLimit(timeLimitMs_.load());
    const QString address = site + QStringLiteral("/robots.txt");
    const FetchedPage page = FetchSmallText(client, address, kBodyLimit, log_);
    if (page.answered && page.status >= 200 && page.status < 300) {
        *sitemaps = SitemapReader::RobotsSitemaps(page.text);
        return std::make_shared<const RobotsRules>(RobotsRules::Parse(page.text));
    }
    if (page.answered && page.status >= 400 && page.status < 500) return nullptr;
    if (log_) {
        const QString why = page.answered
                                ? QCoreApplication::translate("RobotsCache", "answered %1").arg(page.status)
                                : QCoreApplication::translate("RobotsCache", "did not answer");
        log_->WriteRunLog(QStringLiteral("robots.txt"),
                          QCoreApplication::translate(
                              "RobotsCache", "%1 %2: the deep search treats the site as allowing everything")
                              .arg(address, why));
    }
    return nullptr;
}
