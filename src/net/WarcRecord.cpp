#include "net/WarcRecord.h"

#include <QList>
#include <QUrl>

#include "net/Inflater.h"

namespace {

struct HeaderBlock {
    QByteArray firstLine;
    QList<QPair<QByteArray, QByteArray>> fields;
    qsizetype end = -1;  // the offset just after the blank line; -1 when there is none in reach

    QByteArray Value(const char* name) const {
        for (const auto& [key, value] : fields) {
            if (key.compare(name, Qt::CaseInsensitive) == 0) return value;
        }
        return {};
    }
    bool Has(const char* name) const {
        for (const auto& field : fields) {
            if (field.first.compare(name, Qt::CaseInsensitive) == 0) return true;
        }
        return false;
    }
};

// Header lines end in CRLF; a bare LF is taken too, since hand-made records use it.
HeaderBlock ReadHeaders(const QByteArray& bytes, qsizetype from) {
    HeaderBlock block;
    qsizetype pos = from;
    bool first = true;
    while (pos < bytes.size() && pos - from <= WarcRecord::kMaxHeaderBytes) {
        const qsizetype eol = bytes.indexOf('\n', pos);
        if (eol < 0) return block;
        QByteArray line = bytes.mid(pos, eol - pos);
        if (line.endsWith('\r')) line.chop(1);
        pos = eol + 1;
        if (line.isEmpty()) {
            if (first) continue;  // blank lines before a record
            block.end = pos;
            return block;
        }
        if (first) {
            block.firstLine = line;
            first = false;
            continue;
        }
        const qsizetype colon = line.indexOf(':');
        if (colon <= 0) continue;
        block.fields.append({line.left(colon).trimmed(), line.mid(colon + 1).trimmed()});
    }
    return block;
}

QString WithoutScheme(QString address) {
    const qsizetype marker = address.indexOf(QStringLiteral("://"));
    if (marker >= 0) address = address.mid(marker + 3);
    if (address.startsWith(QStringLiteral("www."))) address = address.mid(4);
    if (address.endsWith(u'/')) address.chop(1);
    return address;
}

bool ParseLength(const QByteArray& text, qint64* value) {
    bool ok = false;
    *value = text.trimmed().toLongLong(&ok);
    return ok && *value >= 0;
}

}  // namespace

bool WarcRecord::Dechunk(const QByteArray& chunked, qint64 limit, QByteArray* out, QString* problem) {
    out->clear();
    qsizetype pos = 0;
    while (true) {
        const qsizetype eol = chunked.indexOf('\n', pos);
        if (eol < 0 || eol - pos > 1024) {
            *problem = QStringLiteral("a chunk size line is missing or too long");
            return false;
        }
        QByteArray line = chunked.mid(pos, eol - pos).trimmed();
        if (const qsizetype semicolon = line.indexOf(';'); semicolon >= 0) line = line.left(semicolon).trimmed();
        bool ok = false;
        const qint64 size = line.toLongLong(&ok, 16);
        if (!ok || size < 0 || line.isEmpty() || line.size() > 15) {
            *problem = QStringLiteral("a chunk size is not a hexadecimal number");
            return false;
        }
        pos = eol + 1;
        if (size == 0) return true;  // trailers after the last chunk are of no interest
        if (size > chunked.size() - pos) {
            *problem = QStringLiteral("a chunk is longer than the data left");
            return false;
        }
        if (out->size() + size > limit) {
            *problem = QStringLiteral("the body is larger than %1 bytes").arg(limit);
            return false;
        }
        out->append(chunked.constData() + pos, qsizetype(size));
        pos += qsizetype(size);
        if (pos < chunked.size() && chunked[pos] == '\r') ++pos;
        if (pos < chunked.size() && chunked[pos] == '\n') ++pos;
        if (pos >= chunked.size()) {
            *problem = QStringLiteral("the last chunk is missing");
            return false;
        }
    }
}

WarcRecord::Document WarcRecord::Read(const QByteArray& bytes, const QString& expectedUri, qint64 bodyLimit) {
    Document doc;
    QByteArray record = bytes;
    if (Inflater::IsGzip(bytes)) {
        const Inflater::Result inflated =
            Inflater::Inflate(bytes, Inflater::Format::Gzip, bodyLimit + 2 * kMaxHeaderBytes);
        if (!inflated.ok) {
            doc.problem = QStringLiteral("the WARC record cannot be inflated: ") + inflated.problem;
            return doc;
        }
        record = inflated.bytes;
    }
    const HeaderBlock warc = ReadHeaders(record, 0);
    if (warc.end < 0 || !warc.firstLine.startsWith("WARC/")) {
        doc.problem = QStringLiteral("not a WARC record (wrong offset?)");
        return doc;
    }
    doc.type = QString::fromLatin1(warc.Value("WARC-Type"));
    doc.targetUri = QString::fromUtf8(warc.Value("WARC-Target-URI"));
    doc.date = QString::fromLatin1(warc.Value("WARC-Date"));
    qint64 length = 0;
    if (!ParseLength(warc.Value("Content-Length"), &length)) {
        doc.problem = QStringLiteral("the WARC record has no valid Content-Length");
        return doc;
    }
    if (length > record.size() - warc.end) {
        doc.problem = QStringLiteral("the WARC record is shorter than its Content-Length");
        return doc;
    }
    if (doc.type == QLatin1StringView("revisit")) {
        doc.problem = QStringLiteral("a revisit record holds no document");
        return doc;
    }
    if (doc.type != QLatin1StringView("response")) {
        doc.problem = QStringLiteral("a WARC %1 record holds no document").arg(doc.type);
        return doc;
    }
    if (warc.Has("WARC-Truncated")) {
        doc.problem = QStringLiteral("the capture was truncated by the crawler (%1)")
                          .arg(QString::fromLatin1(warc.Value("WARC-Truncated")));
        return doc;
    }
    if (!expectedUri.isEmpty() && WithoutScheme(doc.targetUri) != WithoutScheme(expectedUri)) {
        doc.problem = QStringLiteral("the WARC record is of another address");
        return doc;
    }
    // Whatever follows the block (the record's closing blank lines, or another record) is not ours.
    const QByteArray block = record.mid(warc.end, qsizetype(length));
    const HeaderBlock http = ReadHeaders(block, 0);
    const QList<QByteArray> status = http.firstLine.split(' ');
    if (http.end < 0 || !http.firstLine.startsWith("HTTP/") || status.size() < 2) {
        doc.problem = QStringLiteral("the WARC record holds no HTTP answer");
        return doc;
    }
    doc.httpStatus = status[1].toInt();
    doc.contentType = QString::fromLatin1(http.Value("Content-Type"));
    QByteArray body = block.mid(http.end);
    if (http.Value("Transfer-Encoding").toLower().contains("chunked")) {
        QByteArray plain;
        if (!Dechunk(body, bodyLimit, &plain, &doc.problem)) return doc;
        body = plain;
    }
    const QByteArray encoding = http.Value("Content-Encoding").trimmed().toLower();
    if (encoding == "gzip" || encoding == "x-gzip" || encoding == "deflate") {
        Inflater::Result inflated = Inflater::Inflate(
            body, encoding == "deflate" ? Inflater::Format::Zlib : Inflater::Format::Gzip, bodyLimit);
        if (!inflated.ok && encoding == "deflate")
            inflated = Inflater::Inflate(body, Inflater::Format::Raw, bodyLimit);
        if (!inflated.ok) {
            doc.problem = QStringLiteral("the archived body cannot be decoded: ") + inflated.problem;
            return doc;
        }
        body = inflated.bytes;
    } else if (!encoding.isEmpty() && encoding != "identity") {
        doc.problem = QStringLiteral("the archived body has an unknown encoding");
        return doc;
    }
    if (body.size() > bodyLimit) {
        doc.problem = QStringLiteral("the body is larger than %1 bytes").arg(bodyLimit);
        return doc;
    }
    if (doc.httpStatus != 200) {
        doc.problem = QStringLiteral("the capture is an HTTP %1 answer").arg(doc.httpStatus);
        return doc;
    }
    doc.body = body;
    doc.ok = true;
    return doc;
}
