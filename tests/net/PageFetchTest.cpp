#include <gtest/gtest.h>

#include "LocalServer.h"
#include "TempHome.h"
#include "lists/RunLog.h"
#include "lists/TextCodec.h"
#include "net/CurlSetup.h"
#include "net/HttpClient.h"
#include "net/HttpError.h"
#include "net/HttpRequest.h"
#include "net/PageFetch.h"

namespace {

const QByteArray kGbkChinese("\xD6\xD0\xCE\xC4");

class PageFetchTest : public ::testing::Test {
  protected:
    void SetUp() override {
        auto& http = server.Http();
        http.Get("/s", [](const httplib::Request& req, httplib::Response& res) {
            res.set_content("wd=" + req.get_param_value("wd"), "text/plain; charset=utf-8");
        });
        http.Get("/echo-referer", [](const httplib::Request& req, httplib::Response& res) {
            res.set_content(req.has_header("Referer") ? "referer=" + req.get_header_value("Referer") : "none",
                            "text/plain");
        });
        http.Get("/straddle", [](const httplib::Request&, httplib::Response& res) {
            // "中" (3 bytes) sits across the 10,239-byte boundary, where a reader that decodes block by
            // block would cut it.
            std::string body(10238, 'a');
            body += "中文end";
            res.set_content(body, "text/html; charset=utf-8");
        });
        http.Get("/gbk-declared", [](const httplib::Request&, httplib::Response& res) {
            res.set_content(kGbkChinese.toStdString(), "text/html; charset=GBK");
        });
        http.Get("/gbk-bare", [](const httplib::Request&, httplib::Response& res) {
            res.set_content(kGbkChinese.toStdString(), "text/html");
        });
        http.Get("/big5-meta", [](const httplib::Request&, httplib::Response& res) {
            // "中文" in Big5, declared only in the page.
            res.set_content("<html><head><meta charset=\"big5\"></head>\xA4\xA4\xA4\xE5", "text/html");
        });
        http.Get("/utf8-declared", [](const httplib::Request&, httplib::Response& res) {
            res.set_content("中文", "text/html; charset=utf-8");
        });
        http.Get("/hop1", [this](const httplib::Request&, httplib::Response& res) {
            res.set_redirect(server.Url("/hop2").toStdString(), 302);
        });
        http.Get("/hop2",
                 [](const httplib::Request&, httplib::Response& res) { res.set_redirect("/final", 301); });
        http.Get("/final", [](const httplib::Request&, httplib::Response& res) {
            res.set_content("arrived", "text/plain");
        });
        http.Get("/big5-hop", [this](const httplib::Request&, httplib::Response& res) {
            res.set_content("moved", "text/html; charset=big5");
            res.set_redirect(server.Url("/gbk-declared").toStdString(), 302);
        });
        http.Get("/sized/(\\d+)", [](const httplib::Request& req, httplib::Response& res) {
            res.set_content(std::string(std::stoul(req.matches[1]), 'b'), "text/plain");
        });
        http.Get("/missing", [](const httplib::Request&, httplib::Response& res) {
            res.status = 404;
            res.set_content("not here", "text/plain");
        });
        http.Get("/broken", [](const httplib::Request&, httplib::Response& res) {
            res.status = 500;
            res.set_content("server trouble", "text/plain");
        });
        http.Get("/chunked", [](const httplib::Request&, httplib::Response& res) {
            res.set_chunked_content_provider("text/plain", [](size_t offset, httplib::DataSink& sink) {
                if (offset < 30000) {
                    sink.write("0123456789", 10);
                } else {
                    sink.done();
                }
                return true;
            });
        });
        http.Get("/redirect-absolute", [](const httplib::Request&, httplib::Response& res) {
            res.set_redirect("http://docs.example.org/a%20b.pdf", 302);
        });
        http.Get(R"(/.*redirect-relative)", [](const httplib::Request&, httplib::Response& res) {
            res.status = 302;
            res.set_header("Location", "../files/report.pdf?x=1");
        });
        http.Get("/no-location", [](const httplib::Request&, httplib::Response& res) {
            res.set_content("hi", "text/plain");
        });
        http.Get("/echo-headers", [](const httplib::Request& req, httplib::Response& res) {
            std::string text;
            for (const char* name : {"User-Agent", "Accept-Language", "Cookie", "Injected", "X-Empty"})
                text += std::string(name) + "=" + req.get_header_value(name) + "\n";
            res.set_content(text, "text/plain");
        });
        http.Get("/challenge", [this](const httplib::Request&, httplib::Response& res) {
            res.set_redirect(server.Url("/sorry/index").toStdString(), 302);
        });
        http.Get("/sorry/index", [](const httplib::Request&, httplib::Response& res) {
            res.status = 429;
            res.set_content("unusual traffic", "text/html");
        });
        server.Start();
    }

    // Lets the server stop at once instead of waiting out our kept-alive connection.
    void TearDown() override { CurlSetup::ReleaseThreadHandle(); }

    QString Fetch(const QString& path, const QString& referer = {}, bool utf8 = true) {
        HttpClient client;
        return FetchPageText(client, server.Url(path), referer, utf8, &log);
    }

    LocalServer server;
    TempHome home;
    RunLog log{home.Path("run.log")};
};

TEST_F(PageFetchTest, RefererOnlyWhenGivenAndNeverCarriedOver) {
    HttpClient client;
    EXPECT_EQ(FetchPageText(client, server.Url("/echo-referer"), "http://a.example/", true, &log),
              QStringLiteral("referer=http://a.example/"));
    EXPECT_EQ(FetchPageText(client, server.Url("/echo-referer"), "", true, &log), QStringLiteral("none"));
    EXPECT_EQ(FetchPageText(client, server.Url("/echo-referer"), "x\r\nInjected: 1", true, &log),
              QStringLiteral("referer=x  Injected: 1"));
}

TEST_F(PageFetchTest, DecodesTheWholeBodyWithTheRightCharset) {
    const QString straddle = Fetch("/straddle");
    EXPECT_EQ(straddle.size(), 10238 + 5);
    EXPECT_TRUE(straddle.endsWith(QString::fromUtf8("中文end")));
    EXPECT_EQ(Fetch("/gbk-declared"), QString::fromUtf8("中文"));
    EXPECT_EQ(Fetch("/gbk-bare"), QString::fromUtf8("中文"));
    EXPECT_EQ(Fetch("/gbk-bare", {}, false), QString::fromUtf8("中文"));
    EXPECT_TRUE(Fetch("/big5-meta").endsWith(QString::fromUtf8("中文")));
    EXPECT_EQ(Fetch("/utf8-declared", {}, false), QString::fromUtf8("中文"));
}

TEST_F(PageFetchTest, EachPageIsDecodedByItsOwnHeaderNotByARedirectsHeader) {
    EXPECT_EQ(Fetch("/big5-hop", {}, false), QString::fromUtf8("中文"));
    EXPECT_EQ(Fetch("/big5-hop", {}, true), QString::fromUtf8("中文"));
}

TEST_F(PageFetchTest, BodyLimitTakesExactlyItsSize) {
    HttpClient client;
    client.SetBodyLimit(5000);
    EXPECT_EQ(client.Get(server.Url("/sized/5000"), false)->ReadAll().size(), 5000);
    EXPECT_THROW(client.Get(server.Url("/sized/5001"), false), HttpError);
    EXPECT_EQ(client.Get(server.Url("/sized/0"), false)->ReadAll().size(), 0);

    // A drained body stops at the limit without failing the request.
    client.SetDiscardBody(true);
    const auto drained = client.Get(server.Url("/sized/1000000"), false);
    EXPECT_EQ(drained->StatusCode(), 200);
    EXPECT_TRUE(drained->ReadAll().isEmpty());
}

TEST_F(PageFetchTest, AnyStatusIsAnAnswerAndRedirectsAreFollowed) {
    EXPECT_EQ(Fetch("/hop1"), QStringLiteral("arrived"));
    EXPECT_EQ(Fetch("/missing"), QStringLiteral("not here"));
    EXPECT_EQ(Fetch("/broken"), QStringLiteral("server trouble"));
    EXPECT_EQ(Fetch("/chunked").size(), 30000);
    HttpClient client;
    const QString schemeless = server.Url("/final").mid(int(qstrlen("http://")));
    EXPECT_EQ(FetchPageText(client, schemeless, {}, true, &log), QStringLiteral("arrived"));
    EXPECT_FALSE(home.Exists("run.log"));
}

TEST_F(PageFetchTest, CatalogueAddressesWithBlanksAndChineseAreSentEncoded) {
    EXPECT_EQ(Fetch(QString::fromUtf8("/s?wd=filetype%3Apdf%20(年报) -(百度文库)&pn=0")),
              QString::fromUtf8("wd=filetype:pdf (年报) -(百度文库)"));
}

TEST_F(PageFetchTest, FailuresLeaveOneRunLogEntryEach) {
    HttpClient client;
    EXPECT_EQ(FetchPageText(client, "http://127.0.0.1:1/nothing", {}, true, &log), QString());
    QString real = "stale";
    EXPECT_FALSE(ResolveRedirect("http://127.0.0.1:1/nothing", real, &log));
    EXPECT_EQ(real, QString());
    const QByteArray text = home.Read("run.log");
    EXPECT_EQ(text.count("\ngetHtmlPageCode\n"), 1);
    EXPECT_EQ(text.count("\nGetRealDownUrl\n"), 1);
    EXPECT_EQ(text.count(QByteArray(84, '-')), 2);
}

TEST_F(PageFetchTest, ResultPagesGiveStatusFinalAddressAndSendTheEngineHeaders) {
    HttpClient client;
    const FetchedPage blocked = FetchResultPage(client, server.Url("/challenge"), {}, {}, &log);
    EXPECT_TRUE(blocked.answered);
    EXPECT_EQ(blocked.status, 429);
    EXPECT_EQ(blocked.finalUrl, server.Url("/sorry/index"));
    EXPECT_EQ(blocked.text, QStringLiteral("unusual traffic"));

    // A browser's User-Agent unless the engine names its own; header text from a user file cannot
    // start a header line of its own.
    QString plain = FetchResultPage(client, server.Url("/echo-headers"), {}, {}, &log).text;
    EXPECT_TRUE(plain.contains(QStringLiteral("User-Agent=") + QLatin1StringView(kBrowserUserAgent) + "\n"));
    const RequestHeaders headers{{"user-agent", "TestAgent/1"},
                                 {"Accept-Language", "en-US,en;q=0.9"},
                                 {"Cookie", "CONSENT=YES+\r\nInjected: 1"},
                                 {"X-Empty", ""}};
    const FetchedPage own = FetchResultPage(client, server.Url("/echo-headers"), {}, headers, &log);
    EXPECT_EQ(own.status, 200);
    EXPECT_EQ(own.text, QStringLiteral("User-Agent=TestAgent/1\nAccept-Language=en-US,en;q=0.9\n"
                                       "Cookie=CONSENT=YES+  Injected: 1\nInjected=\nX-Empty=\n"));
    // The next request of the same client is not stuck with the engine's agent.
    plain = FetchResultPage(client, server.Url("/echo-headers"), {}, {}, &log).text;
    EXPECT_TRUE(plain.contains(QLatin1StringView(kBrowserUserAgent)));

    const FetchedPage failed = FetchResultPage(client, "http://127.0.0.1:1/nothing", {}, {}, &log);
    EXPECT_FALSE(failed.answered);
    EXPECT_EQ(failed.text, QString());
    EXPECT_EQ(home.Read("run.log").count("\ngetHtmlPageCode\n"), 1);
}

TEST_F(PageFetchTest, RealAddressComesFromTheFirstLocationMadeAbsolute) {
    QString real;
    EXPECT_TRUE(ResolveRedirect(server.Url("/redirect-absolute"), real, &log));
    EXPECT_EQ(real, QStringLiteral("http://docs.example.org/a%20b.pdf"));
    EXPECT_TRUE(ResolveRedirect(server.Url("/link/here/redirect-relative"), real, &log));
    EXPECT_EQ(real, server.Url("/link/files/report.pdf?x=1"));
    EXPECT_FALSE(ResolveRedirect(server.Url("/no-location"), real, &log));
    EXPECT_EQ(real, QString());
}

TEST(HttpClient, ArgumentMessages) {
    HttpClient client;
    try {
        client.AddHeader("Referer", "");
        FAIL() << "an empty value was taken";
    } catch (const HttpError& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("HttpClient::AddHeader: szValue can not be an empty string."));
    }
    EXPECT_THROW(client.AddHeader("", "x"), HttpError);
    EXPECT_THROW(client.Get("http://", false), HttpError);
    EXPECT_THROW(client.Get("ftp://127.0.0.1/x", false), HttpError);
}

// Sets (or, with a null value, removes) an environment variable for its lifetime.
class ScopedEnv {
  public:
    ScopedEnv(const char* name, const QByteArray& value)
        : name_(name), had_(qEnvironmentVariableIsSet(name)), saved_(qgetenv(name)) {
        if (value.isNull()) {
            qunsetenv(name);
        } else {
            qputenv(name, value);
        }
    }
    ~ScopedEnv() {
        if (had_) {
            qputenv(name_, saved_);
        } else {
            qunsetenv(name_);
        }
    }

  private:
    const char* name_;
    bool had_;
    QByteArray saved_;
};

// The one place every request goes through: its body limit must stop a body that is too long whatever the
// sink, and a request that turns proxies off must not go through the one the environment names.
TEST(HttpRequest, BodyLimitAndProxyChoice) {
    LocalServer server;
    server.Http().Get("/ten", [](const httplib::Request&, httplib::Response& res) {
        res.set_content(std::string(10000, 't'), "text/plain");
    });
    server.Start();
    LocalServer proxy;
    proxy.Http().Get(".*", [](const httplib::Request&, httplib::Response& res) {
        res.set_content("from the proxy", "text/plain");
    });
    proxy.Start();

    HttpRequest request;
    request.url = server.Url("/ten").toUtf8();
    request.bodyLimit = 10000;
    HttpResult whole = HttpTransport::Perform(CurlSetup::ThreadHandle(), request);
    EXPECT_TRUE(whole.Ok());
    EXPECT_EQ(whole.body.size(), 10000);
    EXPECT_FALSE(whole.overLimit);

    request.bodyLimit = 9999;
    HttpResult cut = HttpTransport::Perform(CurlSetup::ThreadHandle(), request);
    EXPECT_FALSE(cut.Ok());
    EXPECT_TRUE(cut.overLimit);
    EXPECT_LE(cut.body.size(), 9999);
    request.sink = HttpRequest::BodySink::Discard;
    HttpResult drained = HttpTransport::Perform(CurlSetup::ThreadHandle(), request);
    EXPECT_TRUE(drained.overLimit);
    EXPECT_TRUE(drained.body.isEmpty());

    HttpResult viaProxy;
    HttpResult direct;
    {
        // A no_proxy of the machine must not let the request bypass the proxy under test.
        ScopedEnv httpProxy("http_proxy", proxy.Url("/").toUtf8());
        ScopedEnv noProxy("no_proxy", {});
        ScopedEnv noProxyUpper("NO_PROXY", {});
        request.sink = HttpRequest::BodySink::Memory;
        request.bodyLimit = -1;
        viaProxy = HttpTransport::Perform(CurlSetup::ThreadHandle(), request);
        request.proxy = HttpRequest::Proxy::None;
        direct = HttpTransport::Perform(CurlSetup::ThreadHandle(), request);
    }
    EXPECT_EQ(viaProxy.body, QByteArray("from the proxy"));
    EXPECT_EQ(direct.body.size(), 10000);
    CurlSetup::ReleaseThreadHandle();
}

}  // namespace
