#include "pictures/picture_loader.h"

#include <QFileInfo>
#include <algorithm>

namespace pictures {

PictureLoader::PictureLoader(FrameSize frame, qreal devicePixelRatio, QObject* parent)
    : QObject(parent), frame_(std::move(frame)), devicePixelRatio_(devicePixelRatio) {
    // The previous and the next photo at once; more would only take the
    // processor from the window.
    pool_.setMaxThreadCount(qBound(1, QThread::idealThreadCount(), 2));
}

PictureLoader::~PictureLoader() {
    {
        std::lock_guard lock(mutex_);
        closing_ = true;
    }
    pool_.clear();
    pool_.waitForDone();
}

void PictureLoader::SetFrame(FrameSize frame, qreal devicePixelRatio) {
    std::lock_guard lock(mutex_);
    frame_ = std::move(frame);
    devicePixelRatio_ = devicePixelRatio;
}

bool PictureLoader::KeyOf(const QString& path, Key& key) const {
    const QFileInfo info(path);
    if (!info.exists() || info.isDir()) return false;
    key.path = info.absoluteFilePath();
    key.size = info.size();
    key.modified = info.lastModified().toMSecsSinceEpoch();
    return true;
}

const PictureLoader::Entry* PictureLoader::Cached(const Key& key) {
    const auto hit =
        std::find_if(cache_.begin(), cache_.end(), [&](const Entry& e) { return e.key == key; });
    if (hit == cache_.end()) return nullptr;
    cache_.splice(cache_.begin(), cache_, hit);
    return &cache_.front();
}

std::shared_ptr<PictureLoader::Job> PictureLoader::Pending(const Key& key) const {
    for (const auto& job : jobs_)
        if (job->key == key) return job;
    return nullptr;
}

void PictureLoader::Cache(const Key& key, const Picture& picture) {
    // Older versions of the same file at the same density are of no more use.
    for (auto it = cache_.begin(); it != cache_.end();) {
        if (it->key.path == key.path && it->key.devicePixelRatio == key.devicePixelRatio) {
            cachedBytes_ -= it->picture.image.sizeInBytes();
            it = cache_.erase(it);
        } else {
            ++it;
        }
    }
    cache_.push_front({key, picture});
    cachedBytes_ += picture.image.sizeInBytes();
    while (cache_.size() > 1 && (cache_.size() > kMaxCached || cachedBytes_ > kMaxCachedBytes)) {
        cachedBytes_ -= cache_.back().picture.image.sizeInBytes();
        cache_.pop_back();
    }
}

void PictureLoader::Preload(const QString& path) {
    Key key;
    if (!KeyOf(path, key)) return;
    std::lock_guard lock(mutex_);
    key.devicePixelRatio = devicePixelRatio_;
    if (closing_ || Cached(key) || Pending(key)) return;

    const auto queued = std::count_if(jobs_.begin(), jobs_.end(),
                                      [](const auto& job) { return job->state == Job::Queued; });
    if (queued >= kMaxQueued) {
        const auto oldest = std::find_if(jobs_.begin(), jobs_.end(),
                                         [](const auto& job) { return job->state == Job::Queued; });
        (*oldest)->state = Job::Dropped;
        jobs_.erase(oldest);
    }
    auto job = std::make_shared<Job>();
    job->key = key;
    job->frame = frame_;
    jobs_.push_back(job);
    pool_.start([this, job] { Run(job); });
}

void PictureLoader::Run(const std::shared_ptr<Job>& job) {
    std::function<void(const QString&)> hook;
    {
        std::lock_guard lock(mutex_);
        // Taken over by Get, dropped for a newer preload, or closing.
        if (job->state != Job::Queued || closing_) return;
        job->state = Job::Running;
        ++decodes_;
        hook = hooks_.beforeDecode;
    }
    if (hook) hook(job->key.path);
    Picture picture = ReadPicture(job->key.path, job->frame, job->key.devicePixelRatio);
    const bool ok = picture.ok();
    {
        std::lock_guard lock(mutex_);
        job->result = std::move(picture);
        job->state = Job::Done;
        std::erase(jobs_, job);
        if (ok) Cache(job->key, job->result);
    }
    done_.notify_all();
    // Delivered by the loader's event loop; dropped if the loader is gone by
    // then, as it waits for this thread before it goes.
    QMetaObject::invokeMethod(
        this, [this, path = job->key.path, ok] { emit Preloaded(path, ok); }, Qt::QueuedConnection);
}

Picture PictureLoader::Get(const QString& path) {
    Key key;
    std::unique_lock lock(mutex_);
    // A file gone (or a folder) gives its cause; no picture is read.
    if (!KeyOf(path, key)) return ReadPicture(path, frame_, devicePixelRatio_);
    key.devicePixelRatio = devicePixelRatio_;
    if (const Entry* entry = Cached(key)) return entry->picture;

    if (const std::shared_ptr<Job> job = Pending(key)) {
        if (job->state == Job::Running) {
            // The same read once more would only finish later.
            if (const auto hook = hooks_.beforeWait) {
                lock.unlock();
                hook();
                lock.lock();
            }
            done_.wait(lock, [&] { return job->state == Job::Done; });
            return job->result;
        }
        // Still waiting for a worker: read it here instead.
        job->state = Job::Dropped;
        std::erase(jobs_, job);
    }
    const FrameSize frame = frame_;
    ++decodes_;
    lock.unlock();

    Picture picture = ReadPicture(key.path, frame, key.devicePixelRatio);
    if (picture.ok()) {
        lock.lock();
        Cache(key, picture);
    }
    return picture;
}

void PictureLoader::WaitUntilIdle() {
    pool_.waitForDone();
}

int PictureLoader::DecodeCount() const {
    std::lock_guard lock(mutex_);
    return decodes_;
}

int PictureLoader::CachedCount() const {
    std::lock_guard lock(mutex_);
    return static_cast<int>(cache_.size());
}

qint64 PictureLoader::CachedBytes() const {
    std::lock_guard lock(mutex_);
    return cachedBytes_;
}

void PictureLoader::SetTestHooks(TestHooks hooks) {
    std::lock_guard lock(mutex_);
    hooks_ = std::move(hooks);
}

}  // namespace pictures
