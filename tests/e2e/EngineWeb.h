#pragma once
// A local stand-in for every search engine: one HTTP and one HTTPS server on 127.0.0.1, every engine
// host mapped onto them through the HTTP layer's host override. Each answers its result pages in the
// engine's layout with one hit whose document link names the engine (http://docs.test/<engine>.doc).

#include <QString>
#include <atomic>
#include <chrono>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "HostMappedWeb.h"

class EngineWeb {
  public:
    EngineWeb();
    bool HttpsReady() const { return web_.HttpsReady(); }
    LocalServer& Http() { return web_.Http(); }
    std::atomic<int>& GeneratorHits() { return generatorHits_; }
    // From now on the host answers every request with this status and body (an engine's block page).
    void Block(const std::string& host, int status, const std::string& body);
    // When each request to the host arrived, in order.
    std::vector<std::chrono::steady_clock::time_point> Arrivals(const std::string& host) const;
    // The paths asked of the host, in order.
    std::vector<std::string> Paths(const std::string& host) const;
    // The page a host serves for a path; empty when the host is not an engine.
    static std::string EnginePage(const std::string& host, const std::string& path, const std::string& query);

  private:
    struct BlockPage {
        int status;
        std::string body;
    };
    void Answer(const httplib::Request& req, httplib::Response& res);

    mutable std::mutex lock_;
    std::map<std::string, BlockPage> blocked_;
    std::map<std::string, std::vector<std::chrono::steady_clock::time_point>> arrivals_;
    std::map<std::string, std::vector<std::string>> paths_;
    std::atomic<int> generatorHits_{0};
    HostMappedWeb web_;  // last: it serves from the moment it is made
};
