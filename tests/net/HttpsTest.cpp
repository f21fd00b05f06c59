#include <gtest/gtest.h>

#include <QProcess>

#include "LocalServer.h"
#include "TempHome.h"
#include "lists/RunLog.h"
#include "net/CHttpClientT.h"
#include "net/CurlSetup.h"
#include "net/PageFetch.h"

namespace {

bool Openssl(const TempHome& home, const QStringList& args) {
    QProcess process;
    process.setWorkingDirectory(home.Path());
    process.start("openssl", args);
    return process.waitForFinished(30000) && process.exitCode() == 0;
}

// A throw-away CA and a certificate for an engine host, so a local server can stand in for it.
bool MakeCertificates(const TempHome& home) {
    home.Write("ext.cnf", "subjectAltName=DNS:www.google.com.hk\n");
    return Openssl(home, {"req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", "ca.key", "-out",
                          "ca.pem", "-days", "2", "-subj", "/CN=Skimmer Test CA"}) &&
           Openssl(home, {"req", "-newkey", "rsa:2048", "-nodes", "-keyout", "host.key", "-out", "host.csr",
                          "-subj", "/CN=www.google.com.hk"}) &&
           Openssl(home, {"x509", "-req", "-in", "host.csr", "-CA", "ca.pem", "-CAkey", "ca.key",
                          "-CAcreateserial", "-out", "host.pem", "-days", "2", "-extfile", "ext.cnf"});
}

TEST(Https, EngineHostMappedToALocalServerWithATestCa) {
    TempHome home;
    if (!MakeCertificates(home)) GTEST_SKIP() << "openssl could not make test certificates";
    LocalServer server(home.Path("host.pem"), home.Path("host.key"));
    server.Http().Get("/search", [](const httplib::Request& req, httplib::Response& res) {
        res.set_content("results for " + req.get_param_value("q"), "text/html; charset=utf-8");
    });
    server.Start();
    RunLog log(home.Path("run.log"));
    CurlSetup::SetConnectTo({QStringLiteral("www.google.com.hk:443:127.0.0.1:%1").arg(server.Port())});

    CHttpClientT client;
    // Without the test CA the certificate is refused: verification is on.
    EXPECT_EQ(getHtmlPageCode(client, "https://www.google.com.hk/search?q=pdf", {}, true, &log), QString());
    CurlSetup::SetCaFile(home.Path("ca.pem"));
    EXPECT_EQ(getHtmlPageCode(client, "https://www.google.com.hk/search?q=pdf", {}, true, &log),
              QStringLiteral("results for pdf"));

    CurlSetup::SetConnectTo({});
    CurlSetup::SetCaFile({});
    CurlSetup::ReleaseThreadHandle();
}

}  // namespace
