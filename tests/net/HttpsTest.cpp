#include <gtest/gtest.h>

#include "LocalServer.h"
#include "TempHome.h"
#include "TestCertificates.h"
#include "lists/RunLog.h"
#include "net/CurlSetup.h"
#include "net/HttpClient.h"
#include "net/PageFetch.h"

namespace {

TEST(Https, EngineHostMappedToALocalServerWithATestCa) {
    TempHome home;
    if (!MakeTestCertificates(home, {"www.google.com.hk"}))
        GTEST_SKIP() << "openssl could not make test certificates";
    LocalServer server(home.Path("host.pem"), home.Path("host.key"));
    server.Http().Get("/search", [](const httplib::Request& req, httplib::Response& res) {
        res.set_content("results for " + req.get_param_value("q"), "text/html; charset=utf-8");
    });
    server.Start();
    RunLog log(home.Path("run.log"));
    CurlSetup::SetConnectTo({QStringLiteral("www.google.com.hk:443:127.0.0.1:%1").arg(server.Port())});

    HttpClient client;
    // Without the test CA the certificate is refused: verification is on.
    EXPECT_EQ(FetchPageText(client, "https://www.google.com.hk/search?q=pdf", {}, true, &log), QString());
    CurlSetup::SetCaFile(home.Path("ca.pem"));
    EXPECT_EQ(FetchPageText(client, "https://www.google.com.hk/search?q=pdf", {}, true, &log),
              QStringLiteral("results for pdf"));

    CurlSetup::SetConnectTo({});
    CurlSetup::SetCaFile({});
    CurlSetup::ReleaseThreadHandle();
}

}  // namespace
