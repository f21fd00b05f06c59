#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <thread>
#include <vector>

#include "engines/HtmlDocument.h"
#include "lists/TextCodec.h"
#include "search/HtmlAnchorLister.h"

namespace {

const QString kBase = "http://host.example/x/y.html";

TEST(HtmlAnchorLister, ResolveUrlRules) {
    EXPECT_EQ(HtmlAnchorLister::ResolveUrl(kBase, "/d/f.pdf"), "http://host.example/d/f.pdf");
    EXPECT_EQ(HtmlAnchorLister::ResolveUrl(kBase, "./f.pdf"), "http://host.example/x/f.pdf");
    EXPECT_EQ(HtmlAnchorLister::ResolveUrl(kBase, "f.pdf"), "http://host.example/x/f.pdf");
    EXPECT_EQ(HtmlAnchorLister::ResolveUrl(kBase, "../f.pdf"), "http://host.example/f.pdf");
    EXPECT_EQ(HtmlAnchorLister::ResolveUrl(kBase, "//www.other.example/a"), "http://www.other.example/a");
    EXPECT_EQ(HtmlAnchorLister::ResolveUrl("https://h.example/", "//cdn.example/r.pdf"),
              "https://cdn.example/r.pdf");
    EXPECT_EQ(HtmlAnchorLister::ResolveUrl(kBase, "http://a.example/dir/"), "http://a.example/dir");
    EXPECT_EQ(HtmlAnchorLister::ResolveUrl(kBase, "FTP://files.example/a"), "FTP://files.example/a");
    EXPECT_EQ(HtmlAnchorLister::SiteBase("http://a/b", 1),
              "http://a/b");  // last "/" at 8: below 10, whole base
    // A cut at index 10 and above is taken, one at 9 is not: the shortest host that still counts.
    EXPECT_EQ(HtmlAnchorLister::SiteBase("http://abc/p.html", 1), "http://abc");
    EXPECT_EQ(HtmlAnchorLister::SiteBase("http://ab/p.html", 1), "http://ab/p.html");
    EXPECT_EQ(HtmlAnchorLister::ResolveUrl("http://abc/p.html", "f.pdf"), "http://abc/f.pdf");
    EXPECT_EQ(HtmlAnchorLister::ResolveUrl("http://abc/p.html", "/d/f.pdf"), "http://abc/d/f.pdf");
    // "http" or "www" inside a relative link does not make it absolute.
    EXPECT_EQ(HtmlAnchorLister::ResolveUrl(kBase, "/url?q=https://o.example/a.pdf&sa=U"),
              "http://host.example/url?q=https://o.example/a.pdf&sa=U");
    EXPECT_EQ(HtmlAnchorLister::ResolveUrl(kBase, "/files/www-report.pdf"),
              "http://host.example/files/www-report.pdf");
    EXPECT_EQ(HtmlAnchorLister::ResolveUrl(kBase, "ftp-mirror/f.pdf"),
              "http://host.example/x/ftp-mirror/f.pdf");
    // The fragment goes, the link stays; a link that is only a fragment, or nothing, is dropped.
    EXPECT_EQ(HtmlAnchorLister::ResolveUrl(kBase, "report.pdf#page=2"), "http://host.example/x/report.pdf");
    EXPECT_EQ(HtmlAnchorLister::ResolveUrl(kBase, "#top"), "");
    EXPECT_EQ(HtmlAnchorLister::ResolveUrl(kBase, " \n "), "");
    EXPECT_EQ(HtmlAnchorLister::ResolveUrl(kBase, " \n f.p\tdf\t"), "http://host.example/x/f.pdf");
    // Only http, https and ftp.
    for (const char* other : {"JavaScript:go()", "mailto:a@b.example", "data:text/html,<a>",
                              "file:///etc/passwd", "c:/x.pdf", "vbscript:x"}) {
        EXPECT_EQ(HtmlAnchorLister::ResolveUrl(kBase, other), "") << other;
    }
    // Scripts, style sheets and pictures by their path, not their query.
    for (const char* resource : {"pic.JPG", "a.js", "s.css?v=2", "i.webp", "/f.ico#x", "v.svg", "p.jpeg",
                                 "p.png", "p.gif", "p.bmp"}) {
        EXPECT_EQ(HtmlAnchorLister::ResolveUrl(kBase, resource), "") << resource;
    }
    EXPECT_EQ(HtmlAnchorLister::ResolveUrl(kBase, "list.jsp?id=1"), "http://host.example/x/list.jsp?id=1");
    EXPECT_EQ(HtmlAnchorLister::ResolveUrl(kBase, "view?f=a.png"), "http://host.example/x/view?f=a.png");
    // Worked examples of RFC 3986 (5.4), the trailing slash trimmed as always.
    const QString rfc = "http://a/b/c/d;p?q";
    EXPECT_EQ(HtmlAnchorLister::ResolveUrl(rfc, "g;x?y#s"), "http://a/b/c/g;x?y");
    EXPECT_EQ(HtmlAnchorLister::ResolveUrl(rfc, "?y"), "http://a/b/c/d;p?y");
    EXPECT_EQ(HtmlAnchorLister::ResolveUrl(rfc, "g?y/./x"), "http://a/b/c/g?y/./x");
    EXPECT_EQ(HtmlAnchorLister::ResolveUrl(rfc, "."), "http://a/b/c");
    EXPECT_EQ(HtmlAnchorLister::ResolveUrl(rfc, "../../../g"), "http://a/g");
    EXPECT_EQ(HtmlAnchorLister::ResolveUrl(rfc, "/./g/.."), "http://a");
    EXPECT_EQ(HtmlAnchorLister::ResolveUrl(rfc, "g/../..//h"), "http://a/b//h");
    EXPECT_EQ(HtmlAnchorLister::ResolveUrl("http://h.example", "f.pdf"), "http://h.example/f.pdf");
    EXPECT_EQ(HtmlAnchorLister::ResolveUrl("http://h.example/a.html#x", "#y"), "");
    // Nothing absolute to resolve against: the link as written, for a later resolution.
    EXPECT_EQ(HtmlAnchorLister::ResolveUrl("", "../f.pdf#x"), "../f.pdf");
    EXPECT_EQ(HtmlAnchorLister::ResolveUrl("", "http://a.example/./f.pdf"), "http://a.example/f.pdf");
    // 100,000 "../" resolve in one pass and stop at the root; a megabyte of segments, or of nothing but
    // a scheme-like prefix, is no trouble.
    EXPECT_EQ(HtmlAnchorLister::ResolveUrl(kBase, QStringLiteral("../").repeated(100000) + "f.pdf"),
              "http://host.example/f.pdf");
    EXPECT_EQ(HtmlAnchorLister::ResolveUrl(kBase, QStringLiteral("a/./").repeated(250000) + "f.pdf").size(),
              qsizetype(QStringLiteral("http://host.example/x/").size() + 500000 + 5));
    EXPECT_EQ(HtmlAnchorLister::ResolveUrl(kBase, QString(1000000, u'a') + ":x"), "");
    EXPECT_EQ(HtmlAnchorLister::ResolveUrl("http://[::1]:8080/d/p?q#f", "f.pdf"),
              "http://[::1]:8080/d/f.pdf");
}

TEST(HtmlAnchorLister, StripScriptTags) {
    QString text = "<script src=\"a.js\">x()</script><p>after</p><script>";
    HtmlAnchorLister::StripScriptTags(text);
    EXPECT_EQ(text, ">x()</script><p>after</p>>");
}

TEST(HtmlAnchorLister, AnchorsInOrderWithTextAndBase) {
    HtmlAnchorLister page;
    QList<AnchorRecord> none;
    EXPECT_FALSE(page.ListAnchors(none));
    EXPECT_FALSE(page.SetHtml("", true));
    ASSERT_TRUE(page.SetHtml(
        "<p><a href=\"docs/a.pdf\">Annual <b>report</b>\n 2016</a><A HREF='/b.doc'>B</a>"
        "<a>no href</a><a href=\"x.pdf?a=1&amp;b=2\">amp</a><div><a href=\"http://o.example/c/\">"
        "C</div>",
        true));
    QList<AnchorRecord> anchors;
    ASSERT_TRUE(page.ListAnchors(anchors));
    ASSERT_EQ(anchors.size(), 5);
    EXPECT_EQ(anchors[0].text, "Annual report 2016");
    EXPECT_EQ(anchors[0].link, "docs/a.pdf");  // no base: as written
    EXPECT_EQ(anchors[1].link, "/b.doc");
    EXPECT_EQ(anchors[2].link, "");  // no href
    EXPECT_EQ(anchors[3].link, "x.pdf?a=1&b=2");
    EXPECT_EQ(anchors[4].link, "http://o.example/c");

    page.SetBaseUrl("http://h.example/site/p.html");
    anchors.clear();
    page.ListAnchors(anchors);
    EXPECT_EQ(anchors[0].link, "http://h.example/site/docs/a.pdf");
}

TEST(HtmlAnchorLister, BaseHrefDecidesWhereLinksPoint) {
    HtmlAnchorLister page;
    page.SetBaseUrl("http://h.example/site/p.html");
    ASSERT_TRUE(
        page.SetHtml("<head><base target=_top><base href=\"/docs/\"><base href=\"/other/\"></head>"
                     "<a href=\"a.pdf\">a</a><a href=\"//cdn.example/b.pdf\">b</a>",
                     true));
    QList<AnchorRecord> anchors;
    ASSERT_TRUE(page.ListAnchors(anchors));
    ASSERT_EQ(anchors.size(), 2);
    EXPECT_EQ(anchors[0].link, "http://h.example/docs/a.pdf");
    EXPECT_EQ(anchors[1].link, "http://cdn.example/b.pdf");
    // A base the program cannot fetch from is ignored.
    ASSERT_TRUE(page.SetHtml("<base href=\"javascript:x\"><a href=\"a.pdf\">a</a>", true));
    anchors.clear();
    page.ListAnchors(anchors);
    EXPECT_EQ(anchors[0].link, "http://h.example/site/a.pdf");
}

TEST(HtmlAnchorLister, HostileMarkup) {
    HtmlAnchorLister page;
    // Nesting 100,000 to 300,000 deep, by known, custom and never-closed elements.
    const QString anchor = "<a href=\"deep.pdf\">deep</a>";
    for (const QString& deep :
         {QStringLiteral("<div>").repeated(100000) + anchor + QStringLiteral("</div>").repeated(100000),
          QStringLiteral("<p-x>").repeated(300000) + anchor,
          QStringLiteral("<div></x>").repeated(200000) + anchor}) {
        ASSERT_TRUE(page.SetHtml(deep, true));
        QList<AnchorRecord> anchors;
        page.ListAnchors(anchors);
        ASSERT_EQ(anchors.size(), 1);
        EXPECT_EQ(anchors[0].link, "deep.pdf");
        EXPECT_EQ(anchors[0].text, "deep");
    }
    QList<AnchorRecord> anchors;
    // A refused page leaves nothing of the previous one behind.
    EXPECT_FALSE(page.SetHtml(QString(HtmlDocument::kMaxPageBytes + 1, u'x'), true));
    EXPECT_FALSE(page.Refusal().isEmpty());
    EXPECT_FALSE(page.ListAnchors(anchors));

    QByteArray noise;
    for (int i = 0; i < 1 << 20; ++i) noise += char((i * 131) & 0xFF);
    ASSERT_TRUE(page.SetHtml(TextCodec::Decode(noise) + "<a href=a.pdf>x</a><a href=\"b.pdf", true));
    anchors.clear();
    EXPECT_TRUE(page.ListAnchors(anchors));
    QString nul = "<a href=\"n.pdf\">a";
    nul += QChar(0);
    nul += "b</a>";
    ASSERT_TRUE(page.SetHtml(nul, true));
    anchors.clear();
    page.ListAnchors(anchors);
    ASSERT_EQ(anchors.size(), 1);
}

TEST(HtmlAnchorLister, RealPagesOnManyThreads) {
    const QDir fixtures(qEnvironmentVariable("SKIMMER_FIXTURES", "../shared/fixtures") +
                        "/result-pages/generic");
    const QStringList files = fixtures.entryList({"*.html"});
    if (files.isEmpty()) GTEST_SKIP() << "saved pages not found in " << fixtures.path().toStdString();
    std::vector<std::thread> threads;
    std::vector<qsizetype> counts(files.size());
    for (qsizetype i = 0; i < files.size(); ++i) {
        threads.emplace_back([&, i] {
            QFile file(fixtures.filePath(files[i]));
            file.open(QIODevice::ReadOnly);
            HtmlAnchorLister page;
            page.SetBaseUrl("http://saved.example/page.html");
            page.SetHtml(TextCodec::Decode(file.readAll()), true);
            QList<AnchorRecord> anchors;
            page.ListAnchors(anchors);
            counts[size_t(i)] = anchors.size();
        });
    }
    for (auto& thread : threads) thread.join();
    for (qsizetype count : counts) EXPECT_GT(count, 10);
}

}  // namespace
