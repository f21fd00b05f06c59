#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include "engines/ApiAnswer.h"
#include "engines/ApiRequest.h"
#include "engines/EngineCatalog.h"
#include "lists/EngineKeys.h"

namespace {

QString AnswersDir() {
    return qEnvironmentVariable("SKIMMER_FIXTURES", "../shared/fixtures") + "/api-responses";
}

EngineKind KindOfFolder(const QString& folder) {
    if (folder == "searxng") return EngineKind::Searxng;
    if (folder == "google-cse") return EngineKind::GoogleApi;
    if (folder == "brave") return EngineKind::BraveApi;
    return EngineKind::OpenAlex;
}

struct Expected {
    const char* file;
    int hits;
    const char* first;
    const char* last;
};

// Counted independently of the reader: every result whose address is an http(s) address, in order,
// without repeats; for OpenAlex the first PDF address of the best open-access, the primary, then the
// listed locations of each work.
const Expected kExpected[] = {
    {"brave/Freespoke_brave-search__facebook.json", 15, "https://www.facebook.com/",
     "https://www.techtarget.com/whatis/definition/Facebook"},
    {"brave/Freespoke_brave-search__guapa.json", 20,
     "https://www.deepl.com/en/translator/q/es/guapa/en/beautiful/3ea713cf",
     "https://seriouslyspain.com/what-does-the-spanish-word-guapaguapo-mean-in-english"},
    {"brave/helmut-hoffer-von-ankershoffen_brave-search-python-client__hello-world.json", 20,
     "https://en.wikipedia.org/wiki/%22Hello,_World!%22_program", "https://gobyexample.com/hello-world"},
    {"brave/microsoft_semantic-kernel__site-filter.json", 5,
     "https://learn.microsoft.com/en-us/semantic-kernel/overview/",
     "https://www.codemag.com/Article/2401091/Semantic-Kernel-101"},
    {"brave/microsoft_semantic-kernel__what-is-semantic-kernel.json", 10,
     "https://learn.microsoft.com/en-us/semantic-kernel/overview/",
     "https://www.codemag.com/Article/2401091/Semantic-Kernel-101"},
    {"brave/open-webui_open-webui__python.json", 20, "https://www.python.org",
     "https://www.pluralsight.com/resources/blog/software-development/python-installation-guide"},
    {"google-cse/lunarserge_facere-sensum__obstacle-course-racing.json", 10,
     "https://en.wikipedia.org/wiki/Obstacle_course_racing", "https://www.obstacleracingmedia.com/"},
    {"google-cse/microsoft_semantic-kernel__site-filter-devblogs.json", 4,
     "https://devblogs.microsoft.com/semantic-kernel/hello-world/",
     "https://devblogs.microsoft.com/semantic-kernel/introducing-semantic-kernel-for-java/"},
    {"google-cse/microsoft_semantic-kernel__what-is-the-semantic-kernel.json", 4,
     "https://learn.microsoft.com/en-us/semantic-kernel/overview/",
     "https://medium.com/globant/"
     "semantic-kernel-the-new-way-to-create-artificial-intelligence-applications-7959d5fc90ca"},
    {"google-cse/netboss_google-custom-search-php-client__lectures-2010-legacy.json", 10,
     "http://www.stanford.edu/class/ee364a/videos.html",
     "http://www.cs.princeton.edu/courses/archive/fall2000/cs126/lectures/T3-4up.pdf"},
    {"google-cse/open-webui_open-webui__lectures.json", 10, "https://www.feynmanlectures.caltech.edu/",
     "https://samfoxschool.wustl.edu/calendar/series/2-public-lecture-series"},
    {"openalex/rkrug_openalexPro__biodiversity-and-toast.json", 3,
     "https://onlinelibrary.wiley.com/doi/pdfdirect/10.1111/j.1751-7915.2008.00030.x",
     "https://iiste.org/Journals/index.php/JBAH/article/download/52693/54449"},
    {"openalex/rkrug_openalexPro__keypaper-page1.json", 1, "https://peerj.com/articles/4375.pdf",
     "https://peerj.com/articles/4375.pdf"},
    {"openalex/rkrug_openalexPro__keypaper-page2-empty.json", 0, "", ""},
    {"openalex/rkrug_openalexPro__search-result-1.json", 5,
     "https://onlinelibrary.wiley.com/doi/pdfdirect/10.1111/j.1755-0238.2005.tb00281.x",
     "https://iiste.org/Journals/index.php/JBAH/article/download/52693/54449"},
    {"searxng/open-webui_open-webui__python.json", 30, "https://www.python.org/",
     "https://www.learnpython.org/"},
    {"searxng/rizalramly_browse-API__attention-is-all-you-need.json", 20, "https://arxiv.org/abs/1706.03762",
     "https://huggingface.co/papers/1706.03762"},
    {"searxng/stevezau_shortlist__severance-similar.json", 6,
     "https://www.reddit.com/r/SeveranceAppleTVPlus/comments/1idlrtq/"
     "what_other_shows_do_you_rate_as_highly_as_or/",
     "https://www.tatlerasia.com/lifestyle/entertainment/shows-like-severance"},
    {"searxng/xeeker4368_atman__espresso-grind-size.json", 27,
     "https://coffee.stackexchange.com/questions/6402/"
     "how-does-grind-size-affect-the-extraction-time-and-taste-of-espresso",
     "https://aeropress.com/pages/what-grind-size-should-i-use"},
};

TEST(ApiAnswer, EverySavedAnswerGivesItsHits) {
    const QDir dir(AnswersDir());
    if (!dir.exists()) GTEST_SKIP() << "saved API answers not found in " << dir.path().toStdString();
    int files = 0;
    for (const Expected& expected : kExpected) {
        const QString name = QString::fromLatin1(expected.file);
        QFile file(dir.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << expected.file;
        const ApiPage page = ApiAnswer::Read(KindOfFolder(name.section(u'/', 0, 0)), file.readAll());
        ++files;
        EXPECT_TRUE(page.problem.isEmpty()) << expected.file << ": " << page.problem.toStdString();
        EXPECT_TRUE(page.refusal.isEmpty()) << expected.file;
        ASSERT_EQ(page.hits.size(), expected.hits) << expected.file;
        if (expected.hits == 0) {
            EXPECT_TRUE(page.last);
            continue;
        }
        EXPECT_EQ(page.hits.front().link, QString::fromUtf8(expected.first)) << expected.file;
        EXPECT_EQ(page.hits.back().link, QString::fromUtf8(expected.last)) << expected.file;
        for (const EngineHit& hit : page.hits) EXPECT_FALSE(hit.title.isEmpty()) << expected.file;
    }
    EXPECT_EQ(files, 19);
}

TEST(ApiAnswer, WhatTheSavedAnswersSayBesideTheirHits) {
    const QDir dir(AnswersDir());
    if (!dir.exists()) GTEST_SKIP() << "saved API answers not found in " << dir.path().toStdString();
    auto read = [&dir](const char* name, EngineKind kind) {
        QFile file(dir.filePath(QString::fromLatin1(name)));
        return file.open(QIODevice::ReadOnly) ? ApiAnswer::Read(kind, file.readAll()) : ApiPage();
    };
    // The cursor is still set on OpenAlex's last page: the empty page after it ends the walk.
    const ApiPage first = read("openalex/rkrug_openalexPro__keypaper-page1.json", EngineKind::OpenAlex);
    EXPECT_FALSE(first.nextCursor.isEmpty());
    EXPECT_FALSE(first.last);
    EXPECT_EQ(first.hits.front().type, "pdf");
    EXPECT_EQ(first.skippedResults, 1);  // a work without any PDF
    const ApiPage severance = read("searxng/stevezau_shortlist__severance-similar.json", EngineKind::Searxng);
    EXPECT_EQ(severance.unresponsive,
              QStringList({"brave (Suspended: too many requests)", "duckduckgo (CAPTCHA)",
                           "startpage (Suspended: CAPTCHA)"}));
    // Google names its next page; Brave says whether more results are available.
    EXPECT_FALSE(read("google-cse/open-webui_open-webui__lectures.json", EngineKind::GoogleApi).last);
    EXPECT_EQ(read("google-cse/microsoft_semantic-kernel__site-filter-devblogs.json", EngineKind::GoogleApi)
                  .hits.front()
                  .title,
              "Hello, Semantic Kernel! | Semantic Kernel");  // the file starts with a byte-order mark
}

TEST(ApiAnswer, ErrorObjectsAreRefusals) {
    // Google's error shape (Custom Search JSON API, "Errors": the standard Google API error object).
    const ApiPage google = ApiAnswer::Read(EngineKind::GoogleApi, R"({"error": {"code": 429,
        "message": "Quota exceeded for quota metric 'Queries' and limit 'Queries per day'",
        "errors": [{"domain": "global", "reason": "rateLimitExceeded"}], "status": "RESOURCE_EXHAUSTED"}})");
    EXPECT_EQ(google.refusal.left(23), "RESOURCE_EXHAUSTED 429 ");
    // Brave's (Search API documentation, error responses).
    const ApiPage brave =
        ApiAnswer::Read(EngineKind::BraveApi, R"({"type": "ErrorResponse", "error": {"id": "x",
        "status": 401, "code": "SUBSCRIPTION_TOKEN_INVALID", "detail": "The provided subscription token is invalid."}})");
    EXPECT_EQ(brave.refusal, "401 SUBSCRIPTION_TOKEN_INVALID The provided subscription token is invalid.");
    // OpenAlex's ({"error": ..., "message": ...}).
    const ApiPage openAlex =
        ApiAnswer::Read(EngineKind::OpenAlex,
                        R"({"error": "Invalid query parameters error.", "message": "cursor is invalid"})");
    EXPECT_EQ(openAlex.refusal, "Invalid query parameters error.: cursor is invalid");
    EXPECT_TRUE(openAlex.hits.isEmpty());
}

TEST(ApiAnswer, MalformedTruncatedAndWrongTypesNeverCrash) {
    for (EngineKind kind :
         {EngineKind::Searxng, EngineKind::GoogleApi, EngineKind::BraveApi, EngineKind::OpenAlex}) {
        for (const char* body : {"", "   ", "{", "{\"results\": [", "[1, 2]", "null", "\"text\"",
                                 "<html>busy</html>", "{\"results\": {\"url\": 1}}", "{\"items\": 7}",
                                 "{\"web\": []}", "{\"web\": {\"results\": \"x\"}}", "\xEF\xBB\xBF"}) {
            const ApiPage page = ApiAnswer::Read(kind, QByteArray(body));
            EXPECT_TRUE(page.hits.isEmpty()) << body;
        }
    }
    EXPECT_FALSE(ApiAnswer::Read(EngineKind::Searxng, "{\"results\": {\"url\": 1}}").problem.isEmpty());
    EXPECT_FALSE(ApiAnswer::Read(EngineKind::Searxng, "{\"results\": [").problem.isEmpty());
    // Results of the wrong shape are skipped one by one; the good ones stay.
    const ApiPage mixed = ApiAnswer::Read(EngineKind::Searxng, R"json({"results": [
        {"url": 5, "title": "number"}, "text", null, {"url": "javascript:alert(1)"}, {"url": "/relative.pdf"},
        {"url": "https://ok.test/a.pdf", "title": ["not", "text"]}, {"url": "https://ok.test/a.pdf"},
        {"url": "https://ok.test/b.pdf", "title": "B"}], "unresponsive_engines": [[1, 2], "old-style", []]})json");
    ASSERT_EQ(mixed.hits.size(), 2);
    EXPECT_EQ(mixed.hits[0].link, "https://ok.test/a.pdf");
    EXPECT_EQ(mixed.hits[0].title, "");
    EXPECT_EQ(mixed.skippedResults, 5);
    EXPECT_EQ(mixed.unresponsive, QStringList({"old-style"}));
    const ApiPage works = ApiAnswer::Read(EngineKind::OpenAlex, R"({"results": [{"display_name": 3,
        "best_oa_location": "x", "primary_location": {"pdf_url": null}, "locations": [{"pdf_url": "ftp://p.test/x"}]}],
        "meta": {"next_cursor": 12}})");
    ASSERT_EQ(works.hits.size(), 1);
    EXPECT_EQ(works.hits[0].link, "ftp://p.test/x");
    EXPECT_TRUE(works.last);  // no cursor to go on with
}

TEST(ApiAnswer, HugeAnswerIsReadWithinBounds) {
    // 20 MB: one long title and more results than any page holds.
    QByteArray body = "{\"results\": [{\"url\": \"https://big.test/0.pdf\", \"title\": \"" +
                      QByteArray(12 * 1024 * 1024, 'x') + "\"}";
    for (int i = 1; body.size() < 20 * 1024 * 1024; ++i)
        body += ", {\"url\": \"https://big.test/" + QByteArray::number(i) + ".pdf\", \"title\": \"t\"}";
    body += "]}";
    const ApiPage page = ApiAnswer::Read(EngineKind::Searxng, body);
    EXPECT_TRUE(page.problem.isEmpty());
    EXPECT_EQ(page.hits.size(), ApiAnswer::kMaxHits);
    EXPECT_LE(page.hits[0].title.size(), 160);
    EXPECT_GT(page.skippedResults, 0);
}

TEST(ApiRequest, PagesKeysAndInstances) {
    const auto catalog = EngineCatalog::BuiltIn();
    EngineKeys keys;
    keys.googleApiKey = "g&key";
    keys.googleCx = "cx1";
    keys.braveApiKey = "brave-secret";
    keys.openAlexMailto = "me@example.org";
    const EngineDefinition* google = catalog->Find("google-api");
    ASSERT_TRUE(google);
    EXPECT_EQ(ApiRequest::Build(*google, "https://www.googleapis.com/customsearch/v1?q=k&fileType=pdf", 3, {},
                                keys, {})
                  .url,
              "https://www.googleapis.com/customsearch/v1?q=k&fileType=pdf&start=31&key=g%26key&cx=cx1");
    const EngineDefinition* brave = catalog->Find("brave-api");
    ASSERT_TRUE(brave);
    const ApiRequest braveRequest =
        ApiRequest::Build(*brave, "https://api.search.brave.com/x?q=k", 2, {}, keys, {});
    EXPECT_EQ(braveRequest.url, "https://api.search.brave.com/x?q=k&offset=2");
    EXPECT_TRUE(braveRequest.headers.contains(
        qMakePair(QByteArray("X-Subscription-Token"), QByteArray("brave-secret"))));
    const EngineDefinition* openAlex = catalog->Find("openalex");
    ASSERT_TRUE(openAlex);
    EXPECT_EQ(ApiRequest::Build(*openAlex, "https://api.openalex.org/works?search=k", 0, {}, keys, {}).url,
              "https://api.openalex.org/works?search=k&cursor=*&mailto=me%40example.org");
    EXPECT_EQ(ApiRequest::Build(*openAlex, "https://api.openalex.org/works?search=k", 1, "a+b=", {}, {}).url,
              "https://api.openalex.org/works?search=k&cursor=a%2Bb%3D");
    const EngineDefinition* searxng = catalog->Find("searxng");
    ASSERT_TRUE(searxng);
    EXPECT_EQ(ApiRequest::Build(*searxng, "https://searxng.invalid/search?q=k&format=json", 1, {}, keys,
                                "http://127.0.0.1:8888/searx")
                  .url,
              "http://127.0.0.1:8888/searx/search?q=k&format=json&pageno=2");

    EXPECT_EQ(ApiRequest::MissingKey(*google, EngineKeys()), "GoogleApiKey");
    EXPECT_EQ(ApiRequest::MissingKey(*searxng, EngineKeys()), "SearxngUrls");
    EXPECT_EQ(ApiRequest::MissingKey(*openAlex, EngineKeys()), "");
    EXPECT_EQ(ApiRequest::MissingKey(*google, keys), "");
}

}  // namespace
