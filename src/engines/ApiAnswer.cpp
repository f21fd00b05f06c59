#include "engines/ApiAnswer.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>
#include <QUrl>

#include "lists/EngineKeys.h"

namespace {

QString Tr(const char* text) {
    return QCoreApplication::translate("ApiAnswer", text);
}

// An error text whole on one line: it may echo the key, which must be scrubbed before the text is cut.
QString Whole(const QJsonValue& value) {
    return value.isString() ? value.toString().simplified() : QString();
}

// Texts from the answer shown to the user are cut short and kept on one line.
QString Short(QString text) {
    text = text.simplified();
    if (text.size() > 160) text = text.left(157) + QStringLiteral("...");
    return text;
}

// An address a hit may carry: http, https or ftp with a host.
bool UsableLink(const QJsonValue& value, QString* link) {
    if (!value.isString()) return false;
    const QString text = value.toString().trimmed();
    if (text.isEmpty() || text.size() > 8192) return false;
    const QUrl url(text);
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || url.host().isEmpty() ||
        (scheme != QLatin1StringView("http") && scheme != QLatin1StringView("https") &&
         scheme != QLatin1StringView("ftp"))) {
        return false;
    }
    *link = text;
    return true;
}

QString TextOf(const QJsonValue& value) {
    return value.isString() ? Short(value.toString()) : QString();
}

class Reader {
  public:
    explicit Reader(ApiPage* page) : page_(*page) {}

    void Add(const QString& link, const QString& title, const QString& type = QString()) {
        if (seen_.contains(link)) return;
        if (page_.hits.size() >= ApiAnswer::kMaxHits) {
            ++page_.skippedResults;
            return;
        }
        seen_.insert(link);
        page_.hits.append(EngineHit{link, title, QString(), type});
    }

    // The list under key of object; false (with the problem set) when it is there but not a list.
    bool List(const QJsonObject& object, const char* key, QJsonArray* out, const QString& where) {
        const QJsonValue value = object.value(QLatin1StringView(key));
        if (value.isUndefined() || value.isNull()) return true;
        if (!value.isArray()) {
            page_.problem = Tr("\"%1\" is not a list").arg(where);
            return false;
        }
        *out = value.toArray();
        return true;
    }

    // Results of the {url-key, title-key} shape: SearXNG, Google, Brave.
    void ReadResults(const QJsonArray& results, const char* linkKey, const char* titleKey) {
        for (const QJsonValue& result : results) {
            QString link;
            if (!result.isObject() ||
                !UsableLink(result.toObject().value(QLatin1StringView(linkKey)), &link)) {
                ++page_.skippedResults;
                continue;
            }
            Add(link, TextOf(result.toObject().value(QLatin1StringView(titleKey))));
        }
    }

  private:
    ApiPage& page_;
    QSet<QString> seen_;
};

void ReadSearxng(const QJsonObject& root, ApiPage* page) {
    Reader reader(page);
    QJsonArray results;
    if (!reader.List(root, "results", &results, QStringLiteral("results"))) return;
    reader.ReadResults(results, "url", "title");
    page->last = results.isEmpty();
    // [engine, reason] pairs; older instances gave plain names.
    const QJsonValue unresponsive = root.value(QStringLiteral("unresponsive_engines"));
    if (!unresponsive.isArray()) return;
    for (const QJsonValue& entry : unresponsive.toArray()) {
        if (page->unresponsive.size() >= 64) break;
        if (entry.isString()) {
            page->unresponsive.append(Short(entry.toString()));
        } else if (entry.isArray() && entry.toArray().size() >= 1 && entry.toArray().at(0).isString()) {
            const QString name = Short(entry.toArray().at(0).toString());
            const QString reason = TextOf(entry.toArray().at(1));
            page->unresponsive.append(reason.isEmpty() ? name : QStringLiteral("%1 (%2)").arg(name, reason));
        }
    }
}

// Google and OpenAlex wrap their errors as {"error": {...}} or {"error": "text", "message": "..."}.
bool ReadError(const QJsonObject& root, ApiPage* page) {
    const QJsonValue error = root.value(QStringLiteral("error"));
    if (error.isUndefined() || error.isNull()) return false;
    if (error.isObject()) {
        const QJsonObject object = error.toObject();
        QStringList parts;
        // Google: code, status, message; Brave: status, code, detail.
        for (const char* key : {"status", "code"}) {
            const QJsonValue value = object.value(QLatin1StringView(key));
            if (value.isString()) parts.append(Whole(value));
            // A code too large for an integer is shown as the number it is rather than cast.
            if (value.isDouble()) parts.append(QString::number(value.toDouble(), 'g', 17));
        }
        QString message = Whole(object.value(QStringLiteral("message")));
        if (message.isEmpty()) message = Whole(object.value(QStringLiteral("detail")));
        if (!message.isEmpty()) parts.append(message);
        page->refusal = parts.isEmpty() ? Tr("the service answered with an error") : parts.join(u' ');
    } else {
        QStringList parts{Whole(error)};
        const QString message = Whole(root.value(QStringLiteral("message")));
        if (!message.isEmpty()) parts.append(message);
        parts.removeAll(QString());
        page->refusal =
            parts.isEmpty() ? Tr("the service answered with an error") : parts.join(QStringLiteral(": "));
    }
    return true;
}

void ReadGoogle(const QJsonObject& root, ApiPage* page) {
    if (ReadError(root, page)) return;
    Reader reader(page);
    QJsonArray items;
    if (!reader.List(root, "items", &items, QStringLiteral("items"))) return;
    reader.ReadResults(items, "link", "title");
    // The answer names its next page under queries.nextPage; without one this was the last.
    const QJsonValue next =
        root.value(QStringLiteral("queries")).toObject().value(QStringLiteral("nextPage"));
    page->last = items.isEmpty() || !next.isArray() || next.toArray().isEmpty();
}

void ReadBrave(const QJsonObject& root, ApiPage* page) {
    if (root.value(QStringLiteral("type")).toString() == QLatin1StringView("ErrorResponse") ||
        root.value(QStringLiteral("error")).isObject()) {
        if (!ReadError(root, page)) page->refusal = Tr("the service answered with an error");
        return;
    }
    Reader reader(page);
    const QJsonValue web = root.value(QStringLiteral("web"));
    if (!web.isUndefined() && !web.isNull() && !web.isObject()) {
        page->problem = Tr("\"web\" is not an object");
        return;
    }
    QJsonArray results;
    if (!reader.List(web.toObject(), "results", &results, QStringLiteral("web.results"))) return;
    reader.ReadResults(results, "url", "title");
    const QJsonValue more =
        root.value(QStringLiteral("query")).toObject().value(QStringLiteral("more_results_available"));
    page->last = results.isEmpty() || (more.isBool() && !more.toBool());
}

// A work's PDF: its best open-access location's, else its primary location's, else the first location's
// that has one.
QString PdfOf(const QJsonObject& work) {
    QList<QJsonValue> locations{work.value(QStringLiteral("best_oa_location")),
                                work.value(QStringLiteral("primary_location"))};
    const QJsonValue all = work.value(QStringLiteral("locations"));
    if (all.isArray()) {
        for (const QJsonValue& location : all.toArray()) locations.append(location);
    }
    for (const QJsonValue& location : locations) {
        QString link;
        if (location.isObject() && UsableLink(location.toObject().value(QStringLiteral("pdf_url")), &link))
            return link;
    }
    return {};
}

void ReadOpenAlex(const QJsonObject& root, ApiPage* page) {
    if (ReadError(root, page)) return;
    Reader reader(page);
    QJsonArray results;
    if (!reader.List(root, "results", &results, QStringLiteral("results"))) return;
    for (const QJsonValue& work : results) {
        const QString pdf = work.isObject() ? PdfOf(work.toObject()) : QString();
        if (pdf.isEmpty()) {
            ++page->skippedResults;
            continue;
        }
        reader.Add(pdf, TextOf(work.toObject().value(QStringLiteral("display_name"))), QStringLiteral("pdf"));
    }
    // The cursor stays set on the last page; only an empty page ends the walk for certain.
    const QJsonValue cursor =
        root.value(QStringLiteral("meta")).toObject().value(QStringLiteral("next_cursor"));
    if (cursor.isString() && cursor.toString().size() <= 4096) page->nextCursor = cursor.toString();
    page->last = results.isEmpty() || page->nextCursor.isEmpty();
}

}  // namespace

ApiPage ApiAnswer::Read(EngineKind kind, const QByteArray& body, const QStringList& secrets) {
    ApiPage page = ReadUnscrubbed(kind, body);
    page.refusal = Short(EngineKeys::Scrub(page.refusal, secrets));
    return page;
}

ApiPage ApiAnswer::ReadUnscrubbed(EngineKind kind, const QByteArray& body) {
    ApiPage page;
    QByteArray json = body;
    if (json.startsWith("\xEF\xBB\xBF")) json.remove(0, 3);
    if (json.trimmed().isEmpty()) {
        page.problem = Tr("an empty answer");
        return page;
    }
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError) {
        page.problem = Tr("not JSON (%1 at byte %2)").arg(error.errorString()).arg(error.offset);
        return page;
    }
    if (!document.isObject()) {
        page.problem = Tr("the answer is not a JSON object");
        return page;
    }
    const QJsonObject root = document.object();
    switch (kind) {
        case EngineKind::Searxng:
            ReadSearxng(root, &page);
            break;
        case EngineKind::GoogleApi:
            ReadGoogle(root, &page);
            break;
        case EngineKind::BraveApi:
            ReadBrave(root, &page);
            break;
        case EngineKind::OpenAlex:
            ReadOpenAlex(root, &page);
            break;
        case EngineKind::Html:
        case EngineKind::WaybackCdx:
        case EngineKind::CommonCrawlCdx:
            page.problem = Tr("not an API engine");
            break;
    }
    return page;
}
