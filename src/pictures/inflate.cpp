#include "pictures/inflate.h"

#include <zlib.h>

#include <algorithm>

namespace pictures {

std::optional<QByteArray> InflateAtMost(const QByteArray& stream, qsizetype most) {
    z_stream z{};
    if (inflateInit(&z) != Z_OK) return std::nullopt;
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(stream.constData()));
    z.avail_in = static_cast<uInt>(stream.size());
    QByteArray out;
    int status = Z_OK;
    // Grown a chunk at a time, one byte past the bound to tell a stream that
    // goes on from one that ends there.
    constexpr qsizetype kChunk = 64 * 1024;
    while (status == Z_OK && out.size() <= most) {
        const qsizetype at = out.size();
        out.resize(at + std::min(kChunk, most + 1 - at));
        z.next_out = reinterpret_cast<Bytef*>(out.data() + at);
        z.avail_out = static_cast<uInt>(out.size() - at);
        status = inflate(&z, Z_NO_FLUSH);
        out.resize(out.size() - qsizetype(z.avail_out));
        if (status == Z_BUF_ERROR && z.avail_in == 0) break;  // cut short
    }
    inflateEnd(&z);
    if (status != Z_STREAM_END || out.size() > most) return std::nullopt;
    return out;
}

}  // namespace pictures
