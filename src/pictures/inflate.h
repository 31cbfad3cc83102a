#pragma once

// Inflating the zlib streams pictures and thumbnails carry (a PNG's colour
// profile and compressed texts) with a bound on what comes out: a few
// kilobytes can claim gigabytes.
#include <QByteArray>
#include <optional>

namespace pictures {

// The bytes `stream` (a zlib stream, without qCompress's length) inflates to,
// or nothing when they would be more than `most` or the stream is damaged.
std::optional<QByteArray> InflateAtMost(const QByteArray& stream, qsizetype most);

}  // namespace pictures
