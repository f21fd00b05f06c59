#pragma once
// Downloads one file on a thread of its own into "<target>.download.temp" and renames it to the target
// only when the whole body has arrived, so a file under its final name is always complete. The caller (a
// download worker) polls Finished()/Progress() and may abandon the transfer at any moment with Kill().
//
// States: created -> Start() true -> running -> finished (succeeded or not). On the way out:
//   success              target present, no temporary file
//   broken transfer      with a ledger, the temporary file stays with what arrived, and the ledger
//                        keeps the answer's validator (strong ETag, else Last-Modified); without one,
//                        as a refusal
//   429 or 503           the server asks us to come back later: a continued file stays as it was,
//                        BusyStatus() and RetryAfter() say what it answered
//   any other ending     neither file (a refused status, 401/407, the size rule)
//   abandoned by Kill()  the temporary file stays; the caller may remove it with RemoveTemp()
// A recorded temporary file with a validator is continued: the request carries Range and If-Range, and
// ResumeDecision judges the answer. A 206 of the same version from where the file ends appends (a part
// that ends early is followed by a request for the next), a 200 starts over, a 416 of the same version
// whose size is the file's completes it; any other 206 or 416 drops the kept bytes and asks again
// without a range.
// The temporary name is never followed when it is a link: Start makes a new file there, or reuses one
// that the ledger says this program made for the same link; anything else there fails Start and stays.
// With a document ledger the first bytes of the body are hashed as they are written (a continued file's
// kept bytes first); when the ledger knows a document of the same size and first bytes, the complete
// file is hashed once, and if those bytes are kept under another existing file it is not kept: the
// temporary file goes, the transfer succeeds, and SameAs() names that file.
// Fields are atomics: written by the transfer thread, read by the caller.

#include <QString>
#include <atomic>
#include <memory>
#include <thread>

class DocumentLedger;
class TempFileLedger;

class FileDownload {
  public:
    FileDownload();
    ~FileDownload();  // waits for a transfer that was not killed; forgets a temporary file that is gone
    FileDownload(const FileDownload&) = delete;
    FileDownload& operator=(const FileDownload&) = delete;

    // Limits in bytes, both inclusive; minBytes 0 or minBytes > maxBytes rejects only an empty file.
    void SetSizeLimit(bool checkSize, qint64 minBytes, qint64 maxBytes);
    // Checks the first bytes of the finished file against `type` (an extension) before it takes its
    // final name; a mismatch removes it and ContentRefusal() says why. See ContentCheck.
    void SetContentCheck(const QString& type, bool checkOther);
    // Where temporary files are recorded; without one an existing temporary file is never reused.
    // Set before Start; the ledger must outlive this object.
    void SetLedger(TempFileLedger* ledger) { ledger_ = ledger; }
    // Where complete documents are recorded by their bytes; set before Start, it must outlive this object.
    void SetDocumentLedger(DocumentLedger* documents);
    // The link the document ledger records the bytes under when it is not the address fetched (a copy
    // fetched from a web archive belongs to the link the site published). Set before Start.
    void SetDocumentLink(const QString& link) { documentLink_ = link; }

    enum class StartFailure { None, BadAddress, TargetExists, TempTaken, TempNotCreated, NoThread };
    // False when nothing was started; StartFailureText() then says why.
    bool Start(const QString& address, const QString& targetPath, const QString& userName,
               const QString& password, bool overwrite);
    StartFailure LastStartFailure() const { return failure_; }
    QString StartFailureText() const { return failureText_; }
    // Removes the temporary file this transfer made (after it finished or was killed) and strikes it
    // from the ledger. Never touches a file it did not make.
    void RemoveTemp();
    // Abandons a running transfer: it stops within about a second (libcurl's progress callback) and
    // gives back its connection and file; Kill returns within 2 s either way.
    void Kill();

    // Waits up to `milliseconds` for the transfer to finish; true when it has.
    bool WaitFinished(int milliseconds) const;

    int Progress() const;
    bool Finished() const;
    bool Succeeded() const;
    qint64 ContentLength() const;  // 0 when the answer had no Content-Length
    qint64 Received() const;
    QString ContentRefusal() const;  // empty unless the content check refused the finished file
    // Why a finished transfer failed ("HTTP 404", a timeout, the size rule, ...); empty after success,
    // after Kill(), and when ContentRefusal() says it.
    QString FailureReason() const;
    // The existing file that already holds these bytes, when the transfer kept no file of its own.
    QString SameAs() const;
    QString Sha256() const;         // of the complete file, when a twin was possible; else empty
    int BusyStatus() const;         // 429 or 503 when the server asked to be left alone; else 0
    QByteArray RetryAfter() const;  // that answer's Retry-After header as sent; empty when absent
    // Of a finished transfer: the status of the last answer (0 without one), whether the host could not
    // be reached at all (no such name, connection refused), and the answer's Memento-Datetime (an
    // archive's word that the status belongs to the archived capture, not to the archive).
    int AnswerStatus() const;
    bool HostUnreachable() const;
    QByteArray MementoDatetime() const;
    const QString& TempPath() const { return tempPath_; }
    const QString& TargetPath() const { return targetPath_; }

    // The size rule on its own.
    static bool SizeAllowed(qint64 length, qint64 minBytes, qint64 maxBytes);

  private:
    bool TempIsOurs() const;  // our file still sits at the temporary name

    struct State;
    std::shared_ptr<State> state_;
    std::thread thread_;
    bool started_ = false;
    bool ownsTemp_ = false;
    TempFileLedger* ledger_ = nullptr;
    StartFailure failure_ = StartFailure::None;
    QString failureText_;
    QString link_;
    QString documentLink_;
    QString targetPath_;
    QString tempPath_;
    QString ledgerPath_;  // tempPath_ made absolute: the ledger's key
    quint64 tempDevice_ = 0;
    quint64 tempInode_ = 0;
};
