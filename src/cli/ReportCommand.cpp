#include "cli/ReportCommand.h"

#include <QSet>

#include "app/Session.h"
#include "cli/ListCommands.h"
#include "download/MetadataTable.h"
#include "meta/MetaReport.h"

QString ReportCommand::Help() const {
    return QStringLiteral(
        "usage: skimmer-cli report [--format html|csv|json] [LISTFILE]\n"
        "\n"
        "Writes a report on the downloaded documents' metadata to standard output: people (authors, last\n"
        "editors) with their document counts, software and versions, e-mail addresses, user names, paths,\n"
        "printers, URLs, sites, the range of creation dates and the page total, each entry pointing to its\n"
        "documents. HTML (the default) is one self-contained page. With LISTFILE only the documents of that\n"
        "list's links are reported. Run `skimmer-cli meta --all` first for documents not read yet.\n");
}

int ReportCommand::Run(CliContext& context, const QStringList& args) {
    MetaReport::Format format = MetaReport::Format::Html;
    QString listFile;
    for (qsizetype i = 0; i < args.size(); ++i) {
        if (args[i] == u"--format" && i + 1 < args.size()) {
            if (!MetaReport::FormatFromName(args[++i], &format)) {
                return context.Usage(QStringLiteral("report: --format takes html, csv or json"));
            }
        } else if (args[i].startsWith(u"--")) {
            return context.Usage(QStringLiteral("report: unknown option %1").arg(args[i]));
        } else if (listFile.isEmpty()) {
            listFile = args[i];
        } else {
            return context.Usage(QStringLiteral("report: one LISTFILE at most"));
        }
    }
    std::optional<QSet<QString>> links;
    if (!listFile.isEmpty()) {
        QString error;
        const auto rows = ReadListFile(listFile, &error);
        if (!rows) return context.Failed(QStringLiteral("report: %1").arg(error));
        links.emplace();
        for (const ResultEntry& row : *rows) links->insert(row.link);
    }
    MetadataTable table;
    QString problem;
    if (!table.Open(context.session.Home().DocDatabasePath(), &problem)) {
        return context.Failed(QStringLiteral("report: the registry cannot be opened: %1").arg(problem));
    }
    QList<MetaReport::Document> documents;
    for (MetadataTable::Entry& entry : table.Documents()) {
        if (links && !links->contains(entry.link)) continue;
        documents.append({entry.link, entry.file, std::move(entry.metadata)});
    }
    context.out << QString::fromUtf8(MetaReport(std::move(documents)).Write(format));
    return kCliDone;
}
