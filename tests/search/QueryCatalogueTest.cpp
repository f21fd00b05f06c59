#include <gtest/gtest.h>

#include <QSet>

#include <QJsonDocument>

#include "TempHome.h"
#include "engines/EngineCatalog.h"
#include "engines/QueryTemplate.h"
#include "lists/IniFile.h"
#include "lists/Options.h"
#include "search/QueryCatalogue.h"

namespace {

using K = SettingKey;

class QueryCatalogueTest : public ::testing::Test {
  protected:
    void SetUp() override {
        options.Load(IniFile());
        for (const SettingSpec& spec : SettingsTable::All()) {
            if (spec.kind == SettingKind::Check) options.SetCommittedInt(spec.id, 0);
        }
    }
    QStringList Build(const QStringList& keywords, int time = 0) {
        QStringList queued;
        QueryCatalogue(options).BuildQueue(keywords, time, [&queued](const QString& a) { queued.append(a); });
        return queued;
    }
    void Tick(std::initializer_list<K> keys) {
        for (K key : keys) options.SetCommittedInt(key, 1);
    }
    Options options;
};

TEST_F(QueryCatalogueTest, EscapingAndAlnum) {
    EXPECT_EQ(QueryCatalogue::EscapeKeyword("a b+c"), QStringLiteral("a%20b%2bc"));
    EXPECT_EQ(QueryCatalogue::EscapeKeyword(QString::fromUtf8("年报")), QStringLiteral("%e5%b9%b4%e6%8a%a5"));
    EXPECT_EQ(QueryCatalogue::EscapeKeyword("!'()*-./:_~%&=?#\\"),
              QStringLiteral("!'()*-./:_~%%26%3d%3f%23%5c"));
    EXPECT_EQ(QueryCatalogue::EscapeKeyword(QString(341, u'x')).size(), 341);
    EXPECT_EQ(QueryCatalogue::EscapeKeyword(QString(342, QChar(0x4E2D))), QString());  // 342 x 9 > 1023
    EXPECT_EQ(QueryCatalogue::EscapeKeyword(QString(1024, u'a')), QString());
    EXPECT_TRUE(QueryCatalogue::IsAllAlnum(QString::fromUtf8("report2016年报")));
    EXPECT_FALSE(QueryCatalogue::IsAllAlnum("annual report"));
    EXPECT_FALSE(QueryCatalogue::IsAllAlnum(""));
}

TEST_F(QueryCatalogueTest, PdfSitesAndOrderOfEngines) {
    options.Load(IniFile());  // Baidu and six formats ticked
    for (K key : {K::FormatWord, K::FormatPpt, K::FormatXls, K::FormatTxt, K::FormatRtf})
        options.SetCommittedInt(key, 0);
    const QStringList report = Build({"report"});
    ASSERT_EQ(report.size(), 2 + 9 + 130);
    EXPECT_EQ(report[0], QStringLiteral("http://www.pdfgeni.com/book/report-pdf.html"));
    EXPECT_EQ(report[1], QStringLiteral("http://www.pdf-search.org/us/report-pdf.html"));
    EXPECT_EQ(report[2], QStringLiteral("http://www.pdfqueen.com/report?p=1"));
    EXPECT_EQ(report[11],
              QString::fromUtf8("http://www.baidu.com/s?wd=filetype%3Apdf%20(report) -(百度文库)&pn=0&lm=0"));
    EXPECT_EQ(
        report.last(),
        QString::fromUtf8("http://www.baidu.com/s?wd=filetype%3Apdf%20(report) -(百度文库)&pn=1290&lm=0"));
    EXPECT_EQ(Build({"annual report"}).size(), 2 + 130);  // a blank: no pdfqueen pages
}

TEST_F(QueryCatalogueTest, EachPdfSiteIsAskedOnlyWhileItsOwnBoxIsTicked) {
    options.Load(IniFile());
    for (K key : {K::FormatWord, K::FormatPpt, K::FormatXls, K::FormatTxt, K::FormatRtf, K::EngineBaidu})
        options.SetCommittedInt(key, 0);
    EXPECT_EQ(Build({"report"}).size(), 2 + 9);  // every site is ticked by default
    options.SetCommittedInt(K::PdfSiteQueen, 0);
    options.SetCommittedInt(K::PdfSiteGeni, 0);
    EXPECT_EQ(Build({"report"}), QStringList({"http://www.pdf-search.org/us/report-pdf.html"}));
    options.SetCommittedInt(K::FormatPdf, 0);  // the sites follow the PDF box as before
    EXPECT_TRUE(Build({"report"}).isEmpty());
    // Settings files name them in [FILE_FREE_DOC].
    IniFile ini;
    ini.SetValue("FILE_FREE_DOC", "PdfQueenSearch", "0");
    options.Load(ini);
    EXPECT_FALSE(options.Checked(K::PdfSiteQueen));
    EXPECT_TRUE(options.Checked(K::PdfSiteGeni));

    // A template's own box must be a check box of Setting.ini.
    QString error;
    const QJsonArray bad =
        QJsonDocument::fromJson(R"([{"url": "http://a.test/{keyword}", "setting": "SavePath"},
                                                     {"url": "http://a.test/{keyword}", "setting": "NoSuchBox"}])")
            .array();
    EXPECT_FALSE(QueryTemplate::ReadAll(QJsonArray{bad[0]}, &error));
    EXPECT_EQ(error, "queries[0].setting: not a check box of Setting.ini");
    EXPECT_FALSE(QueryTemplate::ReadAll(QJsonArray{bad[1]}, &error));
}

TEST_F(QueryCatalogueTest, GooglePagesClientsAndTokens) {
    Tick({K::EngineGoogle, K::FormatWord, K::FormatOther});
    options.SetLiveText(K::OtherDocExtension, "djvu");
    const QStringList google = Build({"a b"}, 4);
    ASSERT_EQ(google.size(), 10 * 3);
    EXPECT_EQ(google[0],
              QStringLiteral("https://www.google.com.hk/"
                             "search?q=a%20b&num=50&as_filetype=doc&start=0&client=aff-cs-maxthon&as_qdr=y"));
    EXPECT_EQ(
        google[1],
        QStringLiteral("https://www.google.com.hk/"
                       "search?q=a%20b&num=50&as_filetype=docx&start=0&client=aff-cs-maxthon&as_qdr=y"));
    EXPECT_EQ(
        google[2],
        QStringLiteral("https://www.google.com.hk/"
                       "search?q=a%20b&num=50&as_filetype=djvu&start=0&client=aff-cs-maxthon&as_qdr=y"));
    EXPECT_TRUE(google[3].contains("start=50&client=aff-os-miniIE"));
    EXPECT_TRUE(google[6].contains("start=100&client=aff-os-360se"));
    EXPECT_TRUE(google[9].contains("start=150&client=aff-cs-maxthon"));

    options.SetLiveText(K::OtherDocExtension, "");
    EXPECT_EQ(Build({"x"}).size(), 10 * 2);  // an empty other extension queues nothing
}

TEST_F(QueryCatalogueTest, EveryEnginesTemplateAndExceptions) {
    Tick({K::FormatPpt, K::FormatOther});
    options.SetLiveText(K::OtherDocExtension, "djvu");
    auto first = [this](K engine, int time = 0) {
        options.SetCommittedInt(engine, 1);
        const QStringList all = Build({"k"}, time);
        options.SetCommittedInt(engine, 0);
        return all;
    };
    const QStringList scholar = first(K::EngineGoogleScholar);
    EXPECT_EQ(
        scholar[0],
        QStringLiteral("https://scholar.google.com/scholar?start=0&q=filetype:ppt+k&hl=zh-CN&as_sdt=0,5"));
    EXPECT_EQ(
        scholar[2],
        QStringLiteral("https://scholar.google.com/scholar?start=0&q=filetype:pps k&hl=zh-CN&as_sdt=0,5"));
    EXPECT_EQ(
        scholar[3],
        QStringLiteral("https://scholar.google.com/scholar?start=0&q=filetype:djvu+k&hl=zh-CN&as_sdt=0,5"));
    EXPECT_EQ(scholar.size(), 30 * 4);

    options.SetCommittedInt(K::BingEnglishOnly, 1);
    const QStringList bing = first(K::EngineBing, 2);
    EXPECT_EQ(bing[0], QString::fromUtf8(
                           "http://cn.bing.com/"
                           "search?q=filetype%3appt+k&go=提交&qs=bs&first=1&tbs=qdr:w&intlF=1&FORM=TIPEN1"));
    EXPECT_EQ(bing[2], QString::fromUtf8(
                           "http://cn.bing.com/"
                           "search?q=filetype%3adjvu+k&go=提交&qs=bs&first=1&tbs=qdr:w&intlF=1&FORM=TIPEN1"));
    EXPECT_EQ(first(K::EngineBingAcademic)[0],
              QStringLiteral("http://cn.bing.com/academic/search?q=filetype%3appt+k&first=1&FORM=PENR"));
    EXPECT_EQ(first(K::EngineSogou, 3)[0],
              QStringLiteral("http://www.sogou.com/web?num=50&query=filetype%3Appt+k&page=1&tsn=3"));
    EXPECT_EQ(first(K::EngineYoudao)[0],
              QStringLiteral("http://www.youdao.com/search?q=filetype:ppt+k&start=0&lm=-1"));
    const QStringList yahoo = first(K::EngineYahoo, 4);
    EXPECT_EQ(yahoo[0],
              QStringLiteral("http://search.yahoo.com/search?fr2=time&rd=r1&fr=404&p=filetype:ppt+k&b=1"));
    EXPECT_EQ(
        first(K::EngineYahoo, 1)[0],
        QStringLiteral("http://search.yahoo.com/search?fr2=time&rd=r1&fr=404&p=filetype:ppt+k&b=1&btf=d"));
    EXPECT_EQ(first(K::EngineAol, 3)[3],
              QStringLiteral("http://search.aol.com/aol/"
                             "search?s_it=nscpsearch&q=filetype:ppt+k&page=1&client=aff-os-360se&as_qdr=m"));
    EXPECT_EQ(first(K::EngineZhongsou)[1],
              QStringLiteral("http://www.zhongsou.com/third.cgi?w=filetype:djvu+k&b=1&rt=o"));
    const QStringList osun = first(K::EngineOsun);
    EXPECT_EQ(osun.size(), 20);
    EXPECT_EQ(osun[0], QStringLiteral("http://www.osun.org/k/k-ppt.html"));
    EXPECT_EQ(osun[1], QStringLiteral("http://www.osun.org/k/k-ppt-1.html"));
    const QStringList da63 = first(K::Engine63Da);
    EXPECT_EQ(da63.size(), 79);
    EXPECT_EQ(da63[0], QStringLiteral("http://www.63da.com/?Ppt1-k/"));

    // TXT has no tokens for these engines.
    options.SetCommittedInt(K::FormatPpt, 0);
    options.SetCommittedInt(K::FormatOther, 0);
    Tick({K::FormatTxt, K::EngineBaidu, K::EngineSogou, K::EngineYoudao, K::Engine63Da, K::EngineOsun});
    EXPECT_TRUE(Build({"k"}).isEmpty());
}

TEST_F(QueryCatalogueTest, EveryEnginesPageCountAndLastPage) {
    Tick({K::FormatPdf});
    struct Expected {
        const char* engine;  // definition id
        int pages;
        const char* last;  // path and query of the last address
    };
    const Expected engines[] = {
        {"google", 10, "/search?q=k&num=50&as_filetype=pdf&start=450&client=aff-cs-maxthon&as_qdr=all"},
        {"scholar", 30, "/scholar?start=290&q=filetype:pdf+k&hl=zh-CN&as_sdt=0,5"},
        {"baidu", 130, "/s?wd=filetype%3Apdf%20(k) -(百度文库)&pn=1290&lm=0"},
        {"bing", 20, "/search?q=filetype%3apdf+k&go=提交&qs=bs&first=191&tbs=qdr:all&intlF=&FORM=TIPALL"},
        {"bingacademic", 20, "/academic/search?q=filetype%3apdf+k&first=191&FORM=PENR"},
        {"sogou", 29, "/web?num=50&query=filetype%3Apdf+k&page=29&tsn=0"},
        {"youdao", 130, "/search?q=filetype:pdf+k&start=1290&lm=-1"},
        {"yahoo", 40, "/search?fr2=time&rd=r1&fr=404&p=filetype:pdf+k&b=391"},
        {"aol", 100, "/aol/search?s_it=nscpsearch&q=filetype:pdf+k&page=99&client=aff-cs-maxthon&as_qdr=all"},
        {"zhongsou", 99, "/third.cgi?w=filetype:pdf+k&b=99&rt=o"},
        {"osun", 20, "/k/k-pdf-19.html"},
        {"63da-search", 79, "/?Pdf79-k/"},
    };
    for (const Expected& expected : engines) {
        SCOPED_TRACE(expected.last);
        const EngineDefinition* engine = EngineCatalog::BuiltIn()->Find(QString::fromLatin1(expected.engine));
        ASSERT_NE(engine, nullptr) << expected.engine;
        QStringList queued;
        QueryCatalogue(options).QueueEngine(*engine, "k", 0,
                                            [&queued](const QString& a) { queued.append(a); });
        ASSERT_EQ(queued.size(), expected.pages);
        EXPECT_TRUE(queued.last().endsWith(QString::fromUtf8(expected.last))) << queued.last().toStdString();
        EXPECT_EQ(queued.removeDuplicates(), 0);
    }
}

TEST_F(QueryCatalogueTest, OtherEngineAndOversizedAddresses) {
    Tick({K::EngineOther});
    options.SetLiveText(K::OtherEngineAddress, "example.org/docs");
    EXPECT_EQ(Build({"k"}), QStringList({"http://example.org/docs"}));
    options.SetLiveText(K::OtherEngineAddress, "https://example.org/");
    EXPECT_EQ(Build({}), QStringList({"https://example.org/"}));

    options.SetCommittedInt(K::EngineOther, 0);
    Tick({K::EngineBaidu, K::FormatWord});
    // Raw keywords go in unchanged; an address past 1,023 characters is dropped whole.
    EXPECT_EQ(Build({QString(900, u'k')}).size(), 130);
    EXPECT_TRUE(Build({QString(1000, u'k')}).isEmpty());
    EXPECT_TRUE(Build({QString()}).isEmpty());
}

// The search job's dispatch as it has always chosen by address: the first rule whose text occurs in the
// address names the parser; the PDF sites are fetched for their links only; anything else is not fetched.
QString LongStandingDispatch(const QString& url) {
    const std::pair<const char*, const char*> rules[] = {
        {"www.google.com.hk/search?q", "google"},
        {"www.google.com/search?q", "google"},
        {"scholar.google.com/scholar", "scholar"},
        {"cn.bing.com/search", "bing"},
        {"cn.bing.com/academic/search", "bingacademic"},
        {"www.osun.org", "osun"},
        {"www.pdfgeni.com/book", "pdfsites"},
        {"www.pdf-search.org/us/", "pdfsites"},
        {"www.pdfqueen.com/", "pdfsites"},
        {"www.baidu.com/s?wd=filetype", "baidu"},
        {"www.soso.com/q?w=filetype", "soso"},
        {"search.yahoo.com/search", "yahoo"},
        {"www.zhongsou.com/third.cgi", "zhongsou"},
        {"search.aol.com/aol/search", "aol"},
        {"www.youdao.com/search?q=filetype", "youdao"},
        {"www.63da.com/?", "63da-search"},
        {"www.63da.com/DOC", "63da"},
        {"www.63da.com/PDF", "63da"},
        {"www.63da.com/PPT", "63da"},
        {"www.63da.com/XLS", "63da"},
        {"www.63da.com/RTF", "63da"},
        {"www.sogou.com/web?num", "sogou"},
    };
    for (const auto& [text, id] : rules) {
        if (url.contains(QLatin1StringView(text))) return QLatin1StringView(id);
    }
    return {};
}

// The engine whose definition's address patterns match an address is the one the search job's
// dispatch has always picked, for every address the catalogue makes and the pages those lead to.
TEST_F(QueryCatalogueTest, AddressPatternsPickWhatTheDispatchPicks) {
    for (K key : {K::EngineGoogle, K::EngineGoogleScholar, K::EngineBaidu, K::EngineBing,
                  K::EngineBingAcademic, K::EngineSogou, K::EngineYoudao, K::EngineYahoo, K::EngineAol,
                  K::EngineZhongsou, K::EngineOsun, K::Engine63Da})
        options.SetCommittedInt(key, 1);
    Tick({K::FormatWord, K::FormatPdf, K::FormatPpt, K::FormatXls, K::FormatRtf, K::FormatTxt,
          K::FormatArchive, K::FormatOther});
    options.SetLiveText(K::OtherDocExtension, "djvu");
    QStringList addresses;
    for (int time : {0, 4}) addresses += Build({"report", QString::fromUtf8("年报 2016 a+b")}, time);
    addresses += {"http://www.63da.com/DOC/12.html",        "http://www.63da.com/PDF/9.html",
                  "http://www.soso.com/q?w=filetype:pdf+k", "https://www.google.com/search?q=k",
                  "http://www.pdfqueen.com/report?p=3",     "http://example.org/docs/a.html",
                  "http://www.baidu.com/link?url=abc",      "http://cn.bing.com/images/search?q=k",
                  "https://search.yahoo.com/mobile/s?p=k"};
    const auto catalog = EngineCatalog::BuiltIn();
    QSet<QString> seen;
    for (const QString& address : addresses) {
        const EngineDefinition* engine = catalog->ForUrl(address);
        const QString id = engine ? engine->id : QString();
        ASSERT_EQ(id, LongStandingDispatch(address)) << address.toStdString();
        seen.insert(id);
    }
    EXPECT_EQ(seen.size(), 16);  // every engine the catalogue asks, the PDF sites, 63da's pages and none
}

TEST_F(QueryCatalogueTest, NewEnginesSearchForDocumentsWithPagesAndTimeRanges) {
    Tick({K::FormatPdf, K::FormatWord});
    const auto catalog = EngineCatalog::BuiltIn();
    auto pages = [&](const char* id, int time) {
        QStringList queued;
        QueryCatalogue(options, catalog)
            .QueueEngine(*catalog->Find(id), QString::fromUtf8("年报 x"), time,
                         [&queued](const QString& a) { queued.append(a); });
        return queued;
    };
    const QStringList duck = pages("duckduckgo", 2);
    ASSERT_EQ(duck.size(), 5 * 3);
    EXPECT_EQ(duck[0], "https://html.duckduckgo.com/html/?q=%e5%b9%b4%e6%8a%a5%20x+filetype:doc&s=0&df=w");
    EXPECT_EQ(duck[5], "https://html.duckduckgo.com/html/?q=%e5%b9%b4%e6%8a%a5%20x+filetype:pdf&s=30&df=w");
    EXPECT_EQ(
        pages("brave", 4)[2],
        "https://search.brave.com/search?q=%e5%b9%b4%e6%8a%a5%20x+filetype:pdf&source=web&offset=0&tf=py");
    EXPECT_EQ(pages("yandex", 4).last(),
              "https://yandex.com/search/?text=%e5%b9%b4%e6%8a%a5%20x+mime:pdf&p=4");
    EXPECT_EQ(
        pages("startpage", 0)[0],
        "https://www.startpage.com/sp/search?query=%e5%b9%b4%e6%8a%a5%20x+filetype:doc&page=1&with_date=");
    // Each lands on its own engine's pages.
    for (const char* id : {"duckduckgo", "brave", "yandex", "startpage"}) {
        for (const QString& address : pages(id, 1)) {
            ASSERT_TRUE(catalog->ForUrl(address)) << address.toStdString();
            EXPECT_EQ(catalog->ForUrl(address)->id, id);
        }
    }
}

TEST_F(QueryCatalogueTest, TemplatesGivenAsDataAndBadOnesRefused) {
    auto read = [](const char* json, QString* error) {
        return QueryTemplate::ReadAll(QJsonDocument::fromJson(json).array(), error);
    };
    QString error;
    EngineDefinition engine;
    engine.queries = QJsonDocument::fromJson(R"json([{"keyword": "raw",
        "url": "http://s.example/{keyword}/{format}{page}?r={rotate}", "formats": {"pdf": ["pdf"], "other": true},
        "pages": {"first": 2, "step": 3, "count": 3, "text": "-{n}", "firstText": ""}, "rotate": ["a", "b"]}])json")
                         .array();
    ASSERT_TRUE(QueryTemplate::ReadAll(engine.queries, &error)) << error.toStdString();
    Tick({K::FormatPdf, K::FormatOther});
    options.SetLiveText(K::OtherDocExtension, "{time}");
    QStringList queued;
    QueryCatalogue(options).QueueEngine(engine, "k{page}", 0,
                                        [&queued](const QString& a) { queued.append(a); });
    EXPECT_EQ(queued,
              QStringList({"http://s.example/k{page}/pdf?r=a", "http://s.example/k{page}/{time}?r=a",
                           "http://s.example/k{page}/pdf-5?r=b", "http://s.example/k{page}/{time}-5?r=b",
                           "http://s.example/k{page}/pdf-8?r=a", "http://s.example/k{page}/{time}-8?r=a"}));

    const std::pair<const char*, const char*> bad[] = {
        {R"([{"url": "http://x/", "colour": 1}])", "queries[0].colour: unknown field"},
        {R"([{"keyword": "raw"}])", "queries[0].url: missing"},
        {R"([{"url": "file:///etc/passwd"}])", "queries[0].url: expected an http"},
        {R"([{"url": "http://x/{keywrod}"}])", "queries[0].url: unknown placeholder"},
        {R"([{"url": "http://x/{keyword"}])", "queries[0].url: unknown placeholder"},
        {R"([{"url": "http://x/", "keyword": "shouted"}])", "queries[0].keyword"},
        {R"([{"url": "http://x/", "time": ["a", "b"]}])", "queries[0].time: expected 5 values"},
        {R"([{"url": "http://x/", "pages": {"count": 0}}])", "queries[0].pages.count"},
        {R"([{"url": "http://x/", "pages": {"count": 1e9}}])", "queries[0].pages.count"},
        {R"([{"url": "http://x/", "pages": {"first": 999999, "step": 1000, "count": 900}}])",
         "queries[0].pages:"},
        {R"([{"url": "http://x/", "pages": {"step": 1.5}}])", "queries[0].pages.step"},
        {R"([{"url": "http://x/", "formats": {"pdf": "pdf"}}])", "queries[0].formats.pdf"},
        {R"([{"url": "http://x/", "formats": {"djvu": ["djvu"]}}])",
         "queries[0].formats.djvu: unknown format box"},
        {R"([{"url": "http://x/", "formats": {"pdf": [""]}}])", "queries[0].formats.pdf[0]: empty"},
        {R"([{"url": "http://x/", "tokenUrls": {"pps": "ftp://x/"}}])", "queries[0].tokenUrls.pps"},
        {R"([{"url": "http://x/", "switch": {"on": "a"}}])", "queries[0].switch.setting: missing"},
        {R"([{"url": "http://x/"}, 5])", "queries[1]: expected an object"},
    };
    for (const auto& [json, place] : bad) {
        error.clear();
        EXPECT_FALSE(read(json, &error)) << json;
        EXPECT_TRUE(error.startsWith(QLatin1StringView(place))) << json << " gave " << error.toStdString();
    }
    QByteArray many = "[";
    for (int i = 0; i < 100; ++i) many += "{\"url\": \"http://x/\"},";
    many.chop(1);
    EXPECT_FALSE(read(many + "]", &error));
    EXPECT_FALSE(read(("[{\"url\": \"http://x/" + QByteArray(2000, 'a') + "\"}]").constData(), &error));
}

// A user's definitions file whose classic layout or query templates cannot be read is refused as a whole
// with the place of the fault, and the built-ins stay in force.
TEST_F(QueryCatalogueTest, UserFilesWithBadTemplatesOrClassicLayoutsAreRefused) {
    const QByteArray good = R"json({"id": "google", "name": "Mine", "setting": "GoogleSearch",
        "hosts": ["mine.example"], "layouts": [],
        "queries": [{"url": "http://mine.example/?q={keyword}", "order": 1}],
        "classic": {"block": {"left": "<li>", "right": "</li>"}, "link": {"left": "href=\"", "right": "\""},
                    "title": {"left": ">", "right": "<"}}})json";
    EXPECT_EQ(EngineCatalog::Check("[" + good + "]"), QString());
    {
        TempHome home;
        home.Write("config/engines.json", "[" + good + "]");
        QString userError;
        options.SetCommittedInt(K::EngineGoogle, 1);
        QStringList queued;
        QueryCatalogue(options, EngineCatalog::Load(home.Path(), &userError))
            .BuildQueue({"k"}, 0, [&queued](const QString& a) { queued.append(a); });
        EXPECT_EQ(queued, QStringList({"http://mine.example/?q=k"})) << userError.toStdString();
    }
    const std::pair<QByteArray, QByteArray> faults[] = {
        {R"("url": "http://mine.example/?q={keyword}")", R"("url": "http://mine.example/?q={kw}")"},
        {R"("order": 1)", R"("order": "first")"},
        {R"("right": "</li>")", R"("right": ["</li>"])"},
        {R"("title": {"left": ">", "right": "<"})", R"("titel": {"left": ">", "right": "<"})"},
    };
    const char* places[] = {"(google).queries[0].url: unknown placeholder", "(google).queries[0].order",
                            "(google).classic.block.right", "(google).classic.titel: unknown field"};
    for (size_t i = 0; i < std::size(faults); ++i) {
        QByteArray bad = good;
        bad.replace(faults[i].first, faults[i].second);
        const QString error = EngineCatalog::Check("[" + bad + "]");
        EXPECT_TRUE(error.contains(QLatin1StringView(places[i]))) << error.toStdString();

        TempHome home;
        home.Write("config/engines.json", "[" + bad + "]");
        QString userError;
        const auto catalog = EngineCatalog::Load(home.Path(), &userError);
        EXPECT_FALSE(userError.isEmpty());
        QStringList queued;
        Tick({K::EngineGoogle, K::FormatPdf});
        QueryCatalogue(options, catalog).BuildQueue({"k"}, 0, [&queued](const QString& a) {
            queued.append(a);
        });
        EXPECT_EQ(queued.filter("https://www.google.com.hk/search?q=k").size(), 10);
        EXPECT_TRUE(queued.filter("mine.example").isEmpty());
    }
}

}  // namespace
