#include "pictures/read_schedule.h"

#include <QMetaObject>
#include <QThread>

#include <algorithm>

#include "pictures/loader_state.h"
#include "pictures/picture_loader.h"

namespace pictures {

class ReadSchedule::Job : public work::Workers::Task {
public:
    Job(std::shared_ptr<LoaderState> state, ReadKey key)
        : state_(std::move(state)),
          key_(std::move(key)),
          frame_(state_->frame),
          devicePixelRatio_(state_->devicePixelRatio) {}

    const ReadKey& key() const { return key_; }

    void run() override {
        std::function<void(const QString&)> hook;
        QString thumbnails;
        {
            std::lock_guard lock(state_->mutex);
            std::erase(state_->reads.queued_, this);
            if (!state_->owner) return;
            state_->reads.running_.push_back(key_);
            hook = state_->hooks.beforeDecode;
            thumbnails = state_->thumbnails.root;
        }
        if (!key_.stamped && StampHere()) return;
        {
            std::lock_guard lock(state_->mutex);
            ++state_->decodes;  // taken back if a thumbnail stands for the picture
            counted_ = true;
        }
        if (hook) hook(key_.file.path);
        ReadAndQueueWrites(
            *state_, thumbnails, key_.file, frame_, devicePixelRatio_,
            [this](const Picture& picture, bool decoded) { Deliver(picture, decoded); });
    }

private:
    // A file on a slow medium is stamped here, off the window's thread. True
    // when that tells its picture already: a failure, or one read ahead.
    bool StampHere() {
        ReadKey stamped = key_;
        const Failure failure = StampOf(key_.file.path, stamped.file);
        stamped.stamped = true;
        std::lock_guard lock(state_->mutex);
        if (failure != Failure::None) {
            Deliver(Picture{{}, {}, failure}, false);
            return true;
        }
        auto& running = state_->reads.running_;
        *std::find(running.begin(), running.end(), key_) = stamped;
        key_ = stamped;
        const Picture* cached = state_->cache.Find(key_);
        if (!cached) return false;
        Deliver(Picture(*cached), false);
        return true;
    }

    // Called with the lock held.
    void Deliver(const Picture& picture, bool decoded) {
        if (counted_ && !decoded) --state_->decodes;
        auto& running = state_->reads.running_;
        running.erase(std::find(running.begin(), running.end(), key_));
        if (picture.ok()) state_->cache.Put(key_, picture);
        // Delivered by the loader's event loop; dropped with the loader if
        // it goes first, which cannot happen before the lock is let go.
        if (PictureLoader* owner = state_->owner)
            QMetaObject::invokeMethod(
                owner,
                [owner, path = key_.file.path, picture] { emit owner->Loaded(path, picture); },
                Qt::QueuedConnection);
    }

    std::shared_ptr<LoaderState> state_;
    ReadKey key_;
    FrameSize frame_;
    qreal devicePixelRatio_;
    bool counted_ = false;
};

// The shown photo and a neighbour at once; more would only take the
// processor from the window.
ReadSchedule::ReadSchedule() : readers_(qBound(1, QThread::idealThreadCount(), 2)) {}

void ReadSchedule::DropQueued(const ReadKey* keep) {
    for (auto it = queued_.begin(); it != queued_.end();) {
        Job* job = *it;
        if (keep && job->key().Same(*keep)) {
            ++it;
        } else if (readers_.TryTake(job)) {
            it = queued_.erase(it);
            delete job;
        } else {
            ++it;  // started meanwhile; it takes itself off the list
        }
    }
}

void ReadSchedule::Start(LoaderState& state, const ReadKey& key, int priority) {
    const auto same = [&](const ReadKey& other) { return other.Same(key); };
    const bool pending = std::any_of(queued_.begin(), queued_.end(),
                                     [&](const Job* job) { return same(job->key()); }) ||
                         std::any_of(running_.begin(), running_.end(), same);
    if (!state.owner || pending || (key.stamped && state.cache.Find(key))) return;
    auto* job = new Job(state.shared_from_this(), key);
    queued_.push_back(job);
    readers_.Start(job, priority);
}

}  // namespace pictures
