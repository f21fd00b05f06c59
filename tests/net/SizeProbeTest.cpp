#include <gtest/gtest.h>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include "LocalServer.h"
#include "net/CurlSetup.h"
#include "net/RemoteSizeProbe.h"

namespace {

TEST(SizeProbe, LengthOfA200AndZeroForEverythingElse) {
    LocalServer server;
    server.Http().Get("/doc", [](const httplib::Request&, httplib::Response& res) {
        res.set_content(std::string(123456, 'd'), "application/pdf");
    });
    server.Http().Get("/gone", [](const httplib::Request&, httplib::Response& res) { res.status = 404; });
    server.Http().Get("/gone-with-page", [](const httplib::Request&, httplib::Response& res) {
        res.status = 404;
        res.set_content(std::string(5000, 'n'), "text/html");
    });
    server.Http().Get("/broken", [](const httplib::Request&, httplib::Response& res) {
        res.status = 500;
        res.set_content("server trouble", "text/plain");
    });
    server.Start();
    RemoteSizeProbe probe;
    EXPECT_EQ(probe.Size(server.Url("/doc")), 123456);
    EXPECT_EQ(probe.Size(server.Url("/doc")), 123456);  // the reused handle is clean
    EXPECT_EQ(probe.Size(server.Url("/gone")), 0);
    EXPECT_EQ(probe.Size(server.Url("/gone-with-page")), 0);  // the error page is not the file
    EXPECT_EQ(probe.Size(server.Url("/broken")), 0);
    EXPECT_EQ(probe.Size("http://127.0.0.1:1/doc"), 0);
    EXPECT_EQ(probe.Size("not a url at all"), 0);
    CurlSetup::ReleaseThreadHandle();
}

TEST(SizeProbe, AServerThatNeverAnswersGivesZero) {
    // Listening without ever accepting: connections complete in the kernel and then hear nothing.
    const int sock = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(::bind(sock, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    socklen_t length = sizeof address;
    ::getsockname(sock, reinterpret_cast<sockaddr*>(&address), &length);
    ::listen(sock, 4);
    RemoteSizeProbe probe;
    EXPECT_EQ(probe.Size(QStringLiteral("http://127.0.0.1:%1/x").arg(ntohs(address.sin_port))), 0);
    ::close(sock);
}

}  // namespace
