#include "search/QueryCatalogue.h"

#include <algorithm>
#include <array>

#include "engines/EngineCatalog.h"
#include "engines/QueryTemplate.h"
#include "lists/Options.h"

namespace {

using K = SettingKey;

// The format boxes in QueryTemplate::kFormatNames' order, then "other".
constexpr std::array<K, 7> kFormatBoxes = {K::FormatWord, K::FormatPdf, K::FormatPpt,    K::FormatXls,
                                           K::FormatRtf,  K::FormatTxt, K::FormatArchive};

// Fills the placeholders of a template in one pass: a value is never read for placeholders again, so a
// keyword holding "{page}" stays as typed.
QString Render(const QString& pattern, const QString& keyword, const QString& format, const QString& page,
               const QString& time, const QString& rotate, const QString& toggle) {
    QString out;
    out.reserve(pattern.size() + keyword.size() * 2 + 32);
    qsizetype at = 0;
    while (at < pattern.size()) {
        const qsizetype open = pattern.indexOf(u'{', at);
        if (open < 0) break;
        const qsizetype close = pattern.indexOf(u'}', open);
        if (close < 0) break;
        out += QStringView(pattern).mid(at, open - at);
        const QStringView name = QStringView(pattern).mid(open + 1, close - open - 1);
        if (name == u"keyword") {
            out += keyword;
        } else if (name == u"format") {
            out += format;
        } else if (name == u"page") {
            out += page;
        } else if (name == u"time") {
            out += time;
        } else if (name == u"rotate") {
            out += rotate;
        } else if (name == u"switch") {
            out += toggle;
        } else {
            out += QStringView(pattern).mid(open, close - open + 1);
        }
        at = close + 1;
    }
    out += QStringView(pattern).mid(at);
    return out;
}

// The templates of one definition; a list that cannot be read gives none (the catalogue's loader
// refuses such a definition before it gets here).
QList<QueryTemplate> Templates(const EngineDefinition& engine) {
    return QueryTemplate::ReadAll(engine.queries, nullptr).value_or(QList<QueryTemplate>());
}

}  // namespace

QueryCatalogue::QueryCatalogue(const Options& options) : QueryCatalogue(options, EngineCatalog::BuiltIn()) {}

QueryCatalogue::QueryCatalogue(const Options& options, std::shared_ptr<const EngineCatalog> engines)
    : options_(options), engines_(std::move(engines)) {}

QString QueryCatalogue::EscapeKeyword(const QString& keyword) {
    static const QByteArray kKept("!'()*-./:_~%");
    static const char kHex[] = "0123456789abcdef";
    QString out;
    for (const char byte : keyword.toUtf8()) {
        const auto c = static_cast<unsigned char>(byte);
        if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
            kKept.contains(char(c))) {
            out += QChar(c);
        } else {
            out += u'%';
            out += QChar(kHex[c >> 4]);
            out += QChar(kHex[c & 15]);
        }
        if (out.size() > kMaxAddress) return {};
    }
    return out;
}

bool QueryCatalogue::IsAllAlnum(const QString& keyword) {
    if (keyword.isEmpty()) return false;
    for (const QChar c : keyword) {
        if (!c.isLetterOrNumber()) return false;
    }
    return true;
}

void QueryCatalogue::Queue(const QString& address, const QueueFn& queue) const {
    if (address.size() <= kMaxAddress) queue(address);
}

bool QueryCatalogue::EngineTicked(const EngineDefinition& engine) const {
    const SettingSpec* spec = SettingsTable::Find(engine.setting);
    return spec && spec->kind == SettingKind::Check && options_.Checked(spec->id);
}

void QueryCatalogue::QueueTemplate(const QueryTemplate& query, const QString& keyword, int timeIndex,
                                   const QueueFn& queue) const {
    if (!query.setting.isEmpty()) {
        // One site of an engine that gathers several: asked only while its own box is ticked too.
        const SettingSpec* spec = SettingsTable::Find(query.setting);
        if (!spec || !options_.Checked(spec->id)) return;
    }
    const int time = qBound(0, timeIndex, 4);
    const QString timeValue = query.time.isEmpty() ? QString() : query.time[time];
    QString toggle;
    if (!query.switchSetting.isEmpty()) {
        const SettingSpec* spec = SettingsTable::Find(query.switchSetting);
        toggle = spec && options_.Checked(spec->id) ? query.switchOn : query.switchOff;
    }
    const QString otherExtension = query.other && options_.Checked(K::FormatOther)
                                       ? options_.Text(K::OtherDocExtension).left(254)
                                       : QString();
    const QList<int> pages = query.Pages();
    for (qsizetype index = 0; index < pages.size(); ++index) {
        const int page = pages[index];
        const QString pageText = query.PageText(int(index));
        const QString rotate = query.rotate.isEmpty() ? QString() : query.rotate[page % query.rotate.size()];
        // The user's "other" extension never takes a built-in token's own address.
        auto address = [&](const QString& token, bool ownAddress = true) {
            const QString pattern = ownAddress ? query.tokenUrls.value(token, query.url) : query.url;
            return Render(pattern, keyword, token, pageText, timeValue, rotate, toggle);
        };
        if (!query.hasFormats) {
            Queue(address(QString()), queue);
            continue;
        }
        for (size_t box = 0; box < kFormatBoxes.size(); ++box) {
            if (!options_.Checked(kFormatBoxes[box])) continue;
            for (const QString& token : query.formats[box]) Queue(address(token), queue);
        }
        if (!otherExtension.isEmpty()) Queue(address(otherExtension, false), queue);
    }
}

void QueryCatalogue::QueueEngine(const EngineDefinition& engine, const QString& keyword, int timeIndex,
                                 const QueueFn& queue) const {
    const QString escaped = EscapeKeyword(keyword);
    for (const QueryTemplate& query : Templates(engine)) {
        if (query.alnumKeywordOnly && !IsAllAlnum(keyword)) continue;
        if (query.escapeKeyword && escaped.isEmpty()) continue;
        QueueTemplate(query, query.escapeKeyword ? escaped : keyword, timeIndex, queue);
    }
}

const char* QueryCatalogue::Id(SearchEngine engine) {
    static const char* const ids[] = {"google",       "scholar",  "baidu",  "bing",
                                      "bingacademic", "sogou",    "youdao", "yahoo",
                                      "aol",          "zhongsou", "osun",   "63da-search"};
    return ids[int(engine)];
}

void QueryCatalogue::QueueEngine(SearchEngine engine, const QString& keyword, int timeIndex,
                                 const QueueFn& queue) const {
    const EngineDefinition* definition = engines_->Find(QLatin1StringView(Id(engine)));
    if (!definition) return;
    for (const QueryTemplate& query : Templates(*definition)) QueueTemplate(query, keyword, timeIndex, queue);
}

void QueryCatalogue::BuildQueue(const QStringList& keywords, int timeIndex, const QueueFn& queue) const {
    // Every ticked engine's templates, in the templates' order across engines.
    struct Entry {
        int order;
        QueryTemplate query;
    };
    QList<Entry> entries;
    for (const EngineDefinition& engine : engines_->Engines()) {
        if (!EngineTicked(engine)) continue;
        if (!pdfSites_ && engine.id == QLatin1StringView(kPdfSites)) continue;
        for (const QueryTemplate& query : Templates(engine)) entries.append({query.order, query});
    }
    std::stable_sort(entries.begin(), entries.end(),
                     [](const Entry& a, const Entry& b) { return a.order < b.order; });

    for (const QString& keyword : keywords) {
        if (keyword.isEmpty()) continue;
        const QString escaped = EscapeKeyword(keyword);
        for (const Entry& entry : entries) {
            if (entry.query.alnumKeywordOnly && !IsAllAlnum(keyword)) continue;
            if (entry.query.escapeKeyword && escaped.isEmpty()) continue;
            QueueTemplate(entry.query, entry.query.escapeKeyword ? escaped : keyword, timeIndex, queue);
        }
    }
    if (options_.Checked(K::EngineOther)) {
        QString other = options_.Text(K::OtherEngineAddress);
        if (!other.isEmpty()) {
            if (!other.startsWith(QStringLiteral("http"))) other.prepend(QStringLiteral("http://"));
            Queue(other, queue);
        }
    }
}
