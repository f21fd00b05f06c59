#pragma once
// The fields of an XMP packet that matter here (Dublin Core title, creators, description, keywords;
// creator tool, producer, dates; the editing history), whether written as elements or as attributes of
// rdf:Description.

#include <QByteArray>
#include <QString>
#include <QStringList>

struct XmpPacket {
    bool valid = false;
    QString problem;
    QString title;  // x-default, else the first language
    QStringList creators;
    QString description;
    QString keywords;
    QString creatorTool;
    QString producer;
    QString created;  // ISO 8601
    QString modified;
    QStringList history;

    static XmpPacket Parse(const QByteArray& bytes);
};
