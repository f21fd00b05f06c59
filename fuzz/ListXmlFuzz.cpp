// The XML list reader: a list document from anywhere. Reading must end in items or an error, never a
// crash or an unbounded expansion; the import must finish whatever the bytes; and what the writer makes
// of the items must read back as the same number of items, stable from the first save on.

#include "FuzzSupport.h"
#include "lists/IniFile.h"
#include "lists/ListFileFormat.h"
#include "lists/ListFiles.h"
#include "lists/Options.h"
#include "lists/ResultList.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes = fuzz::Bytes(data, size);
    QString error;
    const std::optional<QList<ResultEntry>> items = ListFileFormat::ReadXml(bytes, &error);
    fuzz::Require(items.has_value() || !error.isEmpty(), "a refused document says why");

    if (items) {
        const std::optional<QList<ResultEntry>> saved =
            ListFileFormat::ReadXml(ListFileFormat::WriteXml(*items), &error);
        fuzz::Require(saved.has_value(), "what the writer wrote reads back");
        fuzz::Require(saved->size() == items->size(), "every item survives a save");
        const std::optional<QList<ResultEntry>> again =
            ListFileFormat::ReadXml(ListFileFormat::WriteXml(*saved), &error);
        fuzz::Require(again.has_value() && *again == *saved, "a saved list saves unchanged");
    }

    // The whole import, with its reader thread and its staging list, on the same bytes.
    static const QString input = fuzz::ScratchPath(QStringLiteral("input.xml"));
    fuzz::WriteScratch(input, bytes);
    Options options;
    options.Load(IniFile());
    ResultList list(options, nullptr);
    ListFiles files(list, options, nullptr);
    const int loaded = files.ImportListXml(input, StatusFilter());
    fuzz::Require(loaded == (items ? 1 : 0), "the import loads exactly the documents the reader accepts");
    return 0;
}
