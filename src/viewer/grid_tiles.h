#pragma once

#include <QCache>
#include <QImage>
#include <QObject>
#include <QStringList>
#include <QTimer>
#include <memory>

#include "work/workers.h"

namespace viewer {

// The grid's thumbnails: taken from the shared thumbnail cache, or made
// from the picture and written to it, on workers of their own, never on the
// window's thread. One queue holds the tiles wanted, the screenful painted
// last replacing it whole, so tiles scrolled past are never made; a fixed
// number of decoded tiles is kept.
class GridTiles : public QObject {
    Q_OBJECT
public:
    struct Image {
        QImage image;         // null when the picture cannot be shown
        bool failed = false;  // missing, unreadable or not a picture
        bool early = false;   // the camera's own small thumbnail, until ours is made
    };

    GridTiles();
    ~GridTiles() override;

    // The personal thumbnail cache's folder; empty writes none.
    void SetThumbnailFolder(const QString& root) { root_ = root; }
    // The tile of `path` at `side` device pixels, when it came.
    const Image* Find(const QString& path, int side) const;
    // The tiles of `paths`, in the order given, at `side` device pixels;
    // any other still waiting is dropped.
    void Want(const QStringList& paths, int side, qreal ratio);

    // How many tiles were queued since the grid was made (tests).
    int Queued() const { return queued_; }
    // Returns once nothing is queued or made (tests, benchmarks).
    void WaitForDone();

    static constexpr int kTilesKept = 600;
    static constexpr int kWorkers = 2;

signals:
    // Tiles came: the view paints them.
    void Arrived();

private:
    struct Queue;

    void TakeArrived();

    QString root_;
    work::Workers workers_;
    std::shared_ptr<Queue> queue_;
    QCache<QString, Image> images_;
    QTimer poll_;
    int queued_ = 0;
};

}  // namespace viewer
