#include "cli/DownloadCommands.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTimer>
#include <atomic>
#include <optional>

#include "app/ListRun.h"
#include "app/Session.h"
#include "cli/CliArgs.h"
#include "cli/CtrlC.h"
#include "lists/TextCodec.h"

namespace {

using K = SettingKey;

struct Tally {
    qsizetype done = 0, failed = 0, waiting = 0;
};

Tally Count(const ResultList& results) {
    const ResultList::StatusCounts counts = results.Counts();
    return {counts.downloaded, counts.failed, counts.waiting};
}

// One secret a line, in the order of the --rpc addresses; "-" is stdin, so that no file need hold them.
std::optional<QStringList> ReadSecretFile(const QString& path, QString* error) {
    QFile file;
    const bool opened = path == u"-" ? file.open(stdin, QIODevice::ReadOnly)
                                     : (file.setFileName(path), file.open(QIODevice::ReadOnly));
    constexpr qint64 kMaxBytes = 64 * 1024;  // secrets, not a disk image piped in by mistake
    const QByteArray bytes = opened ? file.read(kMaxBytes + 1) : QByteArray();
    if (!opened || bytes.size() > kMaxBytes) {
        *error = opened ? QStringLiteral("the secret file %1 is larger than 64 KiB").arg(path)
                        : QStringLiteral("cannot read the secret file %1: %2").arg(path, file.errorString());
        return std::nullopt;
    }
    QStringList secrets = TextCodec::DecodeLines(bytes);
    for (QString& secret : secrets) secret = secret.trimmed();
    return secrets;
}

void ReportUnusable(CliContext& context, const ListRun& run) {
    if (run.Unusable() == 0) return;
    context.err << QStringLiteral(
                       "skimmer-cli: download: %1 record(s) cannot be downloaded and are kept as "
                       "they are (first: %2)\n")
                       .arg(run.Unusable())
                       .arg(run.FirstUnusable());
    context.err.flush();
}

// One line per failed row on stderr, with why it failed when the worker knew.
void ReportFailures(CliContext& context, const ResultList& results) {
    for (qsizetype position = 0; position < results.Size(); ++position) {
        const auto id = results.IdAt(position);
        const auto entry = id ? results.Entry(*id) : std::nullopt;
        if (!entry || entry->status != RowStatus::Failed) continue;
        const QString reason = results.Reason(*id);
        context.err << QStringLiteral("download: failed: %1").arg(entry->link)
                    << (reason.isEmpty() ? QString() : QStringLiteral(": ") + reason) << '\n';
    }
    context.err.flush();
}

}  // namespace

QString DownloadCommand::Help() const {
    return QStringLiteral(
        "usage: skimmer-cli download LISTFILE --to DIR [--workers N] [--timeout MIN] [--overwrite]\n"
        "                            [--ignore-downloaded] [--size-limit MIN_KB:MAX_KB] [--no-archive]\n"
        "                            [--no-meta]\n"
        "\n"
        "Downloads the waiting rows of LISTFILE (.list or XML) into DIR with N workers (default: the saved\n"
        "count), each file within MIN minutes (0: no limit), as Start download does; the pauses a host asks\n"
        "for (429/503) count against MIN, and with no limit a host that asks three times in a row fails its\n"
        "rows. Progress goes to stderr;\n"
        "Ctrl-C stops: rows in flight go back to waiting, and a later run takes them. Each row that\n"
        "failed is printed on stderr with the reason when it is known (\"HTTP 404\", a timeout, a file\n"
        "that is not the type it claims). A file whose bytes are those of a document downloaded before\n"
        "(the registry keeps each one's SHA-256) is not saved again: its row counts as downloaded and\n"
        "run.log says \"same as FILE\". Exit status 0 when no row failed and every download was recorded in\n"
        "the registry, 130 after Ctrl-C.\n"
        "A dead link (HTTP 404 or 410, a host that does not resolve or refuses the connection, bytes that\n"
        "are not the promised type) is fetched from its web-archive capture, or from the newest capture\n"
        "the Wayback Machine has of it; the row is downloaded \"from the web archive, captured DATE\", or\n"
        "fails with the live reason and \"no archived copy\". --no-archive (or ArchiveRescue=0) turns\n"
        "that off.\n"
        "The saved documents' metadata is read beside the transfers (see meta); --no-meta leaves it for\n"
        "a later `meta --all`.\n"
        "\n"
        "Afterwards the sizes and statuses are written back into LISTFILE; every other cell and every\n"
        "record stay as they were, also records that cannot be downloaded (they are counted on stderr).\n"
        "An XML LISTFILE also gets its .list twin, LISTFILE.list, written beside it, as every XML list\n"
        "save does. When an XML LISTFILE cannot be read but LISTFILE.list exists, the twin is used and\n"
        "written instead, LISTFILE is left untouched, and stderr and run.log say so.\n");
}

int DownloadCommand::Run(CliContext& context, const QStringList& args) {
    CliArgs parsed({QStringLiteral("--overwrite"), QStringLiteral("--ignore-downloaded"), QStringLiteral("--no-archive"),
                    QStringLiteral("--no-meta")},
                   {QStringLiteral("--to"), QStringLiteral("--workers"), QStringLiteral("--timeout"),
                    QStringLiteral("--size-limit")});
    if (!parsed.Parse(args)) return context.Usage(QStringLiteral("download: ") + parsed.Error());
    if (parsed.Positionals().size() != 1 || !parsed.Has(QStringLiteral("--to"))) {
        return context.Usage(QStringLiteral("download: expected LISTFILE --to DIR"));
    }
    Session& session = context.session;
    Options& options = session.GetOptions();
    const auto workers = parsed.Number(QStringLiteral("--workers"), options.Int(K::DownloadThreads));
    const auto timeout = parsed.Number(QStringLiteral("--timeout"), options.Int(K::DownloadTimeoutMinutes));
    if (!workers || !SettingsTable::Accepts(K::DownloadThreads, *workers))
        return context.Usage(
            QStringLiteral("download: --workers takes %1").arg(SettingsTable::RangeText(K::DownloadThreads)));
    if (!timeout || !SettingsTable::Accepts(K::DownloadTimeoutMinutes, *timeout))
        return context.Usage(QStringLiteral("download: --timeout takes %1 minutes")
                                 .arg(SettingsTable::RangeText(K::DownloadTimeoutMinutes)));
    if (parsed.Has(QStringLiteral("--size-limit"))) {
        const QStringList limits = parsed.Value(QStringLiteral("--size-limit")).split(u':');
        bool minOk = false, maxOk = false;
        if (limits.size() != 2 || (limits[0].toUInt(&minOk), !minOk) || (limits[1].toUInt(&maxOk), !maxOk)) {
            return context.Usage(QStringLiteral("download: --size-limit takes MIN_KB:MAX_KB"));
        }
        options.SetLiveInt(K::LimitDownloadSize, 1);
        options.SetLiveText(K::MinSizeKb, limits[0]);
        options.SetLiveText(K::MaxSizeKb, limits[1]);
    }
    // The flag alone decides whether rows already downloaded are skipped, also while the list loads.
    options.SetCommittedInt(K::SkipDownloaded, parsed.Has(QStringLiteral("--ignore-downloaded")) ? 1 : 0);
    // Without a registry to write to, every document would be fetched again next time and no twin found.
    if (const QString problem = session.Registry().WriteProblem(); !problem.isEmpty() && !session.Registry().IsReadOnly())
        return context.Failed(QStringLiteral("download: the document database %1 cannot be opened (%2); move it "
                                             "away to start a new one")
                                  .arg(session.Home().DocDatabasePath(), problem));
    ListRun run;
    QString error;
    if (!run.Load(session, parsed.Positionals()[0], &error))
        return context.Failed(QStringLiteral("download: ") + error);
    ReportUnusable(context, run);
    options.SetCommittedText(K::SaveFolder, parsed.Value(QStringLiteral("--to")));
    options.SetCommittedInt(K::DownloadThreads, int(*workers));
    options.SetCommittedInt(K::DownloadTimeoutMinutes, int(*timeout));
    options.SetLiveInt(K::OverwriteExisting, parsed.Has(QStringLiteral("--overwrite")) ? 1 : 0);
    if (parsed.Has(QStringLiteral("--no-archive"))) options.SetLiveInt(K::ArchiveRescue, 0);

    QObject::disconnect(&session.Status(), nullptr, nullptr, nullptr);  // the progress line says it all
    DownloadPool& pool = session.Downloads();
    const bool readMetadata = !parsed.Has(QStringLiteral("--no-meta"));
    if (readMetadata) session.StartMetadataReading();  // the saved documents' metadata, beside the transfers
    if (!pool.StartDownload()) return context.Failed(QStringLiteral("download: nothing to download"));
    QEventLoop loop;
    QElapsedTimer clock;
    clock.start();
    CtrlC ctrlC;
    bool stopped = false;
    QTimer progress;
    int ticks = 0;
    QObject::connect(&progress, &QTimer::timeout, &loop, [&] {
        if (ctrlC.Take()) {
            stopped = true;
            pool.StopDownload();
        }
        // Stopped slots give their rows back before the list is written.
        const bool ended = pool.BusySlots() == 0 && pool.WalkingSlots() == 0;
        // The end is noticed within 50 ms; the progress line is written every 200 ms and at the end.
        if (!ended && ++ticks % 4 != 0) return;
        const Tally tally = Count(session.Results());
        const DownloadPool::TryCounts tries = pool.Tries();
        // Rows that failed in this run wait between walks for their retry: they count as failed, and
        // "waiting" is what this run has not tried yet.
        const qsizetype untried = qMax<qsizetype>(0, tally.waiting + tally.failed - tries.failed);
        const double mib = double(pool.BytesDone()) / 1048576.0;
        context.err << QStringLiteral(
                           "\rdone %1  trying %2  retrying %3  failed %4  waiting %5  %6 MiB  %7 MiB/s   ")
                           .arg(tally.done)
                           .arg(tries.trying)
                           .arg(tries.retrying)
                           .arg(tries.failed)
                           .arg(untried)
                           .arg(mib, 0, 'f', 1)
                           .arg(mib * 1000.0 / double(qMax<qint64>(1, clock.elapsed())), 0, 'f', 1);
        context.err.flush();
        if (ended) loop.quit();
    });
    progress.start(50);
    loop.exec();
    context.err << '\n';
    if (!stopped && readMetadata) {
        // The transfers are over; the documents the background reading has not reached yet are read now.
        context.err << QStringLiteral("download: transfers done; reading the metadata of the documents left "
                                      "(--no-meta leaves it to meta --all)\n");
        context.err.flush();
        session.FinishMetadataReading();
    }
    ReportFailures(context, session.Results());
    if (const ArchiveRescue::Counts rescued = session.Rescue().Figures(); rescued.saved + rescued.lookups > 0)
        context.err << QStringLiteral("download: %1 dead link(s) saved from the web archive; %2 look-up(s) of "
                                      "links without a kept capture\n")
                           .arg(rescued.saved)
                           .arg(rescued.lookups);

    if (!run.WriteBack(session.Results(), &error)) {
        return context.Failed(QStringLiteral("download: the statuses were not written back: %1").arg(error));
    }
    const QString unrecorded = session.Registry().WriteProblem();
    if (!unrecorded.isEmpty())
        context.err << QStringLiteral("download: not every download was recorded in the registry: %1\n").arg(unrecorded);
    const Tally tally = Count(session.Results());
    if (stopped) {
        context.err << QStringLiteral("download: stopped by Ctrl-C; %1 rows remain (%2 waiting, %3 failed)\n")
                           .arg(tally.waiting + tally.failed)
                           .arg(tally.waiting)
                           .arg(tally.failed);
        return kCliInterrupted;
    }
    return tally.failed == 0 && unrecorded.isEmpty() ? kCliDone : kCliFailed;
}

QString HandoffCommand::Help() const {
    return QStringLiteral(
        "usage: skimmer-cli handoff LISTFILE --to DIR [--rpc URL]... [--secret-file FILE | --secret S...]\n"
        "\n"
        "Hands the rows of LISTFILE to aria2 (its JSON-RPC interface) to download into DIR and follows\n"
        "them until each has ended; progress goes to stderr. The daemons are the --rpc addresses with the\n"
        "secrets in the same order (missing secrets are empty), else [Aria2] RpcUrl and RpcSecret,\n"
        "then RpcUrls and RpcSecrets (comma-separated) of Setting.ini, else http://127.0.0.1:6800/jsonrpc.\n"
        "The secrets are read from --secret-file, one a line (\"-\" reads them from stdin); --secret S\n"
        "still works but leaves S readable by every user in the process list while the hand-off runs.\n"
        "All rows of one host go to one daemon, and hosts are spread so each daemon gets a like number of\n"
        "rows. A daemon that does not answer takes nothing; one that stops answering has its unfinished\n"
        "rows given to the others. Links aria2 completed are recorded as downloaded.\n"
        "\n"
        "Afterwards the sizes and statuses are written back into LISTFILE as download does. Ctrl-C stops\n"
        "following (aria2 keeps its tasks; those rows are not recorded). Exit status 0 when every row\n"
        "handed over was downloaded, 130 after Ctrl-C.\n");
}

int HandoffCommand::Run(CliContext& context, const QStringList& args) {
    CliArgs parsed({}, {QStringLiteral("--to"), QStringLiteral("--secret-file")},
                   {QStringLiteral("--rpc"), QStringLiteral("--secret")});
    if (!parsed.Parse(args)) return context.Usage(QStringLiteral("handoff: ") + parsed.Error());
    if (parsed.Positionals().size() != 1 || !parsed.Has(QStringLiteral("--to"))) {
        return context.Usage(QStringLiteral("handoff: expected LISTFILE --to DIR"));
    }
    QStringList secrets = parsed.Values(QStringLiteral("--secret"));
    if (parsed.Has(QStringLiteral("--secret-file"))) {
        if (!secrets.isEmpty())
            return context.Usage(QStringLiteral("handoff: give --secret-file or --secret, not both"));
        QString error;
        const std::optional<QStringList> read =
            ReadSecretFile(parsed.Value(QStringLiteral("--secret-file")), &error);
        if (!read) return context.Failed(QStringLiteral("handoff: ") + error);
        secrets = *read;
    } else if (!secrets.isEmpty()) {
        context.err << "handoff: warning: --secret is readable by every user of this machine while the "
                       "hand-off runs; use --secret-file\n";
    }
    Session& session = context.session;
    ListRun run;
    QString error;
    if (!run.Load(session, parsed.Positionals()[0], &error))
        return context.Failed(QStringLiteral("handoff: ") + error);
    ReportUnusable(context, run);
    session.GetOptions().SetCommittedText(K::SaveFolder, parsed.Value(QStringLiteral("--to")));
    Handoff& handoff = session.HandOff();
    handoff.SetEndpoints(parsed.Values(QStringLiteral("--rpc")), secrets);
    QEventLoop loop;
    QObject::connect(&handoff, &Handoff::finished, &loop, &QEventLoop::quit);
    if (!handoff.Start()) return kCliFailed;
    CtrlC ctrlC;
    bool stopped = false;
    QTimer progress;
    QObject::connect(&progress, &QTimer::timeout, &loop, [&] {
        if (ctrlC.Take()) {
            stopped = true;
            handoff.Cancel();
        }
        const ResultList::StatusCounts counts = session.Results().Counts();
        context.err << QStringLiteral("\rdone %1  failed %2  waiting %3   ")
                           .arg(counts.downloaded)
                           .arg(counts.failed)
                           .arg(counts.waiting);
        context.err.flush();
    });
    progress.start(500);
    loop.exec();
    context.err << '\n';
    if (!handoff.Connected())
        return context.Failed(QStringLiteral("handoff: no aria2 daemon answers (see run.log)"));
    if (!run.WriteBack(session.Results(), &error)) {
        return context.Failed(QStringLiteral("handoff: the statuses were not written back: %1").arg(error));
    }
    if (stopped) {
        context.err << QStringLiteral("handoff: stopped by Ctrl-C; %1 rows are still with aria2\n")
                           .arg(handoff.Unfinished());
        return kCliInterrupted;
    }
    if (handoff.Refused() > 0) {
        return context.Failed(QStringLiteral("handoff: aria2 downloaded %1 links and failed %2 (see run.log)")
                                  .arg(handoff.Accepted())
                                  .arg(handoff.Refused()));
    }
    return kCliDone;
}
