#include "search/QueryCatalogue.h"

#include <array>
#include <vector>

#include "lists/Options.h"
#include "search/EngineHosts.h"

namespace {

using K = SettingKey;

// Format boxes in the order every builder visits them within one page.
constexpr std::array<K, 8> kFormatBoxes = {K::DocWord, K::DocPdf, K::DocPpt, K::DocXls,
                                           K::DocRtf,  K::DocTxt, K::DocZip, K::DocOther};
constexpr int kOther = 7;

struct EngineSpec {
    K box;
    bool escaped;
    const char* scheme;
    const char* host;
    // Path and query with "@" where the file-type token stands; printf-style otherwise.
    const char* pattern;
    // Tokens per format box (Word, PDF, PPT, XLS, RTF, TXT, archives); "" = nothing for that box.
    std::array<std::vector<const char*>, 7> tokens;
    bool other;  // queues the "other" extension
};

const char* const kAsQdr[] = {"all", "d", "w", "m", "y"};
const char* const kBingTbs[] = {"qdr:all", "qdr:d", "qdr:w", "qdr:m", "qdr:y"};
const char* const kBaiduLm[] = {"0", "1", "7", "30", "360"};
const char* const kYoudaoLm[] = {"-1", "1", "7", "30", "360"};
const char* const kSogouTsn[] = {"0", "1", "2", "3", "4"};
const char* const kYahooSuffix[] = {"", "&btf=d", "&btf=w", "&btf=m", ""};
const char* const kZhongsouSuffix[] = {"&rt=o", "&rt=d", "&rt=w", "&rt=m", "&rt=y"};
const char* const kClients[] = {"client=aff-cs-maxthon", "client=aff-os-360se", "client=aff-os-miniIE"};

const std::vector<const char*> kArchives = {"zip", "rar", "7z"};

const EngineSpec& Spec(SearchEngine engine) {
    static const EngineSpec specs[] = {
        /* Google */ {K::GoogleSearch,
                      true,
                      "https",
                      EngineHosts::Google,
                      "/search?q=%s&num=50&as_filetype=@&start=%d&%s&as_qdr=%s",
                      {{{"doc", "docx"}, {"pdf"}, {"ppt", "pps"}, {"xls"}, {"rtf"}, {"txt"}, kArchives}},
                      true},
        /* Scholar */
        {K::GoogleScholar,
         true,
         "https",
         EngineHosts::Scholar,
         "/scholar?start=%d&q=filetype:@+%s&hl=zh-CN&as_sdt=0,5",
         {{{"doc", "docx"}, {"pdf"}, {"ppt", "pptx", "pps"}, {"xls", "xlsx"}, {"rtf"}, {"txt"}, kArchives}},
         true},
        /* Baidu */
        {K::BaiduSearch,
         false,
         "http",
         EngineHosts::Baidu,
         "/s?wd=filetype%%3A@%%20(%s) -(百度文库)&pn=%d&lm=%d",
         {{{"doc"}, {"pdf"}, {"ppt"}, {"xls"}, {"rtf"}, {}, {}}},
         false},
        /* Bing */
        {K::CheckBind,
         true,
         "http",
         EngineHosts::Bing,
         "/search?q=filetype%%3a@+%s&go=提交&qs=bs&first=%d&tbs=%s&%s",
         {{{"doc"}, {"pdf"}, {"ppt", "pps"}, {"xls"}, {"rtf"}, {"txt"}, kArchives}},
         true},
        /* BingAcademic */
        {K::BingXueshu,
         true,
         "http",
         EngineHosts::Bing,
         "/academic/search?q=filetype%%3a@+%s&first=%d&FORM=PENR",
         {{{"doc"}, {"pdf"}, {"ppt"}, {"xls"}, {"rtf"}, {"txt"}, kArchives}},
         true},
        /* Sogou */
        {K::SougouSearch,
         false,
         "http",
         EngineHosts::Sogou,
         "/web?num=50&query=filetype%%3A@+%s&page=%d&tsn=%d",
         {{{"doc"}, {"pdf"}, {"ppt"}, {"xls"}, {"rtf"}, {}, {}}},
         false},
        /* Youdao */
        {K::CheckYoudao,
         false,
         "http",
         EngineHosts::Youdao,
         "/search?q=filetype:@+%s&start=%d&lm=%d",
         {{{"doc"}, {"pdf"}, {"ppt"}, {"xls"}, {"rtf"}, {}, {}}},
         false},
        /* Yahoo */
        {K::CheckYahoo,
         true,
         "http",
         EngineHosts::Yahoo,
         "/search?fr2=time&rd=r1&fr=404&p=filetype:@+%s&b=%d%s",
         {{{"doc"}, {"pdf"}, {"ppt", "pps"}, {"xls"}, {"rtf"}, {"txt"}, kArchives}},
         true},
        /* Aol */
        {K::CheckAol,
         true,
         "http",
         EngineHosts::Aol,
         "/aol/search?s_it=nscpsearch&q=filetype:@+%s&page=%d&%s&as_qdr=%s",
         {{{"doc", "docx"}, {"pdf"}, {"ppt", "pps"}, {"xls"}, {"rtf"}, {"txt"}, kArchives}},
         true},
        /* Zhongsou */
        {K::GoogleZhongSou,
         false,
         "http",
         EngineHosts::Zhongsou,
         "/third.cgi?w=filetype:@+%s&b=%d%s",
         {{{"doc"}, {"pdf"}, {"ppt"}, {"xls"}, {"rtf"}, {"txt"}, kArchives}},
         true},
        /* Osun */
        {K::OsunSearch,
         true,
         "http",
         EngineHosts::Osun,
         "/%s/%s-@.html",
         {{{"doc"}, {"pdf"}, {"ppt"}, {}, {}, {}, {}}},
         false},
        /* Da63 */
        {K::Search63Da,
         false,
         "http",
         EngineHosts::Da63,
         "/?@%d-%s/",
         {{{"Doc"}, {"Pdf"}, {"Ppt"}, {"Xls"}, {"Rtf"}, {}, {}}},
         false},
    };
    return specs[int(engine)];
}

// The page values an engine's builder walks, in order.
std::vector<int> Pages(SearchEngine engine) {
    auto range = [](int first, int step, int count) {
        std::vector<int> values;
        for (int i = 0; i < count; ++i) values.push_back(first + i * step);
        return values;
    };
    switch (engine) {
        case SearchEngine::Google:
            return range(0, 50, 10);
        case SearchEngine::Scholar:
            return range(0, 10, 30);
        case SearchEngine::Baidu:
            return range(0, 10, 130);
        case SearchEngine::Bing:
        case SearchEngine::BingAcademic:
            return range(1, 10, 20);
        case SearchEngine::Sogou:
            return range(1, 1, 29);
        case SearchEngine::Youdao:
            return range(0, 10, 130);
        case SearchEngine::Yahoo:
            return range(1, 10, 40);
        case SearchEngine::Aol:
            return range(0, 1, 100);
        case SearchEngine::Zhongsou:
            return range(1, 1, 99);
        case SearchEngine::Osun:
            return range(0, 1, 20);
        case SearchEngine::Da63:
            return range(1, 1, 79);
    }
    return {};
}

// The arguments of an engine's template for the normal tokens, in template order.
QStringList Arguments(SearchEngine engine, const QString& keyword, int page, int time, bool bingEnglish) {
    const QString p = QString::number(page);
    const QString client = QLatin1StringView(kClients[page % 3]);
    switch (engine) {
        case SearchEngine::Google:
            return {keyword, p, client, QLatin1StringView(kAsQdr[time])};
        case SearchEngine::Scholar:
            return {p, keyword};
        case SearchEngine::Baidu:
            return {keyword, p, QLatin1StringView(kBaiduLm[time])};
        case SearchEngine::Bing:
            return {
                keyword, p, QLatin1StringView(kBingTbs[time]),
                bingEnglish ? QStringLiteral("intlF=1&FORM=TIPEN1") : QStringLiteral("intlF=&FORM=TIPALL")};
        case SearchEngine::BingAcademic:
            return {keyword, p};
        case SearchEngine::Sogou:
            return {keyword, p, QLatin1StringView(kSogouTsn[time])};
        case SearchEngine::Youdao:
            return {keyword, p, QLatin1StringView(kYoudaoLm[time])};
        case SearchEngine::Yahoo:
            return {keyword, p, QLatin1StringView(kYahooSuffix[time])};
        case SearchEngine::Aol:
            return {keyword, p, client, QLatin1StringView(kAsQdr[time])};
        case SearchEngine::Zhongsou:
            return {keyword, p, QLatin1StringView(kZhongsouSuffix[time])};
        case SearchEngine::Osun:
            return {keyword, keyword};
        case SearchEngine::Da63:
            return {p, keyword};
    }
    return {};
}

// How many printf arguments a pattern consumes before position `end`.
int ArgumentsBefore(const QString& pattern, qsizetype end) {
    int count = 0;
    for (qsizetype i = 0; i + 1 < end; ++i) {
        if (pattern[i] != u'%') continue;
        if (pattern[i + 1] == u's' || pattern[i + 1] == u'd') ++count;
        ++i;  // skips the character after '%', so "%%" counts as one character
    }
    return count;
}

}  // namespace

QString QueryCatalogue::Format(const QString& pattern, const QStringList& args) {
    QString out;
    out.reserve(pattern.size() + 64);
    qsizetype next = 0;
    for (qsizetype i = 0; i < pattern.size(); ++i) {
        if (pattern[i] == u'%' && i + 1 < pattern.size()) {
            const QChar spec = pattern[i + 1];
            if (spec == u'%') {
                out += u'%';
                ++i;
                continue;
            }
            if (spec == u's' || spec == u'd') {
                out += next < args.size() ? args[next] : QString();
                ++next;
                ++i;
                continue;
            }
        }
        out += pattern[i];
    }
    return out;
}

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

void QueryCatalogue::QueueEngine(SearchEngine engine, const QString& keyword, int timeIndex,
                                 const QueueFn& queue) const {
    const EngineSpec& spec = Spec(engine);
    const int time = qBound(0, timeIndex, 4);
    const bool bingEnglish = options_.Checked(K::BingEnglish);
    const QString prefix =
        QStringLiteral("%1://%2").arg(QLatin1StringView(spec.scheme), QLatin1StringView(spec.host));
    const QString pattern = QString::fromUtf8(spec.pattern);
    const QString otherExtension = options_.Text(K::EDocOther).left(254);
    for (const int page : Pages(engine)) {
        QString pagePattern = pattern;
        if (engine == SearchEngine::Osun && page > 0)
            pagePattern.replace(QStringLiteral("@.html"), QStringLiteral("@-%d.html"));
        QStringList args = Arguments(engine, keyword, page, time, bingEnglish);
        if (engine == SearchEngine::Osun && page > 0) args.append(QString::number(page));
        for (int box = 0; box < int(kFormatBoxes.size()); ++box) {
            if (!options_.Checked(kFormatBoxes[size_t(box)])) continue;
            if (box == kOther) {
                if (!spec.other || otherExtension.isEmpty()) continue;
                QString otherPattern = pagePattern;
                const qsizetype at = otherPattern.indexOf(u'@');
                QStringList otherArgs = args;
                otherArgs.insert(ArgumentsBefore(otherPattern, at), otherExtension);
                otherPattern.replace(at, 1, QStringLiteral("%s"));
                Queue(prefix + Format(otherPattern, otherArgs), queue);
                continue;
            }
            for (const char* token : spec.tokens[size_t(box)]) {
                QString tokenPattern = pagePattern;
                // The one template that breaks the pattern: a blank where the others have a plus sign.
                if (engine == SearchEngine::Scholar && qstrcmp(token, "pps") == 0) {
                    tokenPattern.replace(QStringLiteral("@+"), QStringLiteral("@ "));
                }
                tokenPattern.replace(u'@', QLatin1StringView(token));
                Queue(prefix + Format(tokenPattern, args), queue);
            }
        }
    }
}

void QueryCatalogue::BuildQueue(const QStringList& keywords, int timeIndex, const QueueFn& queue) const {
    for (const QString& keyword : keywords) {
        if (keyword.isEmpty()) continue;
        if (pdfSites_ && options_.Checked(K::DocPdf)) {
            Queue(QStringLiteral("http://%1/book/%2-pdf.html")
                      .arg(QLatin1StringView(EngineHosts::PdfGeni), keyword),
                  queue);
            Queue(QStringLiteral("http://%1/us/%2-pdf.html")
                      .arg(QLatin1StringView(EngineHosts::PdfSearch), keyword),
                  queue);
            if (IsAllAlnum(keyword)) {
                for (int p = 1; p <= 9; ++p) {
                    Queue(QStringLiteral("http://%1/%2?p=%3")
                              .arg(QLatin1StringView(EngineHosts::PdfQueen), keyword)
                              .arg(p),
                          queue);
                }
            }
        }
        if (options_.Checked(K::BaiduSearch)) QueueEngine(SearchEngine::Baidu, keyword, timeIndex, queue);
        const QString escaped = EscapeKeyword(keyword);
        if (!escaped.isEmpty()) {
            for (SearchEngine engine :
                 {SearchEngine::Google, SearchEngine::Scholar, SearchEngine::Osun, SearchEngine::Bing,
                  SearchEngine::BingAcademic, SearchEngine::Aol, SearchEngine::Yahoo}) {
                if (options_.Checked(Spec(engine).box)) QueueEngine(engine, escaped, timeIndex, queue);
            }
        }
        for (SearchEngine engine :
             {SearchEngine::Youdao, SearchEngine::Sogou, SearchEngine::Da63, SearchEngine::Zhongsou}) {
            if (options_.Checked(Spec(engine).box)) QueueEngine(engine, keyword, timeIndex, queue);
        }
    }
    if (options_.Checked(K::EngineOtherSearch)) {
        QString other = options_.Text(K::EEngineOther);
        if (!other.isEmpty()) {
            if (!other.startsWith(QStringLiteral("http"))) other.prepend(QStringLiteral("http://"));
            Queue(other, queue);
        }
    }
}
