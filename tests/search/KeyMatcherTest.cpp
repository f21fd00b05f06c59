#include <gtest/gtest.h>

#include <QStringList>

#include "search/KeyFinder.h"
#include "search/KeyMatcher.h"

namespace {

struct Cut {
    bool ok;
    QString content;
    QString left;
};

Cut RunCut(KeyMatcher& e) {
    const bool ok = e.Run();
    return {ok, e.GetContent(), e.Text("contentleft")};
}

TEST(KeyMatcher, WalkingBlocks) {
    KeyMatcher e;
    e.SetAttr("orcontent", "ab[x]cd[y]");
    e.SetAttr("LeftKey", "[");  // attribute names ignore case
    e.SetAttr("rightkey", "]");
    Cut cut = RunCut(e);
    EXPECT_TRUE(cut.ok);
    EXPECT_EQ(cut.content, "x");
    EXPECT_EQ(cut.left, "cd[y]");
    e.SetAttr("orcontent", cut.left);
    cut = RunCut(e);
    EXPECT_EQ(cut.content, "y");
    EXPECT_EQ(cut.left, "");
    e.SetAttr("orcontent", cut.left);
    EXPECT_FALSE(RunCut(e).ok);

    // The same walk by offset into one text.
    KeyMatcher walker;
    walker.SetAttr("orcontent", "ab[x]cd[y]tail");
    walker.SetAttr("leftkey", "[");
    walker.SetAttr("rightkey", "]");
    QStringList blocks;
    while (walker.Run()) {
        blocks.append(walker.GetContent());
        walker.SetAttr("startoffset", double(walker.ContentLeftOffset()));
    }
    EXPECT_EQ(blocks, QStringList({"x", "y"}));
    EXPECT_EQ(walker.Text("contentleft"), "tail");  // after a failure: everything from the start point
}

TEST(KeyMatcher, UpDownLeftRightRules) {
    KeyMatcher e;
    e.SetAttr("orcontent", "L1 UP L2 R2");
    e.SetAttr("upkey", "UP");
    e.SetAttr("leftkey", "");
    e.SetAttr("rightkey", " R2");
    EXPECT_EQ(RunCut(e).content, "L1 UP L2");  // empty left key: from index 0, not from the up key

    e.SetAttr("leftkey", "L");
    e.SetAttr("rightkey", " ");
    EXPECT_EQ(RunCut(e).content, "2");  // the left key before the up key is ignored

    e.SetAttr("upkey", "missing");
    const Cut failed = RunCut(e);
    EXPECT_FALSE(failed.ok);
    EXPECT_EQ(failed.content, "");
    EXPECT_EQ(failed.left, "L1 UP L2 R2");

    KeyMatcher d;
    d.SetAttr("orcontent", "<a>x<stop></a>");
    d.SetAttr("leftkey", "<a>");
    d.SetAttr("rightkey", "</a>");
    d.SetAttr("downkey", "<stop>");
    EXPECT_FALSE(RunCut(d).ok);  // down key before the right key
    d.SetAttr("orcontent", "<a>x</a><stop>");
    EXPECT_TRUE(RunCut(d).ok);
    d.SetAttr("orcontent", "<A>x</a>");
    EXPECT_FALSE(RunCut(d).ok);  // keys are case-sensitive

    KeyMatcher tail;
    tail.SetAttr("orcontent", "head:rest of it");
    tail.SetAttr("leftkey", ":");
    const Cut rest = RunCut(tail);
    EXPECT_EQ(rest.content, "rest of it");
    EXPECT_EQ(rest.left, "");
}

TEST(KeyMatcher, KeyFinderAndValues) {
    KeyFinder p;
    EXPECT_EQ(p.GetAttr("pos").number, KeyFinder::kUnsetPos);
    p.SetAttr("orcontent", "aXaXaXa");
    p.SetAttr("key", "a");
    p.SetAttr("num", 3);
    EXPECT_TRUE(p.Run());
    EXPECT_EQ(p.GetAttr("pos").AsInt(), 4);
    p.SetAttr("offset", 5);
    p.SetAttr("num", 1);
    EXPECT_TRUE(p.Run());
    EXPECT_EQ(p.GetAttr("pos").AsInt(), 6);
    p.SetAttr("num", 0);  // wraps round: always "none"
    EXPECT_FALSE(p.Run());
    EXPECT_EQ(p.GetAttr("pos").number, -1.0);
    p.SetAttr("key", "");
    EXPECT_FALSE(p.Run());
    EXPECT_EQ(p.GetAttr("pos").number, KeyFinder::kUnsetPos);
    EXPECT_EQ(KeyFinder::Find("aaaa", "aa", 0, 2), 2);  // no overlaps

    EXPECT_EQ(BlockValue::FromText("12abc").number, 12);
    EXPECT_EQ(BlockValue::FromText("abc").number, 0);
    EXPECT_EQ(BlockValue::FromText("-2.5e1x").number, -25);
    EXPECT_EQ(BlockValue::FromNumber(1.5).text, "1.500000");
    EXPECT_EQ(BlockValue::FromNumber(1.5).kind, BlockValue::kNumber);
    EXPECT_EQ(p.GetAttr("never set").kind, BlockValue::kText);
}

}  // namespace
