#include "LocalServer.h"

#include <sys/socket.h>

#include <chrono>

namespace {

// cpp-httplib keeps its listening socket to itself; these open it up so the backlog can be raised.
struct PlainServer : httplib::Server {
    int ListeningSocket() const { return svr_sock_; }
};
struct TlsServer : httplib::SSLServer {
    using httplib::SSLServer::SSLServer;
    int ListeningSocket() const { return svr_sock_; }
};

}  // namespace

LocalServer::LocalServer() : server_(std::make_unique<PlainServer>()) {}

LocalServer::LocalServer(const QString& certFile, const QString& keyFile)
    : server_(std::make_unique<TlsServer>(certFile.toUtf8().constData(), keyFile.toUtf8().constData())),
      tls_(true) {}

void LocalServer::Start() {
    server_->set_tcp_nodelay(true);
    server_->new_task_queue = [] { return new httplib::ThreadPool(64); };
    port_ = server_->bind_to_any_port("127.0.0.1");
    // cpp-httplib listens with a backlog of 5, which drops connections when many clients arrive at once.
    const int socket = tls_ ? static_cast<TlsServer&>(*server_).ListeningSocket()
                            : static_cast<PlainServer&>(*server_).ListeningSocket();
    ::listen(socket, 512);
    // The socket already listens, so clients may connect before the accept loop runs.
    thread_ = std::thread([this] { server_->listen_after_bind(); });
    // stop() does nothing until the accept loop has begun: a test that never calls the server would
    // otherwise leave the destructor waiting for good.
    while (port_ > 0 && !server_->is_running()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

LocalServer::~LocalServer() {
    server_->stop();
    if (thread_.joinable()) thread_.join();
}

QString LocalServer::Url(const QString& path) const {
    return QStringLiteral("%1://127.0.0.1:%2%3").arg(tls_ ? "https" : "http").arg(port_).arg(path);
}
