#include "pictures/picture_loader.h"

#include <QFileInfo>

#include "pictures/loader_state.h"
#include "pictures/slow_media.h"

namespace pictures {

PictureLoader::PictureLoader(FrameSize frame, qreal devicePixelRatio, QObject* parent)
    : QObject(parent), state_(std::make_shared<LoaderState>()) {
    state_->owner = this;
    state_->frame = std::move(frame);
    state_->devicePixelRatio = devicePixelRatio;
}

PictureLoader::~PictureLoader() {
    {
        std::lock_guard lock(state_->mutex);
        state_->owner = nullptr;
        state_->reads.DropQueued(nullptr);
    }
    // A read ends within one decode, and is let finish so that it is not
    // still decoding while the program's static data goes at its end; so is
    // a write. One that does not end by then hangs (a dead share, a stalled
    // cache folder): it holds only the shared state, and ends on its own.
    const QDeadlineTimer deadline(kCloseWaitMs);
    state_->reads.End(deadline);
    state_->thumbnails.End(deadline);
}

void PictureLoader::SetFrame(FrameSize frame, qreal devicePixelRatio) {
    std::lock_guard lock(state_->mutex);
    state_->frame = std::move(frame);
    state_->devicePixelRatio = devicePixelRatio;
    ++state_->frameSerial;
}

bool PictureLoader::KeyOf(const QString& path, ReadKey& key, Failure& failure,
                          bool stampSlow) const {
    failure = Failure::None;
    // No file has a longer name: told by StampOf without a look at the disk.
    const bool longest = path.size() > kLongestPath;
    if (!stampSlow && !longest && Slow(QFileInfo(path).absoluteFilePath())) {
        key.file = {};
        key.file.path = QFileInfo(path).absoluteFilePath();
        key.stamped = false;
    } else {
        failure = StampOf(path, key.file);
        if (failure != Failure::None) return false;
        key.stamped = true;
    }
    std::lock_guard lock(state_->mutex);
    key.frame = state_->frameSerial;
    return true;
}

bool PictureLoader::Slow(const QString& absolutePath) const {
    std::function<bool(const QString&)> slow;
    {
        std::lock_guard lock(state_->mutex);
        slow = state_->hooks.slowMedium;
    }
    return slow ? slow(absolutePath) : OnSlowMedium(absolutePath);
}

std::optional<Picture> PictureLoader::Want(const QString& path) {
    ReadKey key;
    Failure failure;
    if (!KeyOf(path, key, failure)) return Picture{{}, {}, failure};
    FrameSize frame;
    qreal ratio = 1;
    QString thumbnails;
    {
        std::lock_guard lock(state_->mutex);
        if (key.stamped)
            if (const Picture* picture = state_->cache.Find(key)) return *picture;
        state_->reads.DropQueued(&key);
        frame = state_->frame;
        ratio = state_->devicePixelRatio;
        thumbnails = state_->thumbnails.root;
    }
    // A thumbnail of the personal cache that covers the frame is the
    // picture, at once: nothing is decoded for it.
    if (key.stamped && !thumbnails.isEmpty() && !Slow(thumbnails)) {
        if (std::optional<Picture> picture = FrameThumbnail(thumbnails, key.file, frame, ratio)) {
            std::lock_guard lock(state_->mutex);
            if (picture->ok() && key.frame == state_->frameSerial) state_->cache.Put(key, *picture);
            return picture;
        }
    }
    std::lock_guard lock(state_->mutex);
    state_->reads.Start(*state_, key, 1);
    return std::nullopt;
}

std::optional<Picture> PictureLoader::Provisional(const QString& path) const {
    QString thumbnails;
    qreal ratio = 1;
    {
        std::lock_guard lock(state_->mutex);
        thumbnails = state_->thumbnails.root;
        ratio = state_->devicePixelRatio;
    }
    FileStamp file;
    if (thumbnails.isEmpty() || path.size() > kLongestPath || Slow(thumbnails) ||
        Slow(QFileInfo(path).absoluteFilePath()) || StampOf(path, file) != Failure::None)
        return std::nullopt;
    return LargestThumbnail(thumbnails, file, ratio);
}

void PictureLoader::Preload(const QString& path) {
    ReadKey key;
    Failure failure;
    if (!KeyOf(path, key, failure)) return;
    std::lock_guard lock(state_->mutex);
    state_->reads.Start(*state_, key, 0);
}

Picture PictureLoader::Get(const QString& path) {
    ReadKey key;
    Failure failure;
    if (!KeyOf(path, key, failure, true)) return Picture{{}, {}, failure};
    FrameSize frame;
    qreal ratio;
    {
        std::lock_guard lock(state_->mutex);
        if (const Picture* picture = state_->cache.Find(key)) return *picture;
        ++state_->decodes;
        frame = state_->frame;
        ratio = state_->devicePixelRatio;
    }
    Picture picture = ReadPicture(key.file.path, frame, ratio);
    if (picture.ok()) {
        std::lock_guard lock(state_->mutex);
        if (key.frame == state_->frameSerial) state_->cache.Put(key, picture);
    }
    return picture;
}

void PictureLoader::SetThumbnailFolder(const QString& root) {
    std::lock_guard lock(state_->mutex);
    state_->thumbnails.root = root;
}

QString PictureLoader::ThumbnailFolder() const {
    std::lock_guard lock(state_->mutex);
    return state_->thumbnails.root;
}

void PictureLoader::WaitUntilIdle() {
    state_->reads.WaitForDone();
    state_->thumbnails.WaitForDone();
}

int PictureLoader::DecodeCount() const {
    std::lock_guard lock(state_->mutex);
    return state_->decodes;
}

int PictureLoader::CachedCount() const {
    std::lock_guard lock(state_->mutex);
    return state_->cache.Count();
}

qint64 PictureLoader::CachedBytes() const {
    std::lock_guard lock(state_->mutex);
    return state_->cache.Bytes();
}

void PictureLoader::SetTestHooks(TestHooks hooks) {
    std::lock_guard lock(state_->mutex);
    state_->hooks = std::move(hooks);
}

}  // namespace pictures
