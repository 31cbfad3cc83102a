// The grid's thumbnails, made on workers through the loader's cache path.
#include "viewer/grid_tiles.h"

#include <QFileInfo>
#include <QSet>
#include <mutex>
#include <vector>

#include "pictures/thumbnail_reads.h"
#include "viewer/full_screen.h"

namespace viewer {

namespace {

QString KeyOf(const QString& path, int side) {
    return QString::number(side) + '\n' + path;
}

// How often the window's thread looks for tiles that came.
constexpr int kPollMs = 15;

}  // namespace

// What the workers hand back, and which jobs have started (until what they
// made is taken): a job marks itself under the lock before anything else, so
// one taken back under the same lock has surely not run.
struct GridTiles::Inbox {
    std::mutex mutex;
    QSet<QString> started;
    std::vector<std::pair<QString, Image>> done;
};

class GridTiles::Job : public work::Workers::Task {
public:
    Job(std::shared_ptr<Inbox> inbox, QString key, QString path, QString root, int side,
        qreal ratio)
        : inbox_(std::move(inbox)),
          key_(std::move(key)),
          path_(std::move(path)),
          root_(std::move(root)),
          side_(side),
          ratio_(ratio) {}

    void run() override {
        {
            std::lock_guard lock(inbox_->mutex);
            inbox_->started.insert(key_);
        }
        Image tile = Make();
        std::lock_guard lock(inbox_->mutex);
        inbox_->done.emplace_back(key_, std::move(tile));
    }

private:
    Image Make() const {
        pictures::FileStamp stamp;
        if (pictures::StampOf(QFileInfo(path_).absoluteFilePath(), stamp) !=
            pictures::Failure::None)
            return {{}, true};
        const QSize box(side_, side_);
        const pictures::ThumbnailCache cache(root_);
        pictures::ToWrite toWrite;
        const pictures::Picture picture = pictures::ReadThroughCache(
            cache, stamp, [box](QSize natural) { return FitToScreen(natural, box); }, ratio_,
            toWrite);
        // Entries go to the personal cache alone, never beside the pictures.
        if (cache.Enabled() && toWrite.Any()) pictures::WriteEntries(cache, toWrite);
        if (!picture.ok() || picture.image.isNull()) return {{}, true};
        return {picture.image, false};
    }

    std::shared_ptr<Inbox> inbox_;
    QString key_, path_, root_;
    int side_;
    qreal ratio_;
};

GridTiles::GridTiles() : workers_(2), inbox_(std::make_shared<Inbox>()), images_(kTilesKept) {
    poll_.setInterval(kPollMs);
    connect(&poll_, &QTimer::timeout, this, &GridTiles::TakeArrived);
}

GridTiles::~GridTiles() {
    workers_.End(QDeadlineTimer(work::kCloseWaitMs));
}

const GridTiles::Image* GridTiles::Find(const QString& path, int side) const {
    return images_.object(KeyOf(path, side));
}

void GridTiles::Want(const QStringList& paths, int side, qreal ratio) {
    QSet<QString> wanted;
    for (const QString& path : paths) wanted.insert(KeyOf(path, side));
    {
        // The newest screenful wins: what was queued for another is dropped.
        std::lock_guard lock(inbox_->mutex);
        for (auto it = waiting_.begin(); it != waiting_.end();) {
            if (!wanted.contains(it->first) && !inbox_->started.contains(it->first) &&
                workers_.TryTake(it->second)) {
                delete it->second;
                it = waiting_.erase(it);
            } else {
                ++it;
            }
        }
    }
    // Later requests run first: the first tile shown gets the highest.
    priority_ += paths.size() + 1;
    int priority = priority_;
    for (const QString& path : paths) {
        const QString key = KeyOf(path, side);
        --priority;
        if (images_.contains(key) || waiting_.count(key)) continue;
        if (path.isEmpty()) {
            images_.insert(key, new Image{{}, true});
            continue;
        }
        auto* job = new Job(inbox_, key, path, root_, side, ratio);
        waiting_[key] = job;
        ++queued_;
        workers_.Start(job, priority);
    }
    if (!waiting_.empty()) poll_.start();
}

void GridTiles::TakeArrived() {
    std::vector<std::pair<QString, Image>> done;
    {
        std::lock_guard lock(inbox_->mutex);
        done.swap(inbox_->done);
        // Only now is a job that ran forgotten: its address may be reused.
        for (const auto& arrived : done) inbox_->started.remove(arrived.first);
    }
    for (auto& [key, tile] : done) {
        waiting_.erase(key);
        images_.insert(key, new Image(std::move(tile)));
    }
    if (waiting_.empty()) poll_.stop();
    if (!done.empty()) emit Arrived();
}

void GridTiles::WaitForDone() {
    workers_.WaitForDone();
    TakeArrived();
}

}  // namespace viewer
