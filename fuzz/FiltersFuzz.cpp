// The filter lists (config/url_filter.txt, config/title_filter.txt): any bytes, in UTF-8 or GB18030,
// with lines of any length. Reading must finish with entries that are neither empty nor repeated, and
// the matching and title rules must take every entry and every line as text to test.

#include <QSet>

#include "FuzzSupport.h"
#include "lists/IniFile.h"
#include "lists/Options.h"
#include "lists/TextCodec.h"
#include "search/KeywordList.h"
#include "search/LinkFilters.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const QString path = fuzz::ScratchPath(QStringLiteral("filter.txt"));
    const QByteArray bytes = fuzz::Bytes(data, size);
    fuzz::WriteScratch(path, bytes);

    Options options;
    options.Load(IniFile());
    options.SetCommittedInt(SettingKey::TitleMustMatchKeyword, 1);
    KeywordList keywords(fuzz::ScratchPath(QStringLiteral("key.list")));
    LinkFilters filters(options, keywords);
    filters.LoadFilterLists(path, path);
    const QStringList& entries = filters.TitleFilterList();
    const QSet<QString> distinct(entries.begin(), entries.end());
    fuzz::Require(distinct.size() == entries.size(), "no filter entry is kept twice");

    // Each line of the file as a link and as a title: the same words the lists were read from.
    const QStringList lines = TextCodec::DecodeLines(bytes);
    for (qsizetype i = 0; i < lines.size() && i < 64; ++i) {
        const QString& line = lines[i];
        filters.UrlFiltered(line);
        LinkFilters::MatchesList(entries, line, false);
        QString title = line;
        LinkFilters::CleanTitle(title);
        // Never a path that exists: a keyword naming a file would read that file.
        keywords.AddKeyword(QStringLiteral("kw ") + line.left(64));
        filters.AcceptTitle(title);
    }
    for (const QString& entry : entries)
        fuzz::Require(!entry.isEmpty() && LinkFilters::MatchesList(entries, entry, false),
                      "an entry matches itself");
    return 0;
}
