#include "search/LinkFilters.h"

#include <QFile>
#include <QSet>

#include "engines/EngineHosts.h"
#include "lists/Options.h"
#include "lists/TextCodec.h"
#include "search/KeywordList.h"

namespace {

bool Matches(const QString& entry, const QString& text, bool bothWays) {
    if (bothWays && !text.isEmpty() && entry.contains(text)) return true;
    return !entry.isEmpty() && text.contains(entry);
}

// Lower case for A to Z only: other letters compare as written, so a filter line matches the same links
// whatever the locale.
QString AsciiLower(QString text) {
    for (QChar& c : text) {
        if (c >= u'A' && c <= u'Z') c = QChar(c.unicode() + 32);
    }
    return text;
}

// Where to cut a long line so that no UTF-8 or GB18030 character is split: back up to a byte that
// starts a character.
qsizetype PieceEnd(QByteArrayView line, qsizetype start, bool utf8) {
    qsizetype end = qMin(line.size(), start + LinkFilters::kMaxLineBytes);
    if (end == line.size()) return end;
    if (utf8) {
        while (end > start + 1 && (static_cast<unsigned char>(line[end]) & 0xC0) == 0x80) --end;
        return end;
    }
    // GB18030: walk character by character from the start of the piece.
    qsizetype i = start;
    while (i < end) {
        const auto c = static_cast<unsigned char>(line[i]);
        qsizetype width = 1;
        if (c >= 0x81 && c <= 0xFE && i + 1 < line.size()) {
            const auto d = static_cast<unsigned char>(line[i + 1]);
            width = (d >= 0x30 && d <= 0x39) ? 4 : 2;
        }
        if (i + width > end) break;
        i += width;
    }
    return i > start ? i : end;
}

}  // namespace

void LinkFilters::ReadListFile(const QString& path, QStringList& list) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return;
    const QByteArray bytes = file.readAll();
    QSet<QString> present(list.begin(), list.end());
    TextCodec::ForEachLine(bytes, [&](QByteArrayView line) {
        if (line.endsWith('\r')) line.chop(1);
        const bool utf8 = TextCodec::IsValidUtf8(line);
        for (qsizetype piece = 0; piece < line.size();) {
            const qsizetype pieceEnd = PieceEnd(line, piece, utf8);
            QString entry = utf8 ? QString::fromUtf8(line.sliced(piece, pieceEnd - piece))
                                 : TextCodec::DecodeGb18030(line.sliced(piece, pieceEnd - piece));
            const qsizetype nul = entry.indexOf(QChar(0));
            if (nul >= 0) entry.truncate(nul);
            if (!entry.isEmpty() && !present.contains(entry)) {
                present.insert(entry);
                list.append(entry);
            }
            piece = pieceEnd;
        }
    });
}

void LinkFilters::LoadFilterLists(const QString& urlFilterPath, const QString& titleFilterPath) {
    urlFilters_.clear();
    titleFilters_.clear();
    urlFilters_.append(QString::fromLatin1(EngineHosts::BaiduAdvert));
    ReadListFile(urlFilterPath, urlFilters_);
    ReadListFile(titleFilterPath, titleFilters_);
}

bool LinkFilters::MatchesList(const QStringList& list, const QString& text, bool bothWays) {
    if (list.isEmpty() || text.isEmpty()) return false;
    for (const QString& entry : list) {
        if (Matches(entry, text, bothWays)) return true;
    }
    const QString lowerText = AsciiLower(text);
    for (const QString& entry : list) {
        if (Matches(AsciiLower(entry), lowerText, bothWays)) return true;
    }
    return false;
}

void LinkFilters::CleanTitle(QString& title) {
    static const std::pair<QString, QString> kRows[] = {
        {QStringLiteral("<font color=#CC0000>"), {}},
        {QStringLiteral("<font color=#DD4B39>"), {}},
        {QStringLiteral("</font>"), {}},
        {QStringLiteral("<strong>"), {}},
        {QStringLiteral("</strong>"), {}},
        {QStringLiteral("<em>"), {}},
        {QStringLiteral("</em>"), {}},
        {QStringLiteral("<b>"), {}},
        {QStringLiteral("</b>"), {}},
        {QStringLiteral("<!--red_beg-->"), {}},
        {QStringLiteral("<!--red_end-->"), {}},
        {QStringLiteral("<"), {}},
        {QStringLiteral("*"), {}},
        {QStringLiteral("/"), {}},
        {QStringLiteral("\\"), {}},
        {QStringLiteral(">"), {}},
        {QStringLiteral("?"), {}},
        {QStringLiteral("|"), {}},
        {QStringLiteral(":"), {}},
        {QStringLiteral("&quot;"), {}},
        {QStringLiteral("&#46;"), {}},
        {QStringLiteral("&ldquo;"), {}},
        {QStringLiteral("u201c"), QString(QChar(0x201C))},
        {QStringLiteral("u201d"), QString(QChar(0x201D))},
        {QStringLiteral("u2014u2014"), QString(2, QChar(0x2014))},
        {QStringLiteral("u2014"), QString(QChar(0x2014))},
        {QStringLiteral("\""), {}},
        {QStringLiteral("_百度"), {}},
        {QStringLiteral("&lt;"), QString(QChar(0x300A))},
        {QStringLiteral("&gt;"), QString(QChar(0x300B))},
        {QString(QChar(0xFFFD)), {}},
    };
    for (const auto& [from, to] : kRows) title.replace(from, to);
    title = title.trimmed();
}

bool LinkFilters::AcceptTitle(const QString& title) const {
    if (title.contains(QStringLiteral("快照")) || title.contains(QStringLiteral("安全联盟")) ||
        title.contains(QStringLiteral("Web 视图"))) {
        return false;
    }
    if (!titleFilters_.isEmpty() && MatchesList(titleFilters_, title, false)) return false;
    // The title-length box as the user sees it now, not as last committed.
    const int minimum = options_.LiveInt(SettingKey::MinTitleLength);
    if (minimum > 0 && title.size() < minimum) return false;
    if (options_.Checked(SettingKey::TitleMustMatchKeyword)) {
        const QStringList keywords = keywords_.Keywords();
        if (!keywords.isEmpty()) return MatchesList(keywords, title, false);
    }
    return true;
}
