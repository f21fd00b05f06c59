#pragma once
// What the program knows about one search engine, as data: how to ask it, how to recognise its result
// pages, how to cut hits from them and how to tell that it refused to answer. Read from JSON by
// EngineCatalog; plain values, safe to share between threads once loaded.

#include <QByteArray>
#include <QJsonArray>
#include <QJsonObject>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

// Turns an engine's click-through address into the address of the result it stands for.
struct UnwrapRule {
    enum class Kind {
        QueryParameter,   // the real address is a query parameter: /url?q=..., /l/?uddg=...
        PathSegment,      // the real address is a path segment after a marker: .../RU=<address>/RK=...
        Base64Parameter,  // a query parameter holding base64url after a fixed prefix:
                          // ck/a?...&u=a1<base64url>
        Attribute,        // an attribute of the result block holds the real address: <div mu="...">
    };
    Kind kind = Kind::QueryParameter;
    QString name;          // parameter name, segment marker ("RU=") or, for Attribute, an XPath relative
                           // to the result block that selects the attribute ("@mu")
    QString prefix;        // Base64Parameter: the prefix before the base64url text ("a1")
    QString pathContains;  // applies only when the link's path contains this; empty = every link
    QStringList ignore;    // Attribute: values that mean "no address" ("null")
};

// A result layout of today's pages: XPath 1.0 expressions over the HTML parser's tree.
struct XPathLayout {
    QString name;        // for messages and documentation: "web", "lite", "nojs"
    QString results;     // selects every result block of the page
    QString link;        // relative to a result block: the link (an href attribute, or an element whose href
                         // is taken)
    QString title;       // relative to a result block: the title text (its string value, spaces collapsed)
    QString snippet;     // optional, relative to a result block
    QString extraLinks;  // optional, relative to a result block: further links that are hits of their own
                         // with the block's title (a document's side link next to a result)
    QList<UnwrapRule> unwrap;  // tried in order; the first that yields an address wins
};

// One way an engine says "not for you": every condition given must hold (an absent one holds).
struct BlockSignature {
    QString reason;          // short, shown to the user: "CAPTCHA", "unusual traffic"
    QList<int> statuses;     // the HTTP status is one of these
    QString urlContains;     // the final address (after redirects) contains this
    QStringList body;        // the page body contains one of these (case-insensitive)
    QStringList unlessBody;  // and none of these: a marker that result pages share is told apart by what
                             // only result pages hold
};

// How an engine is asked: result pages read by layouts, one of the search APIs whose JSON answers
// have a reader of their own, or a web archive's capture index, asked per site rather than per keyword.
enum class EngineKind { Html, Searxng, GoogleApi, BraveApi, OpenAlex, WaybackCdx, CommonCrawlCdx };

struct EngineDefinition {
    QString id, name, setting;
    EngineKind kind = EngineKind::Html;
    // API engines: the most result pages asked for one query (paging stops earlier at an empty page).
    int pageLimit = 0;
    QStringList hosts;
    QJsonArray queries;      // interpreted by the query catalogue
    QJsonArray urlPatterns;  // {"host": "...", "pathPrefix": "..."} objects or "host/path-prefix" strings;
                             // a prefix with "?" goes on into the query
    QJsonObject classic;     // interpreted by the classic result-page parsers; empty = none
    QList<XPathLayout> layouts;
    QList<BlockSignature> blocks;
    int delayMs = 0;
    QList<QPair<QByteArray, QByteArray>> headers;
    // The XPath layouts are tried before the classic one: for an engine whose classic keys also match
    // parts of today's pages that are not its results.
    bool layoutsFirst = false;

    // Archives: where the capture index answers ("https://web.archive.org", "https://index.commoncrawl.org")
    // and, for Common Crawl, where the WARC files are ("https://data.commoncrawl.org"). Fields of the
    // definition so that a test or a mirror can point them elsewhere.
    QString indexBase, dataBase;

    bool IsApi() const { return kind != EngineKind::Html; }
    bool IsArchive() const { return kind == EngineKind::WaybackCdx || kind == EngineKind::CommonCrawlCdx; }
};
