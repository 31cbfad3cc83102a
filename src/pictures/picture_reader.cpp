#include "pictures/picture_reader.h"

#include "base/regular_file.h"
#include "pictures/colour.h"
#include "pictures/file_name.h"
#include "pictures/profiled_jpeg.h"
#include "pictures/watched_device.h"

#include <QBuffer>
#include <QColorSpace>
#include <QFile>
#include <QFileInfo>
#include <QImageIOHandler>
#include <QImageReader>
#include <QTransform>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <condition_variable>
#include <mutex>

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

// The memory every decode of the program together may take. A decode reserves
// what it will need before it starts, and waits while others hold the rest.
class DecodeBudget {
public:
    static constexpr qint64 kBytes = qint64(kDecodeLimitMiB) * 1024 * 1024;

    // False, at once, for a decode that alone needs more than the budget.
    bool Reserve(qint64 bytes) {
        if (bytes > kBytes) return false;
        std::unique_lock lock(mutex_);
        freed_.wait(lock, [&] { return used_ + bytes <= kBytes; });
        used_ += bytes;
        return true;
    }
    void Release(qint64 bytes) {
        {
            std::lock_guard lock(mutex_);
            used_ -= bytes;
        }
        freed_.notify_all();
    }

private:
    std::mutex mutex_;
    std::condition_variable freed_;
    qint64 used_ = 0;
};

DecodeBudget& Budget() {
    static DecodeBudget budget;
    return budget;
}

// Holds a reservation for the length of one decode.
class Reservation {
public:
    explicit Reservation(qint64 bytes) : bytes_(bytes), held_(Budget().Reserve(bytes)) {}
    ~Reservation() {
        if (held_) Budget().Release(bytes_);
    }
    Reservation(const Reservation&) = delete;
    Reservation& operator=(const Reservation&) = delete;
    bool held() const { return held_; }

private:
    qint64 bytes_;
    bool held_;
};

// The first megabyte of the picture's file, where its headers are.
QByteArray Head(QIODevice* device) {
    QByteArray head;
    if (device && !device->isSequential()) {
        const qint64 at = device->pos();
        if (device->seek(0)) head = device->read(1 << 20);
        device->seek(at);
    }
    return head;
}

// The bytes a progressive JPEG's decoder keeps for its coefficients, which it
// holds for the whole picture whatever the scale asked for: two bytes a
// sample of every component at its own sampling. From the frame header in
// the first megabyte; a picture whose header is not found there is counted as
// progressive with three full components. Zero for a baseline JPEG.
qint64 ProgressiveBytes(const QByteArray& head, QSize stored) {
    const auto at = [&](qsizetype i) { return static_cast<quint8>(head.at(i)); };
    const qint64 full = qint64(stored.width()) * stored.height();
    for (qsizetype i = 2; i + 9 < head.size();) {
        if (at(i) != 0xFF) break;
        const int marker = at(i + 1);
        const qsizetype length = (at(i + 2) << 8) | at(i + 3);
        const bool frame =
            marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
        if (frame) {
            if (marker != 0xC2 && marker != 0xC6 && marker != 0xCA && marker != 0xCE) return 0;
            const int count = at(i + 9);
            if (i + 10 + count * 3 > head.size()) break;
            int hMax = 1, vMax = 1;
            for (int c = 0; c < count; ++c) {
                hMax = qMax(hMax, at(i + 11 + c * 3) >> 4);
                vMax = qMax(vMax, at(i + 11 + c * 3) & 15);
            }
            qint64 samples = 0;
            for (int c = 0; c < count; ++c) {
                const int h = qMax(1, at(i + 11 + c * 3) >> 4),
                          v = qMax(1, at(i + 11 + c * 3) & 15);
                const qint64 w = (qint64(stored.width()) * h / hMax + 15) / 8 * 8;
                const qint64 t = (qint64(stored.height()) * v / vMax + 15) / 8 * 8;
                samples += w * t;
            }
            return samples * 2;
        }
        i += 2 + length;
    }
    return full * 3 * 2;
}

// What decoding a picture stored at `stored` pixels for `shown` ones takes:
// JPEG decodes at a scale of at most twice the size asked for on each side,
// then is scaled once more; other formats decode whole, then scale.
// A JPEG read whole is decoded once and copied once at most (turned upright,
// or into sRGB), never scaled.
qint64 DecodeBytes(QImageReader& reader, const QByteArray& head, QSize stored, QSize shown) {
    const qint64 shownBytes = qint64(shown.width()) * shown.height() * 4;
    if (reader.format() == "jpeg")
        return (shown == stored ? shownBytes * 2 : shownBytes * 5) + ProgressiveBytes(head, stored);
    return DecodedBytes(stored, reader.imageFormat()) + shownBytes;
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

// The picture as the reader gives it, upright, at `asked` pixels before it is
// turned (whole when empty): a JPEG with a CMYK or Lab profile through that
// profile, any other picture as Qt decodes it.
QImage Decoded(QImageReader& reader, const QByteArray& profile, QSize asked, qint64 memory) {
    if (reader.format() == "jpeg" && IsProfiledJpeg(profile)) {
        if (std::optional<QImage> own =
                DecodeProfiledJpeg(*reader.device(), profile, asked, memory)) {
            return Turned(*own, reader.transformation());
        }
    }
    if (!asked.isEmpty()) reader.setScaledSize(asked);
    return reader.read();
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
    // decoded, whose memory the allocation limit bounds, and the whole
    // budget is reserved for it.
    const QSize stored = reader.size();
    const QByteArray head = Head(reader.device());
    const QByteArray profile = EmbeddedProfile(head);
    QSize natural, asked;
    bool scaled = false;
    qint64 need = DecodeBudget::kBytes;
    if (stored.isValid() && !stored.isEmpty()) {
        // Refused from the header alone, before any pixel is decoded.
        if (qint64(stored.width()) * stored.height() > kMaxPixels) return Failed(Failure::TooLarge);
        const bool quarterTurn = reader.transformation() & QImageIOHandler::TransformationRotate90;
        natural = quarterTurn ? stored.transposed() : stored;
        // Decode no more pixels than the frame shows (JPEG decodes at 1/2,
        // 1/4 or 1/8 scale). The reader scales before it turns the picture
        // upright, so it is asked for the stored orientation.
        const QSize shown = Shown(frame, natural);
        scaled = LargerThanShown(natural, shown);
        asked = quarterTurn ? shown.transposed() : shown;
        need = DecodeBytes(reader, head, stored, scaled ? asked : stored);
    }
    const Reservation reservation(need);
    if (!reservation.held()) return Failed(Failure::TooLarge);

    QImage image = Decoded(reader, profile, scaled ? asked : QSize(), need);
    if (image.isNull()) return Failed(Failure::NotAPicture);
    if (!scaled) {
        natural = image.size();
        const QSize shown = Shown(frame, natural);
        if (LargerThanShown(natural, shown))
            image = image.scaled(shown, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    }
    // Every profile LittleCMS reads; else the matrix ones Qt reads.
    if (!ConvertToSrgb(image, profile)) ToSrgb(image);
    image.setDevicePixelRatio(devicePixelRatio);
    return {image, natural, Failure::None};
}

// The stamp, and the name the file system knows the file by (see
// StatByName).
Failure Stamp(const QString& path, FileStamp& stamp, QByteArray& name) {
    struct stat st {};
    if (path.isEmpty()) return Failure::NotFound;
    // No file has a longer name: told without asking the file system, which
    // would first have the whole name encoded.
    if (path.size() > kLongestPath) return Failure::NotFound;
    if (StatByName(path, st, name) != 0)
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

}  // namespace

QImage Turned(const QImage& stored, QImageIOHandler::Transformations turn) {
    QImage image = stored.mirrored(turn & QImageIOHandler::TransformationMirror,
                                   turn & QImageIOHandler::TransformationFlip);
    if (turn & QImageIOHandler::TransformationRotate90)
        image = image.transformed(QTransform().rotate(90));
    return image;
}

Failure StampOf(const QString& path, FileStamp& stamp) {
    QByteArray name;
    return Stamp(path, stamp, name);
}

Picture ReadPicture(const QString& path, const FrameSize& frame, qreal devicePixelRatio) {
    FileStamp stamp;
    QByteArray name;
    if (const Failure failure = Stamp(path, stamp, name); failure != Failure::None)
        return Failed(failure);
    // Opened without waiting, so that a file swapped for a FIFO since it was
    // looked at cannot hold the reader; only a regular file is read on.
    const int fd = base::OpenRegularFile(name.toStdString());
    if (fd < 0) return Failed(errno == ENOENT ? Failure::NotFound : Failure::Unreadable);
    QFile file;
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return Failed(Failure::Unreadable);
    }
    return ReadPicture(file, frame, devicePixelRatio);
}

Picture ReadPicture(QIODevice& device, const FrameSize& frame, qreal devicePixelRatio) {
    // Its format told by its content: a name's suffix would hint at it only
    // for a file read as such.
    WatchedDevice watched(device);
    QImageReader reader(&watched);
    Picture picture = Read(reader, frame, devicePixelRatio);
    // Whatever was decoded, the file is not known to be damaged: no failure
    // that would be remembered, and nothing half read is shown.
    return watched.Failed() ? Failed(Failure::Unreadable) : picture;
}

Picture DecodePicture(const QByteArray& bytes, const FrameSize& frame, qreal devicePixelRatio) {
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    return ReadPicture(buffer, frame, devicePixelRatio);
}

}  // namespace pictures
