#pragma once
// Downloads one file on a thread of its own into "<target>.download.temp" and renames it to the target
// only when the whole body has arrived, so a file under its final name is always complete. The caller (a
// download worker) polls Finished()/Progress() and may abandon the transfer at any moment with Kill().
//
// States: created -> Start() true -> running -> finished (succeeded or not). On the way out:
//   success              target present, no temporary file
//   refused status       (anything but 200, 401, 407) or a broken transfer: neither file
//   401/407, size rule,  the temporary file stays (the worker deletes it)
//   abandoned by Kill()
// Fields are atomics: written by the transfer thread, read by the caller.

#include <QString>
#include <atomic>
#include <memory>
#include <thread>

class CFileTransfer {
  public:
    CFileTransfer();
    ~CFileTransfer();  // waits for a transfer that was not killed
    CFileTransfer(const CFileTransfer&) = delete;
    CFileTransfer& operator=(const CFileTransfer&) = delete;

    // Limits in bytes, both inclusive; minBytes 0 or minBytes > maxBytes rejects only an empty file.
    void SetSizeLimit(bool checkSize, qint64 minBytes, qint64 maxBytes);
    // False when nothing was started: the address cannot be parsed (even with "http://" in front), the
    // target exists and overwrite is false, or the temporary file cannot be created.
    bool Start(const QString& address, const QString& targetPath, const QString& userName,
               const QString& password, bool overwrite);
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
    const QString& TempPath() const { return tempPath_; }
    const QString& TargetPath() const { return targetPath_; }

    // The size rule on its own.
    static bool SizeAllowed(qint64 length, qint64 minBytes, qint64 maxBytes);

  private:
    struct State;
    std::shared_ptr<State> state_;
    std::thread thread_;
    bool started_ = false;
    QString targetPath_;
    QString tempPath_;
};
