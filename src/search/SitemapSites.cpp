#include "search/SitemapSites.h"

#include <QUrl>

#include "search/PlainOrigin.h"
#include "search/SitemapReader.h"

QString SitemapSites::Visit(const QString& address) {
    // Every page of a site asks; the root depends on the origin alone, so a plainly written origin seen
    // before answers without a URL parse.
    const qsizetype originLength = PlainOrigin::Length(address);
    const QString origin = originLength < 0 ? QString() : address.left(originLength);
    if (!origin.isNull()) {
        QMutexLocker hold(&lock_);
        if (origins_.contains(origin)) return {};
    }
    const QUrl url(address);
    const QString scheme = url.scheme().toLower();
    if ((scheme != QLatin1StringView("http") && scheme != QLatin1StringView("https")) || url.host().isEmpty())
        return {};
    const QString root = url.adjusted(QUrl::RemovePath | QUrl::RemoveQuery | QUrl::RemoveFragment |
                                      QUrl::RemoveUserInfo)
                             .toString(QUrl::FullyEncoded);
    QMutexLocker hold(&lock_);
    if (!origin.isNull()) origins_.insert(origin);
    if (seen_.contains(root)) return {};
    seen_.insert(root);
    return root;
}

void SitemapSites::Clear() {
    QMutexLocker hold(&lock_);
    seen_.clear();
    origins_.clear();
}

QStringList SitemapSites::Addresses(const QString& siteRoot, const QStringList& robotsSitemaps,
                                    const FetchFn& fetch, QStringList* problems, int* offHost) {
    const QString host = QUrl(siteRoot).host();
    int dropped = 0;
    const auto onSite = [&](const QString& address) {
        if (QUrl(address).host().compare(host, Qt::CaseInsensitive) == 0) return true;
        ++dropped;
        return false;
    };
    QStringList pending = robotsSitemaps;
    const QString usual = siteRoot + QStringLiteral("/sitemap.xml");
    if (!pending.contains(usual)) pending.append(usual);

    QSet<QString> read;
    QSet<QString> taken;
    QStringList addresses;
    int files = 0;
    while (!pending.isEmpty() && files < kMaxFiles && addresses.size() < kMaxAddresses) {
        const QString sitemap = pending.takeFirst();
        // Each sitemap once: indexes that name each other end here.
        if (read.contains(sitemap)) continue;
        read.insert(sitemap);
        ++files;
        const std::optional<QByteArray> body = fetch(sitemap);
        if (!body) continue;
        const SitemapReader::Sitemap map = SitemapReader::Read(*body);
        if (!map.problem.isEmpty() && problems) problems->append(sitemap + QStringLiteral(": ") + map.problem);
        if (map.kind == SitemapReader::Kind::Index) {
            for (const QString& address : map.addresses) {
                if (onSite(address)) pending.append(address);
            }
            continue;
        }
        for (const QString& address : map.addresses) {
            if (addresses.size() >= kMaxAddresses) break;
            if (taken.contains(address) || !onSite(address)) continue;
            taken.insert(address);
            addresses.append(address);
        }
    }
    if (offHost) *offHost = dropped;
    return addresses;
}
