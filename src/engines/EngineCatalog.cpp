#include "engines/EngineCatalog.h"

#include "engines/JsonFieldReader.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QSet>
#include <QUrl>
#include <utility>

#include "engines/ClassicLayout.h"
#include "engines/QueryTemplate.h"
#include "engines/XPathCheck.h"

namespace {

// Bounds on a definitions file: far above any real one, low enough that a runaway file is refused before
// it costs memory or time.
constexpr qint64 kMaxFileBytes = 4 * 1024 * 1024;
constexpr int kMaxEngines = 256;
constexpr int kMaxListItems = 256;  // blocks, hosts, headers, unwrap rules, markers, patterns
// Every layout costs an XPath read of each page that the earlier ones found nothing on.
constexpr int kMaxLayouts = 16;
constexpr int kMaxTextLength = 8192;
constexpr int kMaxDelayMs = 10 * 60 * 1000;
constexpr int kMaxApiPages = 100;

QString Tr(const char* text) {
    return QCoreApplication::translate("EngineCatalog", text);
}

// Reads definitions from JSON values, stopping at the first fault; the fault names its place as a path
// of keys and indexes ("engines[2] (google).layouts[0].results").
class DefinitionReader {
  public:
    QString error;

    bool ReadFile(const QJsonDocument& document, QList<EngineDefinition>* engines) {
        if (document.isObject()) {
            EngineDefinition engine;
            const QString id = document.object().value(QStringLiteral("id")).toString();
            if (!ReadEngine(document.object(),
                            id.isEmpty() ? QString() : QStringLiteral("(%1)").arg(id.left(64)), &engine))
                return false;
            engines->append(engine);
            return true;
        }
        const QJsonArray array = document.array();
        if (array.size() > kMaxEngines) return Fail({}, Tr("more than %1 definitions").arg(kMaxEngines));
        QSet<QString> ids;
        for (qsizetype i = 0; i < array.size(); ++i) {
            QString place = QStringLiteral("[%1]").arg(i);
            if (!array.at(i).isObject()) return Fail(place, Tr("a definition must be an object"));
            const QString id = array.at(i).toObject().value(QStringLiteral("id")).toString();
            if (!id.isEmpty()) place += QStringLiteral(" (%1)").arg(id.left(64));
            EngineDefinition engine;
            if (!ReadEngine(array.at(i).toObject(), place, &engine)) return false;
            if (ids.contains(engine.id))
                return Fail(place + QStringLiteral(".id"), Tr("the id is used twice"));
            ids.insert(engine.id);
            engines->append(engine);
        }
        return true;
    }

  private:
    bool Fail(const QString& place, const QString& message) {
        error = place.isEmpty() ? message : place + QStringLiteral(": ") + message;
        return false;
    }

    // A problem that names its own place ("classic.block.left: expected a string") below `place`.
    bool FailAt(const QString& place, const QString& problem) {
        const qsizetype colon = problem.indexOf(QStringLiteral(": "));
        if (colon < 0) return Fail(place, problem);
        return Fail(Join(place, problem.left(colon)), problem.mid(colon + 2));
    }

    static QString Join(const QString& place, const QString& key) {
        return place.isEmpty() ? key : place + u'.' + key;
    }

    // Every key of `object` must be one of `known`; a misspelt key would otherwise silently disable the
    // rule it was meant for.
    bool OnlyKnownKeys(const QJsonObject& object, const QString& place,
                       std::initializer_list<const char*> known) {
        for (auto it = object.begin(); it != object.end(); ++it) {
            if (it.key() == QLatin1StringView("comment")) continue;
            bool found = false;
            for (const char* key : known) {
                if (it.key() == QLatin1StringView(key)) found = true;
            }
            if (!found) return Fail(place, Tr("unknown field \"%1\"").arg(it.key().left(64)));
        }
        return true;
    }

    bool Text(const QJsonObject& object, const QString& place, const char* key, bool required, QString* out,
              bool allowEmpty = true) {
        const QJsonValue value = object.value(QLatin1StringView(key));
        const QString at = Join(place, QLatin1StringView(key));
        if (value.isUndefined()) return required ? Fail(at, Tr("the field is missing")) : true;
        if (!value.isString()) return Fail(at, Tr("must be a string"));
        *out = value.toString();
        if (out->size() > kMaxTextLength)
            return Fail(at, Tr("longer than %1 characters").arg(kMaxTextLength));
        if (!allowEmpty && out->trimmed().isEmpty()) return Fail(at, Tr("must not be empty"));
        return true;
    }

    bool XPath(const QJsonObject& object, const QString& place, const char* key, bool required,
               QString* out) {
        if (!Text(object, place, key, required, out, !required)) return false;
        if (out->isEmpty()) return true;
        const QString problem = XPathCompileError(*out);
        if (!problem.isEmpty())
            return Fail(Join(place, QLatin1StringView(key)),
                        Tr("the XPath does not compile: %1").arg(problem));
        const QString cost = XPathCostProblem(*out);
        if (!cost.isEmpty()) return Fail(Join(place, QLatin1StringView(key)), Tr("the XPath is refused: %1").arg(cost));
        return true;
    }

    bool Array(const QJsonObject& object, const QString& place, const char* key, bool required,
               QJsonArray* out) {
        const QJsonValue value = object.value(QLatin1StringView(key));
        const QString at = Join(place, QLatin1StringView(key));
        if (value.isUndefined()) return required ? Fail(at, Tr("the field is missing")) : true;
        if (!value.isArray()) return Fail(at, Tr("must be an array"));
        *out = value.toArray();
        if (out->size() > kMaxListItems) return Fail(at, Tr("more than %1 entries").arg(kMaxListItems));
        return true;
    }

    bool Strings(const QJsonObject& object, const QString& place, const char* key, bool required,
                 QStringList* out) {
        QJsonArray array;
        if (!Array(object, place, key, required, &array)) return false;
        for (qsizetype i = 0; i < array.size(); ++i) {
            const QString at = Join(place, QLatin1StringView(key)) + QStringLiteral("[%1]").arg(i);
            if (!array.at(i).isString()) return Fail(at, Tr("must be a string"));
            const QString text = array.at(i).toString();
            if (text.isEmpty()) return Fail(at, Tr("must not be empty"));
            if (text.size() > kMaxTextLength)
                return Fail(at, Tr("longer than %1 characters").arg(kMaxTextLength));
            out->append(text);
        }
        return true;
    }

    // A name or pattern with a control character could forge a line where it is printed (a terminal's
    // escape sequences, a line break in a table); no field of a definition has a use for one.
    bool NoControlCharacters(const QJsonValue& value, const QString& place) {
        if (value.isString()) {
            for (const QChar c : value.toString()) {
                if (c.unicode() < 0x20 || (c.unicode() >= 0x7F && c.unicode() <= 0x9F))
                    return Fail(place, Tr("must not hold control characters (U+%1)")
                                           .arg(int(c.unicode()), 4, 16, QChar(u'0')));
            }
        } else if (value.isArray()) {
            const QJsonArray array = value.toArray();
            for (qsizetype i = 0; i < array.size(); ++i) {
                if (!NoControlCharacters(array.at(i), place + QStringLiteral("[%1]").arg(i))) return false;
            }
        } else if (value.isObject()) {
            const QJsonObject object = value.toObject();
            for (auto it = object.begin(); it != object.end(); ++it) {
                const QString at = Join(place, it.key().left(64));
                if (!NoControlCharacters(QJsonValue(it.key()), at)) return false;
                if (it.key() != QLatin1StringView("comment") && !NoControlCharacters(it.value(), at)) return false;
            }
        }
        return true;
    }

    bool ReadEngine(const QJsonObject& object, const QString& place, EngineDefinition* engine) {
        if (!NoControlCharacters(object, place)) return false;
        if (!OnlyKnownKeys(object, place,
                           {"id", "name", "setting", "hosts", "queries", "urlPatterns", "classic", "layouts",
                            "blocks", "delayMs", "headers", "layoutsFirst", "kind", "pageLimit", "indexBase",
                            "dataBase"}))
            return false;
        if (!Text(object, place, "id", true, &engine->id, false)) return false;
        static const QRegularExpression idPattern(QStringLiteral("^[a-z0-9][a-z0-9_-]{0,63}$"));
        if (!idPattern.match(engine->id).hasMatch())
            return Fail(Join(place, QStringLiteral("id")),
                        Tr("an id is 1 to 64 lower-case letters, digits, '-' or '_'"));
        if (!Text(object, place, "name", true, &engine->name, false)) return false;
        if (!Text(object, place, "setting", true, &engine->setting)) return false;
        if (!ReadKind(object, place, engine)) return false;
        if (!Strings(object, place, "hosts", true, &engine->hosts)) return false;
        if (!Array(object, place, "queries", false, &engine->queries)) return false;
        if (!Array(object, place, "urlPatterns", false, &engine->urlPatterns)) return false;
        if (!CheckUrlPatterns(engine->urlPatterns, Join(place, QStringLiteral("urlPatterns")))) return false;
        const QJsonValue classic = object.value(QStringLiteral("classic"));
        if (!classic.isUndefined() && !classic.isNull() && !classic.isObject())
            return Fail(Join(place, QStringLiteral("classic")), Tr("must be an object or null"));
        engine->classic = classic.toObject();
        // The classic layout and the query templates are read where they are used; a definition whose
        // classic object or templates those readers refuse is refused here, with their place.
        QString problem;
        if (!engine->classic.isEmpty() && !ClassicLayout::Read(engine->classic, &problem))
            return FailAt(place, problem);
        if (!QueryTemplate::ReadAll(engine->queries, &problem)) return FailAt(place, problem);

        QJsonArray layouts;
        if (!Array(object, place, "layouts", true, &layouts)) return false;
        if (layouts.size() > kMaxLayouts)
            return Fail(Join(place, QStringLiteral("layouts")), Tr("more than %1 entries").arg(kMaxLayouts));
        for (qsizetype i = 0; i < layouts.size(); ++i) {
            XPathLayout layout;
            if (!ReadLayout(layouts.at(i), Join(place, QStringLiteral("layouts[%1]").arg(i)), &layout))
                return false;
            engine->layouts.append(layout);
        }
        QJsonArray blocks;
        if (!Array(object, place, "blocks", false, &blocks)) return false;
        for (qsizetype i = 0; i < blocks.size(); ++i) {
            BlockSignature block;
            if (!ReadBlock(blocks.at(i), Join(place, QStringLiteral("blocks[%1]").arg(i)), &block))
                return false;
            engine->blocks.append(block);
        }
        const QJsonValue delay = object.value(QStringLiteral("delayMs"));
        if (!delay.isUndefined()) {
            const double ms = delay.toDouble(-1);
            if (!delay.isDouble() || !JsonFieldReader::IsWholeNumberIn(ms, 0, kMaxDelayMs))
                return Fail(Join(place, QStringLiteral("delayMs")),
                            Tr("must be a whole number from 0 to %1").arg(kMaxDelayMs));
            engine->delayMs = int(ms);
        }
        const QJsonValue layoutsFirst = object.value(QStringLiteral("layoutsFirst"));
        if (!layoutsFirst.isUndefined() && !layoutsFirst.isBool())
            return Fail(Join(place, QStringLiteral("layoutsFirst")), Tr("must be true or false"));
        engine->layoutsFirst = layoutsFirst.toBool(false);
        const QJsonValue headers = object.value(QStringLiteral("headers"));
        if (!headers.isUndefined() && !ReadHeaders(headers, Join(place, QStringLiteral("headers")), engine))
            return false;
        return true;
    }

    bool ReadKind(const QJsonObject& object, const QString& place, EngineDefinition* engine) {
        QString kind = QStringLiteral("html");
        if (!Text(object, place, "kind", false, &kind)) return false;
        static const std::pair<const char*, EngineKind> kKinds[] = {
            {"html", EngineKind::Html},
            {"searxng", EngineKind::Searxng},
            {"google-api", EngineKind::GoogleApi},
            {"brave-api", EngineKind::BraveApi},
            {"openalex", EngineKind::OpenAlex},
            {"wayback-cdx", EngineKind::WaybackCdx},
            {"commoncrawl-cdx", EngineKind::CommonCrawlCdx},
        };
        bool known = false;
        for (const auto& [name, value] : kKinds) {
            if (kind == QLatin1StringView(name)) {
                engine->kind = value;
                known = true;
            }
        }
        if (!known)
            return Fail(Join(place, QStringLiteral("kind")),
                        Tr("must be one of \"html\", \"searxng\", \"google-api\", \"brave-api\", "
                           "\"openalex\", \"wayback-cdx\", \"commoncrawl-cdx\""));
        if (!ReadBases(object, place, engine)) return false;
        const QJsonValue limit = object.value(QStringLiteral("pageLimit"));
        if (limit.isUndefined()) {
            engine->pageLimit = engine->IsApi() ? 1 : 0;
            return true;
        }
        const double pages = limit.toDouble(-1);
        if (!engine->IsApi())
            return Fail(Join(place, QStringLiteral("pageLimit")), Tr("only API engines page by themselves"));
        if (!limit.isDouble() || !JsonFieldReader::IsWholeNumberIn(pages, 1, kMaxApiPages))
            return Fail(Join(place, QStringLiteral("pageLimit")),
                        Tr("must be a whole number from 1 to %1").arg(kMaxApiPages));
        engine->pageLimit = int(pages);
        return true;
    }

    bool ReadBases(const QJsonObject& object, const QString& place, EngineDefinition* engine) {
        const bool archive = engine->IsArchive();
        if (!Text(object, place, "indexBase", archive, &engine->indexBase)) return false;
        if (!Text(object, place, "dataBase", engine->kind == EngineKind::CommonCrawlCdx, &engine->dataBase))
            return false;
        for (QString* base : {&engine->indexBase, &engine->dataBase}) {
            if (base->isEmpty()) continue;
            if (!archive) return Fail(place, Tr("only archive engines have base addresses"));
            const QUrl url(*base, QUrl::StrictMode);
            if (!url.isValid() || (url.scheme() != u"http" && url.scheme() != u"https") || url.host().isEmpty() ||
                url.hasQuery() || url.hasFragment())
                return Fail(place, Tr("a base address is an http(s) address without query"));
            while (base->endsWith(u'/')) base->chop(1);
        }
        return true;
    }

    bool CheckUrlPatterns(const QJsonArray& patterns, const QString& place) {
        for (qsizetype i = 0; i < patterns.size(); ++i) {
            const QString at = place + QStringLiteral("[%1]").arg(i);
            const QJsonValue pattern = patterns.at(i);
            if (pattern.isString()) {
                if (pattern.toString().isEmpty()) return Fail(at, Tr("must not be empty"));
                continue;
            }
            if (!pattern.isObject()) return Fail(at, Tr("must be a string or an object"));
            // Other keys of a pattern object belong to the query catalogue's dispatch and are its to check.
            const QJsonValue host = pattern.toObject().value(QStringLiteral("host"));
            if (!host.isString() || host.toString().isEmpty())
                return Fail(at + QStringLiteral(".host"), Tr("must be a non-empty string"));
            const QJsonValue prefix = pattern.toObject().value(QStringLiteral("pathPrefix"));
            if (!prefix.isUndefined() && !prefix.isString())
                return Fail(at + QStringLiteral(".pathPrefix"), Tr("must be a string"));
        }
        return true;
    }

    bool ReadLayout(const QJsonValue& value, const QString& place, XPathLayout* layout) {
        if (!value.isObject()) return Fail(place, Tr("a layout must be an object"));
        const QJsonObject object = value.toObject();
        if (!OnlyKnownKeys(object, place,
                           {"name", "results", "link", "title", "snippet", "extraLinks", "unwrap"}))
            return false;
        if (!Text(object, place, "name", false, &layout->name)) return false;
        if (!XPath(object, place, "results", true, &layout->results)) return false;
        if (!XPath(object, place, "link", true, &layout->link)) return false;
        if (!XPath(object, place, "title", true, &layout->title)) return false;
        if (!XPath(object, place, "snippet", false, &layout->snippet)) return false;
        if (!XPath(object, place, "extraLinks", false, &layout->extraLinks)) return false;
        QJsonArray rules;
        if (!Array(object, place, "unwrap", false, &rules)) return false;
        for (qsizetype i = 0; i < rules.size(); ++i) {
            UnwrapRule rule;
            if (!ReadUnwrap(rules.at(i), Join(place, QStringLiteral("unwrap[%1]").arg(i)), &rule))
                return false;
            layout->unwrap.append(rule);
        }
        return true;
    }

    bool ReadUnwrap(const QJsonValue& value, const QString& place, UnwrapRule* rule) {
        if (!value.isObject()) return Fail(place, Tr("an unwrap rule must be an object"));
        const QJsonObject object = value.toObject();
        if (!OnlyKnownKeys(object, place, {"type", "name", "prefix", "pathContains", "ignore"})) return false;
        QString type;
        if (!Text(object, place, "type", true, &type)) return false;
        if (type == QLatin1StringView("query")) {
            rule->kind = UnwrapRule::Kind::QueryParameter;
        } else if (type == QLatin1StringView("path")) {
            rule->kind = UnwrapRule::Kind::PathSegment;
        } else if (type == QLatin1StringView("base64")) {
            rule->kind = UnwrapRule::Kind::Base64Parameter;
        } else if (type == QLatin1StringView("attribute")) {
            rule->kind = UnwrapRule::Kind::Attribute;
        } else {
            return Fail(Join(place, QStringLiteral("type")),
                        Tr("must be one of \"query\", \"path\", \"base64\", \"attribute\""));
        }
        if (rule->kind == UnwrapRule::Kind::Attribute) {
            if (!XPath(object, place, "name", true, &rule->name)) return false;
        } else if (!Text(object, place, "name", true, &rule->name, false)) {
            return false;
        }
        if (!Text(object, place, "prefix", false, &rule->prefix)) return false;
        if (!Text(object, place, "pathContains", false, &rule->pathContains)) return false;
        return Strings(object, place, "ignore", false, &rule->ignore);
    }

    bool ReadBlock(const QJsonValue& value, const QString& place, BlockSignature* block) {
        if (!value.isObject()) return Fail(place, Tr("a block signature must be an object"));
        const QJsonObject object = value.toObject();
        if (!OnlyKnownKeys(object, place, {"reason", "status", "url", "body", "unless"})) return false;
        if (!Text(object, place, "reason", true, &block->reason, false)) return false;
        QJsonArray statuses;
        if (!Array(object, place, "status", false, &statuses)) return false;
        for (qsizetype i = 0; i < statuses.size(); ++i) {
            const int status = statuses.at(i).toInt(-1);
            if (status < 100 || status > 999)
                return Fail(place + QStringLiteral(".status[%1]").arg(i),
                            Tr("must be an HTTP status (100-999)"));
            block->statuses.append(status);
        }
        if (!Text(object, place, "url", false, &block->urlContains)) return false;
        if (!Strings(object, place, "body", false, &block->body)) return false;
        if (!Strings(object, place, "unless", false, &block->unlessBody)) return false;
        // A signature without any condition would call every page a block page.
        if (block->statuses.isEmpty() && block->urlContains.isEmpty() && block->body.isEmpty())
            return Fail(place, Tr("a block signature needs \"status\", \"url\" or \"body\""));
        return true;
    }

    bool ReadHeaders(const QJsonValue& value, const QString& place, EngineDefinition* engine) {
        if (!value.isObject()) return Fail(place, Tr("must be an object of header names and values"));
        const QJsonObject object = value.toObject();
        if (object.size() > kMaxListItems) return Fail(place, Tr("more than %1 entries").arg(kMaxListItems));
        static const QRegularExpression token(QStringLiteral("^[!#$%&'*+.^_`|~0-9A-Za-z-]{1,128}$"));
        for (auto it = object.begin(); it != object.end(); ++it) {
            const QString at = place + u'.' + it.key().left(64);
            if (!token.match(it.key()).hasMatch()) return Fail(at, Tr("not a valid header name"));
            if (!it.value().isString()) return Fail(at, Tr("must be a string"));
            const QString text = it.value().toString();
            // A line break in a value would let a definition add headers or a request of its own.
            for (QChar c : text) {
                if (c == u'\r' || c == u'\n' || c == u'\0')
                    return Fail(at, Tr("a header value must not hold line breaks or NUL"));
            }
            if (text.size() > kMaxTextLength)
                return Fail(at, Tr("longer than %1 characters").arg(kMaxTextLength));
            engine->headers.append({it.key().toLatin1(), text.toUtf8()});
        }
        return true;
    }
};

// The line and column of a byte offset, for messages about JSON syntax.
QString LineAndColumn(const QByteArray& json, qsizetype offset) {
    offset = qBound<qsizetype>(0, offset, json.size());
    int line = 1;
    qsizetype lineStart = 0;
    for (qsizetype i = 0; i < offset; ++i) {
        if (json.at(i) == '\n') {
            ++line;
            lineStart = i + 1;
        }
    }
    return Tr("line %1, column %2").arg(line).arg(offset - lineStart + 1);
}

// Where a key appears a second time in one object, or "" when none does. The JSON reader keeps the last of
// two equal keys without a word, so a definition could say one id and mean another.
QString FirstDuplicateKey(const QByteArray& json) {
    struct Level {
        bool object = false;
        bool expectKey = false;
        QSet<QByteArray> keys;
    };
    QList<Level> levels;
    for (qsizetype i = 0; i < json.size(); ++i) {
        const char c = json.at(i);
        if (c == '{' || c == '[') {
            levels.append({c == '{', c == '{', {}});
        } else if (c == '}' || c == ']') {
            if (!levels.isEmpty()) levels.removeLast();
        } else if (c == ',') {
            if (!levels.isEmpty() && levels.last().object) levels.last().expectKey = true;
        } else if (c == '"') {
            const qsizetype start = i;
            for (++i; i < json.size() && json.at(i) != '"'; ++i) {
                if (json.at(i) == '\\') ++i;
            }
            if (levels.isEmpty() || !levels.last().expectKey) continue;
            levels.last().expectKey = false;
            QByteArray key = json.mid(start + 1, i - start - 1);
            // Escapes spell one key many ways: compare what they mean.
            if (key.contains('\\'))
                key = QJsonDocument::fromJson("[\"" + key + "\"]").array().at(0).toString().toUtf8();
            if (levels.last().keys.contains(key))
                return LineAndColumn(json, start) + QStringLiteral(": ") +
                       Tr("the key %1 appears twice in one object").arg(QString::fromUtf8(key.left(64)));
            levels.last().keys.insert(key);
        }
    }
    return {};
}

QString ReadDefinitions(const QByteArray& json, QList<EngineDefinition>* engines) {
    if (json.size() > kMaxFileBytes) return Tr("the file is larger than %1 MB").arg(kMaxFileBytes >> 20);
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(json, &parseError);
    if (parseError.error != QJsonParseError::NoError)
        return LineAndColumn(json, parseError.offset) + QStringLiteral(": ") + parseError.errorString();
    if (!document.isArray() && !document.isObject())
        return Tr("the file must hold a definition object or an array of them");
    if (const QString duplicate = FirstDuplicateKey(json); !duplicate.isEmpty()) return duplicate;
    DefinitionReader reader;
    if (!reader.ReadFile(document, engines)) return reader.error;
    return {};
}

}  // namespace

std::shared_ptr<const EngineCatalog> EngineCatalog::BuiltIn() {
    // Read once: the resource cannot change while the program runs.
    static const std::shared_ptr<const EngineCatalog> builtIn = [] {
        auto catalog = std::make_shared<EngineCatalog>();
        const QDir dir(QStringLiteral(":/engines"));
        for (const QString& name : dir.entryList({QStringLiteral("*.json")}, QDir::Files, QDir::Name)) {
            QFile file(dir.filePath(name));
            if (!file.open(QIODevice::ReadOnly)) continue;
            QList<EngineDefinition> engines;
            const QString problem = ReadDefinitions(file.readAll(), &engines);
            // The built-ins are checked by the tests; a faulty one is left out rather than half read.
            if (!problem.isEmpty()) {
                qWarning("built-in engine definition %s: %s", qPrintable(name), qPrintable(problem));
                continue;
            }
            catalog->engines_ += engines;
        }
        return std::shared_ptr<const EngineCatalog>(catalog);
    }();
    return builtIn;
}

std::shared_ptr<const EngineCatalog> EngineCatalog::Load(const QString& homeDir, QString* userFileError) {
    if (userFileError) userFileError->clear();
    const std::shared_ptr<const EngineCatalog> builtIn = BuiltIn();
    if (homeDir.isEmpty()) return builtIn;
    const QString relative = QStringLiteral("config/engines.json");
    QFile file(QDir(homeDir).filePath(relative));
    if (!file.exists()) return builtIn;
    auto refuse = [&](const QString& problem) {
        if (userFileError) *userFileError = relative + QStringLiteral(": ") + problem;
        return builtIn;
    };
    if (!file.open(QIODevice::ReadOnly)) return refuse(file.errorString());
    if (file.size() > kMaxFileBytes)
        return refuse(Tr("the file is larger than %1 MB").arg(kMaxFileBytes >> 20));
    const QByteArray json = file.read(kMaxFileBytes + 1);
    QList<EngineDefinition> user;
    const QString problem = ReadDefinitions(json, &user);
    if (!problem.isEmpty()) return refuse(problem);
    auto catalog = std::make_shared<EngineCatalog>(*builtIn);
    for (const EngineDefinition& engine : user) {
        bool replaced = false;
        for (EngineDefinition& existing : catalog->engines_) {
            if (existing.id == engine.id) {
                existing = engine;
                replaced = true;
                break;
            }
        }
        if (!replaced) catalog->engines_.append(engine);
    }
    return catalog;
}

QString EngineCatalog::Check(const QByteArray& json) {
    QList<EngineDefinition> engines;
    return ReadDefinitions(json, &engines);
}

const EngineDefinition* EngineCatalog::Find(const QString& id) const {
    for (const EngineDefinition& engine : engines_) {
        if (engine.id == id) return &engine;
    }
    return nullptr;
}

const EngineDefinition* EngineCatalog::ForUrl(const QString& url) const {
    const QUrl parsed(url);
    const QString host = parsed.host().toLower();
    if (host.isEmpty()) return nullptr;
    // A prefix may go on into the query ("www.baidu.com/s?wd=filetype"): it is then matched against the
    // path with its query.
    const QString path = parsed.hasQuery()
                             ? parsed.path(QUrl::FullyEncoded) + u'?' + parsed.query(QUrl::FullyEncoded)
                             : parsed.path(QUrl::FullyEncoded);
    for (const EngineDefinition& engine : engines_) {
        for (const QJsonValue& pattern : engine.urlPatterns) {
            QString patternHost, prefix;
            if (pattern.isObject()) {
                patternHost = pattern.toObject().value(QStringLiteral("host")).toString();
                prefix = pattern.toObject().value(QStringLiteral("pathPrefix")).toString();
            } else {
                const QString text = pattern.toString();
                const qsizetype slash = text.indexOf(u'/');
                patternHost = slash < 0 ? text : text.left(slash);
                prefix = slash < 0 ? QString() : text.mid(slash);
            }
            if (host == patternHost.toLower() && path.startsWith(prefix)) return &engine;
        }
    }
    return nullptr;
}
