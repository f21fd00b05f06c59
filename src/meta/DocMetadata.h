#pragma once
// What one document says about itself: the fields its format keeps, the strings in them an analyst cares
// about, and how the reading went. Travels as one JSON object over the worker's pipe and is kept as such
// in the registry, so a field added later needs no change of either.

#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringList>

#include "meta/MetaFinding.h"

enum class MetaStatus {
    Read,       // the fields below are what the document holds (possibly none)
    Encrypted,  // a password is needed to open it: encrypted, no metadata
    Damaged,    // its structure cannot be read
    Failed,     // the reader crashed, hung or exceeded a limit on it (reason says which)
};

struct DocMetadata {
    MetaStatus status = MetaStatus::Read;
    QString reason;  // why not Read, or what was bounded on the way
    QString sha256;
    qint64 size = -1;
    QString type;  // pdf, docx, xlsx, pptx, odt, ods, odp, doc, xls, ppt, rtf, or another detected type

    QString title;
    QString author;
    QString subject;
    QString keywords;
    QString lastModifiedBy;
    QString application;  // creator tool, generator or application with its version
    QString producer;     // PDF only
    QString company;
    QString created;  // ISO 8601
    QString modified;
    int pages = -1;  // pages or slides; -1 unknown
    QString pdfVersion;
    bool encrypted = false;

    // PDF: what the XMP packet says where it differs from the Info dictionary (which wins).
    QString xmpTitle;
    QString xmpAuthor;
    QStringList history;  // XMP history entries (software agents, actions, dates)

    QList<MetaFinding> findings;

    QJsonObject ToJson() const;
    static DocMetadata FromJson(const QJsonObject& json);
    static QString StatusName(MetaStatus status);
};
