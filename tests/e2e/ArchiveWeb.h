#pragma once
// A stand-in web archive on 127.0.0.1: a Wayback CDX server with /web/<timestamp>id_/<link> captures and
// a Common Crawl index with a WARC file served by range. EnginesJson(): both archives here, no delay.

#include <QString>
#include <atomic>
#include <string>
#include <vector>

#include "LocalServer.h"

class ArchiveWeb {
  public:
    struct Capture {
        std::string link;
        std::string timestamp = "20190304120000";
        std::string mime = "application/pdf";
        std::string body;
        bool commonCrawl = false;  // in the crawl's WARC file rather than the Wayback
        bool exactOnly = false;    // answered for its own address only, not in a site's list
        int archivedStatus = 200;  // what the site answered when it was captured
        std::string warcUri = {};  // the address its WARC record names; empty: its link
    };
    void Add(Capture capture) { captures_.push_back(std::move(capture)); }
    void Start();
    QString Base() const { return server_.Url(QString()); }
    QString EnginesJson() const;
    const std::vector<Capture>& Captures() const { return captures_; }
    int CdxLookups() const { return lookups_.load(); }
    // The next `times` raw captures asked for are answered 429 with Retry-After: 1, as a busy archive does.
    void AnswerBusy(int times) { busy_.store(times); }
    int WarcFetches() const { return warcFetches_.load(); }

  private:
    std::vector<Capture> captures_;
    std::string warc_;  // the records of the Common Crawl captures, one after another
    std::vector<std::pair<qint64, qint64>> records_;  // offset and length, by capture
    std::atomic<int> lookups_{0};  // CDX look-ups of one address
    std::atomic<int> busy_{0};
    std::atomic<int> warcFetches_{0};
    LocalServer server_;
};
