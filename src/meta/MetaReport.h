#pragma once
// The summary of a collection's metadata: people (authors and last editors), software, e-mail addresses,
// user names, paths, printers and URLs, each with the documents behind it; the creation date range, the
// page total and the documents per site. Written as one self-contained HTML page, CSV or JSON.

#include <QList>
#include <QString>

#include "meta/DocMetadata.h"

class MetaReport {
  public:
    struct Document {
        QString link;  // empty for a file read on its own
        QString file;
        DocMetadata metadata;
    };
    enum class Format { Html, Csv, Json };
    static bool FormatFromName(const QString& name, Format* format);

    explicit MetaReport(QList<Document> documents);
    QByteArray Write(Format format) const;

    // One line of the summary: a category ("people", "software", ...), its value and the documents (indexes
    // into the list) behind it, most documents first.
    struct Entry {
        QString category;
        QString value;
        QList<int> documents;
    };
    const QList<Entry>& Entries() const { return entries_; }

  private:
    QByteArray Html() const;
    QByteArray Csv() const;
    QByteArray Json() const;

    QList<Document> documents_;
    QList<Entry> entries_;
    QString firstCreated_;
    QString lastCreated_;
    qint64 pages_ = 0;
};
