#pragma once
// One query template of an engine, read from the "queries" list of its definition: the address of a
// result page with placeholders, and the values they take. The query catalogue expands it into one
// address per keyword, result page and format token. Plain values.
//
// Placeholders: {keyword} (escaped or raw), {format} (a format token), {page} (the page value as text),
// {time} (the value for the chosen time range), {rotate} (a value picked by the page value), {switch}
// (one of two values after a setting).

#include <QJsonArray>
#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>
#include <array>
#include <optional>

struct QueryTemplate {
    // The format boxes in the order the catalogue visits them within one page; "other" comes last.
    static constexpr std::array<const char*, 7> kFormatNames = {"word", "pdf", "ppt", "xls",
                                                                "rtf",  "txt", "zip"};

    bool escapeKeyword = true;  // "keyword": "escaped" (UTF-8, %xx) or "raw"
    bool alnumKeywordOnly = false;
    QString url;
    QMap<QString, QString> tokenUrls;  // a format token whose address breaks the pattern has its own
    bool hasFormats = false;           // without formats, one address per page
    std::array<QStringList, 7> formats;
    bool other = false;  // the "other" box's extension is a token too
    int first = 0;
    int step = 1;
    int count = 1;
    QString pageText = QStringLiteral("{n}");
    std::optional<QString> firstPageText;
    QStringList time;  // empty or one value per time range (all time, day, week, month, year)
    QStringList rotate;
    QString switchSetting, switchOn, switchOff;
    QString setting;  // a check setting that must be ticked too; empty: the engine's alone decides
    int order = 0;    // templates of all engines are expanded in this order, per keyword

    // Reads a definition's "queries" list. Nothing when it is wrong; *error then says what and where
    // ("queries[1].pages.count: ...").
    static std::optional<QList<QueryTemplate>> ReadAll(const QJsonArray& queries, QString* error);

    // The page values, in order.
    QList<int> Pages() const;
    // {page}'s text for the index'th page.
    QString PageText(int index) const;
};
