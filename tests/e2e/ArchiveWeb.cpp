#include "ArchiveWeb.h"

#include <QCryptographicHash>
#include <QUrl>

namespace {

constexpr const char* kCrawl = "CC-MAIN-2019-10";
constexpr const char* kWarcPath = "/crawl-data/CC-MAIN-2019-10/segment.warc";

std::string WarcRecordOf(const ArchiveWeb::Capture& capture) {
    const std::string http = "HTTP/1.1 200 OK\r\nContent-Type: " + capture.mime +
                             "\r\nContent-Length: " + std::to_string(capture.body.size()) + "\r\n\r\n" + capture.body;
    const std::string& uri = capture.warcUri.empty() ? capture.link : capture.warcUri;
    return "WARC/1.0\r\nWARC-Type: response\r\nWARC-Target-URI: " + uri +
           "\r\nWARC-Date: 2019-03-04T12:00:00Z\r\nContent-Type: application/http; msgtype=response\r\n"
           "Content-Length: " +
           std::to_string(http.size()) + "\r\n\r\n" + http + "\r\n\r\n";
}

std::string Digest(const std::string& body) {
    return QCryptographicHash::hash(QByteArray::fromStdString(body), QCryptographicHash::Sha1).toHex().toStdString();
}

bool InSite(const std::string& link, const std::string& site) {
    const QUrl url(QString::fromStdString(link));
    const QString host = url.host() + (url.port() > 0 ? QStringLiteral(":%1").arg(url.port()) : QString());
    const QString wanted = QString::fromStdString(site);
    return host == wanted || host.endsWith(u'.' + wanted) || host.startsWith(wanted + u':');
}

}  // namespace

QString ArchiveWeb::EnginesJson() const {
    const QString base = Base();
    return QStringLiteral(
               "[{\"id\": \"wayback\", \"name\": \"Wayback\", \"setting\": \"WaybackSearch\", \"kind\": "
               "\"wayback-cdx\", \"indexBase\": \"%1\", \"hosts\": [\"127.0.0.1\"], \"queries\": [], "
               "\"urlPatterns\": [\"127.0.0.1/cdx/search/cdx\"], \"layouts\": [], \"pageLimit\": 5, \"delayMs\": 0},"
               " {\"id\": \"commoncrawl\", \"name\": \"Common Crawl\", \"setting\": \"CommonCrawlSearch\", \"kind\": "
               "\"commoncrawl-cdx\", \"indexBase\": \"%1\", \"dataBase\": \"%1\", \"hosts\": [\"127.0.0.1\"], "
               "\"queries\": [], \"urlPatterns\": [\"127.0.0.1/collinfo.json\"], \"layouts\": [], \"pageLimit\": 5, "
               "\"delayMs\": 0}]")
        .arg(base);
}

void ArchiveWeb::Start() {
    for (const Capture& capture : captures_) {
        // Uncompressed records, as a WARC file may hold them.
        const std::string record = capture.commonCrawl ? WarcRecordOf(capture) : std::string();
        records_.emplace_back(qint64(warc_.size()), qint64(record.size()));
        warc_ += record;
    }
    auto& http = server_.Http();
    http.Get("/cdx/search/cdx", [this](const httplib::Request& req, httplib::Response& res) {
        const std::string url = req.get_param_value("url");
        const bool site = req.has_param("matchType");
        if (!site) lookups_.fetch_add(1);
        std::string lines;
        for (const Capture& capture : captures_) {
            if (capture.commonCrawl || (site ? capture.exactOnly || !InSite(capture.link, url) : capture.link != url))
                continue;
            lines += "key " + capture.timestamp + ' ' + capture.link + ' ' + capture.mime + " 200 " +
                     Digest(capture.body) + ' ' + std::to_string(capture.body.size()) + '\n';
        }
        res.set_content(lines, "text/plain");
    });
    http.Get(R"(/web/(\d+)id_/(.*))", [this](const httplib::Request& req, httplib::Response& res) {
        if (busy_.fetch_sub(1) > 0) {
            res.status = 429;
            res.set_header("Retry-After", "1");
            return;
        }
        std::string link = req.matches[2];
        if (!req.params.empty()) link += '?' + std::string(req.target.substr(req.target.find('?') + 1));
        for (const Capture& capture : captures_) {
            if (capture.commonCrawl || capture.link != link || capture.timestamp != req.matches[1]) continue;
            res.status = capture.archivedStatus;
            res.set_header("Memento-Datetime", "Mon, 04 Mar 2019 12:00:00 GMT");
            res.set_content(capture.body, capture.mime);
            return;
        }
        res.status = 404;
    });
    http.Get("/collinfo.json", [](const httplib::Request&, httplib::Response& res) {
        res.set_content(std::string("[{\"id\": \"") + kCrawl + "\", \"name\": \"March 2019\"}]", "application/json");
    });
    http.Get(std::string("/") + kCrawl + "-index", [this](const httplib::Request& req, httplib::Response& res) {
        if (req.has_param("showNumPages")) return res.set_content("{\"pages\": 1}", "application/json");
        std::string lines;
        for (size_t i = 0; i < captures_.size(); ++i) {
            const Capture& capture = captures_[i];
            if (!capture.commonCrawl || !InSite(capture.link, req.get_param_value("url"))) continue;
            lines += "{\"urlkey\": \"key\", \"timestamp\": \"" + capture.timestamp + "\", \"url\": \"" + capture.link +
                     "\", \"mime\": \"" + capture.mime + "\", \"mime-detected\": \"" + capture.mime +
                     "\", \"status\": \"200\", \"digest\": \"" + Digest(capture.body) + "\", \"length\": \"" +
                     std::to_string(records_[i].second) + "\", \"offset\": \"" + std::to_string(records_[i].first) +
                     "\", \"filename\": \"" + std::string(kWarcPath).substr(1) + "\"}\n";
        }
        res.set_content(lines, "text/x-ndjson");
    });
    // cpp-httplib answers a Range header of set_content with 206 and the part asked for.
    http.Get(kWarcPath, [this](const httplib::Request&, httplib::Response& res) {
        warcFetches_.fetch_add(1);
        res.set_content(warc_, "application/warc");
    });
    server_.Start();
}
