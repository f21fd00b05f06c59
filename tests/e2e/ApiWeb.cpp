#include "ApiWeb.h"

#include <QFile>
#include <QStringList>

namespace {

const QStringList kHttpsHosts = {"www.googleapis.com", "api.search.brave.com", "api.openalex.org"};
const QStringList kHttpHosts = {"searx-a.test", "searx-b.test", "files.test"};

int PageOf(const httplib::Request& req, const std::string& host) {
    if (host == "www.googleapis.com")
        return req.has_param("start") ? (std::atoi(req.get_param_value("start").c_str()) - 1) / 10 + 1 : 1;
    if (host == "api.search.brave.com")
        return req.has_param("offset") ? std::atoi(req.get_param_value("offset").c_str()) + 1 : 1;
    if (host == "api.openalex.org") {
        const std::string cursor = req.get_param_value("cursor");
        if (cursor == "*") return 1;
        return cursor.rfind("page", 0) == 0 ? std::atoi(cursor.c_str() + 4) : 99;
    }
    return req.has_param("pageno") ? std::atoi(req.get_param_value("pageno").c_str()) : 1;
}

}  // namespace

std::string ApiWeb::Saved(const QString& relative) {
    QFile file(qEnvironmentVariable("SKIMMER_FIXTURES", "../shared/fixtures") + "/api-responses/" + relative);
    return file.open(QIODevice::ReadOnly) ? file.readAll().toStdString() : std::string();
}

void ApiWeb::Script(const std::string& host, int page, Answer answer) {
    std::lock_guard<std::mutex> hold(lock_);
    script_[host][page] = std::move(answer);
}

void ApiWeb::ScriptAll(const std::string& host, Answer answer) {
    std::lock_guard<std::mutex> hold(lock_);
    always_[host] = std::move(answer);
}

std::vector<ApiWeb::Request> ApiWeb::Requests() const {
    std::lock_guard<std::mutex> hold(lock_);
    return requests_;
}

int ApiWeb::RequestsTo(const std::string& host) const {
    int count = 0;
    for (const Request& request : Requests()) count += request.host == host ? 1 : 0;
    return count;
}

void ApiWeb::Serve(const httplib::Request& req, httplib::Response& res) {
    std::string host = req.get_header_value("Host");
    host = host.substr(0, host.find(':'));
    Answer answer{404, "{}"};
    {
        std::lock_guard<std::mutex> hold(lock_);
        requests_.push_back(
            {host, req.target, req.get_header_value("X-Subscription-Token"), req.get_header_value("Accept")});
        if (host == "files.test") {
            answer = {200, "%PDF-1.4"};
        } else if (const auto all = always_.find(host); all != always_.end()) {
            answer = all->second;
        } else if (const auto pages = script_.find(host); pages != script_.end()) {
            const auto page = pages->second.find(PageOf(req, host));
            if (page != pages->second.end()) answer = page->second;
        }
    }
    res.status = answer.status;
    res.set_content(answer.body, "application/json");
    std::lock_guard<std::mutex> hold(lock_);
    if (const auto redirect = redirects_.find(host); redirect != redirects_.end())
        res.set_redirect(redirect->second, 302);
}

void ApiWeb::RedirectAll(const std::string& host, const std::string& location) {
    std::lock_guard<std::mutex> hold(lock_);
    redirects_[host] = location;
}

ApiWeb::ApiWeb()
    : web_(kHttpHosts, kHttpsHosts,
           [this](const httplib::Request& req, httplib::Response& res) { Serve(req, res); }) {}
