#pragma once

// How the picture loader uses the thumbnail cache: the frame's picture taken
// from an entry of the personal cache before anything is read, the largest
// entry shown while a picture is read, and the entries a read leaves, written
// on a thread of their own so that writing them holds up neither the window
// nor the reads ahead.
#include <QString>
#include <memory>
#include <optional>

#include "pictures/picture_reader.h"
#include "pictures/thumbnail_reads.h"
#include "work/workers.h"

namespace pictures {

struct LoaderState;

class LoaderThumbnails {
public:
    LoaderThumbnails() : writers_(1) {}

    // The cache's folder; empty (the default) is off. Guarded by the
    // state's lock, as is all below but the writers' end.
    QString root;

    // Queues the writing in the cache under `folder` of what a read left,
    // unless the loader is gone or enough writes wait already (steps faster
    // than the writing), as a later read writes them.
    void QueueWrites(LoaderState& state, const QString& folder, ToWrite w);

    // Thumbnails not yet written are left to a later run.
    void End(QDeadlineTimer deadline) { writers_.End(deadline); }
    void WaitForDone() { writers_.WaitForDone(); }

    static constexpr int kMaxWritesPending = 4;

private:
    work::Workers writers_;
    int pending_ = 0;
};

// The frame's picture of `file` from an entry of the personal cache under
// `root` that covers the frame; or the failure a fail entry tells. Reads
// files: called without the lock.
std::optional<Picture> FrameThumbnail(const QString& root, const FileStamp& file,
                                      const FrameSize& frame, qreal ratio);

// The largest entry of the personal cache under `root` for `file`, as it is.
std::optional<Picture> LargestThumbnail(const QString& root, const FileStamp& file, qreal ratio);

// On a worker: reads `file` through the cache under `root` (empty: off) and,
// when the read left entries to write and the file is still as it was read,
// queues their writing. `deliver` is called with the lock held, with the
// picture and whether a decode made it.
void ReadAndQueueWrites(LoaderState& state, const QString& root, const FileStamp& file,
                        const FrameSize& frame, qreal ratio,
                        const std::function<void(const Picture&, bool decoded)>& deliver);

}  // namespace pictures
