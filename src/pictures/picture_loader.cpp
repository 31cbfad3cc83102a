#include "pictures/picture_loader.h"

#include "pictures/thumbnail_cache.h"

#include <sys/resource.h>
#include <unistd.h>
#include <QRunnable>
#include <QThread>
#include <QThreadPool>

#include <algorithm>
#include <condition_variable>
#include <list>
#include <mutex>
#include <vector>

namespace pictures {

namespace {

QSize AtLeastOne(QSize size) {
    return {qMax(1, size.width()), qMax(1, size.height())};
}

int LargerSide(QSize size) {
    return std::max(size.width(), size.height());
}

// The size a picture of `natural` pixels is kept at for the frame: the
// frame's, or its own when smaller, as ReadPicture keeps it.
QSize KeptSize(const FrameSize& frame, QSize natural) {
    const QSize shown = AtLeastOne(frame(natural));
    return shown.width() < natural.width() && shown.height() < natural.height() ? shown : natural;
}

// The frame's picture from a thumbnail that covers the frame, as a decode
// gives it; or the failure a fail entry tells. Nothing when no entry counts.
std::optional<Picture> FromThumbnail(const ThumbnailCache& cache, const QString& path,
                                     const FrameSize& frame, qreal ratio) {
    const ThumbnailEntry entry =
        cache.Find(path, [&frame](QSize natural) { return LargerSide(KeptSize(frame, natural)); });
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

// What a read leaves to write in the thumbnail cache.
struct ToWrite {
    QImage upright;  // the decode the entries are made from
    QSize natural;
    Failure failure = Failure::None;
};

// The frame's picture: from its thumbnail when one counts, else decoded once,
// at the size its thumbnails need too, which `toWrite` then holds.
Picture ReadThroughCache(const ThumbnailCache& cache, const QString& path, const FrameSize& frame,
                         qreal ratio, ToWrite& toWrite) {
    if (!cache.Enabled()) return ReadPicture(path, frame, ratio);
    if (std::optional<Picture> shown = FromThumbnail(cache, path, frame, ratio)) return *shown;
    Picture picture = ReadPicture(path, ForEntries(frame), ratio);
    toWrite = {picture.image, picture.natural, picture.failure};
    if (!picture.ok()) return picture;
    const QSize kept = KeptSize(frame, picture.natural);
    if (picture.image.size() != kept) {
        picture.image = picture.image.scaled(kept, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        picture.image.setDevicePixelRatio(ratio);
    }
    return picture;
}

// Writes the entries of one decode, each from the one above it, largest
// first; or the fail entry of a picture that cannot be read.
void WriteEntries(const ThumbnailCache& cache, const QString& path, const ToWrite& w) {
    if (w.upright.isNull() && w.failure == Failure::None) return;
    if (w.failure != Failure::None) {
        cache.WriteFailure(path, w.failure);
        return;
    }
    QImage image = w.upright;
    for (const char* folder : {"xx-large", "x-large", "large"}) {
        const int size = ThumbnailCache::FolderSize(QLatin1String(folder));
        if (LargerSide(image.size()) > size)
            image = image.scaled(size, size, Qt::KeepAspectRatio, Qt::SmoothTransformation);
        // A decode made for x-large has no xx-large in it.
        if (LargerSide(image.size()) < std::min(size, LargerSide(w.natural))) continue;
        cache.Write(path, QLatin1String(folder), image, w.natural);
    }
}

}  // namespace

// What the loader and its workers share. The workers hold it, so a read that
// ends after the loader is gone finds it still there, and `owner` null.
struct PictureLoader::State {
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
    // holds up neither the window nor the reads ahead.
    QThreadPool writers;
    int writesPending = 0;

    State() { writers.setMaxThreadCount(1); }

    // Queues the writing of what a read left; dropped when enough wait
    // already (steps faster than the writing), as a later read writes them.
    void QueueWrites(const QString& thumbnails, const QString& path, ToWrite w) {
        if (!owner || writesPending >= kMaxWritesPending) return;
        ++writesPending;
        writers.start([this, thumbnails, path, w = std::move(w)] {
            // Below the window's and the reads' threads.
            ::setpriority(PRIO_PROCESS, static_cast<id_t>(::gettid()), 10);
            WriteEntries(ThumbnailCache(thumbnails), path, w);
            std::lock_guard lock(mutex);
            --writesPending;
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
            ++state_->decodes;
            state_->running.push_back(key_);
            hook = state_->hooks.beforeDecode;
            thumbnails = state_->thumbnails;
        }
        if (hook) hook(key_.file.path);
        ToWrite toWrite;
        const Picture picture = ReadThroughCache(ThumbnailCache(thumbnails), key_.file.path, frame_,
                                                 devicePixelRatio_, toWrite);
        const bool decoded =
            thumbnails.isEmpty() || !toWrite.upright.isNull() || toWrite.failure != Failure::None;
        Deliver(picture, decoded);
        if (thumbnails.isEmpty() || !decoded) return;
        // Only entries of the file as it was read.
        FileStamp now;
        if (StampOf(key_.file.path, now) != Failure::None || !(now == key_.file)) return;
        std::lock_guard lock(state_->mutex);
        state_->QueueWrites(thumbnails, key_.file.path, std::move(toWrite));
    }

private:
    void Deliver(const Picture& picture, bool decoded) {
        std::lock_guard lock(state_->mutex);
        if (!decoded) --state_->decodes;  // a thumbnail: nothing was decoded
        state_->running.erase(std::find(state_->running.begin(), state_->running.end(), key_));
        if (picture.ok()) state_->Cache(key_, picture);
        // Delivered by the loader's event loop; dropped with the loader if
        // it goes first, which cannot happen before this lock is let go.
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
    state_->writers.clear();
    // A read ends within one decode, and is let finish so that it is not
    // still decoding while the program's static data goes at its end. One
    // that does not end by then hangs (a dead share): the pool, which would
    // wait for it, is left to it and goes with the program; a thread held
    // in a read of the file touches nothing the end of the program takes.
    if (pool_->waitForDone(kCloseWaitMs) && state_->writers.waitForDone(kCloseWaitMs)) {
        delete pool_;
        return;
    }
    static std::vector<QThreadPool*> leftToReads;
    static std::mutex leftMutex;
    std::lock_guard lock(leftMutex);
    leftToReads.push_back(pool_);
}

void PictureLoader::SetFrame(FrameSize frame, qreal devicePixelRatio) {
    std::lock_guard lock(state_->mutex);
    state_->frame = std::move(frame);
    state_->devicePixelRatio = devicePixelRatio;
    ++state_->frameSerial;
}

bool PictureLoader::KeyOf(const QString& path, Key& key, Failure& failure) const {
    failure = StampOf(path, key.file);
    if (failure != Failure::None) return false;
    std::lock_guard lock(state_->mutex);
    key.frame = state_->frameSerial;
    return true;
}

void PictureLoader::DropQueued(const Key* keep) {
    auto& queued = state_->queued;
    for (auto it = queued.begin(); it != queued.end();) {
        Job* job = *it;
        if (keep && job->key() == *keep) {
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
    const bool pending =
        std::any_of(state_->queued.begin(), state_->queued.end(),
                    [&](const Job* job) { return job->key() == key; }) ||
        std::find(state_->running.begin(), state_->running.end(), key) != state_->running.end();
    if (pending || state_->Cached(key)) return;
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
        if (const Picture* picture = state_->Cached(key)) return *picture;
        DropQueued(&key);
        frame = state_->frame;
        ratio = state_->devicePixelRatio;
        thumbnails = state_->thumbnails;
    }
    // A thumbnail that covers the frame is the picture, at once: nothing is
    // decoded for it.
    if (!thumbnails.isEmpty()) {
        if (std::optional<Picture> picture =
                FromThumbnail(ThumbnailCache(thumbnails), key.file.path, frame, ratio)) {
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
    if (thumbnails.isEmpty()) return std::nullopt;
    const ThumbnailEntry entry = ThumbnailCache(thumbnails).Largest(path);
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
    if (!KeyOf(path, key, failure)) return Picture{{}, {}, failure};
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
    state_->writers.waitForDone();
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
