#include "engines/CdxAnswer.h"

#include <QByteArrayView>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>
#include <algorithm>
#include <functional>

namespace {

bool IsWebAddress(QByteArrayView text) {
    return text.startsWith("http://") || text.startsWith("https://");
}

bool IsTimestamp(QByteArrayView text) {
    if (text.isEmpty() || text.size() > 14) return false;
    return std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

qint64 Number(QByteArrayView text) {
    bool ok = false;
    const qint64 value = text.toLongLong(&ok);
    return ok && value >= 0 ? value : -1;
}

QByteArrayView FirstNonSpace(const QByteArray& body) {
    QByteArrayView view(body);
    while (!view.isEmpty() && (view.front() == ' ' || view.front() == '\n' || view.front() == '\r' ||
                               view.front() == '\t'))
        view = view.sliced(1);
    return view.first(std::min<qsizetype>(64, view.size()));
}

QString HtmlProblem(const QByteArray& body) {
    return FirstNonSpace(body).startsWith("<")
               ? QStringLiteral("the index answered with an HTML page instead of captures")
               : QString();
}

// A field with a control character would split the capture's line in the registry and on the terminal.
bool Printable(QByteArrayView text) {
    return std::none_of(text.begin(), text.end(), [](char c) { return (c >= 0 && c < 0x20) || c == 0x7f; });
}

// An answer names a handful of types over and over: each is made once and shared by its captures.
class MimeNames {
  public:
    const QString& Of(QByteArrayView mime) {
        for (const auto& [bytes, name] : names_) {
            if (bytes == mime) return name;
        }
        if (names_.size() >= 32) {
            spare_ = QString::fromUtf8(mime);
            return spare_;
        }
        names_.append({mime.toByteArray(), QString::fromUtf8(mime)});
        return names_.last().second;
    }

  private:
    QList<std::pair<QByteArray, QString>> names_;
    QString spare_;
};

// The capture, when the values make one: a web address and a timestamp at the least.
bool Fill(ArchiveCapture* capture, QByteArrayView link, QByteArrayView timestamp, QByteArrayView mime,
          QByteArrayView status, QByteArrayView digest, QByteArrayView length, MimeNames* mimes = nullptr) {
    if (!IsWebAddress(link) || !IsTimestamp(timestamp)) return false;
    if (!Printable(link) || !Printable(mime) || !Printable(digest)) return false;
    capture->link = QString::fromUtf8(link);
    capture->timestamp = QString::fromLatin1(timestamp);
    capture->mime = mimes ? mimes->Of(mime) : QString::fromUtf8(mime);
    capture->status = status == "-" ? 0 : int(std::max<qint64>(0, Number(status)));
    capture->digest = QString::fromLatin1(digest);
    capture->length = Number(length);
    return true;
}

void Add(CdxPage* page, ArchiveCapture&& capture) {
    if (page->captures.size() >= CdxAnswer::kMaxCaptures) {
        ++page->skippedLines;
        return;
    }
    page->captures.append(std::move(capture));
}

CdxPage ReadWaybackJson(const QByteArray& body) {
    CdxPage page;
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(body, &error);
    if (error.error != QJsonParseError::NoError || !document.isArray()) {
        page.problem = QStringLiteral("the index answer is not valid JSON");
        return page;
    }
    const QJsonArray rows = document.array();
    if (rows.isEmpty()) return page;  // nothing captured
    const QJsonArray header = rows.first().toArray();
    auto column = [&header](const char* name) {
        for (qsizetype i = 0; i < header.size(); ++i) {
            if (header[i].toString() == QLatin1StringView(name)) return i;
        }
        return qsizetype(-1);
    };
    const qsizetype original = column("original"), timestamp = column("timestamp"),
                    mime = column("mimetype"), status = column("statuscode"), digest = column("digest"),
                    length = column("length");
    if (original < 0 || timestamp < 0) {
        page.problem = QStringLiteral("the index answer has no header row");
        return page;
    }
    auto field = [](const QJsonArray& row, qsizetype index) {
        return index >= 0 && index < row.size() ? row[index].toString().toUtf8() : QByteArray();
    };
    for (qsizetype i = 1; i < rows.size(); ++i) {
        if (!rows[i].isArray()) {
            // A stray value is one bad row, not the end of the page (the resume key comes after it).
            ++page.skippedLines;
            continue;
        }
        const QJsonArray row = rows[i].toArray();
        if (row.isEmpty()) {
            // The resume key follows an empty row.
            if (i + 1 < rows.size()) page.resumeKey = rows[i + 1].toArray().first().toString();
            break;
        }
        ArchiveCapture capture;
        if (row.size() != header.size() ||
            !Fill(&capture, field(row, original), field(row, timestamp), field(row, mime), field(row, status),
                  field(row, digest), field(row, length))) {
            ++page.skippedLines;
            continue;
        }
        Add(&page, std::move(capture));
    }
    return page;
}

}  // namespace

CdxPage CdxAnswer::ReadWayback(const QByteArray& body) {
    if (FirstNonSpace(body).startsWith("[")) return ReadWaybackJson(body);
    CdxPage page;
    page.problem = HtmlProblem(body);
    if (!page.problem.isEmpty()) return page;
    bool keyNext = false;
    qsizetype pos = 0;
    MimeNames mimes;
    // One allocation for the list rather than a growth per doubling: a line is a capture, mostly.
    page.captures.reserve(std::min<qsizetype>(body.count('\n') + 1, kMaxCaptures));
    while (pos < body.size()) {
        qsizetype eol = body.indexOf('\n', pos);
        if (eol < 0) eol = body.size();
        QByteArrayView line = QByteArrayView(body).sliced(pos, eol - pos);
        pos = eol + 1;
        if (line.endsWith('\r')) line.chop(1);
        if (line.trimmed().isEmpty()) {
            keyNext = true;
            continue;
        }
        if (keyNext) {
            // The resume key is the one line after the empty one; a second such line would be a
            // server fault, and the first key is as good as any.
            if (page.resumeKey.isEmpty() && line.size() <= kMaxLine) page.resumeKey = QString::fromUtf8(line.trimmed());
            continue;
        }
        QByteArrayView fields[7];
        int count = 0;
        qsizetype start = 0;
        while (start <= line.size() && count <= 7) {
            qsizetype space = line.indexOf(' ', start);
            if (space < 0) space = line.size();
            if (count < 7) fields[count] = line.sliced(start, space - start);
            ++count;
            start = space + 1;
        }
        ArchiveCapture capture;
        if (line.size() > kMaxLine || count != 7 ||
            !Fill(&capture, fields[2], fields[1], fields[3], fields[4], fields[5], fields[6], &mimes)) {
            ++page.skippedLines;
            continue;
        }
        Add(&page, std::move(capture));
    }
    return page;
}

CdxPage CdxAnswer::ReadCommonCrawl(const QByteArray& body, ArchiveSource source) {
    CdxPage page;
    page.problem = HtmlProblem(body);
    if (!page.problem.isEmpty()) return page;
    qsizetype pos = 0;
    while (pos < body.size()) {
        qsizetype eol = body.indexOf('\n', pos);
        if (eol < 0) eol = body.size();
        QByteArrayView line = QByteArrayView(body).sliced(pos, eol - pos).trimmed();
        pos = eol + 1;
        if (line.isEmpty()) continue;
        if (line.size() > kMaxLine) {
            ++page.skippedLines;
            continue;
        }
        QByteArrayView json = line;
        QByteArray lineTimestamp;
        if (!line.startsWith('{')) {
            // CDXJ: "urlkey timestamp {json}"; the timestamp is not repeated in the JSON.
            const qsizetype brace = line.indexOf('{');
            if (brace < 0) {
                ++page.skippedLines;
                continue;
            }
            const QList<QByteArray> head = line.first(brace).toByteArray().simplified().split(' ');
            if (head.size() == 2) lineTimestamp = head[1];
            json = line.sliced(brace);
        }
        QJsonParseError error{};
        const QJsonObject object = QJsonDocument::fromJson(json.toByteArray(), &error).object();
        if (error.error != QJsonParseError::NoError) {
            ++page.skippedLines;
            continue;
        }
        if (object.contains(QLatin1StringView("message")) && !object.contains(QLatin1StringView("url"))) {
            page.message = object.value(QLatin1StringView("message")).toString().left(300);
            continue;
        }
        auto text = [&object](const char* name) {
            return object.value(QLatin1StringView(name)).toString().toUtf8();
        };
        // The detected type is the true one; the server's header may claim anything.
        QByteArray mime = text("mime-detected");
        if (mime.isEmpty()) mime = text("mime");
        ArchiveCapture capture;
        capture.source = source;
        const QByteArray timestamp = object.contains(QLatin1StringView("timestamp")) ? text("timestamp") : lineTimestamp;
        if (!Fill(&capture, text("url"), timestamp, mime, text("status"), text("digest"),
                  text("length"))) {
            ++page.skippedLines;
            continue;
        }
        capture.offset = Number(text("offset"));
        const QByteArray filename = text("filename");
        capture.filename = Printable(filename) ? QString::fromUtf8(filename) : QString();
        if (source == ArchiveSource::CommonCrawl &&
            (capture.offset < 0 || capture.length <= 0 || capture.filename.isEmpty() ||
             capture.filename.contains(QStringLiteral("..")))) {
            ++page.skippedLines;
            continue;
        }
        Add(&page, std::move(capture));
    }
    return page;
}

int CdxAnswer::ReadPageCount(const QByteArray& body) {
    const QByteArray trimmed = body.trimmed();
    bool ok = false;
    const int bare = trimmed.toInt(&ok);
    if (ok) return bare >= 0 ? bare : -1;
    const QJsonValue pages = QJsonDocument::fromJson(trimmed).object().value(QLatin1StringView("pages"));
    if (!pages.isDouble()) return -1;
    const double value = pages.toDouble();
    return value >= 0 && value < 1e6 ? int(value) : -1;
}

QStringList CdxAnswer::ReadCrawls(const QByteArray& body, int newest, QString* problem, int* leftOut) {
    if (leftOut) *leftOut = 0;
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(body, &error);
    if (error.error != QJsonParseError::NoError || !document.isArray()) {
        *problem = QStringLiteral("the list of crawls is not a JSON array");
        return {};
    }
    QStringList ids;
    QSet<QString> seen;  // beside the list: a list of 200,000 crawls must not be searched 200,000 times
    for (const QJsonValue& value : document.array()) {
        const QString id = value.toObject().value(QLatin1StringView("id")).toString();
        // The id becomes part of an address: only the plain names the service uses.
        const bool plain = !id.isEmpty() && id.size() <= 64 && std::all_of(id.begin(), id.end(), [](QChar c) {
            return (c.isLetterOrNumber() && c.unicode() < 128) || c == u'-' || c == u'_';
        });
        if (plain && !seen.contains(id)) {
            seen.insert(id);
            ids.append(id);
        }
    }
    // The ids sort by date ("CC-MAIN-2025-33"); the list is newest first already, but do not rely on it.
    const qsizetype kept = std::clamp<qsizetype>(newest, 0, ids.size());
    std::partial_sort(ids.begin(), ids.begin() + kept, ids.end(), std::greater<QString>());
    if (leftOut) *leftOut = int(ids.size() - kept);
    ids.resize(kept);
    if (ids.isEmpty()) *problem = QStringLiteral("the list of crawls names no crawl");
    return ids;
}
