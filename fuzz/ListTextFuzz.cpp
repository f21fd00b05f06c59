// The ".list" reader: a file of records as another program, an older version or a hostile sender wrote
// it. Whatever the bytes, the import must finish, and every row it keeps must come back unchanged
// through a save and a second read.

#include <QFile>

#include "FuzzSupport.h"
#include "lists/IniFile.h"
#include "lists/ListFileFormat.h"
#include "lists/ListFiles.h"
#include "lists/Options.h"
#include "lists/ResultList.h"
#include "lists/TextCodec.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const QString input = fuzz::ScratchPath(QStringLiteral("input.list"));
    static const QString saved = fuzz::ScratchPath(QStringLiteral("saved.list"));
    fuzz::WriteScratch(input, fuzz::Bytes(data, size));

    Options options;
    options.Load(IniFile());
    options.SetCommittedInt(SettingKey::SuffixSameTitles,
                            0);  // a random title suffix would defeat the comparison
    ResultList list(options, nullptr);
    ListFiles files(list, options, nullptr);
    files.ImportListText(input, StatusFilter());
    const QList<ResultEntry> rows = list.Snapshot();

    for (const ResultEntry& row : rows) {
        fuzz::Require(ListFileFormat::ParseRecord(ListFileFormat::FormatRecord(row)) == row,
                      "a row reads back unchanged from its record");
    }

    fuzz::Require(files.ExportListText(saved, StatusFilter()) == 1, "the list is saved");
    QFile file(saved);
    fuzz::Require(file.open(QIODevice::ReadOnly), "the saved list opens");
    QList<ResultEntry> reread;
    TextCodec::ForEachLine(file.readAll(), [&](QByteArrayView line) {
        reread.append(ListFileFormat::ParseRecord(TextCodec::DecodeLine(line)));
    });
    fuzz::Require(reread == rows, "the saved file reads back as the rows it was written from");
    return 0;
}
