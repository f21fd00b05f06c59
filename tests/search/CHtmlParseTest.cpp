#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <thread>
#include <vector>

#include "lists/TextCodec.h"
#include "search/CHtmlParse.h"

namespace {

const QString kBase = "http://host.example/x/y.html";

TEST(CHtmlParse, ResolveUrlRules) {
    EXPECT_EQ(CHtmlParse::ResolveUrl(kBase, "/d/f.pdf"), "http://host.example/d/f.pdf");
    EXPECT_EQ(CHtmlParse::ResolveUrl(kBase, "./f.pdf"), "http://host.example/x/f.pdf");
    EXPECT_EQ(CHtmlParse::ResolveUrl(kBase, "f.pdf"), "http://host.example/x/f.pdf");
    EXPECT_EQ(CHtmlParse::ResolveUrl(kBase, "../f.pdf"), "http://host.example/f.pdf");
    EXPECT_EQ(CHtmlParse::ResolveUrl(kBase, "//www.other.example/a"), "http://www.other.example/a");
    EXPECT_EQ(CHtmlParse::ResolveUrl(kBase, "a.html#top"), "");
    EXPECT_EQ(CHtmlParse::ResolveUrl(kBase, "JavaScript:go()"), "");
    EXPECT_EQ(CHtmlParse::ResolveUrl(kBase, "pic.JPG"), "");
    EXPECT_EQ(CHtmlParse::ResolveUrl(kBase, "list.jsp?id=1"), "");
    EXPECT_EQ(CHtmlParse::ResolveUrl(kBase, "http://a.example/dir/"), "http://a.example/dir");
    EXPECT_EQ(CHtmlParse::ResolveUrl(kBase, "FTP://files.example/a"), "FTP://files.example/a");
    EXPECT_EQ(CHtmlParse::ResolveUrl("", "f.pdf"), "/f.pdf");
    EXPECT_EQ(CHtmlParse::SiteBase("http://a/b", 1), "http://a/b");  // last "/" at 8: below 10, whole base
    // A cut at index 10 and above is taken, one at 9 is not: the shortest host that still counts.
    EXPECT_EQ(CHtmlParse::SiteBase("http://abc/p.html", 1), "http://abc");
    EXPECT_EQ(CHtmlParse::SiteBase("http://ab/p.html", 1), "http://ab/p.html");
    EXPECT_EQ(CHtmlParse::ResolveUrl("http://abc/p.html", "f.pdf"), "http://abc/f.pdf");
    EXPECT_EQ(CHtmlParse::ResolveUrl("http://abc/p.html", "/d/f.pdf"), "http://abc/d/f.pdf");
    // 100,000 "../" resolve in one pass.
    EXPECT_EQ(CHtmlParse::ResolveUrl(kBase, QStringLiteral("../").repeated(100000) + "f.pdf"),
              kBase + "/f.pdf");
}

TEST(CHtmlParse, StripScriptTags) {
    QString text = "<script src=\"a.js\">x()</script><p>after</p><script>";
    CHtmlParse::StripScriptTags(text);
    EXPECT_EQ(text, ">x()</script><p>after</p>>");
}

TEST(CHtmlParse, AnchorsInOrderWithTextAndBase) {
    CHtmlParse page;
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
    EXPECT_EQ(anchors[0].link, "/docs/a.pdf");  // no base: site-root form
    EXPECT_EQ(anchors[1].link, "/b.doc");
    EXPECT_EQ(anchors[2].link, "");  // no href
    EXPECT_EQ(anchors[3].link, "/x.pdf?a=1&b=2");
    EXPECT_EQ(anchors[4].link, "http://o.example/c");

    page.SetBaseUrl("http://h.example/site/p.html");
    anchors.clear();
    page.ListAnchors(anchors);
    EXPECT_EQ(anchors[0].link, "http://h.example/site/docs/a.pdf");
}

TEST(CHtmlParse, HostileMarkup) {
    CHtmlParse page;
    const QString deep = QStringLiteral("<div>").repeated(100000) + "<a href=\"deep.pdf\">deep</a>" +
                         QStringLiteral("</div>").repeated(100000);
    ASSERT_TRUE(page.SetHtml(deep, true));
    QList<AnchorRecord> anchors;
    page.ListAnchors(anchors);
    ASSERT_EQ(anchors.size(), 1);
    EXPECT_EQ(anchors[0].link, "/deep.pdf");

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

TEST(CHtmlParse, RealPagesOnManyThreads) {
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
            CHtmlParse page;
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
