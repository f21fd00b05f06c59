#include "net/FileDownload.h"

#include <curl/curl.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <QCoreApplication>

#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <mutex>

#include "net/ContentCheck.h"
#include "net/CurlSetup.h"
#include "net/DocumentLedger.h"
#include "net/HttpRequest.h"
#include "net/ResumeDecision.h"
#include "net/Sha256Stream.h"
#include "net/TempFileLedger.h"

namespace {

constexpr long kConnectTimeoutMs = 4000;
// A server that sends nothing for this long is given up, so a worker with no time limit never hangs.
constexpr long kStallSeconds = 120;
constexpr long kBufferBytes = 256 * 1024;
constexpr auto kKillWait = std::chrono::milliseconds(2000);
// A server that answers a range with ever shorter parts is asked this many times, then given up.
constexpr int kMaxRangeRounds = 16;

enum class Verdict { Undecided, Body, Complete, Drain, Reject, Refuse, Busy, StartOver, WriteFailed };

QByteArray LastHeader(CURL* handle, const char* name) {
    struct curl_header* header = nullptr;
    if (curl_easy_header(handle, name, 0, CURLH_HEADER, -1, &header) != CURLHE_OK || !header) return {};
    return QByteArray(header->value).trimmed();
}

bool WriteAll(int fd, const char* data, size_t size) {
    while (size > 0) {
        const ssize_t written = ::write(fd, data, size);
        if (written < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        data += written;
        size -= size_t(written);
    }
    return true;
}

}  // namespace

struct FileDownload::State {
    std::atomic<int> progress{0};
    std::atomic<int> finished{0};
    std::atomic<int> succeeded{0};
    std::atomic<qint64> contentLength{0};
    std::atomic<qint64> received{0};
    std::atomic<bool> abandon{false};
    std::atomic<int> busyStatus{0};

    // Written before the thread starts, read only by it afterwards.
    bool checkSize = false;
    bool keepPartial = false;
    bool checkContent = false;
    bool checkOther = true;
    QString expectedType;   // a broken transfer leaves its file to be continued
    qint64 resumeFrom = 0;  // bytes already in the file, asked for the rest of
    qint64 rangeEnd = -1;   // of an accepted 206: the file's size once its body is in
    QByteArray ifRange;
    qint64 minBytes = 0;
    qint64 maxBytes = 0;
    QByteArray url;
    QByteArray userName;
    QByteArray password;
    QString targetPath;
    QString tempPath;
    QString link;
    DocumentLedger* documents = nullptr;
    int fd = -1;

    // Thread-only.
    CURL* handle = nullptr;
    Verdict verdict = Verdict::Undecided;
    long status = 0;                     // of the answer the verdict was made on
    int writeError = 0;                  // errno of a failed write
    // With a document ledger: the digest of the first DocumentLedger::kHeadBytes, which with the size
    // tells whether a twin is possible at all. The whole file is hashed only then.
    std::unique_ptr<Sha256Stream> hash;
    qint64 hashed = 0;  // bytes fed to it
    QString curlDetail;                  // libcurl's words for a failed transfer
    bool proxyFailed = false;            // curlDetail names the proxy as the cause

    std::mutex mutex;
    std::condition_variable ended;
    QString validator;      // under mutex: the If-Range value for a later try
    qint64 validatorTotal = -1;  // under mutex: the file's size as the answer with `validator` announced it
    QString refusal;        // under mutex: why the complete file was not kept
    QString failure;        // under mutex: why the transfer failed otherwise
    QString sameAs;         // under mutex: the existing file with the same bytes
    QString digest;         // under mutex: SHA-256 of the complete file
    QByteArray retryAfter;  // under mutex: the Retry-After of a 429 or 503
    QByteArray memento;     // under mutex: the answer's Memento-Datetime
    long answerStatus = 0;  // under mutex, once finished
    bool unreachable = false;  // under mutex, once finished

    // Why the first bytes of the finished file are not what its type promises; empty when they are.
    QString CheckContent(const QByteArray& temp) {
        if (!checkContent) return {};
        const int in = ::open(temp.constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
        if (in < 0) return {};
        QByteArray head(ContentCheck::kHeadBytes, Qt::Uninitialized);
        qsizetype have = 0;
        while (have < head.size()) {
            const ssize_t got = ::read(in, head.data() + have, size_t(head.size() - have));
            if (got < 0 && errno == EINTR) continue;
            if (got <= 0) break;
            have += got;
        }
        ::close(in);
        head.truncate(have);
        return ContentCheck::Mismatch(head, expectedType, checkOther);
    }

    void Restart() {
        // The file on the server changed (or the server ignores ranges): what we have is worthless.
        if (::ftruncate(fd, 0) != 0 || ::lseek(fd, 0, SEEK_SET) != 0) {
            writeError = errno;
            verdict = Verdict::WriteFailed;
        }
        if (hash) hash->Reset();
        hashed = 0;
        resumeFrom = 0;
        rangeEnd = -1;
        received.store(0);
        contentLength.store(0);
        progress.store(0);
        std::lock_guard lock(mutex);
        validator.clear();
        validatorTotal = -1;
    }

    void KeepValidator(qint64 total) {
        QByteArray value = LastHeader(handle, "ETag");
        // A weak tag may not validate a range.
        if (value.startsWith("W/")) value.clear();
        if (value.isEmpty()) value = LastHeader(handle, "Last-Modified");
        std::lock_guard lock(mutex);
        validator = QString::fromLatin1(value);
        validatorTotal = total;
    }

    qint64 ValidatorTotal() {
        std::lock_guard lock(mutex);
        return validatorTotal;
    }

    void Decide() {
        curl_easy_getinfo(handle, CURLINFO_RESPONSE_CODE, &status);
        {
            std::lock_guard lock(mutex);
            memento = LastHeader(handle, "Memento-Datetime");
        }
        if (status == 401 || status == 407) {
            verdict = Verdict::Drain;
            return;
        }
        if (status == 429 || status == 503) {
            // Not a failure of the file: the server wants a pause. Its body is not worth reading.
            {
                std::lock_guard lock(mutex);
                retryAfter = LastHeader(handle, "Retry-After");
            }
            busyStatus.store(int(status));
            verdict = Verdict::Busy;
            return;
        }
        if (resumeFrom > 0) {
            const ResumeDecision::Verdict judged =
                ResumeDecision::Judge({status, LastHeader(handle, "Content-Range"),
                                       LastHeader(handle, "ETag"), LastHeader(handle, "Last-Modified")},
                                      ifRange, resumeFrom, ValidatorTotal());
            switch (judged.action) {
                case ResumeDecision::Action::Complete:
                    contentLength.store(judged.total);
                    received.store(judged.total);
                    progress.store(100);
                    verdict = Verdict::Complete;
                    return;
                case ResumeDecision::Action::StartOver:
                    // Another version, or not the part asked for: appending it would splice two files.
                    verdict = Verdict::StartOver;
                    return;
                case ResumeDecision::Action::Append:
                    contentLength.store(judged.total);
                    {
                        std::lock_guard lock(mutex);
                        validatorTotal = judged.total;
                    }
                    if (checkSize && !SizeAllowed(judged.total, minBytes, maxBytes)) {
                        verdict = Verdict::Reject;
                        return;
                    }
                    rangeEnd = judged.end;
                    verdict = Verdict::Body;
                    return;
                case ResumeDecision::Action::Replace:
                case ResumeDecision::Action::Refuse:
                    break;
            }
        }
        if (status != 200) {
            verdict = Verdict::Refuse;
            return;
        }
        if (resumeFrom > 0) {
            Restart();
            if (verdict == Verdict::WriteFailed) return;
        }
        curl_off_t length = -1;
        curl_easy_getinfo(handle, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length);
        KeepValidator(length >= 0 ? qint64(length) : -1);
        if (length >= 0) {
            contentLength.store(length);
            if (checkSize && !SizeAllowed(length, minBytes, maxBytes)) {
                verdict = Verdict::Reject;
                return;
            }
        }
        verdict = Verdict::Body;
    }

    // False stops the transfer.
    bool OnBody(const char* data, size_t bytes) {
        if (verdict == Verdict::Undecided) Decide();
        if (verdict == Verdict::Drain || verdict == Verdict::Complete) return true;
        if (verdict != Verdict::Body) return false;
        if (rangeEnd >= 0 && received.load() + qint64(bytes) > rangeEnd) {
            // More than the range it named: the server's words and bytes disagree, trust neither.
            verdict = Verdict::StartOver;
            return false;
        }
        if (!WriteAll(fd, data, bytes)) {
            writeError = errno;
            verdict = Verdict::WriteFailed;
            return false;
        }
        if (hash && hashed < DocumentLedger::kHeadBytes) {
            const size_t head = size_t(qMin<qint64>(qint64(bytes), DocumentLedger::kHeadBytes - hashed));
            hash->Add(data, head);
            hashed += qint64(head);
        }
        const qint64 total = received.fetch_add(qint64(bytes)) + qint64(bytes);
        const qint64 length = contentLength.load();
        if (length > 0) {
            const int percent = int(double(total) * 100.0 / double(length));
            if (percent != progress.load()) progress.store(percent);
        }
        return true;
    }

    void CloseFile() {
        if (fd >= 0) ::close(fd);
        fd = -1;
    }

    // One request: for the whole file, or with a kept part for the rest of it.
    CURLcode Ask() {
        HttpRequest request;
        request.url = url;
        request.userAgent = "skimmer/" SKIMMER_VERSION;
        request.headers = {"Accept: */*"};
        request.role = NetRole::Document;
        if (resumeFrom > 0) {
            // Set by hand rather than with libcurl's resume option, which fails on a 200 answer: a
            // 200 here means the file changed and simply starts over.
            request.headers.append("Range: bytes=" + QByteArray::number(resumeFrom) + '-');
            request.headers.append("If-Range: " + ifRange);
        }
        request.userName = userName;
        request.password = password;
        request.followRedirects = true;
        request.connectTimeoutMs = kConnectTimeoutMs;
        request.stallSeconds = kStallSeconds;
        request.bufferBytes = kBufferBytes;
        request.sink = HttpRequest::BodySink::Callback;
        request.onBody = [this](const char* data, size_t size) { return OnBody(data, size); };
        request.cancelled = [this] { return abandon.load(); };
        const HttpResult result = HttpTransport::Perform(handle, request);
        curlDetail = result.errorDetail;
        proxyFailed = result.proxyFailed;
        return CURLcode(result.code);
    }

    void Run() {
        handle = curl_easy_init();
        CURLcode code = CURLE_FAILED_INIT;
        if (handle) {
            // The kept bytes of a continued file count towards its digest; a file that cannot be read
            // back is still downloaded, only not compared with the documents already kept.
            if (hash && resumeFrom > 0) {
                hashed = qMin(resumeFrom, DocumentLedger::kHeadBytes);
                if (!hash->AddFilePrefix(fd, hashed, &abandon)) hash.reset();
            }
            for (int round = 1;; ++round) {
                if (round > 1) curl_easy_reset(handle);
                code = Ask();
                // An empty body never reaches OnBody: judge the answer now.
                if (code == CURLE_OK && verdict == Verdict::Undecided) Decide();
                if (abandon.load()) break;
                if (verdict == Verdict::StartOver) {
                    Restart();
                    if (verdict == Verdict::WriteFailed) break;
                    verdict = Verdict::Undecided;
                    continue;
                }
                // A 206 that sent less than the rest: ask for what follows, as long as each part brings
                // something.
                const qint64 have = received.load();
                if (code == CURLE_OK && verdict == Verdict::Body && rangeEnd >= 0 &&
                    have < contentLength.load()) {
                    if (have <= resumeFrom || round >= kMaxRangeRounds) {
                        code = CURLE_PARTIAL_FILE;
                        break;
                    }
                    resumeFrom = have;
                    rangeEnd = -1;
                    verdict = Verdict::Undecided;
                    continue;
                }
                break;
            }
            curl_easy_cleanup(handle);
            handle = nullptr;
        }
        CloseFile();
        Finish(code);
    }

    // The complete, checked file takes its final name, unless the same bytes are kept under another.
    // The SHA-256 of the finished temporary file, read once; empty when it cannot be read.
    QString DigestOf(const QByteArray& temp, qint64 size) {
        const int in = ::open(temp.constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
        if (in < 0) return {};
        Sha256Stream whole;
        const bool read = whole.AddFilePrefix(in, size, &abandon);
        ::close(in);
        return read ? whole.HexDigest() : QString();
    }

    void Keep(const QByteArray& temp) {
        QString same;
        QString sum;
        const QString head = hash ? hash->HexDigest() : QString();
        const qint64 size = received.load();
        const QString absoluteTarget = QFileInfo(targetPath).absoluteFilePath();
        // Most documents have no twin of their size and first bytes: they are not hashed whole here.
        if (documents && !head.isEmpty() && documents->MayHaveTwin(size, head)) sum = DigestOf(temp, size);
        if (documents && !sum.isEmpty()) {
            same = documents->ClaimDocumentWithHead(link, sum, size, absoluteTarget, head);
        } else if (documents && !head.isEmpty()) {
            documents->RecordDocument(link, size, absoluteTarget, head);
        }
        if (!same.isEmpty()) {
            ::unlink(temp.constData());
            succeeded.store(1);
        } else if (std::rename(temp.constData(), QFile::encodeName(targetPath).constData()) == 0) {
            // rename() replaces an existing target in one step; a failed rename is a failed download.
            succeeded.store(1);
        } else {
            const int error = errno;
            if (documents && !head.isEmpty()) documents->DropDocument(link, absoluteTarget);
            std::lock_guard lock(mutex);
            failure = QCoreApplication::translate("FileDownload", "cannot rename the file to %1: %2")
                          .arg(targetPath, QString::fromLocal8Bit(strerror(error)));
            return;
        }
        std::lock_guard lock(mutex);
        sameAs = same;
        digest = sum;
    }

    // Why the transfer ended without a file, in words for the row's tooltip and the run log.
    QString Explain(CURLcode code) const {
        switch (verdict) {
            case Verdict::Drain:
                return QCoreApplication::translate("FileDownload", "HTTP %1: the server asks for a login")
                    .arg(status);
            case Verdict::Reject:
                return QCoreApplication::translate("FileDownload", "%1 bytes: outside the size limit")
                    .arg(contentLength.load());
            case Verdict::Refuse:
                return QStringLiteral("HTTP %1").arg(status);
            case Verdict::WriteFailed:
                return QCoreApplication::translate("FileDownload", "cannot write %1: %2")
                    .arg(tempPath, QString::fromLocal8Bit(strerror(writeError)));
            default:
                break;
        }
        if (code == CURLE_OPERATION_TIMEDOUT && !proxyFailed)
            return QCoreApplication::translate("FileDownload", "timed out: no data for %1 s")
                .arg(kStallSeconds);
        if (code != CURLE_OK) {
            return curlDetail.isEmpty() ? QString::fromLatin1(curl_easy_strerror(code)) : curlDetail;
        }
        return QCoreApplication::translate("FileDownload", "the transfer ended without a file");
    }

    void Finish(CURLcode code) {
        const QByteArray temp = QFile::encodeName(tempPath);
        if (abandon.load()) {
            // The temporary file stays; whoever abandoned the transfer decides what to do with it.
        } else if (code == CURLE_OK && (verdict == Verdict::Body || verdict == Verdict::Complete)) {
            const QString mismatch = CheckContent(temp);
            if (!mismatch.isEmpty()) {
                // Not the document (a login page, a CAPTCHA): nothing of it is kept or continued.
                ::unlink(temp.constData());
                std::lock_guard lock(mutex);
                refusal = mismatch;
            } else {
                Keep(temp);
            }
        } else if (keepPartial && verdict == Verdict::Body && received.load() > 0) {
            // A broken transfer keeps what arrived: the next try asks for the rest.
        } else if (keepPartial && verdict == Verdict::Busy && resumeFrom > 0) {
            // Asked to come back later: the part an earlier try got is still good.
        } else {
            // A refusal (401/407, the size rule, another status) leaves nothing, and so does a broken
            // transfer when no later try could find its file again.
            ::unlink(temp.constData());
        }
        {
            std::lock_guard lock(mutex);
            if (!abandon.load() && !succeeded.load() && refusal.isEmpty() && failure.isEmpty())
                failure = Explain(code);
            answerStatus = status;
            unreachable = code == CURLE_COULDNT_RESOLVE_HOST || code == CURLE_COULDNT_CONNECT;
            finished.store(1);
        }
        ended.notify_all();
    }
};

FileDownload::FileDownload() : state_(std::make_shared<State>()) {}

FileDownload::~FileDownload() {
    if (thread_.joinable()) thread_.join();
    if (!ownsTemp_ || !ledger_) return;
    if (!TempIsOurs()) {
        ledger_->ForgetTempFile(ledgerPath_);
        return;
    }
    QString validator;
    qint64 total = -1;
    {
        std::lock_guard lock(state_->mutex);
        validator = state_->validator;
        total = state_->validatorTotal;
    }
    ledger_->SetTempFileValidator(ledgerPath_, validator, total);
}

void FileDownload::SetContentCheck(const QString& type, bool checkOther) {
    state_->checkContent = true;
    state_->expectedType = type;
    state_->checkOther = checkOther;
}

QString FileDownload::ContentRefusal() const {
    std::lock_guard lock(state_->mutex);
    return state_->refusal;
}

QString FileDownload::FailureReason() const {
    std::lock_guard lock(state_->mutex);
    return state_->failure;
}

QString FileDownload::SameAs() const {
    std::lock_guard lock(state_->mutex);
    return state_->sameAs;
}

QString FileDownload::Sha256() const {
    std::lock_guard lock(state_->mutex);
    return state_->digest;
}

void FileDownload::SetDocumentLedger(DocumentLedger* documents) {
    state_->documents = documents;
}

void FileDownload::SetSizeLimit(bool checkSize, qint64 minBytes, qint64 maxBytes) {
    state_->checkSize = checkSize;
    state_->minBytes = minBytes;
    state_->maxBytes = maxBytes;
}

bool FileDownload::SizeAllowed(qint64 length, qint64 minBytes, qint64 maxBytes) {
    if (minBytes > maxBytes || minBytes == 0) return length != 0;
    return length >= minBytes && length <= maxBytes;
}

bool FileDownload::Start(const QString& address, const QString& targetPath, const QString& userName,
                         const QString& password, bool overwrite) {
    if (started_) return false;  // one transfer per object
    failure_ = StartFailure::None;
    failureText_.clear();
    auto fail = [this](StartFailure failure, const QString& text) {
        failure_ = failure;
        failureText_ = text;
        return false;
    };
    link_ = address;
    targetPath_ = targetPath;
    tempPath_ = targetPath + QStringLiteral(".download.temp");
    ledgerPath_ = QFileInfo(tempPath_).absoluteFilePath();
    const QString normalized = CurlSetup::NormalizeAddress(address);
    if (!CurlSetup::IsUsableAddress(normalized))
        return fail(StartFailure::BadAddress,
                    QCoreApplication::translate("FileDownload", "%1 is not a usable address").arg(address));
    const QFileInfo target(targetPath);
    if ((target.exists() || target.isSymLink()) && !overwrite)
        return fail(StartFailure::TargetExists, QStringLiteral("%1 exists").arg(targetPath));

    const QByteArray temp = QFile::encodeName(tempPath_);
    auto taken = [&] {
        return fail(StartFailure::TempTaken,
                    QStringLiteral("%1 exists and is not a temporary file of this program for this link; "
                                   "it is left alone")
                        .arg(tempPath_));
    };
    auto notCreated = [&](int error) {
        if (error == ENOENT) {
            return fail(StartFailure::TempNotCreated,
                        QCoreApplication::translate("FileDownload", "the folder %1 does not exist")
                            .arg(QFileInfo(tempPath_).path()));
        }
        return fail(StartFailure::TempNotCreated,
                    QCoreApplication::translate("FileDownload", "cannot create %1: %2")
                        .arg(tempPath_, QString::fromLocal8Bit(strerror(error))));
    };
    int fd = -1;
    qint64 resumeFrom = 0;
    QByteArray ifRange;
    qint64 announcedTotal = -1;
    struct stat existing;
    if (::lstat(temp.constData(), &existing) == 0) {
        // Only a plain file with no other name, made by this program for this very link, is reused: a
        // link, a device, a FIFO or a second name of some other file would make us write elsewhere.
        if (!S_ISREG(existing.st_mode) || existing.st_nlink != 1 || !ledger_ ||
            !ledger_->IsTempFileRecorded(address, ledgerPath_)) {
            return taken();
        }
        // Readable too: its kept bytes are hashed before the rest is appended.
        fd = ::open(temp.constData(), O_RDWR | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) return errno == ELOOP ? taken() : notCreated(errno);
        // The name may have changed hands between the look and the open, and another run on the same
        // home may be writing it right now (it holds the lock).
        struct stat opened;
        if (::fstat(fd, &opened) != 0 || opened.st_dev != existing.st_dev ||
            opened.st_ino != existing.st_ino || ::flock(fd, LOCK_EX | LOCK_NB) != 0 ||
            (opened.st_size != 0 && ledger_->IsTempFileReserved(ledgerPath_))) {
            ::close(fd);
            return taken();
        }
        ledger_->ConfirmTempFile(ledgerPath_);
        // What an earlier try left is continued when the server can say whether it is still the same
        // file; otherwise it starts over.
        QString validator = opened.st_size > 0 ? ledger_->TempFileValidator(ledgerPath_) : QString();
        // It goes into a request header: nothing but printable ASCII.
        if (std::any_of(validator.cbegin(), validator.cend(),
                        [](QChar c) { return c.unicode() < 0x20 || c.unicode() > 0x7e; })) {
            validator.clear();
        }
        if (!validator.isEmpty() && ::lseek(fd, 0, SEEK_END) == opened.st_size) {
            resumeFrom = opened.st_size;
            ifRange = validator.toLatin1();
            announcedTotal = ledger_->TempFileTotal(ledgerPath_);
        } else if (::ftruncate(fd, 0) != 0) {
            ::close(fd);
            return taken();
        }
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    } else if (errno == ENOENT) {
        // Written down first: a kill right after the file is made must not leave a later run a file it
        // cannot tell from a stranger's. Not being able to write it down only means a later run will not
        // reuse it.
        if (ledger_) ledger_->ReserveTempFile(address, ledgerPath_);
        fd = ::open(temp.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
        if (fd < 0) {
            const int error = errno;
            if (ledger_) ledger_->ForgetTempFile(ledgerPath_);
            return error == EEXIST ? taken() : notCreated(error);
        }
        ::flock(fd, LOCK_EX | LOCK_NB);  // held while we write it: see the reuse above
        if (ledger_) ledger_->ConfirmTempFile(ledgerPath_);
    } else {
        return notCreated(errno);
    }
    struct stat made;
    if (::fstat(fd, &made) == 0) {
        tempDevice_ = quint64(made.st_dev);
        tempInode_ = quint64(made.st_ino);
    }
    ownsTemp_ = true;

    CurlSetup::GlobalInit();
    State& state = *state_;
    state.url = normalized.toUtf8();
    state.userName = userName.toUtf8();
    state.password = password.toUtf8();
    state.targetPath = targetPath_;
    state.tempPath = tempPath_;
    state.fd = fd;
    state.link = documentLink_.isEmpty() ? address : documentLink_;
    if (state.documents) state.hash = std::make_unique<Sha256Stream>();
    state.keepPartial = ledger_ != nullptr;
    state.resumeFrom = resumeFrom;
    state.ifRange = ifRange;
    state.received.store(resumeFrom);
    {
        std::lock_guard lock(state.mutex);
        state.validator = QString::fromLatin1(ifRange);
        state.validatorTotal = announcedTotal;
    }
    state.finished.store(0);
    try {
        thread_ = std::thread([state = state_] { state->Run(); });
        started_ = true;
    } catch (const std::system_error&) {
        state.CloseFile();
        RemoveTemp();
        return fail(StartFailure::NoThread,
                    QCoreApplication::translate("FileDownload", "no thread for the transfer"));
    }
    return true;
}

bool FileDownload::TempIsOurs() const {
    struct stat now;
    return ownsTemp_ && ::lstat(QFile::encodeName(tempPath_).constData(), &now) == 0 &&
           quint64(now.st_dev) == tempDevice_ && quint64(now.st_ino) == tempInode_;
}

void FileDownload::RemoveTemp() {
    if (!ownsTemp_) return;
    // Once our file is gone (renamed, or removed by the transfer) the name may belong to someone else.
    if (TempIsOurs()) ::unlink(QFile::encodeName(tempPath_).constData());
    if (ledger_) ledger_->ForgetTempFile(ledgerPath_);
    ownsTemp_ = false;
}

void FileDownload::Kill() {
    if (!thread_.joinable()) return;
    state_->abandon.store(true);
    std::unique_lock lock(state_->mutex);
    const bool ended =
        state_->ended.wait_for(lock, kKillWait, [this] { return state_->finished.load() != 0; });
    lock.unlock();
    if (ended) {
        thread_.join();
    } else {
        // Still stuck (a name lookup, say): let it finish on its own. It holds its own share of the state,
        // so it closes its handle and file whenever it gets there.
        thread_.detach();
    }
}

bool FileDownload::WaitFinished(int milliseconds) const {
    if (!started_) return true;
    std::unique_lock lock(state_->mutex);
    return state_->ended.wait_for(lock, std::chrono::milliseconds(milliseconds),
                                  [this] { return state_->finished.load() != 0; });
}

int FileDownload::BusyStatus() const {
    return state_->busyStatus.load();
}

QByteArray FileDownload::RetryAfter() const {
    std::lock_guard lock(state_->mutex);
    return state_->retryAfter;
}

int FileDownload::AnswerStatus() const {
    std::lock_guard lock(state_->mutex);
    return int(state_->answerStatus);
}

bool FileDownload::HostUnreachable() const {
    std::lock_guard lock(state_->mutex);
    return state_->unreachable;
}

QByteArray FileDownload::MementoDatetime() const {
    std::lock_guard lock(state_->mutex);
    return state_->memento;
}

int FileDownload::Progress() const {
    return state_->progress.load();
}
bool FileDownload::Finished() const {
    return state_->finished.load() != 0;
}
bool FileDownload::Succeeded() const {
    return state_->succeeded.load() != 0;
}
qint64 FileDownload::ContentLength() const {
    return state_->contentLength.load();
}
qint64 FileDownload::Received() const {
    return state_->received.load();
}
