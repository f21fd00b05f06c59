#include "net/Inflater.h"

#include <zlib.h>

#include <algorithm>

Inflater::Result Inflater::Inflate(const QByteArray& input, Format format, qint64 limit) {
    Result result;
    z_stream stream{};
    const int windowBits = format == Format::Gzip ? 16 + MAX_WBITS : format == Format::Zlib ? MAX_WBITS : -MAX_WBITS;
    if (inflateInit2(&stream, windowBits) != Z_OK) {
        result.problem = QStringLiteral("the decompressor could not start");
        return result;
    }
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(input.constData()));
    stream.avail_in = uInt(input.size());
    constexpr qint64 kStep = 64 * 1024;
    int status = Z_OK;
    while (status == Z_OK) {
        const qint64 room = std::min<qint64>(kStep, limit + 1 - result.bytes.size());
        if (room <= 0) break;
        const qsizetype before = result.bytes.size();
        // Grown by doubling but never past the ceiling: a bomb stops at the ceiling, not at twice it.
        if (result.bytes.capacity() < before + room)
            result.bytes.reserve(
                qsizetype(std::min<qint64>(limit + 1, std::max<qint64>(2 * before, before + room))));
        result.bytes.resize(before + room);
        stream.next_out = reinterpret_cast<Bytef*>(result.bytes.data() + before);
        stream.avail_out = uInt(room);
        status = inflate(&stream, Z_NO_FLUSH);
        result.bytes.resize(before + room - stream.avail_out);
        if (status == Z_BUF_ERROR && stream.avail_in == 0) break;
    }
    result.consumed = qint64(stream.total_in);
    inflateEnd(&stream);
    if (result.bytes.size() > limit) {
        result.bytes.clear();
        result.problem = QStringLiteral("inflates beyond %1 bytes").arg(limit);
    } else if (status == Z_STREAM_END) {
        result.ok = true;
    } else if (status == Z_OK || status == Z_BUF_ERROR) {
        result.problem = QStringLiteral("the compressed data ends early");
    } else {
        result.problem = QStringLiteral("the compressed data is damaged");
    }
    if (!result.ok) result.bytes.clear();
    return result;
}
