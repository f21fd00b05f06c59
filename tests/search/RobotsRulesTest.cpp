#include <gtest/gtest.h>

#include <QRandomGenerator>

#include "search/RobotsRules.h"

namespace {

RobotsRules Rules(const char* text) {
    return RobotsRules::Parse(QString::fromUtf8(text));
}

}  // namespace

TEST(RobotsRules, LongestMatchDecidesAndAllowWinsATie) {
    const RobotsRules rules = Rules(
        "User-agent: *\n"
        "Disallow: /private/\n"
        "Allow: /private/public/\n"
        "Disallow: /*.pdf$\n"
        "Disallow: /tmp\n"
        "Allow: /tmp\n"
        "Disallow: /a*b*c\n"
        "Disallow: /%e4%b8%ad/\n");
    EXPECT_TRUE(rules.Allows(u"/"));
    EXPECT_FALSE(rules.Allows(u"/private/x.html"));
    EXPECT_TRUE(rules.Allows(u"/private/public/x.html"));
    EXPECT_TRUE(rules.Allows(u"/privatex"));
    EXPECT_FALSE(rules.Allows(u"/docs/report.pdf"));
    EXPECT_TRUE(rules.Allows(u"/docs/report.pdf?page=2"));  // "$" anchors at the very end
    EXPECT_TRUE(rules.Allows(u"/tmp/x"));
    EXPECT_FALSE(rules.Allows(u"/axxbyyc/z"));
    EXPECT_TRUE(rules.Allows(u"/axxcyyb"));
    EXPECT_FALSE(rules.Allows(u"/%E4%B8%AD/x"));  // escapes compare without regard to case
    EXPECT_FALSE(rules.Allows(u"/中/x"));         // and the same path written out
    EXPECT_TRUE(rules.Allows(u"/robots.txt"));
}

TEST(RobotsRules, OurGroupOverridesTheStarGroupAndGroupsCombine) {
    const char* text =
        "User-agent: *\n"
        "Disallow: /\n"
        "\n"
        "User-agent: OtherBot\n"
        "User-agent: Skimmer/2.0 (+http://example.test/bot)\n"
        "Disallow: /mine/\n"
        "Crawl-delay: 10\n"
        "User-agent: skimmer\n"
        "Disallow: /also/\n"
        "Sitemap: http://example.test/sitemap.xml\n";
    const RobotsRules rules = Rules(text);
    EXPECT_TRUE(rules.Allows(u"/open/page"));  // "*" forbids all, but ours is the group that counts
    EXPECT_FALSE(rules.Allows(u"/mine/page"));
    EXPECT_FALSE(rules.Allows(u"/also/page"));
    EXPECT_FALSE(RobotsRules::Parse(QString::fromUtf8(text), "somebot").Allows(u"/open/page"));
    // A group with no rules for us allows everything, even when "*" does not.
    EXPECT_TRUE(Rules("User-agent: *\nDisallow: /\nUser-agent: skimmer\n").Allows(u"/x"));
    EXPECT_TRUE(Rules("User-agent: skimmer\nDisallow:\n").Allows(u"/x"));
}

TEST(RobotsRules, OddAndHostileTextGivesRulesNeverACrash) {
    // CRLF, a BOM, comments, spacing and case.
    const RobotsRules crlf = Rules("\xEF\xBB\xBFuser-AGENT :  *  # everyone\r\nDISALLOW:/x # no\r\n\r\n");
    EXPECT_FALSE(crlf.Allows(u"/x/1"));
    EXPECT_TRUE(crlf.Allows(u"/y"));
    EXPECT_FALSE(Rules("User-agent: *\rDisallow: /old-mac\r").Allows(u"/old-mac"));
    // Rules outside any group, lines without a colon, HTML served as robots.txt: nothing to obey.
    for (const char* text : {"Disallow: /\n", "Disallow /\nUser-agent *\n", "",
                             "<html><body>Not Found</body></html>", "User-agent: *\n"}) {
        EXPECT_TRUE(Rules(text).Allows(u"/any")) << text;
    }
    // Binary junk, with a group and a rule planted in it.
    QByteArray junk(64 * 1024, '\0');
    QRandomGenerator random(15);
    for (char& c : junk) c = char(random.generate());
    junk.insert(30000, "\nUser-agent: *\nDisallow: /planted\n");
    const RobotsRules noise = RobotsRules::Parse(QString::fromLatin1(junk));
    EXPECT_FALSE(noise.Allows(u"/planted"));
    EXPECT_TRUE(noise.Allows(QString::fromLatin1(junk.left(300))));
    // Huge: only the first part is read, and a pattern built to make matching slow stays fast.
    QString huge = QStringLiteral("User-agent: *\nDisallow: /first\n");
    while (huge.size() < 3 * RobotsRules::kMaxChars)
        huge += QStringLiteral("Disallow: /*a*a*a*a*a*a*a*a*a*b\n");
    huge += QStringLiteral("Disallow: /beyond-the-limit\n");
    const RobotsRules big = RobotsRules::Parse(huge);
    EXPECT_FALSE(big.Allows(u"/first"));
    EXPECT_TRUE(big.Allows(u"/beyond-the-limit"));
    EXPECT_TRUE(big.Allows(QStringLiteral("/") + QString(2000, QLatin1Char('a'))));
    const QString longPattern = QStringLiteral("User-agent: *\nDisallow: /") + QString(100000, u'*') + u'\n';
    EXPECT_EQ(RobotsRules::Parse(longPattern).RuleCount(), 0);
}
