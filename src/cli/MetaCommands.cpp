#include "cli/MetaCommands.h"

#include <QJsonArray>
#include <QJsonDocument>

#include "app/MetaHarvest.h"
#include "app/Session.h"
#include "download/MetadataTable.h"
#include "meta/MetaWorkerClient.h"

namespace {

// A document chooses its metadata: a raw escape or carriage return would drive the terminal, so every
// control character is shown as \xHH (a line break as a space, as before).
QString Shown(const QString& value) {
    QString shown;
    shown.reserve(value.size());
    for (const QChar c : value) {
        const char16_t u = c.unicode();
        if (u == u'\n') {
            shown += u' ';
        } else if (u < 0x20 || (u >= 0x7f && u <= 0x9f)) {
            shown += QStringLiteral("\\x%1").arg(int(u), 2, 16, QChar(u'0'));
        } else {
            shown += c;
        }
    }
    return shown;
}

void PrintText(QTextStream& out, const QString& file, const DocMetadata& m) {
    auto line = [&out](const char* name, const QString& value) {
        if (!value.isEmpty()) out << name << ": " << Shown(value) << '\n';
    };
    line("file", file);
    line("status", DocMetadata::StatusName(m.status));
    line("reason", m.reason);
    line("type", m.type);
    line("size", m.size >= 0 ? QString::number(m.size) : QString());
    line("sha256", m.sha256);
    line("title", m.title);
    line("author", m.author);
    line("subject", m.subject);
    line("keywords", m.keywords);
    line("last modified by", m.lastModifiedBy);
    line("application", m.application);
    line("producer", m.producer);
    line("company", m.company);
    line("created", m.created);
    line("modified", m.modified);
    line("pages", m.pages >= 0 ? QString::number(m.pages) : QString());
    line("pdf version", m.pdfVersion);
    line("encrypted", m.encrypted ? QStringLiteral("yes") : QString());
    line("xmp title", m.xmpTitle);
    line("xmp author", m.xmpAuthor);
    for (const QString& entry : m.history) line("history", entry);
    for (const MetaFinding& finding : m.findings) {
        out << "found " << MetaFinding::KindName(finding.kind) << ": " << Shown(finding.value) << " ("
            << Shown(finding.field) << ")\n";
    }
}

}  // namespace

QString MetaCommand::Help() const {
    return QStringLiteral(
        "usage: skimmer-cli meta FILE... [--json]\n"
        "       skimmer-cli meta --all\n"
        "\n"
        "FILE...  prints each document's metadata (title, author, software, dates, pages, and the e-mail\n"
        "         addresses, user names, paths, URLs and printers found in it), read in a separate worker\n"
        "         process; --json prints one JSON object per document. Exit status 1 when any of them\n"
        "         cannot be read.\n"
        "--all    reads the metadata of every downloaded document the registry has none for, once each.\n");
}

int MetaCommand::Run(CliContext& context, const QStringList& args) {
    if (args == QStringList{QStringLiteral("--all")}) {
        MetadataTable table;
        QString problem;
        if (!table.Open(context.session.Home().DocDatabasePath(), &problem)) {
            return context.Failed(QStringLiteral("meta: the registry cannot be opened: %1").arg(problem));
        }
        MetaHarvest harvest(table, MetaHarvest::WorkerProgram(), MetaHarvest::WorkerArguments());
        const int read = harvest.ReadAllPending();
        context.out << read << " documents read\n";
        return kCliDone;
    }
    bool json = false;
    QStringList files;
    for (const QString& arg : args) {
        if (arg == u"--json") {
            json = true;
        } else if (arg.startsWith(u"--")) {
            return context.Usage(QStringLiteral("meta: unknown option %1").arg(arg));
        } else {
            files.append(arg);
        }
    }
    if (files.isEmpty()) return context.Usage(QStringLiteral("meta: expected FILE... or --all"));
    MetaWorkerClient worker(MetaHarvest::WorkerProgram(), MetaHarvest::WorkerArguments());
    int status = kCliDone;
    for (const QString& file : files) {
        const DocMetadata metadata = worker.Read(file);
        if (metadata.status != MetaStatus::Read) status = kCliFailed;
        if (json) {
            QJsonObject object = metadata.ToJson();
            object.insert(QStringLiteral("file"), file);
            context.out << QJsonDocument(object).toJson(QJsonDocument::Compact) << '\n';
        } else {
            if (file != files.first()) context.out << '\n';
            PrintText(context.out, file, metadata);
        }
    }
    return status;
}
