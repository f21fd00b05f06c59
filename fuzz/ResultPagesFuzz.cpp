// The result-page parsers over pages of any content. The input's first line names the parser
// ("google", "baidu", ... as the parsers name themselves) and, after a space, the page's address; the
// rest is the page as fetched. Every parser must end its walk, and every row it adds must have its type,
// size and link. (Its title may end up empty: the list's title clean-up can empty a title it was given,
// a known and reported fault.)

#include "FuzzSupport.h"
#include "lists/IniFile.h"
#include "lists/Options.h"
#include "lists/Profile.h"
#include "lists/ResultList.h"
#include "net/PageDecoder.h"
#include "search/DocLinkRules.h"
#include "search/KeywordList.h"
#include "search/LinkFilters.h"
#include "search/ParserKeys.h"
#include "search/ResultPageParsers.h"
#include "search/SearchQueue.h"

namespace {

constexpr int kParsers = int(PageParser::Doc63) + 1;

PageParser ParserNamed(const QByteArray& name, const QByteArray& line) {
    for (int i = 1; i < kParsers; ++i) {
        if (name == ResultPageParsers::Name(PageParser(i))) return PageParser(i);
    }
    // Unnamed: any parser, so that mutated headers still reach them all.
    return PageParser(1 + (line.isEmpty() ? 0 : static_cast<unsigned char>(line[0]) % (kParsers - 1)));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static Options* const options = [] {
        auto* made = new Options;
        made->Load(IniFile());
        made->SetCommittedInt(SettingKey::AddRandName, 0);
        // Sizes are asked for (and answered below without a network), and pages count as documents,
        // so that rows are made from pages of ordinary web results too.
        made->SetCommittedInt(SettingKey::CulFileSize, 1);
        made->SetCommittedInt(SettingKey::DocOther, 1);
        made->SetCommittedText(SettingKey::EDocOther, QStringLiteral("html"));
        return made;
    }();
    static const ParserKeys keys = ParserKeys::Load(Profile(fuzz::ScratchPath(QStringLiteral("none.ini"))));
    static KeywordList keywords(fuzz::ScratchPath(QStringLiteral("key.list")));
    static const LinkFilters filters(*options, keywords);
    static const DocLinkRules rules(*options);

    QByteArray bytes = fuzz::Bytes(data, size);
    const QByteArray header = fuzz::TakeLine(bytes);
    const qsizetype space = header.indexOf(' ');
    const PageParser parser = ParserNamed(space < 0 ? header : header.left(space), header);
    const QString url = space < 0 ? QStringLiteral("http://www.example.com/search?q=x")
                                  : QString::fromUtf8(header.mid(space + 1));
    const QString page = PageDecoder::Decode(bytes, QString(), true);

    ResultList results(*options, nullptr);
    SearchQueue queue;
    std::atomic<int> state{0};
    ParseContext context{state, results, filters, rules, *options, queue, [](const QString& link) {
                             return qint64(link.size()) * 1024;
                         }};
    fuzz::Require(ResultPageParsers(keys).Parse(parser, context, url, page) == 1, "a parser reports 1");
    for (const ResultEntry& row : results.Snapshot()) {
        fuzz::Require(!row.type.isEmpty() && !row.size.isEmpty() && !row.link.isEmpty(),
                      "a row has its type, size and link");
    }
    return 0;
}
