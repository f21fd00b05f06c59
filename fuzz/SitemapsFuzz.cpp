// Sitemaps and robots.txt as any site may serve them. Reading must finish; entities are never expanded
// (no address holds more than the input gave); the protocol's 50,000 addresses hold.

#include "FuzzSupport.h"
#include "search/SitemapReader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes = fuzz::Bytes(data, size);
    const SitemapReader::Sitemap map = SitemapReader::Read(bytes);
    fuzz::Require(map.addresses.size() <= SitemapReader::kMaxAddresses, "at most 50,000 addresses");
    for (const QString& address : map.addresses) {
        fuzz::Require(address.startsWith(QStringLiteral("http"), Qt::CaseInsensitive), "web addresses only");
        if (!bytes.startsWith("\x1f\x8b")) fuzz::Require(address.size() <= bytes.size(), "no entity expansion");
    }
    for (const QString& address : SitemapReader::RobotsSitemaps(QString::fromUtf8(bytes)))
        fuzz::Require(address.startsWith(QStringLiteral("http"), Qt::CaseInsensitive), "web addresses only");
    return 0;
}
