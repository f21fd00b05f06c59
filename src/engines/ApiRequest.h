#pragma once
// The request for one page of a search API, built from the address the query catalogue made for the
// query's first page. The keys go into the request only here, at the moment it is sent: queued addresses,
// the status line and the run log never hold them. Pure; any thread.

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>

#include "engines/EngineDefinition.h"

struct EngineKeys;

struct ApiRequest {
    QString url;  // holds the keys of some services: never show or log it
    QList<QPair<QByteArray, QByteArray>> headers;

    // The placeholder host the SearXNG definition's addresses carry; a request goes to an instance.
    static constexpr const char* kSearxngPlaceholder = "https://searxng.invalid";

    // page counts from 0; cursor is the one the previous OpenAlex page gave; instance the SearXNG
    // instance to ask ("https://searx.example" or with a path).
    static ApiRequest Build(const EngineDefinition& engine, const QString& firstPage, int page,
                            const QString& cursor, const EngineKeys& keys, const QString& instance);

    // The setting that must be filled in before the engine can be asked; empty when nothing is missing.
    static QString MissingKey(const EngineDefinition& engine, const EngineKeys& keys);
};
