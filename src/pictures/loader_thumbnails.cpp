#include "pictures/loader_thumbnails.h"

#include <sys/resource.h>
#include <unistd.h>

#include "pictures/loader_state.h"
#include "pictures/thumbnail_cache.h"

namespace pictures {

void LoaderThumbnails::QueueWrites(LoaderState& state, const QString& folder, ToWrite w) {
    if (!state.owner || pending_ >= kMaxWritesPending) return;
    ++pending_;
    writers_.Start([self = state.shared_from_this(), hook = state.hooks.beforeWrite, folder,
                    w = std::move(w)] {
        // Below the window's and the reads' threads.
        ::setpriority(PRIO_PROCESS, static_cast<id_t>(::gettid()), 10);
        if (hook) hook(w.file.path);
        WriteEntries(ThumbnailCache(folder), w);
        std::lock_guard lock(self->mutex);
        --self->thumbnails.pending_;
    });
}

std::optional<Picture> FrameThumbnail(const QString& root, const FileStamp& file,
                                      const FrameSize& frame, qreal ratio) {
    return FromThumbnail(ThumbnailCache(root), file, ThumbnailCache::Places::Personal, frame,
                         ratio);
}

std::optional<Picture> LargestThumbnail(const QString& root, const FileStamp& file, qreal ratio) {
    const ThumbnailEntry entry =
        ThumbnailCache(root).Largest(file, ThumbnailCache::Places::Personal);
    if (entry.image.isNull()) return std::nullopt;
    QImage image = entry.image;
    image.setDevicePixelRatio(ratio);
    return Picture{image, entry.natural, Failure::None};
}

void ReadAndQueueWrites(LoaderState& state, const QString& root, const FileStamp& file,
                        const FrameSize& frame, qreal ratio,
                        const std::function<void(const Picture&, bool decoded)>& deliver) {
    ToWrite toWrite;
    const Picture picture = ReadThroughCache(ThumbnailCache(root), file, frame, ratio, toWrite);
    {
        std::lock_guard lock(state.mutex);
        deliver(picture, root.isEmpty() || toWrite.Any());
    }
    if (root.isEmpty() || !toWrite.Any()) return;
    // Only entries of the file as it was read, stamped as the read found it.
    FileStamp now;
    if (StampOf(file.path, now) != Failure::None || !(now == file)) return;
    std::lock_guard lock(state.mutex);
    state.thumbnails.QueueWrites(state, root, std::move(toWrite));
}

}  // namespace pictures
