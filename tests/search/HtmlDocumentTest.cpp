#include <gtest/gtest.h>
#include <libxml/tree.h>

#include <QStringList>
#include <thread>
#include <vector>

#include "engines/HtmlDocument.h"

namespace {

// Every href of the tree in document order, walked without recursion.
QStringList Hrefs(const HtmlDocument& document) {
    QStringList hrefs;
    std::vector<xmlNodePtr> stack{xmlDocGetRootElement(document.Doc())};
    while (!stack.empty()) {
        xmlNodePtr node = stack.back();
        stack.pop_back();
        if (!node || node->type != XML_ELEMENT_NODE) continue;
        if (xmlStrcasecmp(node->name, BAD_CAST "a") == 0) {
            xmlChar* href = xmlGetProp(node, BAD_CAST "href");
            hrefs << QString::fromUtf8(reinterpret_cast<const char*>(href));
            xmlFree(href);
        }
        std::vector<xmlNodePtr> children;
        for (xmlNodePtr child = node->children; child; child = child->next) children.push_back(child);
        stack.insert(stack.end(), children.rbegin(), children.rend());
    }
    return hrefs;
}

TEST(HtmlDocument, ParsesBrokenMarkupAsDecodedText) {
    QString refusal;
    // The meta tag claims another charset: the text is already decoded and must stay as it is.
    const auto document = HtmlDocument::Parse(
        QStringLiteral("<html><head><meta charset=\"gb2312\"><title>年报</title></head><body>"
                       "<p>一<a href=\"a.pdf\">报告</a><div><a href='b.doc?x=1&amp;y=2'>B</div>"
                       "<textarea><a href=t.pdf>in a text area</a></TEXTAREA>if (x<a&&y<a) z()"
                       "<table><tr><td><a href=c.xls>C"),
        &refusal);
    ASSERT_TRUE(document) << refusal.toStdString();
    EXPECT_FALSE(document->Flattened());
    EXPECT_EQ(Hrefs(*document), QStringList({"a.pdf", "b.doc?x=1&y=2", "c.xls"}));
    xmlChar* text = xmlNodeGetContent(xmlDocGetRootElement(document->Doc()));
    EXPECT_TRUE(QString::fromUtf8(reinterpret_cast<const char*>(text)).contains(QStringLiteral("一报告")));
    xmlFree(text);

    EXPECT_FALSE(HtmlDocument::Parse(QString(), &refusal));
    EXPECT_FALSE(refusal.isEmpty());
}

TEST(HtmlDocument, DeepNestingIsFlattenedKeepingLinks) {
    // Custom elements, unmatched end tags and tables: each nests the open elements 200,000 deep.
    const QString anchor = "<a href=\"deep.pdf\">deep</a>";
    const QStringList pages = {
        QStringLiteral("<p-x>").repeated(300000) + anchor,
        QStringLiteral("<div></x>").repeated(200000) + anchor,
        QStringLiteral("<table><tr><td>").repeated(70000) + anchor +
            QStringLiteral("</td></tr></table>").repeated(70000),
        QStringLiteral("<a href=\"n.pdf\"><b>").repeated(100000) + anchor,
    };
    for (const QString& page : pages) {
        QString refusal;
        const auto document = HtmlDocument::Parse(page, &refusal);
        ASSERT_TRUE(document) << refusal.toStdString();
        EXPECT_TRUE(document->Flattened());
        const QStringList hrefs = Hrefs(*document);
        ASSERT_FALSE(hrefs.isEmpty());
        EXPECT_EQ(hrefs.last(), "deep.pdf");
    }
    // Just under the bound the tree stays whole.
    const auto whole =
        HtmlDocument::Parse(QStringLiteral("<div>").repeated(HtmlDocument::kMaxDepth - 3) + anchor);
    ASSERT_TRUE(whole);
    EXPECT_FALSE(whole->Flattened());
    EXPECT_EQ(Hrefs(*whole), QStringList({"deep.pdf"}));
}

TEST(HtmlDocument, AttributeFloodsAreCutAndHugePagesRefused) {
    QString refusal;
    // 200,000 attributes in one tag, then the same in a quoted, an unquoted and a broken form: the
    // surplus goes, the tags' own ends stay where the parser sees them.
    QString flood = "<a href=\"x.pdf\"";
    for (int i = 0; i < 200000; ++i) flood += QStringLiteral(" a%1=1").arg(i);
    flood += "><b>x</b></a><a href=y.pdf";
    for (int i = 0; i < 1000; ++i) flood += QStringLiteral(" q%1='>' u%1=v n%1/x").arg(i);
    flood += "><b>y</b></a><p title=\"long";
    for (int i = 0; i < 1000; ++i) flood += QStringLiteral(" t%1").arg(i);
    flood += "\"><a href=z.pdf>z</a>";
    const auto flooded = HtmlDocument::Parse(flood, &refusal);
    ASSERT_TRUE(flooded) << refusal.toStdString();
    EXPECT_EQ(Hrefs(*flooded), QStringList({"x.pdf", "y.pdf", "z.pdf"}));
    xmlChar* text = xmlNodeGetContent(xmlDocGetRootElement(flooded->Doc()));
    EXPECT_EQ(QString::fromUtf8(reinterpret_cast<const char*>(text)), "xyz");
    xmlFree(text);

    // Many attributes in total, spread over tags, and quoted ">" and attribute-like text in scripts
    // are fine.
    QString many = "<script>var s = \"" + QStringLiteral("<b ").repeated(1000) + "x y z\";</script>";
    for (int i = 0; i < 2000; ++i)
        many += QStringLiteral("<a href=\"%1.pdf\" title='>' c d e f>x</a>").arg(i);
    const auto spread = HtmlDocument::Parse(many, &refusal);
    ASSERT_TRUE(spread) << refusal.toStdString();
    EXPECT_EQ(Hrefs(*spread).size(), 2000);

    const QString huge(HtmlDocument::kMaxPageBytes + 1, u'x');
    EXPECT_FALSE(HtmlDocument::Parse(huge, &refusal));
    EXPECT_TRUE(refusal.contains("MB"));
}

TEST(HtmlDocument, HostileBytesAndManyThreads) {
    std::vector<std::thread> threads;
    std::vector<int> parsed(8);
    for (int t = 0; t < 8; ++t) {
        threads.emplace_back([t, &parsed] {
            QString noise;
            for (int i = 0; i < 200000; ++i) noise += QChar(char16_t(((i + t) * 7919) % 0xD000 + 1));
            noise += QChar(0);
            noise += "<a href=\"t.pdf\">t</a><!-- <a href=hidden.pdf> <![CDATA[ <a href=\"u";
            parsed[size_t(t)] = HtmlDocument::Parse(noise) ? 1 : 0;
        });
    }
    for (auto& thread : threads) thread.join();
    for (int ok : parsed) EXPECT_EQ(ok, 1);
}

}  // namespace
