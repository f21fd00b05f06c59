#include "cli/NetCommands.h"

#include <QElapsedTimer>
#include <QThread>

#include "app/Session.h"
#include "cli/CliArgs.h"
#include "download/DocRegistry.h"
#include "net/FileDownload.h"
#include "net/HttpClient.h"
#include "net/PageFetch.h"
#include "net/RemoteSizeProbe.h"

namespace {

QString HumanBytes(double bytes) {
    static const char* units[] = {"B", "KiB", "MiB", "GiB", "TiB"};
    int unit = 0;
    while (bytes >= 1024 && unit < 4) bytes /= 1024, ++unit;
    return QStringLiteral("%1 %2").arg(bytes, 0, 'f', unit == 0 ? 0 : 1).arg(QLatin1StringView(units[unit]));
}

}  // namespace

QString FetchCommand::Help() const {
    return QStringLiteral(
        "usage: skimmer-cli fetch URL [--referer R] [--ansi]\n"
        "\n"
        "Fetches URL as the search job does (redirects followed, any status's page returned) and prints the\n"
        "page as UTF-8. The page is read as UTF-8 when it is valid UTF-8, else in the charset it declares,\n"
        "else as GB18030; --ansi skips the UTF-8 guess. Exit status 1 when nothing came back.\n");
}

int FetchCommand::Run(CliContext& context, const QStringList& args) {
    CliArgs parsed({QStringLiteral("--ansi")}, {QStringLiteral("--referer")});
    if (!parsed.Parse(args)) return context.Usage(QStringLiteral("fetch: ") + parsed.Error());
    if (parsed.Positionals().size() != 1) return context.Usage(QStringLiteral("fetch: expected one URL"));
    HttpClient client;
    const QString page =
        FetchPageText(client, parsed.Positionals()[0], parsed.Value(QStringLiteral("--referer")),
                      !parsed.Has(QStringLiteral("--ansi")), &context.session.Log());
    if (page.isEmpty()) return context.Failed(QStringLiteral("fetch: nothing came back (see run.log)"));
    context.out << page;
    if (!page.endsWith(u'\n')) context.out << '\n';
    return kCliDone;
}

QString RealUrlCommand::Help() const {
    return QStringLiteral(
        "usage: skimmer-cli realurl LINK\n"
        "\n"
        "Asks LINK without following its redirect and prints the address it points to (made absolute).\n"
        "Exit status 1 when the answer names none.\n");
}

int RealUrlCommand::Run(CliContext& context, const QStringList& args) {
    CliArgs parsed({}, {});
    if (!parsed.Parse(args)) return context.Usage(QStringLiteral("realurl: ") + parsed.Error());
    if (parsed.Positionals().size() != 1) return context.Usage(QStringLiteral("realurl: expected one LINK"));
    QString real;
    if (!ResolveRedirect(parsed.Positionals()[0], real, &context.session.Log())) {
        return context.Failed(QStringLiteral("realurl: the answer names no other address"));
    }
    context.out << real << '\n';
    return kCliDone;
}

QString SizeCommand::Help() const {
    return QStringLiteral(
        "usage: skimmer-cli size URL\n"
        "\n"
        "Prints the size in bytes that the server announces for URL, without downloading it; 0 when it is\n"
        "unknown (no answer within half a second, another status than 200, or no length given).\n");
}

int SizeCommand::Run(CliContext& context, const QStringList& args) {
    CliArgs parsed({}, {});
    if (!parsed.Parse(args)) return context.Usage(QStringLiteral("size: ") + parsed.Error());
    if (parsed.Positionals().size() != 1) return context.Usage(QStringLiteral("size: expected one URL"));
    RemoteSizeProbe probe;
    context.out << probe.Size(parsed.Positionals()[0]) << '\n';
    return kCliDone;
}

QString GetCommand::Help() const {
    return QStringLiteral(
        "usage: skimmer-cli get URL --to PATH [--overwrite] [--min-kb N --max-kb N]\n"
        "\n"
        "Downloads URL into PATH.download.temp and renames it to PATH once the whole body has arrived.\n"
        "--overwrite replaces an existing PATH. --min-kb/--max-kb refuse a file whose announced size lies\n"
        "outside the limits (inclusive; a minimum of 0 refuses only empty files). Progress goes to stderr.\n"
        "A broken transfer keeps PATH.download.temp; the next get of the same URL asks only for the rest\n"
        "(when the server named a version of the file) and starts over when the file changed.\n"
        "Exit status 0 only when the file is complete under PATH.\n");
}

int GetCommand::Run(CliContext& context, const QStringList& args) {
    CliArgs parsed({QStringLiteral("--overwrite")},
                   {QStringLiteral("--to"), QStringLiteral("--min-kb"), QStringLiteral("--max-kb")});
    if (!parsed.Parse(args)) return context.Usage(QStringLiteral("get: ") + parsed.Error());
    if (parsed.Positionals().size() != 1 || !parsed.Has(QStringLiteral("--to"))) {
        return context.Usage(QStringLiteral("get: expected URL --to PATH"));
    }
    const auto minKb = parsed.Number(QStringLiteral("--min-kb"), 0);
    const auto maxKb = parsed.Number(QStringLiteral("--max-kb"), 0);
    if (!minKb || !maxKb) return context.Usage(QStringLiteral("get: ") + parsed.Error());
    const bool checkSize = parsed.Has(QStringLiteral("--min-kb")) || parsed.Has(QStringLiteral("--max-kb"));

    FileDownload transfer;
    transfer.SetLedger(&context.session.Registry());
    transfer.SetSizeLimit(checkSize, *minKb * 1024, *maxKb * 1024);
    const QString target = parsed.Value(QStringLiteral("--to"));
    if (!transfer.Start(parsed.Positionals()[0], target, {}, {}, parsed.Has(QStringLiteral("--overwrite")))) {
        return context.Failed(QStringLiteral("get: cannot start: %1").arg(transfer.StartFailureText()));
    }
    QElapsedTimer clock;
    clock.start();
    qint64 lastShown = -1000;
    while (!transfer.Finished()) {
        QThread::msleep(30);
        if (clock.elapsed() - lastShown < 250) continue;
        lastShown = clock.elapsed();
        const qint64 received = transfer.Received();
        const double rate = double(received) * 1000.0 / double(qMax<qint64>(1, clock.elapsed()));
        const QString percent =
            transfer.ContentLength() > 0 ? QStringLiteral("%1% ").arg(transfer.Progress(), 3) : QString();
        context.err << '\r' << percent << HumanBytes(double(received)) << "  " << HumanBytes(rate) << "/s   ";
        context.err.flush();
    }
    if (lastShown >= 0) context.err << '\n';
    if (!transfer.Succeeded())
        return context.Failed(
            QStringLiteral("get: %1 was not downloaded: %2").arg(target, transfer.FailureReason()));
    context.err << "saved " << target << " (" << HumanBytes(double(transfer.Received())) << " in "
                << QString::number(double(clock.elapsed()) / 1000.0, 'f', 2) << " s)\n";
    return kCliDone;
}
