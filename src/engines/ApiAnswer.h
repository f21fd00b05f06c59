#pragma once
// Reads one JSON answer of a search API (SearXNG, Google Programmable Search, Brave Search, OpenAlex) into
// hits, what the answer says about further pages, and a refusal when the service answered with an error
// object. Answers are outside input: anything that is not the expected shape is a problem reported in
// words, a result of the wrong shape is skipped and counted, never a crash. Pure; any thread.

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include "engines/EngineDefinition.h"
#include "engines/EngineHit.h"

struct ApiPage {
    QList<EngineHit> hits;
    bool last = false;         // the answer says no page follows it
    QString nextCursor;        // OpenAlex: the cursor of the next page; empty when there is none
    QString refusal;           // the service's error object, in words: quota, refused key, bad request
    QString problem;           // the answer could not be read at all
    int skippedResults = 0;    // results without a usable address or of the wrong shape
    QStringList unresponsive;  // SearXNG: engines of the instance that did not answer, "name (reason)"
};

class ApiAnswer {
  public:
    // More hits than this from one answer are dropped: no real page holds them.
    static constexpr int kMaxHits = 1000;

    // Secrets the service may echo in its error text come out as "***"; they are scrubbed before the
    // text is cut short, so no part of one survives the cut.
    static ApiPage Read(EngineKind kind, const QByteArray& body, const QStringList& secrets = {});

  private:
    static ApiPage ReadUnscrubbed(EngineKind kind, const QByteArray& body);
};
