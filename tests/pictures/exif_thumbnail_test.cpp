// The thumbnail a camera stores in a JPEG's EXIF block: read upright, or
// refused at once.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include "picture_test_support.h"
#include "pictures/exif_thumbnail.h"

using namespace picture_test;

namespace {

QByteArray Grey(const char* format = "JPG") {
    return Bytes(Filled({64, 64}, Qt::gray), format);
}

// A 48 x 32 thumbnail, blue above and green below.
QByteArray Thumbnail() {
    QImage thumbnail = Filled({48, 32}, Qt::blue);
    for (int y = 16; y < 32; ++y)
        std::fill_n(reinterpret_cast<QRgb*>(thumbnail.scanLine(y)), 48, qRgb(0, 255, 0));
    return Bytes(thumbnail, "JPG");
}

// A grey picture with the thumbnail, IFD1 saying where it is unless told.
QByteArray Camera(quint16 orientation = 1, bool bigEndian = false, quint32 offset = 0,
                  quint32 length = 0) {
    return WithExif(Grey(), {Thumbnail(), orientation, bigEndian, offset, length});
}

TEST(EmbeddedThumbnail, IsReadUprightOrRefused) {
    QTemporaryDir dir;
    ASSERT_EQ(mkfifo(QFile::encodeName(dir.filePath("fifo.jpg")).constData(), 0600), 0);
    const QSize none(0, 0);
    const struct {
        const char* name;
        QByteArray bytes;  // none: a FIFO or no file
        QSize size;
    } rows[] = {
        {"camera.jpg", Camera(), {48, 32}},
        {"turned.jpg", Camera(6), {32, 48}},
        {"motorola.jpg", Camera(1, true), {48, 32}},
        {"plain.jpg", Grey(), none},
        {"no-ifd1.jpg", WithExif(Grey(), {{}, 6}), none},
        {"offset.jpg", Camera(1, false, 1 << 20), none},
        {"length.jpg", Camera(1, false, 0, quint32(Thumbnail().size() + 1)), none},
        {"picture.bmp", Grey("BMP"), none},
        {"fifo.jpg", {}, none},
        {"missing.jpg", {}, none},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        if (!row.bytes.isEmpty()) Write(dir.filePath(row.name), row.bytes);
        const QImage image = pictures::EmbeddedThumbnail(dir.filePath(row.name));
        EXPECT_EQ(image.size(), row.size);
        if (image.isNull()) continue;
        EXPECT_EQ(image.format(), QImage::Format_RGB32);
        // Blue on top, green below: a quarter turn the wrong way would swap them.
        EXPECT_TRUE(Near(image.pixel(image.width() - 1, 0), Qt::blue, 40));
        EXPECT_TRUE(Near(image.pixel(0, image.height() - 1), Qt::green, 40));
    }
}

}  // namespace
