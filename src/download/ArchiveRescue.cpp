#include "download/ArchiveRescue.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QUrl>
#include <algorithm>
#include <thread>

#include <fcntl.h>
#include <unistd.h>

#include "download/CaptureTable.h"
#include "download/DocRegistry.h"
#include "download/HostName.h"
#include "download/RowScheduler.h"
#include "engines/CdxAnswer.h"
#include "engines/DocLinkRules.h"
#include "engines/EngineCatalog.h"
#include "lists/NetworkSettings.h"
#include "lists/Options.h"
#include "lists/RunLog.h"
#include "net/ContentCheck.h"
#include "net/FileDownload.h"
#include "net/HttpClient.h"
#include "net/HttpError.h"
#include "net/RetryAfter.h"
#include "net/WarcRecord.h"

namespace {

using K = SettingKey;
using Clock = std::chrono::steady_clock;

// Captures tried for one row: an archive that fails three of them will not do better with a fourth.
constexpr int kMaxCapturesTried = 3;
// A WARC record of a document is a few megabytes at most; an index line naming more is not believed.
constexpr qint64 kMaxRecordBytes = 512LL * 1024 * 1024;

QString Tr(const char* text) {
    return QCoreApplication::translate("ArchiveRescue", text);
}

QString Trimmed(QString base) {
    while (base.endsWith(u'/')) base.chop(1);
    return base;
}

bool WriteAll(int fd, const char* data, qint64 bytes) {
    while (bytes > 0) {
        const ssize_t wrote = ::write(fd, data, size_t(bytes));
        if (wrote < 0 && errno == EINTR) continue;
        if (wrote <= 0) return false;
        data += wrote;
        bytes -= wrote;
    }
    return true;
}

// A place at the archive's host, held while the capture is fetched, so the per-host cap applies to the
// archive too.
class ArchivePlace {
  public:
    explicit ArchivePlace(RowScheduler& scheduler) : scheduler_(scheduler) {}
    ~ArchivePlace() {
        if (held_) scheduler_.Done(host_);
    }
    ArchivePlace(const ArchivePlace&) = delete;
    ArchivePlace& operator=(const ArchivePlace&) = delete;

    // Waits for a place while the row may go on. A row whose live link is on the archive's host already
    // holds a place there and takes none more.
    bool Enter(const QString& address, const QString& liveLink, const std::function<bool()>& keepGoing) {
        host_ = HostName::Of(address);
        if (host_ == HostName::Of(liveLink)) return true;
        while (!held_) {
            if (!keepGoing()) return false;
            held_ = scheduler_.Enter(host_, 100);
        }
        return true;
    }

  private:
    RowScheduler& scheduler_;
    QString host_;
    bool held_ = false;
};

// The index writes an address as it captured it: the scheme and a leading "www." may differ.
bool SameAddress(const QString& a, const QString& b) {
    const auto bare = [](const QString& address) {
        QStringView view(address);
        if (const qsizetype scheme = view.indexOf(u"://"); scheme >= 0) view = view.sliced(scheme + 3);
        if (view.startsWith(u"www.", Qt::CaseInsensitive)) view = view.sliced(4);
        return view;
    };
    return bare(a).compare(bare(b), Qt::CaseInsensitive) == 0;
}

}  // namespace

bool ArchiveRescue::LinkDead(const FileDownload& live) {
    const int status = live.AnswerStatus();
    return status == 404 || status == 410 || live.HostUnreachable() || !live.ContentRefusal().isEmpty();
}

bool ArchiveRescue::OnThisMachine(const QString& base) {
    const QString host = QUrl(base).host();
    return host == QLatin1StringView("127.0.0.1") || host == QLatin1StringView("::1") ||
           host == QLatin1StringView("localhost");
}

QString ArchiveRescue::RawCaptureAddress(const QString& waybackBase, const ArchiveCapture& capture) {
    return Trimmed(waybackBase) + QStringLiteral("/web/") + capture.timestamp + QStringLiteral("id_/") + capture.link;
}

ArchiveRescue::Bases ArchiveRescue::CurrentBases() const {
    Bases bases;
    const std::shared_ptr<const EngineCatalog> engines = s_.engines ? s_.engines() : nullptr;
    if (!engines) return bases;
    if (const EngineDefinition* wayback = engines->Find(QStringLiteral("wayback"))) {
        bases.wayback = Trimmed(wayback->indexBase);
        bases.delayMs = std::max(0, wayback->delayMs);
    }
    if (const EngineDefinition* commonCrawl = engines->Find(QStringLiteral("commoncrawl")))
        bases.commonCrawl = Trimmed(commonCrawl->dataBase);
    // A test run never reaches past this machine, whatever the definitions say.
    if (qEnvironmentVariableIsSet("SKIMMER_ARCHIVE_LOOPBACK_ONLY")) {
        if (!OnThisMachine(bases.wayback)) bases.wayback.clear();
        if (!OnThisMachine(bases.commonCrawl)) bases.commonCrawl.clear();
    }
    return bases;
}

bool ArchiveRescue::Enabled() const {
    if (!s_.options.Checked(K::ArchiveRescue)) return false;
    const Bases bases = CurrentBases();
    return !bases.wayback.isEmpty() || !bases.commonCrawl.isEmpty();
}

ArchiveRescue::Counts ArchiveRescue::Figures() const {
    QMutexLocker hold(&countsLock_);
    return counts_;
}

ArchiveRescue::Result ArchiveRescue::Rescue(const Request& request, RowScheduler& gate,
                                            const std::function<bool()>& keepGoing) {
    const Bases bases = CurrentBases();
    QList<ArchiveCapture> captures = s_.captures.CapturesOf(request.link);
    if (captures.isEmpty() && !bases.wayback.isEmpty()) {
        bool askedBefore = false;
        {
            QMutexLocker hold(&countsLock_);
            askedBefore = notArchived_.contains(request.link);
        }
        if (!askedBefore) captures = LookUp(bases, request.link, keepGoing);
        for (const ArchiveCapture& capture : captures) s_.captures.Keep(capture);
    }
    Result result;
    QStringList problems;
    int tried = 0;
    for (const ArchiveCapture& capture : captures) {
        if (tried++ >= kMaxCapturesTried) break;
        result = capture.source == ArchiveSource::Wayback
                     ? FromWayback(bases, capture, request, gate, keepGoing)
                     : FromCommonCrawl(bases, capture, request, gate, keepGoing);
        // A pause the archive asked for is no fault of this capture: the row waits and asks it again.
        if (result.end == End::Stopped || result.end == End::Busy) return result;
        if (result.end == End::Saved) {
            s_.captures.KeepRescue(capture);
            result.note = Tr("from the web archive, captured %1").arg(capture.Day());
            s_.log.WriteRunLog(QStringLiteral("ArchiveRescue"), request.link + QStringLiteral(": ") + result.note);
            QMutexLocker hold(&countsLock_);
            ++counts_.saved;
            return result;
        }
        problems.append(Tr("capture of %1: %2").arg(capture.Day(), result.note));
    }
    result.end = End::Failed;
    result.note = problems.isEmpty() ? Tr("no archived copy")
                                     : Tr("no archived copy (%1)").arg(problems.join(QStringLiteral("; ")));
    return result;
}

QList<ArchiveCapture> ArchiveRescue::LookUp(const Bases& bases, const QString& link,
                                            const std::function<bool()>& keepGoing) {
    // limit=-3: the three newest, so that an archived error in the newest leaves older ones to try.
    const QString address = bases.wayback + QStringLiteral("/cdx/search/cdx?url=") +
                            QString::fromLatin1(QUrl::toPercentEncoding(link)) +
                            QStringLiteral("&filter=statuscode:200&limit=-3");
    std::unique_lock turn(lookupLock_);
    while (Clock::now() < nextLookup_) {
        if (!keepGoing()) return {};
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    QByteArray body;
    long status = 0;
    try {
        HttpClient client;
        client.SetUserAgent(QStringLiteral("Skimmer (document search)"));
        client.SetRole(NetRole::Api);
        client.SetCancelCheck([&keepGoing] { return !keepGoing(); });
        client.SetBodyLimit(4LL * 1024 * 1024);
        auto response = client.Get(address, false);
        status = response->StatusCode();
        body = response->ReadAll();
    } catch (const HttpError& error) {
        s_.log.WriteRunLog(QStringLiteral("ArchiveRescue"), address + QStringLiteral(": ") + error.Message());
    }
    nextLookup_ = Clock::now() + std::chrono::milliseconds(bases.delayMs);
    turn.unlock();
    {
        QMutexLocker hold(&countsLock_);
        ++counts_.lookups;
    }
    QList<ArchiveCapture> captures;
    if (status != 200) return captures;
    for (ArchiveCapture capture : CdxAnswer::ReadWayback(body).captures) {
        // Only captures of this very address: an index that ignores the exact match must not give the
        // row another document.
        if (capture.status != 200 || !SameAddress(capture.link, link)) continue;
        capture.link = link;  // the index writes the address its own way; the row's link is the key
        captures.append(capture);
    }
    std::sort(captures.begin(), captures.end(),
              [](const ArchiveCapture& a, const ArchiveCapture& b) { return a.timestamp > b.timestamp; });
    if (captures.isEmpty()) {
        QMutexLocker hold(&countsLock_);
        notArchived_.insert(link);
    }
    return captures;
}

ArchiveRescue::Result ArchiveRescue::FromWayback(const Bases& bases, const ArchiveCapture& capture,
                                                 const Request& request, RowScheduler& gate,
                                                 const std::function<bool()>& keepGoing) {
    Result result;
    if (bases.wayback.isEmpty()) {
        result.note = Tr("the Wayback Machine is not reachable from here");
        return result;
    }
    const QString address = RawCaptureAddress(bases.wayback, capture);
    ArchivePlace place(gate);
    if (!place.Enter(address, request.link, keepGoing)) {
        result.end = End::Stopped;
        return result;
    }
    // No temporary-file ledger: a broken archive transfer leaves nothing that the live link's next try
    // would find in its way.
    FileDownload transfer;
    transfer.SetDocumentLedger(&s_.registry);
    transfer.SetDocumentLink(request.link);
    transfer.SetContentCheck(request.type, s_.options.Checked(K::CheckUnknownTypeContent));
    transfer.SetSizeLimit(s_.options.Checked(K::LimitDownloadSize),
                          qint64(DocLinkRules::UnsignedValue(s_.options.Text(K::MinSizeKb))) * 1024,
                          qint64(DocLinkRules::UnsignedValue(s_.options.Text(K::MaxSizeKb))) * 1024);
    if (!transfer.Start(address, request.target, QString(), QString(), request.overwrite)) {
        result.note = transfer.StartFailureText();
        return result;
    }
    while (!transfer.WaitFinished(50)) {
        if (!keepGoing()) {
            transfer.Kill();
            transfer.RemoveTemp();
            result.end = End::Stopped;
            return result;
        }
    }
    if (transfer.Succeeded()) {
        result.end = End::Saved;
        result.sameAs = transfer.SameAs();
        result.bytes = transfer.Received();
        return result;
    }
    const bool archived = !transfer.MementoDatetime().isEmpty();
    if (const int busy = transfer.BusyStatus(); busy != 0 && !archived)
        return RestArchive(gate, address, busy, transfer.RetryAfter());
    if (const QString refusal = transfer.ContentRefusal(); !refusal.isEmpty()) {
        result.note = refusal;
    } else if (archived) {
        // An archived 404 or 429: what the site said then, not what the archive says now.
        result.note = Tr("the archived answer was HTTP %1").arg(transfer.AnswerStatus());
    } else {
        result.note = transfer.FailureReason();
    }
    return result;
}

ArchiveRescue::Result ArchiveRescue::FromCommonCrawl(const Bases& bases, const ArchiveCapture& capture,
                                                     const Request& request, RowScheduler& gate,
                                                     const std::function<bool()>& keepGoing) {
    Result result;
    if (bases.commonCrawl.isEmpty() || capture.filename.isEmpty() || capture.filename.contains(QStringLiteral("..")) ||
        capture.offset < 0 || capture.length <= 0 || capture.length > kMaxRecordBytes) {
        result.note = Tr("the capture names no WARC record that can be fetched");
        return result;
    }
    const QString address = bases.commonCrawl + u'/' + capture.filename;
    const QString recordKey = capture.filename + u'@' + QString::number(capture.offset);
    {
        QMutexLocker hold(&countsLock_);
        if (const auto refused = refusedRecords_.constFind(recordKey);
            refused != refusedRecords_.constEnd()) {
            result.note = *refused;
            return result;
        }
    }
    ArchivePlace place(gate);
    if (!place.Enter(address, request.link, keepGoing)) {
        result.end = End::Stopped;
        return result;
    }
    long status = 0;
    QByteArray record;
    QByteArray retryAfter;
    bool archived = false;
    try {
        HttpClient client;
        client.SetUserAgent(QStringLiteral("Skimmer (document download)"));
        client.SetRole(NetRole::Document);
        client.SetCancelCheck([&keepGoing] { return !keepGoing(); });
        client.AddHeader(QStringLiteral("Range"), QStringLiteral("bytes=%1-%2")
                                                       .arg(capture.offset)
                                                       .arg(capture.offset + capture.length - 1));
        // A server that ignores the range sends the whole WARC file: cut off, not read into memory.
        client.SetBodyLimit(capture.length);
        auto response = client.Get(address, false);
        status = response->StatusCode();
        retryAfter = response->Header(QStringLiteral("Retry-After")).toLatin1();
        archived = !response->Header(QStringLiteral("Memento-Datetime")).isEmpty();
        record = response->ReadAll();
    } catch (const HttpError& error) {
        result.note = error.Message();
        return result;
    }
    if ((status == 429 || status == 503) && !archived)
        return RestArchive(gate, address, int(status), retryAfter);
    if (status != 206) {
        result.note = status == 200 ? Tr("the archive ignored the byte range") : QStringLiteral("HTTP %1").arg(status);
        return result;
    }
    if (record.size() != capture.length) {
        result.note = Tr("the record is %1 bytes, not the %2 its index line gives").arg(record.size()).arg(capture.length);
        return result;
    }
    const WarcRecord::Document document = WarcRecord::Read(record, request.link);
    if (!document.ok) {
        result.note = document.problem;
        QMutexLocker hold(&countsLock_);
        refusedRecords_.insert(recordKey, document.problem);
        return result;
    }
    return Keep(document.body, request);
}

ArchiveRescue::Result ArchiveRescue::RestArchive(RowScheduler& gate, const QString& address, int status,
                                                 const QByteArray& retryAfter) {
    // The archive itself wants a pause: its host rests like any download host, and every row that
    // needs it waits rather than asking again at once.
    Result result;
    result.end = End::Busy;
    result.restSeconds = RetryAfter::Seconds(retryAfter, QDateTime::currentDateTimeUtc());
    const QString host = HostName::Of(address);
    gate.Rest(host, RowScheduler::Clock::now() + std::chrono::seconds(result.restSeconds));
    result.note = Tr("the web archive answered HTTP %1 and asked for a pause of %2 s")
                      .arg(status)
                      .arg(result.restSeconds);
    s_.log.WriteRunLog(QStringLiteral("HostRest"), host + QStringLiteral(": ") + result.note);
    return result;
}

ArchiveRescue::Result ArchiveRescue::Keep(const QByteArray& body, const Request& request) {
    Result result;
    const qint64 minBytes = qint64(DocLinkRules::UnsignedValue(s_.options.Text(K::MinSizeKb))) * 1024;
    const qint64 maxBytes = qint64(DocLinkRules::UnsignedValue(s_.options.Text(K::MaxSizeKb))) * 1024;
    if (s_.options.Checked(K::LimitDownloadSize) && !FileDownload::SizeAllowed(body.size(), minBytes, maxBytes)) {
        result.note = Tr("%1 bytes: outside the size limit").arg(body.size());
        return result;
    }
    const QString mismatch = ContentCheck::Mismatch(body.left(ContentCheck::kHeadBytes), request.type,
                                                    s_.options.Checked(K::CheckUnknownTypeContent));
    if (!mismatch.isEmpty()) {
        result.note = mismatch;
        return result;
    }
    const QString target = QFileInfo(request.target).absoluteFilePath();
    const QString sum = QString::fromLatin1(QCryptographicHash::hash(body, QCryptographicHash::Sha256).toHex());
    result.sameAs = s_.registry.ClaimDocument(request.link, sum, body.size(), target);
    result.bytes = body.size();
    if (!result.sameAs.isEmpty()) {
        result.end = End::Saved;
        return result;
    }
    // Written under the temporary name and renamed whole, as every download is; never through a link.
    const QByteArray temp = QFile::encodeName(request.target + QStringLiteral(".download.temp"));
    const int fd = ::open(temp.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
    bool written = fd >= 0 && WriteAll(fd, body.constData(), body.size());
    if (fd >= 0) written = ::close(fd) == 0 && written;
    const int error = errno;
    if (written && std::rename(temp.constData(), QFile::encodeName(request.target).constData()) == 0) {
        result.end = End::Saved;
        return result;
    }
    if (fd >= 0) ::unlink(temp.constData());
    s_.registry.DropDocument(request.link, target);
    result.note = Tr("cannot write %1: %2").arg(request.target, QString::fromLocal8Bit(strerror(error)));
    return result;
}
