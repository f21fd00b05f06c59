#pragma once
// A local stand-in for every search engine: one HTTP and one HTTPS server on 127.0.0.1, every engine
// host mapped onto them through the HTTP layer's host override. Each answers its result pages in the
// engine's layout with one hit whose document link names the engine (http://docs.test/<engine>.doc).

#include <QString>
#include <atomic>
#include <memory>

#include "LocalServer.h"
#include "TempHome.h"

class EngineWeb {
  public:
    EngineWeb();
    ~EngineWeb();
    bool HttpsReady() const { return https_ != nullptr; }
    LocalServer& Http() { return *http_; }
    std::atomic<int>& GeneratorHits() { return generatorHits_; }
    // The page a host serves for a path; empty when the host is not an engine.
    static std::string EnginePage(const std::string& host, const std::string& path, const std::string& query);

  private:
    TempHome certificates_;
    std::unique_ptr<LocalServer> http_;
    std::unique_ptr<LocalServer> https_;
    std::atomic<int> generatorHits_{0};
};
