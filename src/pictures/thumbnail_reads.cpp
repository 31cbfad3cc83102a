#include "pictures/thumbnail_reads.h"

#include <algorithm>

namespace pictures {
namespace {

QSize AtLeastOne(QSize size) {
    return {qMax(1, size.width()), qMax(1, size.height())};
}

int LargerSide(QSize size) {
    return std::max(size.width(), size.height());
}

// The size the one decode of a picture is made at when its thumbnails are to
// be written from it: the frame's, or the largest entry's when larger
// (x-large, xx-large for frames above 512 pixels).
FrameSize ForEntries(const FrameSize& frame) {
    return [frame](QSize natural) {
        const QSize shown = frame(natural);
        const int side = LargerSide(shown) > 512 ? 1024 : 512;
        const QSize entry = natural.width() <= side && natural.height() <= side
                                ? natural
                                : natural.scaled(side, side, Qt::KeepAspectRatio);
        return LargerSide(entry) > LargerSide(shown) ? AtLeastOne(entry) : shown;
    };
}

}  // namespace

QSize KeptSize(const FrameSize& frame, QSize natural) {
    const QSize shown = AtLeastOne(frame(natural));
    return shown.width() < natural.width() && shown.height() < natural.height() ? shown : natural;
}

std::optional<Picture> FromThumbnail(const ThumbnailCache& cache, const FileStamp& file,
                                     ThumbnailCache::Places places, const FrameSize& frame,
                                     qreal ratio) {
    const ThumbnailEntry entry = cache.Find(
        file, [&frame](QSize natural) { return LargerSide(KeptSize(frame, natural)); }, places);
    if (entry.failed) return Picture{{}, {}, entry.cause};
    if (entry.image.isNull()) return std::nullopt;
    const QSize kept = KeptSize(frame, entry.natural);
    QImage image = entry.image.convertToFormat(
        entry.image.hasAlphaChannel() ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    if (image.size() != kept)
        image = image.scaled(kept, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    image.setDevicePixelRatio(ratio);
    return Picture{image, entry.natural, Failure::None};
}

Picture ReadThroughCache(const ThumbnailCache& cache, const FileStamp& file, const FrameSize& frame,
                         qreal ratio, ToWrite& toWrite, const std::function<void()>& beforeDecode) {
    if (!cache.Enabled()) {
        if (beforeDecode) beforeDecode();
        return ReadPicture(file.path, frame, ratio);
    }
    if (std::optional<Picture> shown =
            FromThumbnail(cache, file, ThumbnailCache::Places::Everywhere, frame, ratio))
        return *shown;
    if (beforeDecode) beforeDecode();
    Picture picture = ReadPicture(file.path, ForEntries(frame), ratio);
    toWrite = {file, picture.image, picture.natural, picture.failure};
    if (!picture.ok()) return picture;
    const QSize kept = KeptSize(frame, picture.natural);
    if (picture.image.size() != kept) {
        picture.image = picture.image.scaled(kept, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        picture.image.setDevicePixelRatio(ratio);
    }
    return picture;
}

void WriteEntries(const ThumbnailCache& cache, const ToWrite& w) {
    if (!w.Any()) return;
    if (w.failure != Failure::None) {
        cache.WriteFailure(w.file, w.failure);
        return;
    }
    QImage image = w.upright;
    for (const char* folder : {"xx-large", "x-large", "large"}) {
        const int size = ThumbnailCache::FolderSize(QLatin1String(folder));
        if (LargerSide(image.size()) > size)
            image = image.scaled(size, size, Qt::KeepAspectRatio, Qt::SmoothTransformation);
        // A decode made for x-large has no xx-large in it.
        if (LargerSide(image.size()) < std::min(size, LargerSide(w.natural))) continue;
        cache.Write(w.file, QLatin1String(folder), image, w.natural);
    }
}

}  // namespace pictures
