#include "EngineWeb.h"

#include <QStringList>

namespace {

const QStringList kHttpHosts = {
    "www.baidu.com",    "cn.bing.com",    "www.sogou.com",    "www.youdao.com",
    "search.yahoo.com", "search.aol.com", "www.zhongsou.com", "www.osun.org",
    "www.63da.com",     "www.soso.com",   "www.pdfgeni.com",  "www.pdf-search.org",
    "www.pdfqueen.com", "site.test",      "docs.test",        "crawl.test",
    "maps.test"};
const QStringList kHttpsHosts = {"www.google.com.hk", "scholar.google.com", "html.duckduckgo.com"};

std::string Doc(const std::string& name) {
    return "http://docs.test/" + name + ".doc";
}

void Serve(const httplib::Request& req, httplib::Response& res, std::atomic<int>* generatorHits) {
    std::string host = req.get_header_value("Host");
    host = host.substr(0, host.find(':'));
    if (host == "site.test") {
        // An endless site: every page links to five deeper ones and to one document.
        generatorHits->fetch_add(1);
        const int n = std::atoi(req.path.substr(req.path.rfind('/') + 1).c_str());
        std::string page = "<html><body>";
        for (int i = 1; i <= 5; ++i) page += "<a href=\"/gen/" + std::to_string(n * 5 + i) + "\">next</a>";
        page += "<a href=\"/files/d" + std::to_string(n) + ".doc\">doc</a></body></html>";
        res.set_content(page, "text/html");
        return;
    }
    if (host == "crawl.test") {
        // A site with a robots.txt: "*" may take nothing, this program anything but /private/ and one
        // document.
        static const std::map<std::string, std::string> pages = {
            {"/robots.txt",
             "User-agent: *\nDisallow: /\n\nUser-agent: skimmer\nDisallow: /private/\nDisallow: "
             "/files/secret\n"},
            {"/start",
             "<a href=\"/open/1\">1</a><a href=\"/private/2\">2</a><a href=\"/files/a.doc\">a</a>"
             "<a href=\"/files/secret.doc\">s</a>"},
            {"/open/1", "<a href=\"/files/b.doc\">b</a><a href=\"/private/3\">3</a>"},
            {"/private/2", "<a href=\"/files/c.doc\">c</a>"},
            {"/private/3", "<a href=\"/files/c.doc\">c</a>"},
        };
        const auto page = pages.find(req.path);
        if (page == pages.end()) {
            res.status = 404;
            return;
        }
        res.set_content(page->second, req.path == "/robots.txt" ? "text/plain" : "text/html");
        return;
    }
    if (host == "maps.test") {
        // A site known by its sitemaps: two indexes that name each other, a urlset of a document and a
        // page, and /sitemap.xml with one more document.
        const auto index = [](const std::string& locs) { return "<sitemapindex>" + locs + "</sitemapindex>"; };
        const auto urls = [](const std::string& locs) { return "<urlset>" + locs + "</urlset>"; };
        const auto loc = [](const char* tag, const char* path) {
            return std::string("<") + tag + "><loc>http://maps.test" + path + "</loc></" + tag + ">";
        };
        const std::map<std::string, std::string> pages = {
            {"/robots.txt", "User-agent: *\nAllow: /\nSitemap: http://maps.test/index-a.xml\n"},
            {"/start", "<html><body>nothing linked</body></html>"},
            {"/index-a.xml", index(loc("sitemap", "/index-b.xml"))},
            {"/index-b.xml", index(loc("sitemap", "/index-a.xml") + loc("sitemap", "/pages.xml"))},
            {"/pages.xml", urls(loc("url", "/files/m1.doc") + loc("url", "/page/1"))},
            {"/sitemap.xml", urls(loc("url", "/files/m2.doc"))},
            {"/page/1", "<a href=\"/files/m3.doc\">m3</a>"}};
        const auto page = pages.find(req.path);
        res.status = page == pages.end() ? 404 : 200;
        if (page != pages.end()) res.set_content(page->second, "text/html");
        return;
    }
    if (host == "docs.test") {
        // Documents: /sized/N.doc is N bytes long, anything else 4 KiB.
        const size_t bytes =
            req.path.rfind("/sized/", 0) == 0 ? size_t(std::atoi(req.path.c_str() + 7)) : 4096;
        // They begin as the old Office container does, which the content check looks for.
        std::string body(bytes, 'd');
        const std::string container("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8);
        body.replace(0, std::min(bytes, container.size()), container, 0, std::min(bytes, container.size()));
        res.set_content(body, "application/msword");
        return;
    }
    std::string query;
    for (const auto& [key, value] : req.params) query += key + "=" + value + "&";
    const std::string page = EngineWeb::EnginePage(host, req.path, query);
    if (page.empty()) {
        res.status = 404;
        return;
    }
    res.set_content(page, "text/html; charset=utf-8");
}

}  // namespace

void EngineWeb::Block(const std::string& host, int status, const std::string& body) {
    std::lock_guard<std::mutex> hold(lock_);
    blocked_[host] = BlockPage{status, body};
}

std::vector<std::chrono::steady_clock::time_point> EngineWeb::Arrivals(const std::string& host) const {
    std::lock_guard<std::mutex> hold(lock_);
    const auto found = arrivals_.find(host);
    return found == arrivals_.end() ? std::vector<std::chrono::steady_clock::time_point>() : found->second;
}

std::vector<std::string> EngineWeb::Paths(const std::string& host) const {
    std::lock_guard<std::mutex> hold(lock_);
    const auto found = paths_.find(host);
    return found == paths_.end() ? std::vector<std::string>() : found->second;
}

void EngineWeb::Answer(const httplib::Request& req, httplib::Response& res) {
    std::string host = req.get_header_value("Host");
    host = host.substr(0, host.find(':'));
    {
        std::lock_guard<std::mutex> hold(lock_);
        arrivals_[host].push_back(std::chrono::steady_clock::now());
        paths_[host].push_back(req.path);
        const auto block = blocked_.find(host);
        if (block != blocked_.end()) {
            res.status = block->second.status;
            res.set_content(block->second.body, "text/html; charset=utf-8");
            return;
        }
    }
    Serve(req, res, &generatorHits_);
}

std::string EngineWeb::EnginePage(const std::string& host, const std::string& path,
                                  const std::string& query) {
    if (host == "www.google.com.hk" || host == "search.aol.com") {
        const std::string name = host == "search.aol.com" ? "aol" : "google";
        return "<div><h3 class=\"r\"><a href=\"" + Doc(name) + "\">" + name +
               " hit</a></h3><cite>c</cite></div>";
    }
    if (host == "scholar.google.com")
        return "<h3 class=\"gs\"><a href=\"" + Doc("scholar") + "\">scholar hit</a></h3>";
    if (host == "www.baidu.com" && path == "/s") {
        return "<div class=\"se_com_default\"><a href=\"http://www.baidu.com/link?url=docs.test/baidu.doc\" "
               "target=\"_blank\">baidu hit</a><span class=\"c-tip-icon\"></span></div>";
    }
    if (host == "cn.bing.com" && path == "/search") {
        return "<div></div><div><h2><a href=\"" + Doc("bing") +
               "\">bing hit</a></h2><div class=\"b_caption\">";
    }
    if (host == "cn.bing.com" && path == "/academic/search") {
        return "<span class=\"sb_doct_txt b_float\">[DOC]</span><a href=\"http://docs.test/xueshu\">academic "
               "hit</a>"
               "<div class=\"b_caption\">";
    }
    if (host == "www.sogou.com")
        return "<h3 class=\"pt\"><a href=\"" + Doc("sogou") + "\" id=\"s\">sogou hit</a></h3>";
    if (host == "www.youdao.com")
        return "<h3><a href=\"" + Doc("youdao") + "\" title=\"t\">youdao hit</a></h3>";
    if (host == "search.yahoo.com")
        return "<h3 class=\"title\"><a href=\"" + Doc("yahoo") + "\">yahoo hit</a></h3>";
    if (host == "www.zhongsou.com")
        return "<li><a href=\"" + Doc("zhongsou") + "\">【DOC】zhongsou hit</a></li>";
    if (host == "www.osun.org") {
        return "<div class=\"dtitle\"><a href=\"" + Doc("osun") + "\" target=\"_blank\">osun hit</a></div>";
    }
    if (host == "www.soso.com")
        return "<span class=\"sb_doct_txt b_float\"><a href=\"" + Doc("soso") + "\">soso hit</a>b_caption";
    if (host == "www.63da.com" && path == "/") {
        return "<img class=\"voteicon\" /> <a href=\"http://www.63da.com/DOC/1.html\" target=\"_blank\">da63 "
               "hit<img></a>";
    }
    if (host == "www.63da.com")
        return "<div>文档标题：da63 hit</div><a href=\"docs.test/da63.doc\" rel=\"nofollow\">";
    if (host == "www.pdfgeni.com" || host == "www.pdf-search.org" || host == "www.pdfqueen.com") {
        return "<a href=\"" + Doc("pdfsites") + "\">pdf site hit</a>";
    }
    (void)query;
    return {};
}

EngineWeb::EngineWeb()
    : web_(kHttpHosts, kHttpsHosts,
           [this](const httplib::Request& req, httplib::Response& res) { Answer(req, res); }) {}
