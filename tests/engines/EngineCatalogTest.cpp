// The definitions loader: the built-ins, the user's file laid over them, and every way a user file can be
// unusable (each refused with its place while the built-ins stay in force).

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include "TempHome.h"
#include "engines/BlockDetector.h"
#include "engines/EngineCatalog.h"
#include "engines/XPathCheck.h"

namespace {

const char* kMinimal = R"({"id": "%1", "name": "Example", "setting": "", "hosts": ["search.example"],
  "layouts": [{"results": "//div[@class='r']", "link": ".//a/@href", "title": ".//a"}]})";

QByteArray Minimal(const QString& id) {
    return QString::fromLatin1(kMinimal).arg(id).toUtf8();
}

QByteArray LayoutCopies(int count) {
    QByteArrayList layouts;
    for (int i = 0; i < count; ++i) layouts.append(R"({"results": "//p", "link": "@href", "title": "."})");
    return layouts.join(',');
}

TEST(EngineCatalog, BuiltInsAreValidAndCoverEveryEngine) {
    const QDir dir(":/engines");
    const QStringList files = dir.entryList({"*.json"});
    ASSERT_FALSE(files.isEmpty());
    for (const QString& name : files) {
        QFile file(dir.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        EXPECT_EQ(EngineCatalog::Check(file.readAll()), QString()) << name.toStdString();
    }
    const auto catalog = EngineCatalog::BuiltIn();
    EXPECT_EQ(catalog->Engines().size(), files.size());
    for (const char* id : {"google",     "scholar",    "bing",      "baidu",     "sogou",        "yahoo",
                           "duckduckgo", "brave",      "yandex",    "startpage", "bingacademic", "youdao",
                           "soso",       "zhongsou",   "aol",       "osun",      "63da-search",  "63da",
                           "searxng",    "google-api", "brave-api", "openalex"}) {
        const EngineDefinition* engine = catalog->Find(id);
        ASSERT_NE(engine, nullptr) << id;
        EXPECT_EQ(engine->id, id);
        EXPECT_FALSE(engine->hosts.isEmpty()) << id;
    }
    for (const char* id : {"google", "scholar", "bing", "baidu", "sogou", "yahoo", "duckduckgo", "brave",
                           "yandex", "startpage"}) {
        EXPECT_FALSE(catalog->Find(id)->layouts.isEmpty()) << id;
        EXPECT_FALSE(catalog->Find(id)->blocks.isEmpty()) << id;
    }
}

TEST(EngineCatalog, UserFileReplacesAndAddsById) {
    TempHome home;
    QString error = "stale";
    EXPECT_EQ(EngineCatalog::Load(home.Path(), &error)->Engines().size(),
              EngineCatalog::BuiltIn()->Engines().size());
    EXPECT_TRUE(error.isEmpty());

    home.Write("config/engines.json", "[" + Minimal("google") + "," + Minimal("example") + "]");
    const auto catalog = EngineCatalog::Load(home.Path(), &error);
    EXPECT_TRUE(error.isEmpty()) << error.toStdString();
    EXPECT_EQ(catalog->Engines().size(), EngineCatalog::BuiltIn()->Engines().size() + 1);
    EXPECT_EQ(catalog->Find("google")->name, "Example");
    EXPECT_EQ(catalog->Find("google")->hosts, QStringList{"search.example"});
    ASSERT_NE(catalog->Find("example"), nullptr);
    // The built-in catalogue is untouched by a user's file.
    EXPECT_EQ(EngineCatalog::BuiltIn()->Find("google")->name, "Google");

    // A single definition object is a file too.
    home.Write("config/engines.json", Minimal("solo"));
    EXPECT_NE(EngineCatalog::Load(home.Path(), &error)->Find("solo"), nullptr);
}

TEST(EngineCatalog, UnusableUserFilesAreRefusedWithTheirPlace) {
    struct Case {
        QByteArray json;
        const char* expected;  // part of the message
    };
    const QByteArray good = Minimal("example");
    auto with = [&](const char* from, const char* to) { return QByteArray(good).replace(from, to); };
    const Case cases[] = {
        {"[{\"id\": \"x\",", "line 1, column"},
        {"", "line 1, column 1"},
        {"\"just text\"", "line 1, column"},
        {"[42]", "[0]: a definition must be an object"},
        {with("\"name\": \"Example\", ", ""), "[0] (example).name: the field is missing"},
        {with("\"hosts\": [\"search.example\"]", "\"hosts\": \"search.example\""),
         ".hosts: must be an array"},
        {with("//div[@class='r']", "//div[@class='r'"), ".layouts[0].results: the XPath does not compile"},
        {with(".//a/@href", "@@"), ".layouts[0].link: the XPath does not compile"},
        {with("\"title\"", "\"titel\""), ".layouts[0]: unknown field \"titel\""},
        {with("\"setting\"", "\"settings\""), "(example): unknown field \"settings\""},
        {with("\"id\": \"example\"", "\"id\": \"Not An Id!\""), ".id: an id is"},
        {"[" + good + "," + good + "]", "[1] (example).id: the id is used twice"},
        {with("\"layouts\"", "\"delayMs\": -5, \"layouts\""), ".delayMs: must be a whole number"},
        // Numbers far beyond any integer are refused, not cast.
        {with("\"layouts\"", "\"delayMs\": 1.1e29, \"layouts\""), ".delayMs: must be a whole number"},
        {with("\"layouts\"", "\"kind\": \"openalex\", \"pageLimit\": -1e300, \"layouts\""),
         ".pageLimit: must be"},
        {with("\"layouts\"", "\"headers\": {\"X-A\": \"1\\r\\nHost: evil\"}, \"layouts\""), ".headers.X-A: "},
        {with("\"layouts\"", "\"headers\": {\"Bad Name\": \"1\"}, \"layouts\""), "not a valid header name"},
        {with("\"layouts\"", "\"blocks\": [{\"reason\": \"any page\"}], \"layouts\""),
         ".blocks[0]: a block signature needs"},
        {with("\"layouts\"", "\"blocks\": [{\"reason\": \"x\", \"status\": [20]}], \"layouts\""),
         ".blocks[0].status[0]"},
        {with("\"title\"", "\"unwrap\": [{\"type\": \"rot13\", \"name\": \"q\"}], \"title\""),
         ".layouts[0].unwrap[0].type"},
        {with("\"title\"", "\"unwrap\": [{\"type\": \"attribute\", \"name\": \"@@mu\"}], \"title\""),
         ".layouts[0].unwrap[0].name: the XPath does not compile"},
        {with("\"layouts\"", "\"kind\": \"soap\", \"layouts\""), ".kind: must be one of"},
        {with("\"layouts\"", "\"kind\": 3, \"layouts\""), ".kind: must be a string"},
        {with("\"layouts\"", "\"pageLimit\": 3, \"layouts\""), ".pageLimit: only API engines"},
        {with("\"layouts\"", "\"kind\": \"openalex\", \"pageLimit\": 0, \"layouts\""),
         ".pageLimit: must be a whole number from 1 to 100"},
        {with("\"layouts\"", "\"kind\": \"searxng\", \"pageLimit\": 2.5, \"layouts\""),
         ".pageLimit: must be"},
        // The JSON reader would keep the last of two equal keys silently, however they are spelt.
        {with("\"id\": \"example\"", "\"id\": \"example\", \"id\": \"google\""),
         "line 1, column 20: the key id appears twice"},
        {with("\"title\": \".//a\"", "\"title\": \".//a\", \"t\\u0069tle\": \".\""), "the key title appears twice"},
        // A name that would forge a line or move the cursor where it is printed.
        {with("\"name\": \"Example\"", "\"name\": \"Ex\\u001b[2Jample\""),
         "(example).name: must not hold control characters (U+001b)"},
        {with("search.example", "search.example\\nfake line"), ".hosts[0]: must not hold control"},
        {with("\"setting\": \"\"", "\"setting\": \"\\u0085\""), ".setting: must not hold control"},
        // Layouts whose cost grows with the square of the page, which no operation budget stops in time.
        {with("//div[@class='r']", "//li[string-length(normalize-space(/))>0]"),
         ".layouts[0].results: the XPath is refused: an absolute path"},
        {with("//div[@class='r']", "//div[@id = //span/@id]"), ".layouts[0].results: the XPath is refused"},
        {with("//div[@class='r']", "//div[1 and //x]"), ".layouts[0].results: the XPath is refused"},
        {with("//div[@class='r']", "//*/following::*/preceding::*"), "the following:: axis"},
        {with(".//a/@href", "preceding :: a/@href"), ".layouts[0].link: the XPath is refused"},
        {QByteArray(good).replace("\"layouts\": [", "\"layouts\": [" + LayoutCopies(16) + ","),
         ".layouts: more than 16 entries"},
    };
    for (Case c : cases) {
        // A lone definition becomes a list of one, as a user's file usually is.
        if (c.json.startsWith("{")) c.json = "[" + c.json + "]";
        const QString error = EngineCatalog::Check(c.json);
        EXPECT_TRUE(error.contains(QLatin1StringView(c.expected)))
            << c.json.left(200).toStdString() << "\n -> " << error.toStdString();
        // The same file as the user's: refused as a whole, the built-ins in force, the message naming the
        // file.
        TempHome home;
        home.Write("config/engines.json", "[" + Minimal("google") + "]");
        home.Write("config/engines.json", c.json);
        QString loadError;
        const auto catalog = EngineCatalog::Load(home.Path(), &loadError);
        EXPECT_TRUE(loadError.startsWith("config/engines.json: ")) << loadError.toStdString();
        EXPECT_EQ(catalog->Find("google")->name, "Google");
        EXPECT_EQ(catalog->Engines().size(), EngineCatalog::BuiltIn()->Engines().size());
    }
}

TEST(EngineCatalog, HugeAndDeeplyNestedFilesAreRefused) {
    // Nesting far past what the JSON reader accepts: a refusal, not a stack overflow.
    const QByteArray deep = QByteArray(200000, '[') + QByteArray(200000, ']');
    EXPECT_FALSE(EngineCatalog::Check(deep).isEmpty());
    const QByteArray deepObject = QByteArray("{\"id\":").repeated(100000);
    EXPECT_FALSE(EngineCatalog::Check(deepObject).isEmpty());

    QByteArray huge = "[" + Minimal("a") + ",";
    huge += QByteArray(5 * 1024 * 1024, ' ');
    huge += Minimal("b") + "]";
    EXPECT_TRUE(EngineCatalog::Check(huge).contains("larger than"));
    TempHome home;
    home.Write("config/engines.json", huge);
    QString error;
    EXPECT_EQ(EngineCatalog::Load(home.Path(), &error)->Find("a"), nullptr);
    EXPECT_TRUE(error.contains("larger than"));

    // Thousands of definitions, each valid: refused by count before they cost anything.
    QByteArray many = "[";
    for (int i = 0; i < 300; ++i) many += Minimal(QString("e%1").arg(i)) + (i < 299 ? "," : "");
    many += "]";
    EXPECT_TRUE(EngineCatalog::Check(many).contains("more than"));
}

TEST(EngineCatalog, ForUrlPicksTheEngineByHostAndPathPrefix) {
    TempHome home;
    QByteArray json = Minimal("example");
    json.replace(
        "\"layouts\"",
        R"("urlPatterns": ["search.example/web", {"host": "other.example", "pathPrefix": "/s"}], "layouts")");
    home.Write("config/engines.json", json);
    QString error;
    const auto catalog = EngineCatalog::Load(home.Path(), &error);
    ASSERT_TRUE(error.isEmpty()) << error.toStdString();
    EXPECT_EQ(catalog->ForUrl("https://search.example/web?q=x"), catalog->Find("example"));
    EXPECT_EQ(catalog->ForUrl("http://SEARCH.example/web/2"), catalog->Find("example"));
    EXPECT_EQ(catalog->ForUrl("https://other.example/s?q=1"), catalog->Find("example"));
    EXPECT_EQ(catalog->ForUrl("https://search.example/images?q=x"), nullptr);
    EXPECT_EQ(catalog->ForUrl("https://evil.example/web?q=search.example/web"), nullptr);
    EXPECT_EQ(catalog->ForUrl("not a url"), nullptr);
}

TEST(BlockDetector, EveryConditionOfASignatureMustHold) {
    EngineDefinition engine;
    BlockSignature limited{"rate limited", {429}, {}, {}, {}};
    BlockSignature sorry{"CAPTCHA", {}, "/sorry/", {}, {}};
    BlockSignature markedOnly{
        "challenge", {200}, {}, {"id=\"captcha\"", "one last step"}, {"class=\"result\""}};
    engine.blocks = {limited, sorry, markedOnly};
    EXPECT_FALSE(DetectBlock(engine, 200, "https://e.example/search", "<p>results</p>").blocked);
    EXPECT_EQ(DetectBlock(engine, 429, "https://e.example/search", "").reason, "rate limited");
    EXPECT_EQ(DetectBlock(engine, 200, "https://e.example/sorry/index?continue=x", "").reason, "CAPTCHA");
    EXPECT_EQ(DetectBlock(engine, 200, "https://e.example/s", "<h1>One Last Step</h1>").reason, "challenge");
    // The status is part of the signature: the same marker on a 404 page is not this block.
    EXPECT_FALSE(DetectBlock(engine, 404, "https://e.example/s", "<h1>One Last Step</h1>").blocked);
    // A page that also holds what only result pages hold is a result page.
    EXPECT_FALSE(
        DetectBlock(engine, 200, "https://e.example/s", "one last step <div class=\"result\">").blocked);
}

}  // namespace

// What real layouts write stays allowed: relative paths in predicates, ancestor tests, sibling axes.
TEST(EngineCatalog, LayoutsOfRealPagesPassTheCostCheck) {
    for (const char* expression :
         {"//div[contains(concat(' ', normalize-space(@class), ' '), ' r ')][.//h3][not(ancestor::div[@id])]",
          "(//a)[1]", "//li[a/@href]//span", "//td[. = 'x']/following-sibling::td", "//a[@href != '/']",
          "//div[@data-x='[/']", "//p[count(../p) > 1]"}) {
        EXPECT_EQ(XPathCostProblem(expression), "") << expression;
    }
}
