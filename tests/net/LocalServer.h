#pragma once
// An in-process HTTP(S) server on 127.0.0.1 with a free port, running on its own thread for the life
// of the object. Handlers are cpp-httplib's.

#include <httplib.h>

#include <QString>
#include <memory>
#include <thread>

class LocalServer {
  public:
    LocalServer();
    // HTTPS with the given certificate and key files.
    LocalServer(const QString& certFile, const QString& keyFile);
    ~LocalServer();

    httplib::Server& Http() { return *server_; }
    // Call after the handlers are in place.
    void Start();
    int Port() const { return port_; }
    QString Url(const QString& path) const;

  private:
    std::unique_ptr<httplib::Server> server_;
    std::thread thread_;
    int port_ = 0;
    bool tls_ = false;
};
