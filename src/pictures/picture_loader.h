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

#include "pictures/picture_reader.h"

class QThreadPool;

namespace pictures {

class PictureLoader : public QObject {
    Q_OBJECT

public:
    // Pictures are read for `frame` at `devicePixelRatio`.
    PictureLoader(FrameSize frame, qreal devicePixelRatio, QObject* parent = nullptr);
    // Drops the reads not yet started, and lets those running end for at
    // most kCloseWaitMs: a read hung on a dead share ends with the program.
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
    // made from a thumbnail that covers the frame, or the failure the file
    // system or a fail entry tells. Else nothing, and the picture is read on
    // a worker before any read ahead; Loaded tells when it is done. Reads
    // queued for anything else are dropped: only the last wanted picture
    // counts.
    std::optional<Picture> Want(const QString& path);

    // The largest thumbnail of `path`, whatever the frame, as it is: to show
    // while the picture is read. Nothing when there is none.
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

    // Called on the worker before it reads `path`; lets tests hold a read
    // while they look. Never set in the program.
    struct TestHooks {
        std::function<void(const QString& path)> beforeDecode;
    };
    void SetTestHooks(TestHooks hooks);

    // The cache's bounds: this many pictures, or this many bytes.
    static constexpr int kMaxCached = 32;
    static constexpr qint64 kMaxCachedBytes = qint64(128) << 20;
    // Longer than any decode the memory budget allows on an idle machine.
    static constexpr int kCloseWaitMs = 2000;

signals:
    // A read on a worker ended, with its picture or its failure; delivered on
    // the loader's thread. `path` is the absolute path.
    void Loaded(const QString& path, const pictures::Picture& picture);

private:
    struct State;
    class Job;

    // A file as it is on disk, read for one frame: a file changed on disk or
    // a frame changed has another key.
    struct Key {
        FileStamp file;
        int frame = 0;
        bool operator==(const Key&) const = default;
    };
    bool KeyOf(const QString& path, Key& key, Failure& failure) const;
    void Start(const Key& key, int priority);
    // Drops the queued reads for any other file than `keep`.
    void DropQueued(const Key* keep);

    // Shared with the workers, which may outlive the loader.
    std::shared_ptr<State> state_;
    QThreadPool* pool_;
};

}  // namespace pictures
