#include "search/SitemapReader.h"

#include <QXmlStreamReader>

#include "net/Inflater.h"

namespace {

bool IsWebAddress(const QString& text) {
    return text.startsWith(QStringLiteral("http://"), Qt::CaseInsensitive) ||
           text.startsWith(QStringLiteral("https://"), Qt::CaseInsensitive);
}

}  // namespace

SitemapReader::Sitemap SitemapReader::Read(const QByteArray& bytes) {
    Sitemap map;
    QByteArray xml = bytes;
    if (Inflater::IsGzip(bytes)) {
        Inflater::Result inflated = Inflater::Inflate(bytes, Inflater::Format::Gzip, kMaxBytes);
        if (!inflated.ok) {
            map.problem = QStringLiteral("the gzipped sitemap cannot be read: ") + inflated.problem;
            return map;
        }
        xml = std::move(inflated.bytes);
    } else if (bytes.size() > kMaxBytes) {
        map.problem = QStringLiteral("the sitemap is larger than 50 MiB");
        return map;
    }
    QXmlStreamReader reader(xml);
    int depth = 0;
    bool inEntry = false;   // inside <url> or <sitemap>
    bool entryHadLoc = false;
    QString bareText;       // text directly inside <sitemap>, for indexes that leave out <loc>
    auto take = [&map](QString address) {
        address = address.trimmed();
        if (!IsWebAddress(address) || address.size() > 2048) return;
        if (map.addresses.size() >= kMaxAddresses) {
            map.truncated = true;
            return;
        }
        map.addresses.append(address);
    };
    while (!reader.atEnd() && !map.truncated) {
        const QXmlStreamReader::TokenType token = reader.readNext();
        if (token == QXmlStreamReader::DTD) {
            map.problem = QStringLiteral("the sitemap declares a DTD, which sitemaps never need");
            return map;
        }
        if (token == QXmlStreamReader::EntityReference) {
            map.problem = QStringLiteral("the sitemap refers to an undeclared entity");
            return map;
        }
        if (token == QXmlStreamReader::StartElement) {
            if (++depth > kMaxDepth) {
                map.problem = QStringLiteral("the sitemap nests deeper than %1 elements").arg(kMaxDepth);
                return map;
            }
            const QStringView name = reader.name();
            if (depth == 1) {
                map.kind = name == u"urlset" ? Kind::UrlSet : name == u"sitemapindex" ? Kind::Index : Kind::Unknown;
                if (map.kind == Kind::Unknown) {
                    map.problem = QStringLiteral("not a sitemap (<%1>)").arg(name.left(40));
                    return map;
                }
            } else if (depth == 2 && (name == u"url" || name == u"sitemap")) {
                inEntry = true;
                entryHadLoc = false;
                bareText.clear();
            } else if (depth == 3 && inEntry && name == u"loc") {
                entryHadLoc = true;
                take(reader.readElementText(QXmlStreamReader::SkipChildElements));
                --depth;  // readElementText consumed the end element
            }
        } else if (token == QXmlStreamReader::Characters && inEntry && depth == 2) {
            if (bareText.size() < 4096) bareText += reader.text();
        } else if (token == QXmlStreamReader::EndElement) {
            if (depth == 2 && inEntry) {
                if (!entryHadLoc && map.kind == Kind::Index) take(bareText);
                inEntry = false;
            }
            --depth;
        }
    }
    if (reader.hasError() && reader.error() != QXmlStreamReader::PrematureEndOfDocumentError)
        map.problem = QStringLiteral("the sitemap is not well-formed XML: ") + reader.errorString().left(200);
    else if (reader.hasError())
        map.problem = QStringLiteral("the sitemap ends early");
    return map;
}

QStringList SitemapReader::RobotsSitemaps(const QString& robotsText) {
    QStringList addresses;
    const QStringList lines = robotsText.left(1024 * 1024).split(u'\n');
    for (QString line : lines) {
        line = line.trimmed();
        if (!line.startsWith(QStringLiteral("sitemap:"), Qt::CaseInsensitive)) continue;
        QString address = line.mid(8).trimmed();
        if (const qsizetype hash = address.indexOf(u'#'); hash >= 0) address = address.left(hash).trimmed();
        if (IsWebAddress(address) && !addresses.contains(address) && addresses.size() < 1000) addresses.append(address);
    }
    return addresses;
}
