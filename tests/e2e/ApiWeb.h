#pragma once
// A local stand-in for the search APIs: Google's, Brave's and OpenAlex's hosts on one HTTPS server and two
// SearXNG instances on one HTTP server, all on 127.0.0.1 through the HTTP layer's host override. Each
// host answers from a script of (status, body) by page; every request is recorded.

#include <QByteArray>
#include <QString>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "HostMappedWeb.h"

class ApiWeb {
  public:
    struct Answer {
        int status = 200;
        std::string body;
    };
    struct Request {
        std::string host, target, token, accept;
    };

    ApiWeb();
    bool Ready() const { return web_.HttpsReady(); }

    // The answer for the page of a host: page counts from 1 (Google start=1+10n, Brave offset=n, SearXNG
    // pageno, OpenAlex: the cursor * is page 1, the cursor "page2" page 2, "page3" page 3).
    void Script(const std::string& host, int page, Answer answer);
    // Every page of the host answers this.
    void ScriptAll(const std::string& host, Answer answer);
    // Every request to the host is answered 302 to this address.
    void RedirectAll(const std::string& host, const std::string& location);
    std::vector<Request> Requests() const;
    int RequestsTo(const std::string& host) const;

    // A saved answer of ../shared/fixtures/api-responses; empty when absent.
    static std::string Saved(const QString& relative);

  private:
    void Serve(const httplib::Request& req, httplib::Response& res);

    mutable std::mutex lock_;
    std::map<std::string, std::map<int, Answer>> script_;
    std::map<std::string, Answer> always_;
    std::map<std::string, std::string> redirects_;
    std::vector<Request> requests_;
    HostMappedWeb web_;  // last: it serves from the moment it is made
};
