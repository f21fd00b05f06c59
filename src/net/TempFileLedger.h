#pragma once
// Where the temporary download files this program made are written down (link and path), so that a
// transfer reuses and removes only files of its own: whatever else sits at a temporary name (a user's
// file, another program's, a planted link) is left alone. Implemented by the downloaded-link registry;
// callable from any thread.

#include <QString>

class TempFileLedger {
  public:
    virtual ~TempFileLedger() = default;
    virtual bool IsTempFileRecorded(const QString& link, const QString& path) = 0;
    virtual bool RecordTempFile(const QString& link, const QString& path) = 0;
    virtual void ForgetTempFile(const QString& path) = 0;
    // Written down before the file is made, so that a kill at any moment leaves no file of ours without
    // its record: until ConfirmTempFile the record says the file is about to be made, and a file found
    // under such a record is only taken up while empty (ours gets no byte before it is confirmed; a
    // stranger's that came in between keeps its bytes). A ledger that cannot tell records it outright.
    virtual bool ReserveTempFile(const QString& link, const QString& path) {
        return RecordTempFile(link, path);
    }
    virtual void ConfirmTempFile(const QString& path) { (void)path; }
    virtual bool IsTempFileReserved(const QString& path) {
        (void)path;
        return false;
    }
    // What a later try sends as If-Range to ask for the rest of the file at `path`: the answer's strong
    // ETag, else its Last-Modified; empty when the file cannot be continued.
    virtual QString TempFileValidator(const QString& path) {
        (void)path;
        return {};
    }
    // The size of the whole file as the answer that gave the validator announced it; -1 when unknown.
    virtual qint64 TempFileTotal(const QString& path) {
        (void)path;
        return -1;
    }
    virtual void SetTempFileValidator(const QString& path, const QString& validator, qint64 total) {
        (void)path;
        (void)validator;
        (void)total;
    }
};
