#include "pictures/picture_reader.h"

#include <QBuffer>
#include <QColorSpace>
#include <QFile>
#include <QFileInfo>
#include <QImageIOHandler>
#include <QImageReader>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace pictures {

namespace {

Picture Failed(Failure failure) {
    Picture picture;
    picture.failure = failure;
    return picture;
}

QSize Shown(const FrameSize& frame, QSize natural) {
    const QSize shown = frame(natural);
    return {qMax(1, shown.width()), qMax(1, shown.height())};
}

bool LargerThanShown(QSize natural, QSize shown) {
    return shown.width() < natural.width() && shown.height() < natural.height();
}

// The bytes a full-size decode of `size` pixels in `format` allocates.
qint64 DecodedBytes(QSize size, QImage::Format format) {
    const int bits = format == QImage::Format_Invalid
                         ? 32
                         : qMax(32, static_cast<int>(QImage::toPixelFormat(format).bitsPerPixel()));
    return qint64(size.width()) * size.height() * (bits / 8);
}

// A picture whose ICC profile is not sRGB (Adobe RGB, Display P3) is shown in
// sRGB; one without a profile is taken as sRGB already.
void ToSrgb(QImage& image) {
    const QColorSpace space = image.colorSpace();
    if (!space.isValid() || space == QColorSpace(QColorSpace::SRgb)) return;
    switch (image.format()) {
        case QImage::Format_RGB32:
        case QImage::Format_ARGB32:
        case QImage::Format_ARGB32_Premultiplied:
        case QImage::Format_RGBX64:
        case QImage::Format_RGBA64:
        case QImage::Format_RGBA64_Premultiplied:
            break;
        default:
            // Grey, indexed and packed formats are transformed through 32 bits.
            image.convertTo(image.hasAlphaChannel() ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    }
    image.convertToColorSpace(QColorSpace::SRgb);
}

Picture Read(QImageReader& reader, const FrameSize& frame, qreal devicePixelRatio) {
    reader.setAutoTransform(true);
    // Smooth scaling when the reader shrinks the picture.
    reader.setQuality(100);
    // Our own bound instead of Qt's process-wide 128 MB, which refuses a
    // camera-size BMP; kept on this reader only.
    reader.setAllocationLimit(kDecodeLimitMiB);
    if (!reader.canRead()) {
        const QImageReader::ImageReaderError error = reader.error();
        return Failed(error == QImageReader::FileNotFoundError || error == QImageReader::DeviceError
                          ? Failure::Unreadable
                          : Failure::NotAPicture);
    }

    // A header's size may be unusable although the picture decodes: a
    // top-down BMP reports a negative height, a GIF the size of its first
    // frame rather than of its screen. Then the size is taken from what is
    // decoded, whose memory the allocation limit bounds.
    const QSize stored = reader.size();
    QSize natural;
    bool scaled = false;
    if (stored.isValid() && !stored.isEmpty()) {
        // Refused from the header alone, before any pixel is decoded.
        if (qint64(stored.width()) * stored.height() > kMaxPixels) return Failed(Failure::TooLarge);
        // Only JPEG decodes at a smaller scale; other formats (PNG too, which
        // scales after decoding) need the whole picture in memory once.
        if (reader.format() != "jpeg" &&
            DecodedBytes(stored, reader.imageFormat()) > qint64(kDecodeLimitMiB) * 1024 * 1024)
            return Failed(Failure::TooLarge);

        const bool quarterTurn = reader.transformation() & QImageIOHandler::TransformationRotate90;
        natural = quarterTurn ? stored.transposed() : stored;
        // Decode no more pixels than the frame shows (JPEG decodes at 1/2,
        // 1/4 or 1/8 scale). The reader scales before it turns the picture
        // upright, so it is asked for the stored orientation.
        const QSize shown = Shown(frame, natural);
        if (LargerThanShown(natural, shown)) {
            reader.setScaledSize(quarterTurn ? shown.transposed() : shown);
            scaled = true;
        }
    }

    QImage image = reader.read();
    if (image.isNull()) return Failed(Failure::NotAPicture);
    if (!scaled) {
        natural = image.size();
        const QSize shown = Shown(frame, natural);
        if (LargerThanShown(natural, shown))
            image = image.scaled(shown, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    }
    ToSrgb(image);
    image.setDevicePixelRatio(devicePixelRatio);
    return {image, natural, Failure::None};
}

}  // namespace

Failure StampOf(const QString& path, FileStamp& stamp) {
    struct stat st {};
    if (path.isEmpty() || ::stat(QFile::encodeName(path).constData(), &st) != 0)
        return errno == EACCES ? Failure::Unreadable : Failure::NotFound;
    if (!S_ISREG(st.st_mode)) return Failure::Unreadable;
    stamp.path = QFileInfo(path).absoluteFilePath();
    stamp.size = st.st_size;
    stamp.modified = qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    stamp.changed = qint64(st.st_ctim.tv_sec) * 1000000000 + st.st_ctim.tv_nsec;
    stamp.inode = st.st_ino;
    stamp.device = st.st_dev;
    return Failure::None;
}

Picture ReadPicture(const QString& path, const FrameSize& frame, qreal devicePixelRatio) {
    FileStamp stamp;
    if (const Failure failure = StampOf(path, stamp); failure != Failure::None)
        return Failed(failure);
    // Opened without waiting, so that a file swapped for a FIFO since it was
    // looked at cannot hold the reader; only a regular file is read on.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return Failed(errno == ENOENT ? Failure::NotFound : Failure::Unreadable);
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return Failed(Failure::Unreadable);
    }
    // Named, so that the reader takes the name's suffix as a hint of the format.
    QFile file(path);
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return Failed(Failure::Unreadable);
    }
    QImageReader reader(&file);
    return Read(reader, frame, devicePixelRatio);
}

Picture DecodePicture(const QByteArray& bytes, const FrameSize& frame, qreal devicePixelRatio) {
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    return Read(reader, frame, devicePixelRatio);
}

}  // namespace pictures
