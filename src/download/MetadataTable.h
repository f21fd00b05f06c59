#pragma once
// The documents' metadata in the registry's database (table docmeta, keyed by the document's SHA-256),
// on a connection of its own so the link registry stays as it is; a registry from before gains the table
// when it is opened here. Any thread: one lock around each statement.

#include <QList>
#include <QMutex>
#include <QString>
#include <optional>

#include "download/SqliteDatabase.h"
#include "meta/DocMetadata.h"

class MetadataTable {
  public:
    MetadataTable() = default;
    ~MetadataTable();
    MetadataTable(const MetadataTable&) = delete;
    MetadataTable& operator=(const MetadataTable&) = delete;

    // False (with the reason) when the database cannot be opened or the table cannot be made.
    bool Open(const QString& path, QString* problem = nullptr);
    void Close();

    // Keeps the metadata; with `unhashedFile`, a file recorded without its digest gets metadata.sha256 in
    // the same transaction, so a document is never left read but undigested, or the reverse.
    bool Store(const DocMetadata& metadata, const QString& unhashedFile = QString());
    std::optional<DocMetadata> Find(const QString& sha256);

    // A kept document whose metadata has not been read yet; sha256 is empty for a file saved without its
    // digest, which the reading then gives (FillDigest).
    struct Pending {
        QString sha256;
        QString file;
    };
    QList<Pending> PendingDocuments(int limit);
    // The digest of a file recorded without one; empty marks a file that could not be read, so it is not
    // asked for again.
    void FillDigest(const QString& file, const QString& sha256);

    // Every kept document with its metadata, for the report and the window.
    struct Entry {
        QString link;
        QString file;
        DocMetadata metadata;
    };
    QList<Entry> Documents();
    // The metadata of a link's document; nullopt when the link has no document or it was not read yet.
    std::optional<DocMetadata> ForLink(const QString& link);

  private:
    QMutex lock_;
    SqliteDatabase db_;
};
