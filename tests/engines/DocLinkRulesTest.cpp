#include <gtest/gtest.h>

#include "engines/DocLinkRules.h"
#include "lists/IniFile.h"
#include "lists/Options.h"

namespace {

using K = SettingKey;

class DocLinkRulesTest : public ::testing::Test {
  protected:
    void SetUp() override { options.Load(IniFile()); }
    Options options;
    DocLinkRules rules{options};
};

TEST_F(DocLinkRulesTest, TypesAndTitles) {
    const DocLink pdf = rules.ClassifyDocLink("http://a.example/files/report.PDF");
    EXPECT_TRUE(pdf.isDocument);
    EXPECT_EQ(pdf.type, "pdf");
    EXPECT_EQ(pdf.title, "report");
    EXPECT_FALSE(rules.ClassifyDocLink("http://a.example/files/.pdf").isDocument);
    EXPECT_FALSE(rules.ClassifyDocLink("report.pdf").isDocument);  // no '/'
    EXPECT_EQ(rules.GetDocType("http://a/b.wps"), "wps");
    EXPECT_EQ(rules.GetDocType("http://a/b.pps"), "pps");
    EXPECT_EQ(rules.GetDocType("http://a/b.zip"), "");  // archives not ticked by default
    options.SetLiveInt(K::FormatPdf, 0);
    EXPECT_FALSE(rules.ClassifyDocLink("http://a.example/files/report.PDF").isDocument);

    options.SetLiveInt(K::FormatOther, 1);
    EXPECT_EQ(rules.GetDocType("http://a/b.DJVU"), "");
    options.SetLiveText(K::OtherDocExtension, "djvu");
    EXPECT_EQ(rules.GetDocType("http://a/b.DJVU"), "djvu");
}

TEST_F(DocLinkRulesTest, SizeRange) {
    EXPECT_FALSE(rules.SizeInRange(0));
    EXPECT_TRUE(rules.SizeInRange(0.5));
    options.SetLiveInt(K::ProbeDocumentSize, 1);
    options.SetLiveText(K::MinSizeKb, "0");
    options.SetLiveText(K::MaxSizeKb, "100");
    EXPECT_TRUE(rules.SizeInRange(0));
    EXPECT_TRUE(rules.SizeInRange(100));
    EXPECT_FALSE(rules.SizeInRange(100.5));
    options.SetLiveText(K::MaxSizeKb, "abc");
    EXPECT_FALSE(rules.SizeInRange(0));
    EXPECT_TRUE(rules.SizeInRange(99999));
}

TEST_F(DocLinkRulesTest, ScopeAndFollowing) {
    EXPECT_FALSE(rules.InOtherEngineScope("http://x.example/a"));
    options.SetLiveInt(K::EngineOther, 1);
    EXPECT_TRUE(rules.InOtherEngineScope("http://x.example/a"));  // on, no words: everything
    options.SetLiveText(K::OtherEngineScopeWords, "abc");
    EXPECT_TRUE(rules.InOtherEngineScope("http://abc.example/"));
    EXPECT_FALSE(rules.InOtherEngineScope("http://x.example/"));
    options.SetCommittedInt(K::ScopeWordsOnly, 0);
    options.SetLiveText(K::OtherEngineAddress, "docs.example.org/start");
    EXPECT_TRUE(rules.InOtherEngineScope("https://docs.examp/z"));  // the ten characters after "http://"
    EXPECT_EQ(rules.ShouldFollow("http://www.63da.com/?Doc1-k/"), false);
    EXPECT_TRUE(DocLinkRules::Is63daPage("http://www.63da.com/?Doc1-k/", true));
    EXPECT_TRUE(rules.ShouldFollow("http://www.63da.com/PDF/123.html"));
    EXPECT_FALSE(rules.ShouldFollow(""));
}

}  // namespace
