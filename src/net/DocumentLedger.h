#pragma once
// Where finished downloads are recorded by their bytes (SHA-256 and size) and the file that holds them,
// so a document reached through a second link (a mirror, a link with tracking parameters) is not saved
// a second time. Implemented by the downloaded-link registry; callable from any thread.

#include <QString>
#include <QtGlobal>

class DocumentLedger {
  public:
    virtual ~DocumentLedger() = default;
    // A file that still holds a document with this digest and size (a plain file, no link, read back and
    // found to have those bytes): `link` is then recorded against that file, which is returned; records
    // of files found to hold them no more are forgotten. Otherwise `link` is recorded as holding it in
    // `file` (about to take that name) and the answer is empty. Two transfers of one document finishing
    // at the same moment may both be kept: a file is only trusted once it exists.
    virtual QString ClaimDocument(const QString& link, const QString& sha256, qint64 size,
                                  const QString& file) = 0;
    // The file of a claim was not made after all: its record goes.
    virtual void DropDocument(const QString& link, const QString& file) = 0;

    // A document can only equal one of its size; `head` is the digest of its first kHeadBytes. False
    // when no recorded document could hold the same bytes: the transfer then skips the full digest and
    // records its file with RecordDocument. A ledger that cannot tell says true.
    static constexpr qint64 kHeadBytes = 64 * 1024;
    virtual bool MayHaveTwin(qint64 size, const QString& head) {
        Q_UNUSED(size);
        Q_UNUSED(head);
        return true;
    }
    // ClaimDocument, keeping the head digest beside the full one for the next MayHaveTwin.
    virtual QString ClaimDocumentWithHead(const QString& link, const QString& sha256, qint64 size,
                                          const QString& file, const QString& head) {
        Q_UNUSED(head);
        return ClaimDocument(link, sha256, size, file);
    }
    // `link` leads to a document of this size and head in `file`, its full digest not taken (a pass
    // after the save fills it in).
    virtual void RecordDocument(const QString& link, qint64 size, const QString& file, const QString& head) {
        Q_UNUSED(link);
        Q_UNUSED(size);
        Q_UNUSED(file);
        Q_UNUSED(head);
    }
};
