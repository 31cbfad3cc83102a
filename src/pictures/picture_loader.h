#pragma once

// Pictures read on worker threads, the shown one first and its neighbours
// ahead of need, and a small cache of the frame-sized results, so that a step
// to the next photo finds its picture ready. Used from the GUI thread, which
// never waits for a read.
#include <QObject>
#include <QString>
#include <functional>
#include <memory>
#include <optional>

#include "pictures/decoded_cache.h"
#include "pictures/picture_reader.h"
#include "work/workers.h"

namespace pictures {

struct LoaderState;

// Let tests hold a read or a write while they look, and say which files are
// on a slow medium. Never set in the program.
struct LoaderHooks {
    // On the worker, before it reads `path`.
    std::function<void(const QString& path)> beforeDecode = {};
    // On the thread that writes thumbnails, before it writes those of `path`.
    std::function<void(const QString& path)> beforeWrite = {};
    // In place of the mount table.
    std::function<bool(const QString& path)> slowMedium = {};
};

class PictureLoader : public QObject {
    Q_OBJECT

public:
    // Pictures are read for `frame` at `devicePixelRatio`.
    PictureLoader(FrameSize frame, qreal devicePixelRatio, QObject* parent = nullptr);
    // Drops the reads and writes not yet started, and lets those running end
    // for at most kCloseWaitMs: a read hung on a dead share, or a write on a
    // stalled cache folder, ends with the program.
    ~PictureLoader() override;

    // The frame and density pictures are read for from now on (the window
    // moved to another screen). Pictures read for another frame are not used.
    void SetFrame(FrameSize frame, qreal devicePixelRatio);

    // The shared thumbnail cache pictures are taken from when it holds one
    // large enough, and that a decode fills (on a thread of its own, from
    // that one decode); empty (the default) is off.
    void SetThumbnailFolder(const QString& root);
    QString ThumbnailFolder() const;

    // The picture of `path` if it is known at once: the cached one, the one
    // made from a thumbnail of the personal cache that covers the frame, or
    // the failure the file system or a fail entry tells. Else nothing, and
    // the picture is read on a worker before any read ahead; Loaded tells
    // when it is done. Reads queued for anything else are dropped: only the
    // last wanted picture counts. A file on a slow medium (a share, a CD),
    // and a thumbnail cache on one, are looked at by the worker only, as
    // are the thumbnails beside a picture.
    std::optional<Picture> Want(const QString& path);

    // The largest thumbnail of `path` in the personal cache, whatever the
    // frame, as it is: to show while the picture is read. Nothing when there
    // is none, or when the file or the cache is on a slow medium.
    std::optional<Picture> Provisional(const QString& path) const;

    // Starts reading `path` on a worker thread unless its picture is cached
    // or being read.
    void Preload(const QString& path);

    // The picture of `path`, read on the calling thread unless cached; for
    // callers that may wait (benchmarks, tests).
    Picture Get(const QString& path);

    // Returns when no read is queued or running (tests, benchmarks).
    void WaitUntilIdle();

    // What the loader has done, for tests and benchmarks; a picture made
    // from a thumbnail is no decode.
    int DecodeCount() const;
    int CachedCount() const;
    qint64 CachedBytes() const;

    using TestHooks = LoaderHooks;
    void SetTestHooks(TestHooks hooks);

    // The cache's bounds: this many pictures, or this many bytes.
    static constexpr int kMaxCached = DecodedCache::kMaxCached;
    static constexpr qint64 kMaxCachedBytes = DecodedCache::kMaxCachedBytes;
    // Longer than any decode the memory budget allows on an idle machine.
    static constexpr int kCloseWaitMs = work::kCloseWaitMs;

signals:
    // A read on a worker ended, with its picture or its failure; delivered on
    // the loader's thread. `path` is the absolute path.
    void Loaded(const QString& path, const pictures::Picture& picture);

private:
    // The key of `path`, or why it cannot be read; a file on a slow medium
    // is left unstamped unless `stampSlow`.
    bool KeyOf(const QString& path, ReadKey& key, Failure& failure, bool stampSlow = false) const;
    bool Slow(const QString& absolutePath) const;

    // Shared with the workers, which may outlive the loader.
    std::shared_ptr<LoaderState> state_;
};

}  // namespace pictures
