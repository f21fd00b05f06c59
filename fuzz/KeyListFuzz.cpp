// key.list: the keyword file, written by this program but open to any editor. Loading must finish and
// keep no empty or duplicate keyword, and a save must give back exactly the keywords it was made from.

#include <QSet>

#include "FuzzSupport.h"
#include "search/KeywordList.h"

namespace {

// What a keyword reads back as. The line reader skips a byte-order mark at the start of every line, and
// the UTF-8 decoder one more, so a keyword that begins with U+FEFF comes back without up to two of them
// (and trimmed once more). A known, reported difference; everything else must come back exactly.
QStringList AsReloaded(const QStringList& keywords) {
    QStringList out;
    for (QString keyword : keywords) {
        for (int mark = 0; mark < 2 && keyword.startsWith(QChar(0xFEFF)); ++mark) keyword = keyword.mid(1);
        keyword = keyword.trimmed();
        if (!keyword.isEmpty() && !out.contains(keyword)) out.append(keyword);
    }
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const QString path = fuzz::ScratchPath(QStringLiteral("key.list"));
    fuzz::WriteScratch(path, fuzz::Bytes(data, size));

    KeywordList keywords(path);
    keywords.LoadKeywordFile();
    const QStringList loaded = keywords.Keywords();
    const QSet<QString> distinct(loaded.begin(), loaded.end());
    fuzz::Require(distinct.size() == loaded.size(), "no keyword is loaded twice");
    for (const QString& keyword : loaded)
        fuzz::Require(!keyword.isEmpty() && keyword == keyword.trimmed(),
                      "keywords are trimmed and not empty");

    fuzz::Require(keywords.SaveKeywordFile(), "the keywords are saved");
    KeywordList reread(path);
    reread.LoadKeywordFile();
    fuzz::Require(reread.Keywords() == AsReloaded(loaded), "saved keywords load back unchanged");
    return 0;
}
