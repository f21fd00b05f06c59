#include "meta/MetaReport.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMap>
#include <QRegularExpression>
#include <QUrl>
#include <algorithm>

namespace {

const char* const kCategories[] = {"people", "software", "email", "user", "path", "printer", "url", "site"};

QString CategoryTitle(const QString& category) {
    static const QMap<QString, QString> titles{
        {QStringLiteral("people"), QStringLiteral("People (authors and last editors)")},
        {QStringLiteral("software"), QStringLiteral("Software")},
        {QStringLiteral("email"), QStringLiteral("E-mail addresses")},
        {QStringLiteral("user"), QStringLiteral("User names")},
        {QStringLiteral("path"), QStringLiteral("Paths")},
        {QStringLiteral("printer"), QStringLiteral("Printers")},
        {QStringLiteral("url"), QStringLiteral("URLs")},
        {QStringLiteral("site"), QStringLiteral("Sites")},
    };
    return titles.value(category, category);
}

QString CsvField(QString text) {
    // A cell that starts like a formula is not run by a spreadsheet that opens the file.
    if (!text.isEmpty() && QStringLiteral("=+-@\t\r").contains(text.front())) text.prepend(u'\'');
    if (text.contains(u',') || text.contains(u'"') || text.contains(u'\n') || text.contains(u'\r')) {
        text.replace(u'"', QStringLiteral("\"\""));
        text = u'"' + text + u'"';
    }
    return text;
}

}  // namespace

bool MetaReport::FormatFromName(const QString& name, Format* format) {
    if (name == u"html") *format = Format::Html;
    else if (name == u"csv") *format = Format::Csv;
    else if (name == u"json") *format = Format::Json;
    else return false;
    return true;
}

MetaReport::MetaReport(QList<Document> documents) : documents_(std::move(documents)) {
    QMap<QString, QMap<QString, QList<int>>> grouped;
    auto add = [&grouped](const char* category, const QString& value, int index) {
        const QString trimmed = value.trimmed();
        if (trimmed.isEmpty()) return;
        QList<int>& list = grouped[QLatin1StringView(category)][trimmed];
        if (list.isEmpty() || list.back() != index) list.append(index);
    };
    for (int i = 0; i < documents_.size(); ++i) {
        const DocMetadata& m = documents_[i].metadata;
        for (const QString& author : m.author.split(QStringLiteral("; "))) add("people", author, i);
        add("people", m.lastModifiedBy, i);
        add("software", m.application, i);
        add("software", m.producer, i);
        for (const MetaFinding& finding : m.findings) {
            add(MetaFinding::KindName(finding.kind).toLatin1().constData(), finding.value, i);
        }
        add("site", QUrl(documents_[i].link).host(), i);
        if (!m.created.isEmpty()) {
            if (firstCreated_.isEmpty() || m.created < firstCreated_) firstCreated_ = m.created;
            if (lastCreated_.isEmpty() || m.created > lastCreated_) lastCreated_ = m.created;
        }
        if (m.pages > 0) pages_ += m.pages;
    }
    for (const char* category : kCategories) {
        const auto values = grouped.value(QLatin1StringView(category));
        QList<Entry> entries;
        for (auto it = values.begin(); it != values.end(); ++it) entries.append({QLatin1StringView(category), it.key(), it.value()});
        std::stable_sort(entries.begin(), entries.end(),
                         [](const Entry& a, const Entry& b) { return a.documents.size() > b.documents.size(); });
        entries_ += entries;
    }
}

QByteArray MetaReport::Write(Format format) const {
    switch (format) {
        case Format::Html: return Html();
        case Format::Csv: return Csv();
        case Format::Json: return Json();
    }
    return {};
}

QByteArray MetaReport::Json() const {
    QJsonArray documents;
    for (const Document& document : documents_) {
        QJsonObject json = document.metadata.ToJson();
        if (!document.link.isEmpty()) json.insert(QStringLiteral("link"), document.link);
        json.insert(QStringLiteral("file"), document.file);
        documents.append(json);
    }
    QJsonObject summary;
    for (const char* category : kCategories) summary.insert(QLatin1StringView(category), QJsonArray());
    for (const Entry& entry : entries_) {
        QJsonArray list = summary.value(entry.category).toArray();
        QJsonArray indexes;
        for (int index : entry.documents) indexes.append(index);
        list.append(QJsonObject{{QStringLiteral("value"), entry.value},
                                {QStringLiteral("count"), int(entry.documents.size())},
                                {QStringLiteral("documents"), indexes}});
        summary.insert(entry.category, list);
    }
    summary.insert(QStringLiteral("createdFirst"), firstCreated_);
    summary.insert(QStringLiteral("createdLast"), lastCreated_);
    summary.insert(QStringLiteral("pages"), pages_);
    summary.insert(QStringLiteral("documentCount"), int(documents_.size()));
    return QJsonDocument(QJsonObject{{QStringLiteral("summary"), summary}, {QStringLiteral("documents"), documents}})
        .toJson(QJsonDocument::Indented);
}

QByteArray MetaReport::Csv() const {
    QString text = QStringLiteral("category,value,count,documents\n");
    for (const Entry& entry : entries_) {
        QStringList names;
        for (int index : entry.documents) {
            names.append(documents_[index].link.isEmpty() ? documents_[index].file : documents_[index].link);
        }
        text += CsvField(entry.category) + u',' + CsvField(entry.value) + u',' +
                QString::number(entry.documents.size()) + u',' + CsvField(names.join(u' ')) + u'\n';
    }
    text += QStringLiteral("created,%1,,\ncreated,%2,,\npages,%3,,\n")
                .arg(CsvField(firstCreated_), CsvField(lastCreated_))
                .arg(pages_);
    return text.toUtf8();
}

QByteArray MetaReport::Html() const {
    auto escape = [](const QString& text) { return text.toHtmlEscaped(); };
    QString html = QStringLiteral(
        "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\">\n<title>Document report</title>\n<style>\n"
        "body{font-family:sans-serif;margin:2em;color:#222}h1{font-size:1.5em}h2{font-size:1.15em;margin-top:1.6em}"
        "table{border-collapse:collapse;margin:.5em 0}td,th{border:1px solid #ccc;padding:.25em .6em;text-align:left;"
        "vertical-align:top}th{background:#f0f0f0}td.n{text-align:right}a{color:#1a5fb4}"
        ".docs a{margin-right:.5em}\n</style></head><body>\n<h1>Document report</h1>\n");
    html += QStringLiteral("<p>%1 documents; created from %2 to %3; %4 pages in all.</p>\n")
                .arg(documents_.size())
                .arg(escape(firstCreated_.isEmpty() ? QStringLiteral("?") : firstCreated_),
                     escape(lastCreated_.isEmpty() ? QStringLiteral("?") : lastCreated_))
                .arg(pages_);
    QString current;
    for (const Entry& entry : entries_) {
        if (entry.category != current) {
            if (!current.isEmpty()) html += QStringLiteral("</table>\n");
            current = entry.category;
            html += QStringLiteral("<h2>%1</h2>\n<table><tr><th>value</th><th>documents</th><th></th></tr>\n")
                        .arg(escape(CategoryTitle(current)));
        }
        QString links;
        for (int index : entry.documents) links += QStringLiteral("<a href=\"#doc%1\">%2</a>").arg(index).arg(index + 1);
        html += QStringLiteral("<tr><td>%1</td><td class=\"n\">%2</td><td class=\"docs\">%3</td></tr>\n")
                    .arg(escape(entry.value))
                    .arg(entry.documents.size())
                    .arg(links);
    }
    if (!current.isEmpty()) html += QStringLiteral("</table>\n");
    html += QStringLiteral(
        "<h2>Documents</h2>\n<table><tr><th>#</th><th>document</th><th>title</th><th>author</th><th>created</th>"
        "<th>pages</th><th>software</th><th>status</th></tr>\n");
    for (int i = 0; i < documents_.size(); ++i) {
        const Document& document = documents_[i];
        const DocMetadata& m = document.metadata;
        const QString name = document.link.isEmpty() ? document.file : document.link;
        // Only web addresses become links: a javascript: or data: link from a list stays text.
        const QUrl url(document.link);
        const bool web = url.isValid() && (url.scheme() == u"http" || url.scheme() == u"https");
        const QString cell = web ? QStringLiteral("<a href=\"%1\">%2</a>").arg(escape(url.toString(QUrl::FullyEncoded)), escape(name))
                                 : escape(name);
        html += QStringLiteral("<tr id=\"doc%1\"><td>%2</td><td>%3</td><td>%4</td><td>%5</td><td>%6</td><td class=\"n\">%7</td>"
                               "<td>%8</td><td>%9</td></tr>\n")
                    .arg(i)
                    .arg(i + 1)
                    .arg(cell, escape(m.title), escape(m.author), escape(m.created),
                         m.pages >= 0 ? QString::number(m.pages) : QString(),
                         escape(QStringList{m.application, m.producer}.filter(QRegularExpression(QStringLiteral("."))).join(QStringLiteral(" / "))),
                         escape(DocMetadata::StatusName(m.status) + (m.reason.isEmpty() ? QString() : QStringLiteral(": ") + m.reason)));
    }
    html += QStringLiteral("</table>\n</body></html>\n");
    return html.toUtf8();
}
