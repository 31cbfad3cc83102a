#pragma once

// The small picture a camera stores beside a JPEG's own in its EXIF block,
// shown while the real thumbnail is being made. Read from the first bytes of
// the file only, and never trusted: anything odd gives no thumbnail at all.
#include <QByteArrayView>
#include <QImage>
#include <QString>

namespace pictures {

// How much of a file is read for its embedded thumbnail: the EXIF block sits
// near the start, and a camera's thumbnail takes a few kilobytes.
inline constexpr qsizetype kExifHeadBytes = 128 * 1024;

// The embedded thumbnail of the JPEG at `path`, upright, in Format_RGB32; a
// null image when the file is no regular file, is not a JPEG, or carries no
// sound thumbnail in its first kExifHeadBytes.
QImage EmbeddedThumbnail(const QString& path);

// The same from `head`, the first bytes of a file.
QImage EmbeddedThumbnailOf(QByteArrayView head);

}  // namespace pictures
