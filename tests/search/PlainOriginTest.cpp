#include <gtest/gtest.h>

#include "engines/EngineCatalog.h"
#include "search/EngineHostSet.h"
#include "search/SitemapSites.h"

namespace {

// The quick test may only ever spare the catalogue a walk that would have found no engine.
TEST(EngineHostSet, NeverHidesAnEngineAddress) {
    const std::shared_ptr<const EngineCatalog> catalogue = EngineCatalog::BuiltIn();
    const EngineHostSet hosts(*catalogue);
    const QStringList addresses =
        QStringLiteral(
            "http://www.baidu.com/s?wd=filetype:doc x|HTTP://WWW.BAIDU.COM/s?wd=filetype:pdf|"
            "https://www.baidu.com:443/s?wd=filetype:doc|http://user@www.baidu.com/s?wd=filetype:doc|"
            "http://www.b%61idu.com/s?wd=filetype:doc|http://searxng.invalid/search?q=x|"
            " http://www.baidu.com/s?wd=filetype:doc|www.baidu.com/s?wd=filetype:doc|"
            "http://www.baidu.com./s?wd=filetype:doc|http://[::1]/s|http://127.0.0.1:18081/p/0.html|"
            "http://host.example/s?u=http://www.baidu.com/s|ftp://files.example/a.pdf|http://"
            "xn--fiqs8s.example/")
            .split(u'|');
    int spared = 0;
    for (const QString& url : addresses) {
        if (catalogue->ForUrl(url)) {
            EXPECT_TRUE(hosts.MayBeEngine(url)) << url.toStdString();
        }
        spared += hosts.MayBeEngine(url) ? 0 : 1;
    }
    EXPECT_GE(spared, 3);  // the plain addresses of other sites
    EXPECT_TRUE(hosts.MayBeEngine("http://WWW.Baidu.com/other"));
}

// Each site's sitemaps are read once, however its pages' addresses are written.
TEST(SitemapSites, EachSiteOnceWhateverTheSpelling) {
    SitemapSites sites;
    const struct {
        const char* address;
        const char* root;  // empty: the site was visited before, or has none
    } visits[] = {
        {"http://Host.example/a.html", "http://host.example"},
        {"http://Host.example/b.html", ""},
        {"http://host.example/c.html?x=1", ""},
        {"http://user@host.example/d.html", ""},
        {"http://h%6Fst.example/e.html", ""},
        {"http://host.example:8080/f.html", "http://host.example:8080"},
        {"https://host.example/g.html", "https://host.example"},
        {"ftp://host.example/h.pdf", ""},
        {"http://other.example", "http://other.example"},
        {"http://other.example/", ""},
    };
    for (const auto& visit : visits) EXPECT_EQ(sites.Visit(visit.address), visit.root) << visit.address;
    sites.Clear();
    EXPECT_EQ(sites.Visit("http://Host.example/a.html"), "http://host.example");
}

}  // namespace
