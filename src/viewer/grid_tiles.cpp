// The grid's thumbnails, made on workers through the loader's cache path.
#include "viewer/grid_tiles.h"

#include <QFileInfo>
#include <QHash>
#include <QSet>
#include <algorithm>
#include <mutex>
#include <utility>
#include <vector>

#include "pictures/exif_thumbnail.h"
#include "pictures/thumbnail_reads.h"
#include "viewer/full_screen.h"

namespace viewer {

namespace {

QString KeyOf(const QString& path, int side) {
    return QString::number(side) + '\n' + path;
}

// How often the window's thread looks for tiles that came.
constexpr int kPollMs = 15;

struct Request {
    QString key, path, root;
    int side = 0;
    qreal ratio = 1;
};

}  // namespace

// What the window's thread and the workers share: the tiles wanted, last
// first; those being made; and what was made, until the window takes it.
struct GridTiles::Queue {
    std::mutex mutex;
    std::vector<Request> wanted;  // made from the back
    QSet<QString> making;
    QHash<QString, Image> done;  // a tile made replaces its stand-in
    int workers = 0;             // running or about to run

    // One worker's round: tiles taken from the queue until it is empty.
    static void Drain(const std::shared_ptr<Queue>& queue) {
        for (;;) {
            Request request;
            {
                std::lock_guard lock(queue->mutex);
                if (queue->wanted.empty()) {
                    --queue->workers;
                    return;
                }
                request = std::move(queue->wanted.back());
                queue->wanted.pop_back();
                queue->making.insert(request.key);
            }
            Made made = Make(*queue, request);
            {
                std::lock_guard lock(queue->mutex);
                queue->making.remove(request.key);
                queue->done.insert(request.key, std::move(made.tile));
            }
            // The tile is shown first; the entries, for this program and
            // others, are written after. They go to the personal cache
            // alone, never beside the pictures.
            const pictures::ThumbnailCache cache(request.root);
            if (cache.Enabled() && made.toWrite.Any()) pictures::WriteEntries(cache, made.toWrite);
        }
    }

    struct Made {
        Image tile;
        pictures::ToWrite toWrite;
    };

    static Made Make(Queue& queue, const Request& request) {
        pictures::FileStamp stamp;
        if (pictures::StampOf(QFileInfo(request.path).absoluteFilePath(), stamp) !=
            pictures::Failure::None)
            return {{{}, true}, {}};
        const QSize box(request.side, request.side);
        const pictures::ThumbnailCache cache(request.root);
        pictures::ToWrite toWrite;
        // While the picture is decoded, the small thumbnail the camera put in
        // it stands in, when it has one.
        auto early = [&queue, &request, box] {
            QImage small = pictures::EmbeddedThumbnail(request.path);
            if (small.isNull()) return;
            small = small.scaled(box, Qt::KeepAspectRatio, Qt::SmoothTransformation);
            small.setDevicePixelRatio(request.ratio);
            std::lock_guard lock(queue.mutex);
            queue.done.insert(request.key, Image{small, false, true});
        };
        const pictures::Picture picture = pictures::ReadThroughCache(
            cache, stamp, [box](QSize natural) { return FitToScreen(natural, box); }, request.ratio,
            toWrite, early);
        if (!picture.ok() || picture.image.isNull()) return {{{}, true}, toWrite};
        return {{picture.image, false}, toWrite};
    }
};

GridTiles::GridTiles()
    : workers_(kWorkers), queue_(std::make_shared<Queue>()), images_(kTilesKept) {
    poll_.setInterval(kPollMs);
    connect(&poll_, &QTimer::timeout, this, &GridTiles::TakeArrived);
}

GridTiles::~GridTiles() {
    {
        std::lock_guard lock(queue_->mutex);
        queue_->wanted.clear();
    }
    workers_.End(QDeadlineTimer(work::kCloseWaitMs));
}

const GridTiles::Image* GridTiles::Find(const QString& path, int side) const {
    return images_.object(KeyOf(path, side));
}

void GridTiles::Want(const QStringList& paths, int side, qreal ratio) {
    std::vector<Request> wanted;
    wanted.reserve(paths.size());
    for (auto it = paths.crbegin(); it != paths.crend(); ++it) {
        QString key = KeyOf(*it, side);
        const Image* image = images_.object(key);
        if (image && !image->early) continue;
        if (it->isEmpty()) {
            images_.insert(key, new Image{{}, true});
            continue;
        }
        wanted.push_back({std::move(key), *it, root_, side, ratio});
    }
    int start = 0;
    {
        // The newest screenful wins: what was wanted for another is dropped.
        std::lock_guard lock(queue_->mutex);
        // Tiles being made, or made and not yet taken, are not asked for
        // again: there are a few at most.
        const Queue& queue = *queue_;
        std::erase_if(wanted, [&queue](const Request& r) {
            return queue.making.contains(r.key) || queue.done.contains(r.key);
        });
        QSet<QString> before;
        before.reserve(queue_->wanted.size());
        for (const Request& request : queue_->wanted) before.insert(request.key);
        for (const Request& request : wanted) queued_ += before.contains(request.key) ? 0 : 1;
        queue_->wanted = std::move(wanted);
        start = std::min<int>(kWorkers - queue_->workers, queue_->wanted.size());
        queue_->workers += start;
    }
    for (int i = 0; i < start; ++i) workers_.Start([queue = queue_] { Queue::Drain(queue); });
    // Started, never restarted: frames come faster than the poll.
    if (start > 0 && !poll_.isActive()) poll_.start();
}

void GridTiles::TakeArrived() {
    QHash<QString, Image> done;
    bool idle = false;
    {
        std::lock_guard lock(queue_->mutex);
        done.swap(queue_->done);
        idle = queue_->workers == 0;
    }
    for (auto it = done.begin(); it != done.end(); ++it) {
        // A late stand-in never replaces the tile made from the picture.
        const Image* kept = images_.object(it.key());
        if (it->early && kept && !kept->early) continue;
        images_.insert(it.key(), new Image(std::move(it.value())));
    }
    if (idle) poll_.stop();
    if (!done.empty()) emit Arrived();
}

void GridTiles::WaitForDone() {
    workers_.WaitForDone();
    TakeArrived();
}

}  // namespace viewer
