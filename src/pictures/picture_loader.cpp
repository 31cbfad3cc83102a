#include "pictures/picture_loader.h"

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
        {
            std::lock_guard lock(state_->mutex);
            std::erase(state_->queued, this);
            if (!state_->owner) return;
            ++state_->decodes;
            state_->running.push_back(key_);
            hook = state_->hooks.beforeDecode;
        }
        if (hook) hook(key_.file.path);
        const Picture picture = ReadPicture(key_.file.path, frame_, devicePixelRatio_);
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

private:
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
