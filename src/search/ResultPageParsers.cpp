#include "search/ResultPageParsers.h"

#include "lists/Options.h"
#include "lists/ResultList.h"
#include "search/CGetMatchElement.h"
#include "search/CHtmlParse.h"
#include "search/DocLinkRules.h"
#include "search/EngineHosts.h"
#include "search/LinkFilters.h"
#include "search/SearchQueue.h"
#include "search/WorkerState.h"

namespace {

enum class Repair { None, Resolve, ResolvePercent, ResolveYahoo, BaiduPrefix };
enum class Gate { None, GoogleQuery, SkipUntyped };
enum class Fallback { None, Baidu, BlockType };

void SetKeys(CGetMatchElement& matcher, const MatchKeys& keys) {
    matcher.SetAttr("upkey", keys.up);
    matcher.SetAttr("leftkey", keys.left);
    matcher.SetAttr("rightkey", keys.right);
}

QString Cut(CGetMatchElement& matcher, const QString& text, const MatchKeys& keys) {
    matcher.SetAttr("orcontent", text);
    SetKeys(matcher, keys);
    matcher.Run();
    return matcher.GetContent();
}

// Walks the page block by block and hands each block to `handle`; the rest of the page after a block
// is the section matcher's leftover, whatever the block gives. 1 once no block is left.
template <typename Handle>
int ForEachBlock(const std::atomic<int>& state, const QString& page, const MatchKeys& keys, Handle handle) {
    CGetMatchElement section;
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

}  // namespace

struct ResultPageParsers::Layout {
    MatchKeys section;
    MatchKeys link;
    MatchKeys title;
    Repair repair = Repair::None;
    bool urlFilter = false;
    Gate gate = Gate::None;
    Fallback fallback = Fallback::None;
    MatchKeys typeKeys;       // Fallback::BlockType
    bool baiduTitle = false;  // the second title try and the 百度文库 refusal
    bool bingTitle = false;   // a title with "www" becomes the link's last segment
};

namespace {

ResultPageParsers::Layout MakeLayout(const MatchKeys& section, const MatchKeys& link, const MatchKeys& title,
                                     Repair repair = Repair::None, bool urlFilter = false,
                                     Gate gate = Gate::None) {
    ResultPageParsers::Layout layout;
    layout.section = section;
    layout.link = link;
    layout.title = title;
    layout.repair = repair;
    layout.urlFilter = urlFilter;
    layout.gate = gate;
    return layout;
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
    QString size = EntryStatus::SizeUnknown;
    if (context.options.Checked(SettingKey::CulFileSize)) {
        const qint64 bytes = context.remoteSize ? context.remoteSize(link) : 0;
        const float kb = float(double(bytes) / 1024.0);
        if (!context.rules.SizeInRange(kb)) return;
        size = QString::asprintf("%.03f", double(kb));
        CheckCancel(context.state);  // the probe may have taken a while
    }
    if (context.results.AddLinkIfNew(link) == 1) {
        context.results.AddEntry(title, type, size, link, EntryStatus::Waiting);
    }
}

int ResultPageParsers::ParseCommon(const Layout& layout, ParseContext& context, const QString& pageUrl,
                                   const QString& pageText) const {
    return ForEachBlock(context.state, pageText, layout.section, [&](const QString& block) {
        CGetMatchElement matcher;
        const QString blockType =
            layout.fallback == Fallback::BlockType ? Cut(matcher, block, layout.typeKeys) : QString();
        QString link = Cut(matcher, block, layout.link);
        if (link.isEmpty()) return;
        const QString afterLink = matcher.Text("contentleft");

        switch (layout.repair) {
            case Repair::None:
                break;
            case Repair::BaiduPrefix:
                link = CHtmlParse::ResolveUrl(
                    pageUrl,
                    QStringLiteral("http://%1/link?url=").arg(QLatin1StringView(EngineHosts::Baidu)) + link);
                break;
            case Repair::Resolve:
                link = CHtmlParse::ResolveUrl(pageUrl, link);
                break;
            case Repair::ResolvePercent:
                link =
                    CHtmlParse::ResolveUrl(pageUrl, link).replace(QStringLiteral("%25"), QStringLiteral("%"));
                break;
            case Repair::ResolveYahoo:
                link = CHtmlParse::ResolveUrl(pageUrl, link)
                           .replace(QStringLiteral("%3A"), QStringLiteral(":"))
                           .replace(QStringLiteral("%3a"), QStringLiteral(":"))
                           .replace(QStringLiteral("%25"), QStringLiteral("%"));
                break;
        }
        if (layout.urlFilter && context.filters.UrlFiltered(link)) return;
        if (layout.gate != Gate::None && context.rules.GetDocType(link).isEmpty()) {
            if (layout.gate == Gate::SkipUntyped) return;
            CGetMatchElement query;
            link = Cut(query, link, {QString(), QStringLiteral("q="), QStringLiteral("&amp")});
            if (link.isEmpty()) return;
        }

        CheckCancel(context.state);
        QString title = Cut(matcher, afterLink, layout.title);
        if (layout.baiduTitle) {
            if (title.isEmpty()) {
                title = Cut(matcher, block,
                            {layout.title.up, QStringLiteral("title\":\""), QStringLiteral("\"")});
            }
            if (title.contains(QStringLiteral("百度文库"))) return;
        }
        LinkFilters::CleanTitle(title);
        if (layout.baiduTitle && title.isEmpty()) return;
        if (layout.bingTitle &&
            (title.contains(QStringLiteral("www")) || title.contains(QStringLiteral("WWW")))) {
            const qsizetype slash = link.lastIndexOf(u'/');
            title = slash >= 0 ? link.mid(slash + 1) : QString();
        }
        if (!context.filters.AcceptTitle(title)) return;

        CheckCancel(context.state);
        QString type = context.rules.GetDocType(link);
        if (type.isEmpty() && layout.fallback == Fallback::Baidu) {
            type =
                Cut(matcher, block, {QStringLiteral("文件格式"), QStringLiteral(">"), QStringLiteral("/")});
            if (type.isEmpty())
                type = Cut(matcher, block, {QString(), QStringLiteral("【"), QStringLiteral("】")});
        } else if (type.isEmpty() && layout.fallback == Fallback::BlockType) {
            type = blockType;
        }
        if (type.isEmpty()) return;
        AddHit(context, link, title, type);
    });
}

int ResultPageParsers::ParseDoc63(ParseContext& context, const QString& pageText) const {
    return ForEachBlock(
        context.state, pageText, {QString(), QStringLiteral("<div>文档标"), QStringLiteral("nofollow")},
        [&](const QString& block) {
            CGetMatchElement matcher;
            QString title = Cut(matcher, block, {QString(), QStringLiteral("："), QStringLiteral("</div>")});
            LinkFilters::CleanTitle(title);
            if (!context.filters.AcceptTitle(title)) return;
            const QString rest = matcher.Text("contentleft");
            QString link = Cut(matcher, rest, {QString(), QStringLiteral("href=\""), QStringLiteral("\"")});
            if (link.isEmpty())
                link =
                    Cut(matcher, rest, {QString(), QStringLiteral("来源地址："), QStringLiteral("</div>")});
            if (link.isEmpty()) return;
            if (link.left(7).compare(QStringLiteral("http://"), Qt::CaseInsensitive) != 0)
                link.prepend(QStringLiteral("http://"));
            CheckCancel(context.state);
            const QString type = context.rules.GetDocType(link);
            if (type.isEmpty()) return;
            AddHit(context, link, title, type);
        });
}

int ResultPageParsers::ParseSearch63(ParseContext& context, const QString& pageUrl,
                                     const QString& pageText) const {
    return ForEachBlock(context.state, pageText,
                        {QString(), QStringLiteral("class=\"voteicon\" /> <a"), QStringLiteral("</a>")},
                        [&](const QString& block) {
                            CGetMatchElement matcher;
                            QString link =
                                Cut(matcher, block,
                                    {QString(), QStringLiteral("href=\""), QStringLiteral("\" target=")});
                            if (link.isEmpty()) return;
                            link = CHtmlParse::ResolveUrl(pageUrl, link);
                            if (context.filters.UrlFiltered(link)) return;
                            QString title = Cut(matcher, matcher.Text("contentleft"),
                                                {QString(), QStringLiteral(">"), QStringLiteral("<img")});
                            LinkFilters::CleanTitle(title);
                            if (!context.filters.AcceptTitle(title)) return;
                            CheckCancel(context.state);
                            context.queue.QueueUrlFront(link);
                        });
}

int ResultPageParsers::Parse(PageParser parser, ParseContext& context, const QString& pageUrl,
                             const QString& pageText) const {
    const MatchKeys hrefQuote{QString(), QStringLiteral("href=\""), QStringLiteral("\"")};
    const MatchKeys anchorText{QString(), QStringLiteral(">"), QStringLiteral("</a>")};
    Layout layout;
    switch (parser) {
        case PageParser::None:
            return 1;
        case PageParser::Search63:
            return ParseSearch63(context, pageUrl, pageText);
        case PageParser::Doc63:
            return ParseDoc63(context, pageText);
        case PageParser::Google:
        case PageParser::Aol:
            layout = MakeLayout({QString(), QStringLiteral("<h3 class=\"r\">"), QStringLiteral("</cite>")},
                                hrefQuote, {QString(), QStringLiteral(">"), QStringLiteral("</a></h3>")},
                                Repair::ResolvePercent, true, Gate::GoogleQuery);
            break;
        case PageParser::Scholar:
            layout = MakeLayout({QString(), QStringLiteral("<h3"), QStringLiteral("</h3>")}, hrefQuote,
                                anchorText, Repair::None, true);
            break;
        case PageParser::Baidu:
            layout =
                MakeLayout(keys_.baiduSection, keys_.baiduLink, keys_.baiduTitle, Repair::BaiduPrefix, true);
            layout.fallback = Fallback::Baidu;
            layout.baiduTitle = true;
            break;
        case PageParser::Bing:
            layout = MakeLayout(keys_.bingSection, keys_.bingLink, keys_.bingTitle);
            layout.bingTitle = true;
            break;
        case PageParser::BingAcademic:
            layout = MakeLayout(keys_.xueshuSection, keys_.xueshuLink, keys_.xueshuTitle);
            layout.fallback = Fallback::BlockType;
            layout.typeKeys = keys_.xueshuType;
            layout.bingTitle = true;
            break;
        case PageParser::Sogou:
            layout = MakeLayout({QString(), QStringLiteral("<h3 class=\"pt\">"), QStringLiteral("</h3>")},
                                {QString(), QStringLiteral("href=\""), QStringLiteral("\" id=")}, anchorText,
                                Repair::Resolve, true);
            break;
        case PageParser::Youdao:
            layout = MakeLayout({QString(), QStringLiteral("<h3>"), QStringLiteral("</h3>")}, hrefQuote,
                                {QStringLiteral("title"), QStringLiteral(">"), QStringLiteral("<")});
            break;
        case PageParser::Soso:
            layout = MakeLayout(keys_.sosoSection, keys_.sosoLink, keys_.sosoTitle);
            break;
        case PageParser::Yahoo:
            layout = MakeLayout(keys_.yahooSection, keys_.yahooLink, keys_.yahooTitle, Repair::ResolveYahoo,
                                true, Gate::SkipUntyped);
            break;
        case PageParser::Zhongsou:
            layout = MakeLayout({QString(), QStringLiteral("<li>"), QStringLiteral("</li>")}, hrefQuote,
                                {QString(), QStringLiteral("】"), QStringLiteral("</a>")},
                                Repair::ResolvePercent, true, Gate::SkipUntyped);
            break;
        case PageParser::Osun:
            layout =
                MakeLayout({QString(), QStringLiteral("<div class=\"dtitle\">"), QStringLiteral("</div>")},
                           {QString(), QStringLiteral("href=\""), QStringLiteral("\" target=")}, anchorText,
                           Repair::Resolve, true);
            break;
    }
    return ParseCommon(layout, context, pageUrl, pageText);
}
