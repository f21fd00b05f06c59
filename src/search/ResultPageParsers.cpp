#include "search/ResultPageParsers.h"

#include "engines/ClassicLayout.h"
#include "engines/DocLinkRules.h"
#include "engines/EngineCatalog.h"
#include "lists/Options.h"
#include "lists/ResultList.h"
#include "search/EngineHitReader.h"
#include "search/HtmlAnchorLister.h"
#include "search/KeyMatcher.h"
#include "search/LinkFilters.h"
#include "search/SearchQueue.h"
#include "search/WorkerState.h"

namespace {

void SetKeys(KeyMatcher& matcher, const MatchKeys& keys) {
    matcher.SetAttr("upkey", keys.up);
    matcher.SetAttr("leftkey", keys.left);
    matcher.SetAttr("rightkey", keys.right);
}

QString Cut(KeyMatcher& matcher, const QString& text, const MatchKeys& keys) {
    matcher.SetAttr("orcontent", text);
    SetKeys(matcher, keys);
    matcher.Run();
    return matcher.GetContent();
}

// Walks the page block by block and hands each block to `handle`; the rest of the page after a block
// is the section matcher's leftover, whatever the block gives. 1 once no block is left.
template <typename Handle>
int ForEachBlock(const std::atomic<int>& state, const QString& page, const MatchKeys& keys, Handle handle) {
    KeyMatcher section;
    section.SetAttr("orcontent", page);
    SetKeys(section, keys);
    for (;;) {
        CheckCancel(state);
        section.Run();
        CheckCancel(state);
        const QString block = section.GetContent();
        if (block.isEmpty()) return 1;
        section.SetAttr("startoffset", double(section.ContentLeftOffset()));
        handle(block);
    }
}

bool ContainsAny(const QString& text, const QStringList& words) {
    for (const QString& word : words) {
        if (text.contains(word)) return true;
    }
    return false;
}

const EngineCatalog& BuiltInCatalog() {
    static const std::shared_ptr<const EngineCatalog> catalog = EngineCatalog::BuiltIn();
    return *catalog;
}

// The 63da walks' keys.
const MatchKeys kDoc63Block{QString(), QStringLiteral("<div>文档标"), QStringLiteral("nofollow")};
const MatchKeys kDoc63Title{QString(), QStringLiteral("："), QStringLiteral("</div>")};
const MatchKeys kHrefQuote{QString(), QStringLiteral("href=\""), QStringLiteral("\"")};
const MatchKeys kDoc63Source{QString(), QStringLiteral("来源地址："), QStringLiteral("</div>")};
const MatchKeys kSearch63Block{QString(), QStringLiteral("class=\"voteicon\" /> <a"), QStringLiteral("</a>")};
const MatchKeys kSearch63Link{QString(), QStringLiteral("href=\""), QStringLiteral("\" target=")};
const MatchKeys kSearch63Title{QString(), QStringLiteral(">"), QStringLiteral("<img")};

EngineHit Hit(const QString& link, const QString& title) {
    EngineHit hit;
    hit.link = link;
    hit.title = title;
    return hit;
}

QString Doc63Link(QString link) {
    if (link.left(7).compare(QStringLiteral("http://"), Qt::CaseInsensitive) != 0)
        link.prepend(QStringLiteral("http://"));
    return link;
}

}  // namespace

// A classic layout's keys with Setting.ini's laid over them.
struct ResultPageParsers::Keys {
    MatchKeys block, link, title, untypedCut, titleRetry;
    QList<MatchKeys> typeFromBlock;
};

ResultPageParsers::Keys ResultPageParsers::ResolveKeys(const ClassicLayout& layout) const {
    auto apply = [this](const ClassicKeys& keys) {
        return keys_.Apply(keys.setting, {keys.up, keys.left, keys.right});
    };
    Keys keys;
    keys.block = apply(layout.block);
    keys.link = apply(layout.link);
    keys.title = apply(layout.title);
    keys.untypedCut = apply(layout.untypedCut);
    if (layout.titleRetry) {
        keys.titleRetry = apply(*layout.titleRetry);
        if (keys.titleRetry.up.isEmpty()) keys.titleRetry.up = keys.title.up;
    }
    for (const ClassicKeys& type : layout.typeFromBlock) keys.typeFromBlock.append(apply(type));
    return keys;
}

namespace {

// One block's link as the layout cuts and repairs it, with the text after it where the title is cut.
// Empty when the block holds no link.
QString CutLink(const ClassicLayout& layout, const MatchKeys& keys, KeyMatcher& matcher, const QString& block,
                const QString& pageUrl, QString* afterLink) {
    QString link = Cut(matcher, block, keys);
    if (link.isEmpty()) return link;
    *afterLink = matcher.Text("contentleft");
    if (!layout.linkPrefix.isEmpty()) link.prepend(layout.linkPrefix);
    if (layout.resolve) link = HtmlAnchorLister::ResolveUrl(pageUrl, link);
    for (const auto& [from, to] : layout.linkReplace) link.replace(from, to);
    return link;
}

// The title as the layout cuts it: after the link, else (with a retry rule) anywhere in the block.
QString CutTitle(const ClassicLayout& layout, const MatchKeys& titleKeys, const MatchKeys& retryKeys,
                 KeyMatcher& matcher, const QString& block, const QString& afterLink) {
    QString title = Cut(matcher, afterLink, titleKeys);
    if (layout.titleRetry && title.isEmpty()) title = Cut(matcher, block, retryKeys);
    return title;
}

// A cleaned title with one of the layout's words stands for the site, not the document: the link's last
// segment names it better.
void TitleFromLink(const ClassicLayout& layout, const QString& link, QString& title) {
    if (!ContainsAny(title, layout.titleFromLinkWhen)) return;
    const qsizetype slash = link.lastIndexOf(u'/');
    title = slash >= 0 ? link.mid(slash + 1) : QString();
}

}  // namespace

const char* ResultPageParsers::Name(PageParser parser) {
    static const char* const names[] = {"none",         "google", "scholar", "baidu",       "bing",
                                        "bingacademic", "sogou",  "youdao",  "soso",        "yahoo",
                                        "zhongsou",     "aol",    "osun",    "63da-search", "63da"};
    return names[int(parser)];
}

void ResultPageParsers::AddHit(ParseContext& context, const QString& link, const QString& title,
                               const QString& type) {
    QString size = EntrySize::Unknown;
    if (context.options.Checked(SettingKey::ProbeDocumentSize)) {
        const qint64 bytes = context.remoteSize ? context.remoteSize(link) : 0;
        const float kb = float(double(bytes) / 1024.0);
        if (!context.rules.SizeInRange(kb)) return;
        size = QString::asprintf("%.03f", double(kb));
        CheckCancel(context.state);  // the probe may have taken a while
    }
    if (context.results.AddLinkIfNew(link) == 1) {
        context.results.AddEntry(title, type, size, link, RowStatus::Waiting);
        if (context.tally) context.tally->rows += 1;
    }
}

int ResultPageParsers::ParseBlocks(const ClassicLayout& layout, ParseContext& context, const QString& pageUrl,
                                   const QString& pageText) const {
    const Keys keys = ResolveKeys(layout);
    int cut = 0;
    ForEachBlock(context.state, pageText, keys.block, [&](const QString& block) {
        KeyMatcher matcher;
        QString afterLink;
        QString link = CutLink(layout, keys.link, matcher, block, pageUrl, &afterLink);
        if (link.isEmpty()) return;
        ++cut;
        if (layout.urlFilter && context.filters.UrlFiltered(link)) return;
        if (layout.untyped != ClassicLayout::Untyped::Keep && context.rules.GetDocType(link).isEmpty()) {
            if (layout.untyped == ClassicLayout::Untyped::Drop) return;
            KeyMatcher parameter;
            link = Cut(parameter, link, keys.untypedCut);
            if (link.isEmpty()) return;
        }

        CheckCancel(context.state);
        QString title = CutTitle(layout, keys.title, keys.titleRetry, matcher, block, afterLink);
        if (ContainsAny(title, layout.titleRefuse)) return;
        LinkFilters::CleanTitle(title);
        if (layout.titleRequired && title.isEmpty()) return;
        TitleFromLink(layout, link, title);
        if (!context.filters.AcceptTitle(title)) return;

        CheckCancel(context.state);
        QString type = context.rules.GetDocType(link);
        for (qsizetype i = 0; type.isEmpty() && i < keys.typeFromBlock.size(); ++i)
            type = Cut(matcher, block, keys.typeFromBlock[i]);
        if (type.isEmpty()) return;
        AddHit(context, link, title, type);
    });
    return cut;
}

int ResultPageParsers::ParseDoc63(ParseContext& context, const QString& pageText) {
    int cut = 0;
    ForEachBlock(context.state, pageText, kDoc63Block, [&](const QString& block) {
        KeyMatcher matcher;
        QString title = Cut(matcher, block, kDoc63Title);
        LinkFilters::CleanTitle(title);
        if (!context.filters.AcceptTitle(title)) return;
        const QString rest = matcher.Text("contentleft");
        QString link = Cut(matcher, rest, kHrefQuote);
        if (link.isEmpty()) link = Cut(matcher, rest, kDoc63Source);
        if (link.isEmpty()) return;
        ++cut;
        link = Doc63Link(link);
        CheckCancel(context.state);
        const QString type = context.rules.GetDocType(link);
        if (type.isEmpty()) return;
        AddHit(context, link, title, type);
    });
    return cut;
}

int ResultPageParsers::ParseSearch63(ParseContext& context, const QString& pageUrl, const QString& pageText) {
    int cut = 0;
    ForEachBlock(context.state, pageText, kSearch63Block, [&](const QString& block) {
        KeyMatcher matcher;
        QString link = Cut(matcher, block, kSearch63Link);
        if (link.isEmpty()) return;
        ++cut;
        link = HtmlAnchorLister::ResolveUrl(pageUrl, link);
        if (context.filters.UrlFiltered(link)) return;
        QString title = Cut(matcher, matcher.Text("contentleft"), kSearch63Title);
        LinkFilters::CleanTitle(title);
        if (!context.filters.AcceptTitle(title)) return;
        CheckCancel(context.state);
        context.queue.QueueUrlFront(link);
    });
    return cut;
}

int ResultPageParsers::ParseLayouts(const EngineDefinition& engine, ParseContext& context,
                                    const QString& pageUrl, const QString& pageText) {
    if (engine.layouts.isEmpty()) return 0;
    CheckCancel(context.state);
    const std::atomic<int>& state = context.state;
    const QList<EngineHit> hits =
        ReadEngineHits(engine, pageUrl, pageText, ClassicHitCutter(), nullptr,
                       [&state] { return (state.load() & (WorkerBits::kCancel | WorkerBits::kStop)) != 0; });
    CheckCancel(context.state);
    AddEngineHits(context, hits);
    return int(hits.size());
}

void ResultPageParsers::AddEngineHits(ParseContext& context, const QList<EngineHit>& hits) {
    if (context.tally) context.tally->hits += int(hits.size());
    for (const EngineHit& hit : hits) {
        CheckCancel(context.state);
        if (hit.link.isEmpty() || context.filters.UrlFiltered(hit.link)) continue;
        QString type = context.rules.GetDocType(hit.link);
        // A type the engine vouches for still has to be one the user ticked.
        if (type.isEmpty() && !hit.type.isEmpty() && context.rules.TypeWanted(hit.type)) type = hit.type;
        if (type.isEmpty()) continue;
        QString title = hit.title;
        LinkFilters::CleanTitle(title);
        // A result without a title is still a document; its file name says what it is.
        if (title.isEmpty()) title = context.rules.ClassifyDocLink(hit.link).title;
        if (!context.filters.AcceptTitle(title)) continue;
        AddHit(context, hit.link, title, type);
    }
}

int ResultPageParsers::ParseClassic(const EngineDefinition& engine, ParseContext& context,
                                    const QString& pageUrl, const QString& pageText) const {
    if (engine.classic.isEmpty()) return 0;
    // The catalogue refuses a definition whose classic layout cannot be read; one that slips through
    // counts as having none.
    const auto layout = ClassicLayout::Read(engine.classic, nullptr);
    if (!layout) return 0;
    int cut = 0;
    switch (layout->walk) {
        case ClassicLayout::Walk::Blocks:
            cut = ParseBlocks(*layout, context, pageUrl, pageText);
            break;
        case ClassicLayout::Walk::Documents63:
            cut = ParseDoc63(context, pageText);
            break;
        case ClassicLayout::Walk::Search63:
            cut = ParseSearch63(context, pageUrl, pageText);
            break;
    }
    if (context.tally) context.tally->hits += cut;
    return cut;
}

int ResultPageParsers::Parse(const EngineDefinition& engine, ParseContext& context, const QString& pageUrl,
                             const QString& pageText) const {
    // The first kind of layout that cuts any hit reads the page; the other kind is not tried.
    if (engine.layoutsFirst) {
        if (ParseLayouts(engine, context, pageUrl, pageText) == 0)
            ParseClassic(engine, context, pageUrl, pageText);
    } else if (ParseClassic(engine, context, pageUrl, pageText) == 0) {
        ParseLayouts(engine, context, pageUrl, pageText);
    }
    return 1;
}

int ResultPageParsers::Parse(PageParser parser, ParseContext& context, const QString& pageUrl,
                             const QString& pageText) const {
    if (parser == PageParser::None) return 1;
    const EngineDefinition* engine = BuiltInCatalog().Find(QLatin1StringView(Name(parser)));
    if (!engine) return 1;
    return Parse(*engine, context, pageUrl, pageText);
}

QList<EngineHit> ResultPageParsers::CutClassicHits(const EngineDefinition& engine, const QString& pageUrl,
                                                   const QString& pageText) const {
    QList<EngineHit> hits;
    if (engine.classic.isEmpty()) return hits;
    const auto layout = ClassicLayout::Read(engine.classic, nullptr);
    if (!layout) return hits;
    const std::atomic<int> running{0};
    switch (layout->walk) {
        case ClassicLayout::Walk::Blocks: {
            const Keys keys = ResolveKeys(*layout);
            ForEachBlock(running, pageText, keys.block, [&](const QString& block) {
                KeyMatcher matcher;
                QString afterLink;
                QString link = CutLink(*layout, keys.link, matcher, block, pageUrl, &afterLink);
                if (link.isEmpty()) return;
                if (layout->untyped == ClassicLayout::Untyped::CutParameter) {
                    // Without the format boxes every wrapped link is taken as wrapped.
                    KeyMatcher parameter;
                    const QString inner = Cut(parameter, link, keys.untypedCut);
                    if (!inner.isEmpty()) link = inner;
                }
                QString title = CutTitle(*layout, keys.title, keys.titleRetry, matcher, block, afterLink);
                LinkFilters::CleanTitle(title);
                TitleFromLink(*layout, link, title);
                hits.append(Hit(link, title));
            });
            break;
        }
        case ClassicLayout::Walk::Documents63:
            ForEachBlock(running, pageText, kDoc63Block, [&](const QString& block) {
                KeyMatcher matcher;
                QString title = Cut(matcher, block, kDoc63Title);
                LinkFilters::CleanTitle(title);
                const QString rest = matcher.Text("contentleft");
                QString link = Cut(matcher, rest, kHrefQuote);
                if (link.isEmpty()) link = Cut(matcher, rest, kDoc63Source);
                if (!link.isEmpty()) hits.append(Hit(Doc63Link(link), title));
            });
            break;
        case ClassicLayout::Walk::Search63:
            ForEachBlock(running, pageText, kSearch63Block, [&](const QString& block) {
                KeyMatcher matcher;
                const QString link = Cut(matcher, block, kSearch63Link);
                if (link.isEmpty()) return;
                QString title = Cut(matcher, matcher.Text("contentleft"), kSearch63Title);
                LinkFilters::CleanTitle(title);
                hits.append(Hit(HtmlAnchorLister::ResolveUrl(pageUrl, link), title));
            });
            break;
    }
    return hits;
}
