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
