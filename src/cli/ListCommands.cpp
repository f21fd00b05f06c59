#include "cli/ListCommands.h"

#include <QFile>
#include <QFileInfo>

#include "app/Session.h"
#include "lists/ListFileFormat.h"
#include "lists/ListFiles.h"
#include "lists/SafeFile.h"
#include "lists/TextCodec.h"

std::optional<QList<ResultEntry>> ReadListFile(const QString& path, QString* error) {
    if (QFileInfo::exists(path) && !QFileInfo(path).isFile()) {
        *error = QStringLiteral("%1 is not a regular file").arg(path);
        return std::nullopt;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("cannot read %1").arg(path);
        return std::nullopt;
    }
    const QByteArray bytes = file.readAll();
    if (!ListFiles::IsTextPath(path)) {
        auto items = ListFileFormat::ReadXml(bytes, error);
        if (!items) *error = QStringLiteral("%1 is not a readable list: %2").arg(path, *error);
        return items;
    }
    QList<ResultEntry> entries;
    ListFiles::ForEachTextRecord(bytes, [&entries](ResultEntry&& entry) {
        entries.append(std::move(entry));
        return true;
    });
    return entries;
}

namespace {

QString OneCell(QString cell) {
    cell.replace(u'\t', u' ').replace(u'\n', u' ').replace(u'\r', u' ');
    return cell;
}

}  // namespace

QString ListCommand::Help() const {
    return QStringLiteral(
        "usage: skimmer-cli list show FILE\n"
        "       skimmer-cli list convert IN OUT\n"
        "\n"
        "show     prints the records of a list file, one a line: title, type, size, link, status,\n"
        "         separated by tabs (tabs and line ends inside a cell become spaces).\n"
        "convert  writes the records of IN to OUT. A name whose extension contains \"list\" is a .list\n"
        "         text file; any other is XML.\n");
}

int ListCommand::Run(CliContext& context, const QStringList& args) {
    const bool show = args.size() == 2 && args[0] == u"show";
    const bool convert = args.size() == 3 && args[0] == u"convert";
    if (!show && !convert) return context.Usage(QStringLiteral("list: expected show FILE or convert IN OUT"));
    QString error;
    const auto entries = ReadListFile(args[1], &error);
    if (!entries) return context.Failed(QStringLiteral("list: ") + error);
    if (show) {
        for (const ResultEntry& e : *entries) {
            context.out << OneCell(e.title) << '\t' << OneCell(e.type) << '\t' << OneCell(e.size) << '\t'
                        << OneCell(e.link) << '\t' << OneCell(e.status.Stored()) << '\n';
        }
        return kCliDone;
    }
    QByteArray bytes;
    if (ListFiles::IsTextPath(args[2])) {
        for (const ResultEntry& e : *entries)
            bytes += TextCodec::EncodeUtf8(ListFileFormat::FormatRecord(e)) + '\n';
    } else {
        bytes = ListFileFormat::WriteXml(*entries);
    }
    if (!SafeFile::Replace(args[2], bytes, &error)) {
        return context.Failed(QStringLiteral("list: cannot write %1: %2").arg(args[2], error));
    }
    return kCliDone;
}

QString RegistryCommand::Help() const {
    return QStringLiteral(
        "usage: skimmer-cli registry check LINK | show LINK | add LINK | delete LINK | count\n"
        "\n"
        "The links downloaded so far (config/docdata.db). Links are compared exactly.\n"
        "check   exit status 0 when LINK is there, 1 when it is not.\n"
        "show    prints what LINK led to as SHA256<TAB>SIZE<TAB>FILE: the document's SHA-256, its size in\n"
        "        bytes and the file that holds it (a link whose bytes matched a document kept earlier\n"
        "        names that document's file). The fields are empty for a link recorded without its\n"
        "        document (handed off, or recorded before documents were). Exit status 1 when LINK is\n"
        "        not there. Then one line per archived capture of LINK:\n"
        "        capture<TAB>SOURCE<TAB>TIMESTAMP<TAB>DIGEST<TAB>MIME<TAB>WARC FILE<TAB>OFFSET<TAB>LENGTH\n"
        "        (SOURCE wayback or commoncrawl; the WARC fields only for commoncrawl). A link whose\n"
        "        document was saved from a web archive because the link was dead has the line\n"
        "        rescued<TAB>SOURCE<TAB>TIMESTAMP<TAB>from the web archive, captured YYYY-MM-DD\n"
        "        before its capture lines.\n"
        "add     records LINK (once).\n"
        "delete  forgets LINK; exit status 1 when it was not there.\n"
        "count   prints how many links are recorded.\n");
}

int RegistryCommand::Run(CliContext& context, const QStringList& args) {
    DocRegistry& registry = context.session.Registry();
    if (args.size() == 1 && args[0] == u"count") {
        const qint64 count = registry.Count();
        if (count < 0) return context.Failed(QStringLiteral("registry: the database cannot be read"));
        context.out << count << '\n';
        return kCliDone;
    }
    if (args.size() != 2)
        return context.Usage(QStringLiteral("registry: expected check, show, add or delete LINK, or count"));
    const QString& link = args[1];
    if (args[0] == u"check")
        return registry.CheckDocLink(link) == DocRegistry::LinkCheck::Present ? kCliDone : kCliFailed;
    if (args[0] == u"show") {
        const DocRegistry::Document document = registry.DocumentOf(link);
        const QList<ArchiveCapture> captures = context.session.Captures().CapturesOf(link);
        if (!document.found && captures.isEmpty()) return kCliFailed;
        if (document.found)
            context.out << document.sha256 << '\t'
                        << (document.size >= 0 ? QString::number(document.size) : QString()) << '\t'
                        << document.file << '\n';
        bool rescued = false;
        const ArchiveCapture rescue = context.session.Captures().RescueOf(link, &rescued);
        if (rescued)
            context.out << "rescued\t" << ArchiveCapture::SourceName(rescue.source) << '\t' << rescue.timestamp
                        << "\tfrom the web archive, captured " << rescue.Day() << '\n';
        for (const ArchiveCapture& capture : captures) {
            context.out << "capture\t" << ArchiveCapture::SourceName(capture.source) << '\t' << capture.timestamp
                        << '\t' << capture.digest << '\t' << capture.mime << '\t' << capture.filename << '\t'
                        << (capture.offset >= 0 ? QString::number(capture.offset) : QString()) << '\t'
                        << (capture.length >= 0 ? QString::number(capture.length) : QString()) << '\n';
        }
        return kCliDone;
    }
    if (args[0] == u"add") {
        return registry.InsertDocLink(link) != DocRegistry::LinkInsert::Failed
                   ? kCliDone
                   : context.Failed(QStringLiteral("registry: %1 was not recorded").arg(link));
    }
    if (args[0] == u"delete")
        return registry.DelDocLinkInDatabase(link) == DocRegistry::LinkDelete::Deleted ? kCliDone
                                                                                       : kCliFailed;
    return context.Usage(QStringLiteral("registry: expected check, show, add or delete LINK, or count"));
}
