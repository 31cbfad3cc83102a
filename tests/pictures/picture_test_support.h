#pragma once

// Pictures written for the tests, and the frame they are read for.
#include <QBuffer>
#include <QColor>
#include <QColorSpace>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QtEndian>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "pictures/picture_reader.h"

namespace picture_test {

// The stamp a read of `path` would take now.
inline pictures::FileStamp Stamped(const QString& path) {
    pictures::FileStamp stamp;
    pictures::StampOf(path, stamp);
    return stamp;
}

// Rewrites `path` with `bytes` as cp -p and touch -r leave it: the same size
// (`bytes` padded, a picture reads its end marker first) and the same time,
// to the nanosecond; in place, or as a new file. Only its change time, and
// its inode when new, tell. Waits for the clock to pass the file's change
// time first, so that the rewrite's is another.
inline void RewriteKeepingTime(const QString& path, QByteArray bytes, bool newFile) {
    struct stat before {};
    const QByteArray name = QFile::encodeName(path);
    ::stat(name.constData(), &before);
    const QByteArray probe = name + ".tick";
    for (bool same = true; same;) {
        struct stat now {};
        ::close(::open(probe.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600));
        ::stat(probe.constData(), &now);
        ::unlink(probe.constData());
        same = now.st_ctim.tv_sec == before.st_ctim.tv_sec &&
               now.st_ctim.tv_nsec == before.st_ctim.tv_nsec;
    }
    if (bytes.size() > before.st_size) qFatal("the rewrite is larger than %s", qPrintable(path));
    bytes.append(QByteArray(before.st_size - bytes.size(), '\0'));
    if (newFile) QFile::remove(path);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly)) qFatal("cannot write %s", qPrintable(path));
    file.write(bytes);
    file.close();
    const struct timespec times[2] = {before.st_atim, before.st_mtim};
    ::utimensat(AT_FDCWD, name.constData(), times, 0);
}

// A frame that fits the picture in 400 x 400 device pixels.
inline QSize Fit(QSize natural) {
    return natural.scaled(400, 400, Qt::KeepAspectRatio);
}

inline QImage Filled(QSize size, QColor color, QImage::Format format = QImage::Format_RGB32) {
    QImage image(size, format);
    image.fill(color);
    return image;
}

inline QByteArray Bytes(const QImage& image, const char* format) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes;
}

inline void Write(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly)) qFatal("cannot write %s", qPrintable(path));
    file.write(bytes);
}

// A BMP stored top down, as a negative height in its header says.
inline QByteArray TopDownBmp(const QImage& image) {
    QByteArray bmp = Bytes(image.convertToFormat(QImage::Format_RGB888), "BMP");
    const qint32 offset = qFromLittleEndian<qint32>(bmp.constData() + 10);
    const qint32 height = qFromLittleEndian<qint32>(bmp.constData() + 22);
    const qsizetype stride = (bmp.size() - offset) / height;
    QByteArray flipped = bmp.left(offset);
    for (qint32 row = height - 1; row >= 0; --row)
        flipped += bmp.mid(offset + row * stride, stride);
    qToLittleEndian<qint32>(-height, flipped.data() + 22);
    return flipped;
}

// The standard CRC of PNG chunks.
inline quint32 Crc32(const char* data, qsizetype size) {
    quint32 crc = 0xFFFFFFFF;
    for (qsizetype i = 0; i < size; ++i) {
        crc ^= static_cast<quint8>(data[i]);
        for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xEDB88320 & (0 - (crc & 1)));
    }
    return ~crc;
}

// A small picture whose header claims `width` x `height` pixels.
inline QByteArray HeaderBomb(const char* format, quint32 width, quint32 height,
                             QImage::Format pixels = QImage::Format_RGB32) {
    QByteArray bytes = Bytes(Filled({16, 16}, Qt::gray, pixels), format);
    char* b = bytes.data();
    if (qstrcmp(format, "BMP") == 0) {
        qToLittleEndian<qint32>(static_cast<qint32>(width), b + 18);
        qToLittleEndian<qint32>(static_cast<qint32>(height), b + 22);
    } else if (qstrcmp(format, "PNG") == 0) {
        // IHDR is the first chunk: its data at 16, its CRC over type and data.
        qToBigEndian<quint32>(width, b + 16);
        qToBigEndian<quint32>(height, b + 20);
        qToBigEndian<quint32>(Crc32(b + 12, 17), b + 29);
    } else {
        // JPEG: the frame header (SOF0) holds height, then width.
        const qsizetype sof = bytes.indexOf("\xFF\xC0");
        qToBigEndian<quint16>(static_cast<quint16>(height), b + sof + 5);
        qToBigEndian<quint16>(static_cast<quint16>(width), b + sof + 7);
    }
    return bytes;
}

// A camera's EXIF block: its byte order, the orientation, and the thumbnail
// (none: no IFD1) where IFD1 says it is, unless `offset` or `length` say
// otherwise.
struct Exif {
    QByteArray thumbnail;
    quint16 orientation = 1;
    bool bigEndian = false;
    quint32 offset = 0;
    quint32 length = 0;
};

// `jpeg` with `exif` in an APP1 segment after its JFIF one: IFD0 at 8 with the
// orientation, IFD1 at 26, the thumbnail at 56.
inline QByteArray WithExif(const QByteArray& jpeg, const Exif& exif) {
    QByteArray tiff = exif.bigEndian ? QByteArray("MM\0*", 4) : QByteArray("II*\0", 4);
    const auto put = [&](quint32 value, int size) {
        for (int i = 0; i < size; ++i)
            tiff += char(value >> (8 * (exif.bigEndian ? size - 1 - i : i)));
    };
    const auto entry = [&](quint16 tag, quint16 type, quint32 value) {
        put(tag, 2), put(type, 2), put(1, 4), put(value, type == 3 ? 2 : 4);
        if (type == 3) put(0, 2);
    };
    put(8, 4), put(1, 2), entry(0x0112, 3, exif.orientation);
    put(exif.thumbnail.isEmpty() ? 0 : 26, 4);
    if (!exif.thumbnail.isEmpty()) {
        put(2, 2), entry(0x0201, 4, exif.offset ? exif.offset : 56);
        entry(0x0202, 4, exif.length ? exif.length : quint32(exif.thumbnail.size()));
        put(0, 4);
        tiff += exif.thumbnail;
    }
    QByteArray app1("\xFF\xE1\0\0Exif\0\0", 10);
    qToBigEndian<quint16>(quint16(tiff.size() + 8), app1.data() + 2);
    const qsizetype after = 4 + qFromBigEndian<quint16>(jpeg.constData() + 4);
    return jpeg.left(after) + app1 + tiff + jpeg.mid(after);
}

// Whether two colours differ by at most `tolerance` in each channel.
inline bool Near(QColor a, QColor b, int tolerance) {
    return qAbs(a.red() - b.red()) <= tolerance && qAbs(a.green() - b.green()) <= tolerance &&
           qAbs(a.blue() - b.blue()) <= tolerance;
}

}  // namespace picture_test
