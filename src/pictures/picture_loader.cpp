#include "pictures/picture_loader.h"

#include "pictures/thumbnail_cache.h"

#include <QRunnable>
#include <QThread>
#include <QThreadPool>
#include <algorithm>
#include <condition_variable>
#include <list>
#include <mutex>
#include <vector>

namespace pictures {

// What the loader and its workers share. The workers hold it, so a read that
// ends after the loader is gone finds it still there, and `owner` null.
namespace {

// The picture from the smallest cached thumbnail that covers the frame, or
// the failure a fail entry tells; else the decoded picture.
Picture ReadThroughCache(const ThumbnailCache& cache, const QString& path, const FrameSize& frame,
                         qreal ratio, bool& fromCache) {
    fromCache = cache.Enabled();
    if (!fromCache) return ReadPicture(path, frame, ratio);
    ThumbnailEntry entry = cache.Find(path, 0);
    if (entry.failed) return Picture{{}, {}, Failure::NotAPicture};
    if (!entry.image.isNull()) {
        const QSize wanted = frame(entry.natural);
        const int side = std::max(wanted.width(), wanted.height());
        if (std::max(entry.image.width(), entry.image.height()) < side)
            entry = cache.Find(path, side);
        if (!entry.image.isNull() && !wanted.isEmpty()) {
            QImage image = entry.image.convertToFormat(QImage::Format_RGB32)
                               .scaled(wanted, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
            image.setDevicePixelRatio(ratio);
            return Picture{image, entry.natural, Failure::None};
        }
    }
    fromCache = false;
    return ReadPicture(path, frame, ratio);
}

// Writes the entries the next read wants from one decode at the largest of
// them: large and x-large, xx-large too for frames above 512 pixels.
void FillCache(const ThumbnailCache& cache, const QString& path, const Picture& shown,
               const FrameSize& frame) {
    if (!cache.Enabled()) return;
    if (shown.failure == Failure::NotAPicture) {
        cache.WriteFailure(path);
        return;
    }
    if (!shown.ok()) return;
    const QSize wanted = frame(shown.natural);
    const int largest = std::max(wanted.width(), wanted.height()) > 512 ? 1024 : 512;
    const Picture big = ReadPicture(
        path,
        [largest](QSize natural) {
            return natural.width() <= largest && natural.height() <= largest
                       ? natural
                       : natural.scaled(largest, largest, Qt::KeepAspectRatio);
        },
        1);
    if (!big.ok()) return;
    if (largest == 1024) cache.Write(path, QStringLiteral("xx-large"), big.image, big.natural);
    cache.Write(path, QStringLiteral("x-large"), big.image, big.natural);
    cache.Write(path, QStringLiteral("large"), big.image, big.natural);
}

}  // namespace

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
        const ThumbnailCache cache(thumbnails);
        bool fromCache = false;
        const Picture picture =
            ReadThroughCache(cache, key_.file.path, frame_, devicePixelRatio_, fromCache);
        Deliver(picture);
        if (!fromCache) FillCache(cache, key_.file.path, picture, frame_);
    }

private:
    void Deliver(const Picture& picture) {
        std::lock_guard lock(state_->mutex);
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
    // A read ends within one decode, and is let finish so that it is not
    // still decoding while the program's static data goes at its end. One
    // that does not end by then hangs (a dead share): the pool, which would
    // wait for it, is left to it and goes with the program; a thread held
    // in a read of the file touches nothing the end of the program takes.
    if (pool_->waitForDone(kCloseWaitMs)) {
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
    std::lock_guard lock(state_->mutex);
    if (const Picture* picture = state_->Cached(key)) return *picture;
    DropQueued(&key);
    Start(key, 1);
    return std::nullopt;
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

void PictureLoader::WaitUntilIdle() {
    pool_->waitForDone();
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
