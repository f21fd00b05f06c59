// The result-page readers over pages of any content: each built-in engine's classic and XPath layouts
// and its block signatures. The input's first line names the engine by its definition's id ("google",
// "baidu", "duckduckgo", ...) and, after a space, the page's address; the rest is the page as fetched. Every
// parser must end its walk, and every row it adds must have its title, type, size and link.

#include "FuzzSupport.h"
#include "engines/BlockDetector.h"
#include "engines/DocLinkRules.h"
#include "engines/EngineCatalog.h"
#include "lists/IniFile.h"
#include "lists/Options.h"
#include "lists/Profile.h"
#include "lists/ResultList.h"
#include "net/PageDecoder.h"
#include "search/KeywordList.h"
#include "search/LinkFilters.h"
#include "search/ParserKeys.h"
#include "search/ResultPageParsers.h"
#include "search/SearchQueue.h"

namespace {

// The definition the header names, or, for a header no id matches, any one, so that mutated headers
// still reach them all.
const EngineDefinition& EngineNamed(const EngineCatalog& catalog, const QByteArray& id,
                                    const QByteArray& line) {
    if (const EngineDefinition* engine = catalog.Find(QString::fromUtf8(id))) return *engine;
    const QList<EngineDefinition>& all = catalog.Engines();
    return all[line.isEmpty() ? 0 : static_cast<unsigned char>(line[0]) % all.size()];
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static Options* const options = [] {
        auto* made = new Options;
        made->Load(IniFile());
        made->SetCommittedInt(SettingKey::SuffixSameTitles, 0);
        // Sizes are asked for (and answered below without a network), and pages count as documents,
        // so that rows are made from pages of ordinary web results too.
        made->SetCommittedInt(SettingKey::ProbeDocumentSize, 1);
        made->SetCommittedInt(SettingKey::FormatOther, 1);
        made->SetCommittedText(SettingKey::OtherDocExtension, QStringLiteral("html"));
        return made;
    }();
    static const ParserKeys keys = ParserKeys::Load(Profile(fuzz::ScratchPath(QStringLiteral("none.ini"))));
    static KeywordList keywords(fuzz::ScratchPath(QStringLiteral("key.list")));
    static const LinkFilters filters(*options, keywords);
    static const DocLinkRules rules(*options);

    QByteArray bytes = fuzz::Bytes(data, size);
    const QByteArray header = fuzz::TakeLine(bytes);
    const qsizetype space = header.indexOf(' ');
    static const std::shared_ptr<const EngineCatalog> catalog = EngineCatalog::BuiltIn();
    const EngineDefinition& engine = EngineNamed(*catalog, space < 0 ? header : header.left(space), header);
    const QString url = space < 0 ? QStringLiteral("http://www.example.com/search?q=x")
                                  : QString::fromUtf8(header.mid(space + 1));
    const QString page = PageDecoder::Decode(bytes, QString(), true);

    ResultList results(*options, nullptr);
    SearchQueue queue;
    std::atomic<int> state{0};
    ParseContext context{state, results, filters, rules, *options, queue, [](const QString& link) {
                             return qint64(link.size()) * 1024;
                         }};
    DetectBlock(engine, 200, url, page);
    fuzz::Require(ResultPageParsers(keys).Parse(engine, context, url, page) == 1, "a parser reports 1");
    for (const ResultEntry& row : results.Snapshot()) {
        fuzz::Require(!row.title.trimmed().isEmpty() && !row.type.isEmpty() && !row.size.isEmpty() &&
                          !row.link.isEmpty(),
                      "a row has its title, type, size and link");
    }
    return 0;
}
