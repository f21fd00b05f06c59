#include <gtest/gtest.h>

#include <QDirIterator>
#include <QFile>

#include "net/PageDecoder.h"
#include "search/HtmlAnchorLister.h"
#include "search/PlainAnchorScanner.h"

namespace {

const QString kBase = "http://host.example/dir/page.html";

QList<AnchorRecord> Listed(HtmlAnchorLister& lister) {
    lister.SetBaseUrl(kBase);
    QList<AnchorRecord> anchors;
    lister.ListAnchors(anchors);
    return anchors;
}

// The scanner's anchors must be the parser's, for every page it accepts; gives whether it accepted.
bool ScannedAsParsed(const QByteArray& page) {
    HtmlAnchorLister scanned;
    if (!scanned.SetPlainHtml(page)) return false;
    HtmlAnchorLister parsed;
    parsed.SetHtml(PageDecoder::Decode(page, QString(), true), true);
    const QList<AnchorRecord> fast = Listed(scanned);
    const QList<AnchorRecord> full = Listed(parsed);
    EXPECT_EQ(fast.size(), full.size()) << page.left(200).constData();
    for (qsizetype i = 0; i < qMin(fast.size(), full.size()); ++i) {
        EXPECT_EQ(fast[i].text, full[i].text) << page.left(200).constData();
        EXPECT_EQ(fast[i].link, full[i].link) << page.left(200).constData();
    }
    return true;
}

TEST(PlainAnchorScanner, ListsWhatTheParserListsOnPlainPages) {
    const char* const accepted[] = {
        "<html><body><h1>page 1</h1>\n<a href=\"/p/5.html\">page 5</a>\n<a href=\"/p/0.html\">home</a>"
        "</body></html>\n",
        "<!DOCTYPE html><HTML><A HREF='d/r.pdf' class=x>  Report\n 2024 </A><br/><img src=a.png alt=x>",
        "<base href=\"http://other.example/b/\"><a href=\"f.doc\">f</a><base href=\"/ignored/\">",
        "<a href=\"x.html\"title=\"t\">glued</a>",  // declined below if not read the same way
        "<a name=top>no link</a><a href=\"\">empty</a><a href=\"#frag\">frag</a><a "
        "href=\"mailto:a@b.c\">m</a>",
        "\xEF\xBB\xBF<p>a < b > c</p><a href=\"\xE6\x96\x87.doc\">\xE6\x96\x87\xE4\xBB\xB6</a>",
        "</body></html><a href=\"after.html\">after the end</a>",
        "<table><tr><td width=5><a href=cell.html>cell</a></td></tr></table><p>unclosed <a href=\"z\">z</a>",
        "<a href=\"a b.pdf\">space</a><a\nhref=\"\tc.pdf \">tab</a></a><div/>",
    };
    int scanned = 0;
    for (const char* page : accepted) scanned += ScannedAsParsed(page) ? 1 : 0;
    EXPECT_GE(scanned, 8);
}

TEST(PlainAnchorScanner, LeavesEverythingElseToTheParser) {
    const QByteArray declined[] = {
        "",
        "<a href=\"a.pdf\">a <b>bold</b></a>",  // markup inside an anchor
        "<a href=\"a?x=1&amp;y=2\">entity</a>",
        "<a href=\"a.pdf\">A &amp; B</a>",  // entities
        "<script>var s = '<a href=\"x\">';</script>",
        "<style>a{}</style><a href=x>x</a>",  // raw text
        "<!-- <a href=\"c.pdf\">commented</a> -->",
        "<a href=\"a.pdf\">never closed",
        "<a href=\"one\" href=\"two\">twice</a>",
        "<a href>no value</a>",
        "<a href=\"x\"/>",
        "<?xml version=\"1.0\"?><a href=\"x\">x</a>",
        QByteArray("<a href=\"x\">nul\0</a>", 20),
        "<a href=\"x\">\x01</a>",
        "<textarea><a href=\"t\">t</a></textarea>",
        "<a)>glued</a>",
        "<a href=\"x\">\xFF\xFE not UTF-8</a>",
        "<a href=x\"y>quote</a>",
    };
    for (const QByteArray& page : declined)
        EXPECT_FALSE(PlainAnchorScanner::Scan(page).has_value()) << page.constData();
    // Nesting past the parser's bound is the parser's to flatten.
    EXPECT_FALSE(PlainAnchorScanner::Scan(QByteArray("<div>").repeated(2000) + "<a href=\"d\">d</a>"));
    // A declined page leaves the page set before in place.
    HtmlAnchorLister lister;
    ASSERT_TRUE(lister.SetPlainHtml(QByteArray("<a href=\"kept.html\">kept</a>")));
    EXPECT_FALSE(lister.SetPlainHtml(QByteArray("<a href=\"x\"><b>x</b></a>")));
    ASSERT_EQ(Listed(lister).size(), 1);
    EXPECT_EQ(Listed(lister)[0].link, "http://host.example/dir/kept.html");
}

TEST(PlainAnchorScanner, SavedPagesReadTheSameEitherWay) {
    const QString root = qEnvironmentVariable("SKIMMER_FIXTURES", "../shared/fixtures");
    QDirIterator files(root, {"*.html", "*.htm"}, QDir::Files, QDirIterator::Subdirectories);
    if (!files.hasNext()) GTEST_SKIP() << "saved pages not found in " << root.toStdString();
    while (files.hasNext()) {
        QFile file(files.next());
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const QByteArray page = file.readAll();
        ScannedAsParsed(page);
        // Each page cut at every tenth of its length: a truncated transfer.
        for (int tenth = 1; tenth < 10; ++tenth) ScannedAsParsed(page.left(page.size() * tenth / 10));
    }
}

// UTF-16 pages, told by their byte-order mark or their header, are read whole: NUL bytes are part of them.
TEST(PageDecoder, Utf16PagesByTheirMarkOrTheirHeader) {
    const QString page = QStringLiteral("<a href=\"r\u00e9sum\u00e9.pdf\">x</a>");
    QByteArray le(reinterpret_cast<const char*>(page.utf16()), page.size() * 2);
    QByteArray be = le;
    for (qsizetype i = 0; i + 1 < be.size(); i += 2) std::swap(be[i], be[i + 1]);
    const struct {
        QByteArray body;
        const char* contentType;
    } cases[] = {{"\xFF\xFE" + le, "text/html"},
                 {"\xFE\xFF" + be, "text/html; charset=utf-8"},
                 {le, "text/html; charset=UTF-16"},
                 {be, "text/html; charset=utf-16be"}};
    for (const auto& c : cases) EXPECT_EQ(PageDecoder::Decode(c.body, c.contentType, true), page) << c.contentType;
}

}  // namespace
