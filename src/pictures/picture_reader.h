#pragma once

// Reading a picture file for the photo frame: turned upright as its EXIF
// orientation says, decoded at no more pixels than the frame shows, and in
// sRGB. No widgets and no twips here: the caller says how large the frame
// shows a picture of a given size.
#include <QByteArray>
#include <QImage>
#include <QImageIOHandler>
#include <QSize>
#include <QString>
#include <climits>
#include <functional>

class QIODevice;

namespace pictures {

// Why a picture was not read.
enum class Failure {
    None,
    NotFound,     // no file at the path
    Unreadable,   // a folder, or a file that cannot be opened or read to its end
    NotAPicture,  // no known picture format, or a damaged picture
    TooLarge,     // more pixels, or more memory to decode, than allowed below
};

// The size in device pixels the frame shows a picture of `natural` upright
// pixels at. Called on worker threads, so it must not touch widgets.
using FrameSize = std::function<QSize(QSize natural)>;

struct Picture {
    // At most the frame's size (smaller pictures keep their own), in sRGB,
    // with the device pixel ratio it was read for.
    QImage image;
    // The upright size of the whole picture.
    QSize natural;
    Failure failure = Failure::None;

    bool ok() const { return failure == Failure::None; }
};

// A picture may have up to 2^28 pixels (about 268 megapixels, a 16384 x 16384
// square): more than any camera makes, and a gigabyte at four bytes a pixel.
inline constexpr qint64 kMaxPixels = qint64(1) << 28;
// The most memory one decode may allocate, in MiB. Formats that cannot decode
// at a smaller scale (BMP, PNG) need the whole picture in memory once.
inline constexpr int kDecodeLimitMiB = 1024;

// A file as it is on disk: a file rewritten in place, even with its size and
// modification time kept, has another stamp.
struct FileStamp {
    QString path;  // absolute
    qint64 size = 0;
    qint64 modified = 0;  // nanoseconds
    qint64 changed = 0;   // nanoseconds
    quint64 inode = 0;
    quint64 device = 0;
    bool operator==(const FileStamp&) const = default;
};

// The stamp of the picture file at `path`, or why it cannot be read: no file
// (NotFound), or a folder on its way that cannot be searched, a folder, a
// FIFO, a device or a socket (Unreadable): only regular files are read.
Failure StampOf(const QString& path, FileStamp& stamp);

// The longest path a file can be opened by; a longer one names no file.
inline constexpr qsizetype kLongestPath = PATH_MAX;

// `stored` turned upright as Qt turns a picture it reads: mirrored as `turn`
// says, then a quarter turn clockwise.
QImage Turned(const QImage& stored, QImageIOHandler::Transformations turn);

// Reads the picture at `path` for a frame of `frame(natural)` device pixels.
Picture ReadPicture(const QString& path, const FrameSize& frame, qreal devicePixelRatio);

// The same for a picture read from `device`, open for reading at its start,
// its format told by its content. A read of the device that fails midway (a
// damaged medium, a share gone) makes it Unreadable, never half a picture.
Picture ReadPicture(QIODevice& device, const FrameSize& frame, qreal devicePixelRatio);

// The same for a picture held in memory.
Picture DecodePicture(const QByteArray& bytes, const FrameSize& frame, qreal devicePixelRatio);

}  // namespace pictures
