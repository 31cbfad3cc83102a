#include "pictures/picture_loader.h"

#include "pictures/slow_media.h"
#include "pictures/thumbnail_cache.h"
#include "pictures/thumbnail_reads.h"

#include <sys/resource.h>
#include <unistd.h>
#include <QFileInfo>
#include <QRunnable>
#include <QThread>
#include <QThreadPool>

#include <algorithm>
#include <list>
#include <mutex>
#include <vector>

namespace pictures {

// What the loader and its workers share. The workers hold it, so a read that
// ends after the loader is gone finds it still there, and `owner` null.
struct PictureLoader::State : std::enable_shared_from_this<State> {
    struct Entry {
        Key key;
        Picture picture;
    };

    std::mutex mutex;
    PictureLoader* owner = nullptr;
    FrameSize frame;
    qreal devicePixelRatio = 1;
    int frameSerial = 0;
    TestHooks hooks;
    QString thumbnails;
    int decodes = 0;
    std::list<Entry> cache;  // most recently used first
    qint64 cachedBytes = 0;
    std::vector<Job*> queued;  // in the pool's queue, not started
    std::vector<Key> running;
    // Thumbnails are written on a thread of their own, so that writing them
    // holds up neither the window nor the reads ahead. Ended by the loader.
    QThreadPool* writers = new QThreadPool;
    int writesPending = 0;

    State() { writers->setMaxThreadCount(1); }

    // Queues the writing of what a read left; dropped when enough wait
    // already (steps faster than the writing), as a later read writes them.
    // Called with the mutex held.
    void QueueWrites(const QString& root, ToWrite w) {
        if (!owner || writesPending >= kMaxWritesPending) return;
        ++writesPending;
        writers->start(
            [self = shared_from_this(), hook = hooks.beforeWrite, root, w = std::move(w)] {
                // Below the window's and the reads' threads.
                ::setpriority(PRIO_PROCESS, static_cast<id_t>(::gettid()), 10);
                if (hook) hook(w.file.path);
                WriteEntries(ThumbnailCache(root), w);
                std::lock_guard lock(self->mutex);
                --self->writesPending;
            });
    }
    static constexpr int kMaxWritesPending = 4;

    const Picture* Cached(const Key& key) {
        const auto hit =
            std::find_if(cache.begin(), cache.end(), [&](const Entry& e) { return e.key == key; });
        if (hit == cache.end()) return nullptr;
        cache.splice(cache.begin(), cache, hit);
        return &cache.front().picture;
    }

    void Cache(const Key& key, const Picture& picture) {
        // Older versions of the same file are of no more use.
        for (auto it = cache.begin(); it != cache.end();) {
            if (it->key.file.path == key.file.path && it->key.frame == key.frame) {
                cachedBytes -= it->picture.image.sizeInBytes();
                it = cache.erase(it);
            } else {
                ++it;
            }
        }
        cache.push_front({key, picture});
        cachedBytes += picture.image.sizeInBytes();
        while (cache.size() > 1 && (cache.size() > kMaxCached || cachedBytes > kMaxCachedBytes)) {
            cachedBytes -= cache.back().picture.image.sizeInBytes();
            cache.pop_back();
        }
    }
};

class PictureLoader::Job : public QRunnable {
public:
    Job(std::shared_ptr<State> state, Key key)
        : state_(std::move(state)),
          key_(std::move(key)),
          frame_(state_->frame),
          devicePixelRatio_(state_->devicePixelRatio) {}

    const Key& key() const { return key_; }

    void run() override {
        std::function<void(const QString&)> hook;
        QString thumbnails;
        {
            std::lock_guard lock(state_->mutex);
            std::erase(state_->queued, this);
            if (!state_->owner) return;
            state_->running.push_back(key_);
            hook = state_->hooks.beforeDecode;
            thumbnails = state_->thumbnails;
        }
        if (!key_.stamped && StampHere()) return;
        {
            std::lock_guard lock(state_->mutex);
            ++state_->decodes;  // taken back if a thumbnail stands for the picture
            counted_ = true;
        }
        if (hook) hook(key_.file.path);
        ToWrite toWrite;
        const Picture picture = ReadThroughCache(ThumbnailCache(thumbnails), key_.file, frame_,
                                                 devicePixelRatio_, toWrite);
        {
            std::lock_guard lock(state_->mutex);
            Deliver(picture, thumbnails.isEmpty() || toWrite.Any());
        }
        if (thumbnails.isEmpty() || !toWrite.Any()) return;
        // Only entries of the file as it was read, stamped as the read found it.
        FileStamp now;
        if (StampOf(key_.file.path, now) != Failure::None || !(now == key_.file)) return;
        std::lock_guard lock(state_->mutex);
        state_->QueueWrites(thumbnails, std::move(toWrite));
    }

private:
    // A file on a slow medium is stamped here, off the window's thread. True
    // when that tells its picture already: a failure, or one read ahead.
    bool StampHere() {
        Key stamped = key_;
        const Failure failure = StampOf(key_.file.path, stamped.file);
        stamped.stamped = true;
        std::lock_guard lock(state_->mutex);
        if (failure != Failure::None) {
            Deliver(Picture{{}, {}, failure}, false);
            return true;
        }
        *std::find(state_->running.begin(), state_->running.end(), key_) = stamped;
        key_ = stamped;
        const Picture* cached = state_->Cached(key_);
        if (!cached) return false;
        Deliver(Picture(*cached), false);
        return true;
    }

    // Called with the mutex held.
    void Deliver(const Picture& picture, bool decoded) {
        if (counted_ && !decoded) --state_->decodes;
        state_->running.erase(std::find(state_->running.begin(), state_->running.end(), key_));
        if (picture.ok()) state_->Cache(key_, picture);
        // Delivered by the loader's event loop; dropped with the loader if
        // it goes first, which cannot happen before the lock is let go.
        if (PictureLoader* owner = state_->owner)
            QMetaObject::invokeMethod(
                owner,
                [owner, path = key_.file.path, picture] { emit owner->Loaded(path, picture); },
                Qt::QueuedConnection);
    }

    std::shared_ptr<State> state_;
    Key key_;
    FrameSize frame_;
    qreal devicePixelRatio_;
    bool counted_ = false;
};

PictureLoader::PictureLoader(FrameSize frame, qreal devicePixelRatio, QObject* parent)
    : QObject(parent), state_(std::make_shared<State>()), pool_(new QThreadPool) {
    state_->owner = this;
    state_->frame = std::move(frame);
    state_->devicePixelRatio = devicePixelRatio;
    // The shown photo and a neighbour at once; more would only take the
    // processor from the window.
    pool_->setMaxThreadCount(qBound(1, QThread::idealThreadCount(), 2));
}

PictureLoader::~PictureLoader() {
    {
        std::lock_guard lock(state_->mutex);
        state_->owner = nullptr;
        DropQueued(nullptr);
    }
    // Thumbnails not yet written are left to a later run.
    state_->writers->clear();
    // A read ends within one decode, and is let finish so that it is not
    // still decoding while the program's static data goes at its end; so is
    // a write. One that does not end by then hangs (a dead share, a stalled
    // cache folder), and its pool is left to it.
    const QDeadlineTimer deadline(kCloseWaitMs);
    EndPool(pool_, deadline);
    EndPool(state_->writers, deadline);
}

void PictureLoader::SetFrame(FrameSize frame, qreal devicePixelRatio) {
    std::lock_guard lock(state_->mutex);
    state_->frame = std::move(frame);
    state_->devicePixelRatio = devicePixelRatio;
    ++state_->frameSerial;
}

bool PictureLoader::KeyOf(const QString& path, Key& key, Failure& failure, bool stampSlow) const {
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

void PictureLoader::DropQueued(const Key* keep) {
    auto& queued = state_->queued;
    for (auto it = queued.begin(); it != queued.end();) {
        Job* job = *it;
        if (keep && job->key().Same(*keep)) {
            ++it;
        } else if (pool_->tryTake(job)) {
            it = queued.erase(it);
            delete job;
        } else {
            ++it;  // started meanwhile; it takes itself off the list
        }
    }
}

void PictureLoader::Start(const Key& key, int priority) {
    const auto same = [&](const Key& other) { return other.Same(key); };
    const bool pending = std::any_of(state_->queued.begin(), state_->queued.end(),
                                     [&](const Job* job) { return same(job->key()); }) ||
                         std::any_of(state_->running.begin(), state_->running.end(), same);
    if (pending || (key.stamped && state_->Cached(key))) return;
    auto* job = new Job(state_, key);
    state_->queued.push_back(job);
    pool_->start(job, priority);
}

std::optional<Picture> PictureLoader::Want(const QString& path) {
    Key key;
    Failure failure;
    if (!KeyOf(path, key, failure)) return Picture{{}, {}, failure};
    FrameSize frame;
    qreal ratio = 1;
    QString thumbnails;
    {
        std::lock_guard lock(state_->mutex);
        if (key.stamped)
            if (const Picture* picture = state_->Cached(key)) return *picture;
        DropQueued(&key);
        frame = state_->frame;
        ratio = state_->devicePixelRatio;
        thumbnails = state_->thumbnails;
    }
    // A thumbnail of the personal cache that covers the frame is the
    // picture, at once: nothing is decoded for it.
    if (key.stamped && !thumbnails.isEmpty() && !Slow(thumbnails)) {
        if (std::optional<Picture> picture =
                FromThumbnail(ThumbnailCache(thumbnails), key.file,
                              ThumbnailCache::Places::Personal, frame, ratio)) {
            std::lock_guard lock(state_->mutex);
            if (picture->ok() && key.frame == state_->frameSerial) state_->Cache(key, *picture);
            return picture;
        }
    }
    std::lock_guard lock(state_->mutex);
    Start(key, 1);
    return std::nullopt;
}

std::optional<Picture> PictureLoader::Provisional(const QString& path) const {
    QString thumbnails;
    qreal ratio = 1;
    {
        std::lock_guard lock(state_->mutex);
        thumbnails = state_->thumbnails;
        ratio = state_->devicePixelRatio;
    }
    FileStamp file;
    if (thumbnails.isEmpty() || path.size() > kLongestPath || Slow(thumbnails) ||
        Slow(QFileInfo(path).absoluteFilePath()) || StampOf(path, file) != Failure::None)
        return std::nullopt;
    const ThumbnailEntry entry =
        ThumbnailCache(thumbnails).Largest(file, ThumbnailCache::Places::Personal);
    if (entry.image.isNull()) return std::nullopt;
    QImage image = entry.image;
    image.setDevicePixelRatio(ratio);
    return Picture{image, entry.natural, Failure::None};
}

void PictureLoader::Preload(const QString& path) {
    Key key;
    Failure failure;
    if (!KeyOf(path, key, failure)) return;
    std::lock_guard lock(state_->mutex);
    if (state_->owner) Start(key, 0);
}

Picture PictureLoader::Get(const QString& path) {
    Key key;
    Failure failure;
    if (!KeyOf(path, key, failure, true)) return Picture{{}, {}, failure};
    FrameSize frame;
    qreal ratio;
    {
        std::lock_guard lock(state_->mutex);
        if (const Picture* picture = state_->Cached(key)) return *picture;
        ++state_->decodes;
        frame = state_->frame;
        ratio = state_->devicePixelRatio;
    }
    Picture picture = ReadPicture(key.file.path, frame, ratio);
    if (picture.ok()) {
        std::lock_guard lock(state_->mutex);
        if (key.frame == state_->frameSerial) state_->Cache(key, picture);
    }
    return picture;
}

void PictureLoader::SetThumbnailFolder(const QString& root) {
    std::lock_guard lock(state_->mutex);
    state_->thumbnails = root;
}

QString PictureLoader::ThumbnailFolder() const {
    std::lock_guard lock(state_->mutex);
    return state_->thumbnails;
}

void PictureLoader::WaitUntilIdle() {
    pool_->waitForDone();
    state_->writers->waitForDone();
}

int PictureLoader::DecodeCount() const {
    std::lock_guard lock(state_->mutex);
    return state_->decodes;
}

int PictureLoader::CachedCount() const {
    std::lock_guard lock(state_->mutex);
    return static_cast<int>(state_->cache.size());
}

qint64 PictureLoader::CachedBytes() const {
    std::lock_guard lock(state_->mutex);
    return state_->cachedBytes;
}

void PictureLoader::SetTestHooks(TestHooks hooks) {
    std::lock_guard lock(state_->mutex);
    state_->hooks = std::move(hooks);
}

}  // namespace pictures
