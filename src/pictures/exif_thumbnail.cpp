#include "pictures/exif_thumbnail.h"

#include "base/regular_file.h"
#include "pictures/picture_reader.h"

#include <QBuffer>
#include <QFile>
#include <QImageReader>

#include <iterator>

namespace pictures {

namespace {

// A thumbnail larger than this, in bytes or on a side, is not a camera's.
constexpr quint32 kMostBytes = 64 * 1024;
constexpr int kMostSide = 1024;

// The TIFF block of an EXIF segment, read in its own byte order. Every
// offset is checked with Has before it is read.
struct Tiff {
    QByteArrayView bytes;
    bool big = false;

    bool Has(quint64 at, quint64 size) const {
        return at <= quint64(bytes.size()) && size <= quint64(bytes.size()) - at;
    }
    quint32 Get(quint64 at, int size) const {
        quint32 value = 0;
        for (int i = 0; i < size; ++i)
            value = value << 8 | quint8(bytes[qsizetype(at) + (big ? i : size - 1 - i)]);
        return value;
    }
};

// What an IFD says of the thumbnail, and where the next IFD is.
struct Ifd {
    quint32 orientation = 1;
    quint32 offset = 0;
    quint32 length = 0;
    quint32 next = 0;
};

// Reads the IFD at `at`; false when it does not fit in the block.
bool ReadIfd(const Tiff& tiff, quint64 at, Ifd& ifd) {
    if (!tiff.Has(at, 2)) return false;
    const quint64 count = tiff.Get(at, 2);
    if (!tiff.Has(at + 2, count * 12 + 4)) return false;
    for (quint64 entry = at + 2; entry < at + 2 + count * 12; entry += 12) {
        // Only single SHORT or LONG values, held in the entry itself.
        const quint32 type = tiff.Get(entry + 2, 2);
        if ((type != 3 && type != 4) || tiff.Get(entry + 4, 4) != 1) continue;
        const quint32 value = tiff.Get(entry + 8, type == 3 ? 2 : 4);
        switch (tiff.Get(entry, 2)) {
            case 0x0112:
                ifd.orientation = value;
                break;
            case 0x0201:
                ifd.offset = value;
                break;
            case 0x0202:
                ifd.length = value;
                break;
            default:
                break;
        }
    }
    ifd.next = tiff.Get(at + 2 + count * 12, 4);
    return true;
}

// The TIFF block of the first APP1 segment that holds EXIF, as much of it as
// `head` holds; empty when the markers before the scan have none.
QByteArrayView ExifBlock(QByteArrayView head) {
    const auto at = [&](qsizetype i) { return quint8(head[i]); };
    if (head.size() < 4 || at(0) != 0xFF || at(1) != 0xD8) return {};
    constexpr QByteArrayView kExif("Exif\0\0", 6);
    for (qsizetype i = 2; i + 4 <= head.size() && at(i) == 0xFF;) {
        const int marker = at(i + 1);
        if (marker == 0xDA || marker == 0xD9) break;
        const qsizetype length = at(i + 2) << 8 | at(i + 3);
        if (length < 2) break;
        const qsizetype end = qMin(i + 2 + length, head.size());
        if (marker == 0xE1 && head.sliced(i + 4, end - i - 4).startsWith(kExif))
            return head.sliced(i + 10, end - i - 10);
        i += 2 + length;
    }
    return {};
}

// The quarter turns and mirrors of EXIF's orientations 1 to 8, as Qt reads them.
QImageIOHandler::Transformations Turn(quint32 orientation) {
    using T = QImageIOHandler::Transformation;
    static constexpr T kTurns[] = {T::TransformationNone,     T::TransformationNone,
                                   T::TransformationMirror,   T::TransformationRotate180,
                                   T::TransformationFlip,     T::TransformationFlipAndRotate90,
                                   T::TransformationRotate90, T::TransformationMirrorAndRotate90,
                                   T::TransformationRotate270};
    return orientation < std::size(kTurns) ? kTurns[orientation] : T::TransformationNone;
}

// The JPEG `bytes`, refused from its header when it is larger than a camera's.
QImage Decoded(QByteArrayView bytes) {
    QByteArray data = QByteArray::fromRawData(bytes.data(), bytes.size());
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "jpeg");
    reader.setAutoTransform(false);
    const QSize size = reader.size();
    if (size.isEmpty() || size.width() > kMostSide || size.height() > kMostSide) return {};
    return reader.read();
}

}  // namespace

QImage EmbeddedThumbnailOf(QByteArrayView head) {
    const QByteArrayView block = ExifBlock(head);
    if (block.size() < 8 || (!block.startsWith("II") && !block.startsWith("MM"))) return {};
    const Tiff tiff{block, block.startsWith("MM")};
    Ifd ifd0, ifd1;
    if (tiff.Get(2, 2) != 42 || !ReadIfd(tiff, tiff.Get(4, 4), ifd0) || ifd0.next == 0 ||
        !ReadIfd(tiff, ifd0.next, ifd1))
        return {};
    if (ifd1.length < 4 || ifd1.length > kMostBytes || !tiff.Has(ifd1.offset, ifd1.length))
        return {};
    const QByteArrayView jpeg = block.sliced(ifd1.offset, ifd1.length);
    if (quint8(jpeg[0]) != 0xFF || quint8(jpeg[1]) != 0xD8) return {};
    const QImage image = Decoded(jpeg);
    if (image.isNull()) return {};
    return Turned(image, Turn(ifd0.orientation)).convertToFormat(QImage::Format_RGB32);
}

QImage EmbeddedThumbnail(const QString& path) {
    QByteArray head(kExifHeadBytes, Qt::Uninitialized);
    const base::FileStart start =
        base::ReadFileStart(QFile::encodeName(path).toStdString(), head.data(), head.size());
    if (!start.regular || start.error != 0) return {};
    return EmbeddedThumbnailOf(QByteArrayView(head).first(qsizetype(start.size)));
}

}  // namespace pictures
