#pragma once
// A stand-in web for the end-to-end tests: one HTTP and one HTTPS server on 127.0.0.1 that answer for the
// given host names, reached through the HTTP layer's host mapping and a throw-away CA. The mapping is
// process-wide, so one object lives at a time.

#include <QStringList>
#include <functional>
#include <memory>

#include "LocalServer.h"
#include "TempHome.h"

class HostMappedWeb {
  public:
    using Handler = std::function<void(const httplib::Request&, httplib::Response&)>;

    // Every request to any of the hosts goes to `handler`, on the servers' threads.
    HostMappedWeb(const QStringList& httpHosts, const QStringList& httpsHosts, Handler handler);
    ~HostMappedWeb();
    HostMappedWeb(const HostMappedWeb&) = delete;
    HostMappedWeb& operator=(const HostMappedWeb&) = delete;

    // False when the certificates could not be made: the HTTPS hosts are then unreachable.
    bool HttpsReady() const { return https_ != nullptr; }
    LocalServer& Http() { return *http_; }

  private:
    TempHome certificates_;
    std::unique_ptr<LocalServer> http_;
    std::unique_ptr<LocalServer> https_;
};
