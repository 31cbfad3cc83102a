#pragma once

// How the loader uses the thumbnail cache: a frame's picture taken from an
// entry, the one decode entries are made from, and writing them.
#include <QImage>
#include <QSize>
#include <functional>
#include <optional>

#include "pictures/picture_reader.h"
#include "pictures/thumbnail_cache.h"

namespace pictures {

// The size a picture of `natural` pixels is kept at for the frame: the
// frame's, or its own when smaller, as ReadPicture keeps it.
QSize KeptSize(const FrameSize& frame, QSize natural);

// The frame's picture from a thumbnail of `file` that covers the frame, as a
// decode gives it; or the failure a fail entry tells. Nothing when no entry
// counts.
std::optional<Picture> FromThumbnail(const ThumbnailCache& cache, const FileStamp& file,
                                     ThumbnailCache::Places places, const FrameSize& frame,
                                     qreal ratio);

// What a read leaves to write in the thumbnail cache: the decode the entries
// are made from, or the failure the file's bytes told, and the file as the
// read stamped it.
struct ToWrite {
    FileStamp file;
    QImage upright;
    QSize natural;
    Failure failure = Failure::None;

    bool Any() const { return !upright.isNull() || failure != Failure::None; }
};

// The frame's picture of `file`: from its thumbnail when one counts, else
// decoded once, at the size its thumbnails need too, which `toWrite` then
// holds.
// `beforeDecode`, when given, runs once no entry counts and the picture is
// about to be decoded (a grid shows the camera's own thumbnail meanwhile).
Picture ReadThroughCache(const ThumbnailCache& cache, const FileStamp& file, const FrameSize& frame,
                         qreal ratio, ToWrite& toWrite,
                         const std::function<void()>& beforeDecode = {});

// Writes the entries of one decode, each from the one above it, largest
// first; or the fail entry of a picture whose bytes cannot be shown.
void WriteEntries(const ThumbnailCache& cache, const ToWrite& w);

}  // namespace pictures
