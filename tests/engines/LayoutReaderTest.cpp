// XPath layouts: link unwrapping, the reading of result blocks, and bounded work on hostile pages and
// expressions.

#include <gtest/gtest.h>

#include <QJsonObject>

#include "engines/EngineCatalog.h"
#include "engines/HtmlDocument.h"
#include "engines/LinkUnwrap.h"
#include "engines/XPathLayoutReader.h"
#include "search/EngineHitReader.h"

namespace {

UnwrapRule Rule(UnwrapRule::Kind kind, const QString& name, const QString& pathContains = {},
                const QString& prefix = {}) {
    UnwrapRule rule;
    rule.kind = kind;
    rule.name = name;
    rule.pathContains = pathContains;
    rule.prefix = prefix;
    return rule;
}

TEST(LinkUnwrap, EachKindGivesTheTargetOrNothing) {
    using K = UnwrapRule::Kind;
    const UnwrapRule google = Rule(K::QueryParameter, "q", "/url");
    EXPECT_EQ(UnwrapLink(google, "/url?q=https://www.youtube.com/watch%3Fv%3D3yr&sa=U&ved=2a"),
              "https://www.youtube.com/watch?v=3yr");
    EXPECT_EQ(UnwrapLink(google, "/search?q=https://example.com/"), "");  // not the redirector
    EXPECT_EQ(UnwrapLink(google, "/url?q=javascript:alert(1)"), "");
    EXPECT_EQ(UnwrapLink(google, "/url?sa=U"), "");

    const UnwrapRule ddg = Rule(K::QueryParameter, "uddg", "/l/");
    EXPECT_EQ(UnwrapLink(ddg, "//duckduckgo.com/l/?uddg=https%3A%2F%2Fexample.org%2Fa%2Db.pdf&rut=ea32"),
              "https://example.org/a-b.pdf");
    // A plus sign in a query value is an encoded space; an encoded plus stays one.
    EXPECT_EQ(UnwrapLink(ddg, "/l/?uddg=https%3A%2F%2Fe.org%2Fs%3Fq%3Da+b%2Bc"), "https://e.org/s?q=a b+c");

    const UnwrapRule yahoo = Rule(K::PathSegment, "/RU=");
    EXPECT_EQ(UnwrapLink(yahoo,
                         "https://r.search.yahoo.com/_ylt=Awr;_ylu=Y29s/RV=2/RE=16/RO=10/"
                         "RU=https%3a%2f%2fwww.dating.com%2f/RK=2/RS=abc-"),
              "https://www.dating.com/");
    EXPECT_EQ(UnwrapLink(yahoo, "https://r.search.yahoo.com/RU=https%3a%2f%2fend.example%2fx"),
              "https://end.example/x");
    EXPECT_EQ(UnwrapLink(yahoo, "https://www.example.com/RUN=1"), "");

    const UnwrapRule bing = Rule(K::Base64Parameter, "u", "/ck/a", "a1");
    // "https://example.com/a?b=1&c=~" in base64url without padding, with the '-'/'_' letters.
    const QByteArray target = "https://example.com/a?b=1&c=~~~";
    const QString encoded =
        QString::fromLatin1(target.toBase64(QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals));
    ASSERT_TRUE(encoded.contains(u'-') || encoded.contains(u'_'));
    EXPECT_EQ(UnwrapLink(bing, "https://www.bing.com/ck/a?!&&p=11&ptn=3&u=a1" + encoded + "&ntb=1"),
              QString::fromLatin1(target));
    EXPECT_EQ(UnwrapLink(bing, "https://www.bing.com/ck/a?u=a1!!not-base64!!"), "");
    EXPECT_EQ(UnwrapLink(bing, "https://www.bing.com/ck/a?u=b1" + encoded), "");  // unknown prefix
    const QString script =
        QString::fromLatin1(QByteArray("javascript:alert(1)").toBase64(QByteArray::Base64UrlEncoding));
    EXPECT_EQ(UnwrapLink(bing, "https://www.bing.com/ck/a?u=a1" + script), "");
}

XPathLayout BaiduLike() {
    XPathLayout layout;
    layout.results = "//div[@class='c-container']";
    layout.link = "(.//h3//a)[1]/@href";
    layout.title = ".//h3";
    layout.snippet = ".//p";
    layout.extraLinks = ".//span[@class='side']/a";
    UnwrapRule mu;
    mu.kind = UnwrapRule::Kind::Attribute;
    mu.name = "@mu";
    mu.ignore = {"null"};
    layout.unwrap = {mu};
    return layout;
}

TEST(XPathLayoutReader, ReadsBlocksWithAttributeTargetsAndSideLinks) {
    const QString page = R"HTML(<html><body>
      <div class="c-container" mu="https://real.example/a.pdf"><h3><a href="/link?url=1">First
         <em>title</em></a></h3><p> snippet  one </p></div>
      <div class="c-container" mu="null"><h3><a href="/link?url=2">Second</a></h3>
         <span class="side"><a href="/files/second.pdf">[PDF]</a></span></div>
      <div class="c-container" mu="javascript:alert(1)"><h3><a href="/link?url=3">Third</a></h3></div>
      <div class="c-container"><h3>No link at all</h3></div>
    </body></html>)HTML";
    const auto document = HtmlDocument::Parse(page);
    ASSERT_TRUE(document);
    const QList<EngineHit> hits = XPathLayoutReader::Read(BaiduLike(), *document);
    ASSERT_EQ(hits.size(), 4);
    EXPECT_EQ(hits[0].link, "https://real.example/a.pdf");
    EXPECT_EQ(hits[0].title, "First title");
    EXPECT_EQ(hits[0].snippet, "snippet one");
    EXPECT_EQ(hits[1].link, "/link?url=2");  // "null" is no address
    EXPECT_EQ(hits[2].link, "/files/second.pdf");
    EXPECT_EQ(hits[2].title, "Second");      // a side link carries its result's title
    EXPECT_EQ(hits[3].link, "/link?url=3");  // a script is no address either

    // Resolved against the page, duplicates dropped, the first layout with hits winning.
    EngineDefinition engine;
    XPathLayout nothing = BaiduLike();
    nothing.results = "//table";
    engine.layouts = {nothing, BaiduLike()};
    const QList<EngineHit> resolved =
        ReadEngineHits(engine, "https://www.baidu.com/s?wd=x", page + page, nullptr);
    ASSERT_EQ(resolved.size(), 4);
    EXPECT_EQ(resolved[1].link, "https://www.baidu.com/link?url=2");
}

// What a layout cuts besides its main link, and titles made of several nodes, come out whole: an extra
// link goes through the unwrap rules like the main one, and every text node of a title is kept.
TEST(XPathLayoutReader, ExtraLinksAreUnwrappedAndTitlesKeepEveryNode) {
    const auto catalog = EngineCatalog::BuiltIn();
    XPathLayout layout;
    layout.results = "//div[@class='g']";
    layout.link = ".//h3/a/@href";
    layout.title = catalog->Find("yahoo")->layouts.first().title;  // (.//h3//a)[1]/node()[not(self::span)]
    layout.extraLinks = ".//span[@class='side']/a";
    layout.unwrap = {Rule(UnwrapRule::Kind::QueryParameter, "q", "/url")};
    const auto document = HtmlDocument::Parse(R"HTML(<html><body><div class="g">
        <h3><a href="/url?q=https://main.example/a.pdf">Annual <b>report</b> 2020<span>site.example</span></a></h3>
        <span class="side"><a href="/url?q=https://side.example/b.pdf">[PDF]</a></span></div></body></html>)HTML");
    ASSERT_TRUE(document);
    const QList<EngineHit> hits = XPathLayoutReader::Read(layout, *document);
    ASSERT_EQ(hits.size(), 2);
    EXPECT_EQ(hits[0].link, "https://main.example/a.pdf");
    EXPECT_EQ(hits[1].link, "https://side.example/b.pdf");
    EXPECT_EQ(hits[0].title, "Annual report 2020");
    EXPECT_EQ(hits[1].title, "Annual report 2020");
}

QString Repeat(const QString& part, int times) {
    QString text;
    text.reserve(part.size() * times);
    for (int i = 0; i < times; ++i) text += part;
    return text;
}

TEST(XPathLayoutReader, HostilePagesAndExpressionsCostBoundedWork) {
    const auto catalog = EngineCatalog::BuiltIn();
    const EngineDefinition& google = *catalog->Find("google");

    // A page of results just under the parser's size bound: the hits stop at the cap.
    const QString result = "<div><a href=\"/url?q=https://site.example/doc.pdf\"><h3>Result</h3></a></div>\n";
    const int fit = int((HtmlDocument::kMaxPageBytes - 1024) / result.size());
    const QString large = "<html><body>" + Repeat(result, fit) + "</body></html>";
    const auto document = HtmlDocument::Parse(large);
    ASSERT_TRUE(document);
    EXPECT_EQ(XPathLayoutReader::Read(google.layouts.first(), *document).size(), XPathLayoutReader::kMaxHits);
    // Same link each time: one hit after the duplicates go.
    EXPECT_EQ(ReadEngineHits(google, "https://www.google.com/search?q=x", large, nullptr).size(), 1);

    // A 50 MB page: refused with its reason, no hits.
    const QString huge = Repeat(result, 50 * 1024 * 1024 / int(result.size()));
    QString refusal;
    EXPECT_TRUE(
        ReadEngineHits(google, "https://www.google.com/search?q=x", huge, nullptr, &refusal).isEmpty());
    EXPECT_TRUE(refusal.contains("larger than")) << refusal.toStdString();

    // An expression that is quadratic in the page: stopped by the operation limit, no hits.
    XPathLayout quadratic;
    quadratic.results = "//*[count(//*) > 1]";
    quadratic.link = "@href";
    quadratic.title = ".";
    const auto many = HtmlDocument::Parse("<html><body>" + Repeat("<p><a href=\"/x\">x</a></p>", 100000) +
                                          "</body></html>");
    ASSERT_TRUE(many);
    EXPECT_TRUE(XPathLayoutReader::Read(quadratic, *many).isEmpty());
    // One that selects every node: read up to the block cap.
    XPathLayout everything = quadratic;
    everything.results = "//node()";
    EXPECT_LE(XPathLayoutReader::Read(everything, *many).size(), XPathLayoutReader::kMaxBlocks);

    // A string function over a text as large as the list, once per item: quadratic in characters with a
    // handful of operations each, stopped by the charge for the text it reads. The page's budget is then
    // spent, and a further layout read from it gets nothing.
    XPathLayout wholeText = quadratic;
    wholeText.results = "//p[string-length(normalize-space(..)) > 0]";
    XPathBudget budget = XPathBudget::ForPage(*many);
    EXPECT_TRUE(XPathLayoutReader::Read(wholeText, *many, budget).isEmpty());
    EXPECT_EQ(budget.Remaining(), 0u);
    XPathLayout plain = quadratic;
    plain.results = "//p";
    plain.link = "a/@href";
    EXPECT_TRUE(XPathLayoutReader::Read(plain, *many, budget).isEmpty());
    // Stop ends a read before its first evaluation.
    XPathBudget stopped(XPathBudget::kOperationLimit, [] { return true; });
    EXPECT_TRUE(XPathLayoutReader::Read(plain, *many, stopped).isEmpty());
    EXPECT_FALSE(XPathLayoutReader::Read(plain, *many).isEmpty());

    // Expressions that select what is no element, attribute or text: nothing read, nothing broken.
    for (const char* odd :
         {"//namespace::*", "//comment()", "//processing-instruction()", "1 div 0", "'text'"}) {
        XPathLayout blocks = quadratic;
        blocks.results = odd;
        EXPECT_TRUE(XPathLayoutReader::Read(blocks, *many).isEmpty()) << odd;
        XPathLayout parts = quadratic;
        parts.results = "//p";
        parts.link = parts.title = parts.extraLinks = odd;
        EXPECT_TRUE(XPathLayoutReader::Read(parts, *many).size() <= XPathLayoutReader::kMaxHits) << odd;
    }

    // 300,000 nested elements: the page is read flattened or refused, never walked recursively.
    const QString nested = "<html><body>" + Repeat("<div>", 300000) +
                           "<a href=\"/url?q=https://deep.example/x.pdf\"><h3>Deep</h3></a>" +
                           Repeat("</div>", 300000) + "</body></html>";
    const QList<EngineHit> deep =
        ReadEngineHits(google, "https://www.google.com/search?q=x", nested, nullptr);
    EXPECT_LE(deep.size(), 1);
}

}  // namespace

namespace {

TEST(EngineHitReader, ClassicFirstUnlessTheDefinitionPutsItsLayoutsFirst) {
    EngineDefinition engine = *EngineCatalog::BuiltIn()->Find("google");
    engine.classic = QJsonObject{{"any", true}};
    const ClassicHitCutter classic = [](const EngineDefinition&, const QString&, const QString&) {
        return QList<EngineHit>{{"https://classic.example/a.pdf", "classic", {}, {}}};
    };
    const QString page = "<a href=\"/url?q=https://current.example/b.pdf\"><h3>current</h3></a>";
    const QString url = "https://www.google.com/search?q=x";
    EXPECT_EQ(ReadEngineHits(engine, url, page, classic).value(0).title, "classic");
    engine.layoutsFirst = true;
    EXPECT_EQ(ReadEngineHits(engine, url, page, classic).value(0).link, "https://current.example/b.pdf");
    EXPECT_EQ(ReadEngineHits(engine, url, "<p>nothing current</p>", classic).value(0).title, "classic");
    EXPECT_TRUE(ReadEngineHits(engine, url, page, nullptr).size() == 1);
}

}  // namespace
