#include <gtest/gtest.h>

#include "ArchiveAnswers.h"
#include "search/SitemapReader.h"
#include "search/SitemapSites.h"

using Kind = SitemapReader::Kind;

TEST(SitemapReader, RealSitemapsPlainAndGzipped) {
    ARCHIVE_ANSWER(index, "sitemap-index-2ltech.fr.xml");
    const SitemapReader::Sitemap map = SitemapReader::Read(index);
    EXPECT_EQ(map.kind, Kind::Index);
    EXPECT_EQ(map.addresses.size(), 1);
    ARCHIVE_ANSWER(plain, "sitemap-flameshot.org.xml");
    ARCHIVE_ANSWER(gz, "sitemap-flameshot.org.xml.gz");
    const SitemapReader::Sitemap a = SitemapReader::Read(plain), b = SitemapReader::Read(gz);
    EXPECT_EQ(a.kind, Kind::UrlSet);
    EXPECT_EQ(a.addresses.size(), 15);
    EXPECT_EQ(a.addresses, b.addresses);
    ARCHIVE_ANSWER(spec, "sitemap-spec-example.xml.gz");
    const SitemapReader::Sitemap example = SitemapReader::Read(spec);
    EXPECT_TRUE(example.problem.isEmpty()) << example.problem.toStdString();
    EXPECT_TRUE(std::any_of(example.addresses.begin(), example.addresses.end(),
                            [](const QString& a) { return a.contains("&") && !a.contains("&amp;"); }));
    // The news and image extensions hold addresses of their own, which are not pages of the site.
    ARCHIVE_ANSWER(news, "sitemap-urlset-lastmod-hebdenbridgetimes.xml");
    for (const QString& address : SitemapReader::Read(news).addresses) EXPECT_FALSE(address.endsWith(".jpg"));
    // An index that leaves out <loc> is read leniently.
    ARCHIVE_ANSWER(bare, "sitemap-index-anonymised.xml");
    EXPECT_FALSE(SitemapReader::Read(bare).addresses.isEmpty());
}

TEST(SitemapReader, RobotsSitemapLines) {
    ARCHIVE_ANSWER(edge, "robots-sitemap-lines-edge-cases.txt");
    const QStringList found = SitemapReader::RobotsSitemaps(QString::fromUtf8(edge));
    EXPECT_FALSE(found.isEmpty());
    for (const QString& address : found) EXPECT_TRUE(address.startsWith("http"));
    EXPECT_EQ(SitemapReader::RobotsSitemaps("User-agent: *\nSITEMAP: https://a.org/S.xml # x\nsitemap: ftp://a\n"),
              QStringList({"https://a.org/S.xml"}));
}

TEST(SitemapReader, HostileSitemaps) {
    const QByteArray head = "<?xml version=\"1.0\"?>";
    const QByteArray urlset = "<urlset xmlns=\"http://www.sitemaps.org/schemas/sitemap/0.9\">";
    struct Case {
        const char* what;
        QByteArray xml;
        bool problem;
    };
    const Case cases[] = {
        {"entity expansion", head + "<!DOCTYPE u [<!ENTITY a \"aaaaaaaaaa\"><!ENTITY b \"&a;&a;&a;&a;\">]>" + urlset +
                                 "<url><loc>http://a.org/&b;</loc></url></urlset>", true},
        {"external entity", head + "<!DOCTYPE u [<!ENTITY x SYSTEM \"file:///etc/passwd\">]>" + urlset +
                                "<url><loc>&x;</loc></url></urlset>", true},
        {"depth", head + urlset + QByteArray("<a>").repeated(100) + QByteArray("</a>").repeated(100) + "</urlset>", true},
        {"not a sitemap", "<html><body>hi</body></html>", true},
        {"cut short", head + urlset + "<url><loc>http://a.org/1.pdf</loc></url><url><lo", true},
        {"javascript address", head + urlset + "<url><loc>javascript:alert(1)</loc></url></urlset>", false},
    };
    for (const Case& c : cases) {
        const SitemapReader::Sitemap map = SitemapReader::Read(c.xml);
        EXPECT_EQ(!map.problem.isEmpty(), c.problem) << c.what;
        for (const QString& address : map.addresses) EXPECT_TRUE(address.startsWith("http://a.org/")) << c.what;
    }
    // Beyond the protocol's 50,000 addresses the rest is left out.
    QByteArray many = head + urlset;
    for (int i = 0; i < SitemapReader::kMaxAddresses + 10; ++i) many += "<url><loc>http://a.org/" + QByteArray::number(i) + "</loc></url>";
    const SitemapReader::Sitemap big = SitemapReader::Read(many + "</urlset>");
    EXPECT_TRUE(big.truncated);
    EXPECT_EQ(big.addresses.size(), SitemapReader::kMaxAddresses);
}

TEST(SitemapSites, OnlyTheSitesOwnHostIsListed) {
    const QByteArray map =
        "<urlset><url><loc>https://A.org/y.pdf</loc></url><url><loc>http://127.0.0.1:1/e.pdf</loc>"
        "</url><url><loc>http://a.org.evil.test/</loc></url></urlset>";
    int offHost = -1;
    const QStringList addresses = SitemapSites::Addresses(
        "http://a.org:8080", {}, [&](const QString&) { return std::optional(map); }, nullptr, &offHost);
    EXPECT_EQ(addresses, QStringList({"https://A.org/y.pdf"}));
    EXPECT_EQ(offHost, 2);
}
