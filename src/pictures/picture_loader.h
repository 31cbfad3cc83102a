#pragma once

// Pictures read on worker threads ahead of need, and a small cache of the
// frame-sized results, so that a step to the next photo finds its picture
// ready. Used from the GUI thread.
#include <QObject>
#include <QString>
#include <QThreadPool>
#include <condition_variable>
#include <functional>
#include <list>
#include <memory>
#include <mutex>
#include <vector>

#include "pictures/picture_reader.h"

namespace pictures {

class PictureLoader : public QObject {
    Q_OBJECT

public:
    // Pictures are read for `frame` at `devicePixelRatio`. The first photo's
    // decode may start before its window is built: Preload it as soon as its
    // path is known, and the window's Get waits for that decode.
    PictureLoader(FrameSize frame, qreal devicePixelRatio, QObject* parent = nullptr);
    // Drops the decodes not yet started and waits only for those running.
    ~PictureLoader() override;

    // The frame and density pictures are read for from now on (the window
    // moved to another screen). Cached pictures of another density are not
    // used for the new one.
    void SetFrame(FrameSize frame, qreal devicePixelRatio);

    // Starts reading `path` on a worker thread unless its picture is cached
    // or being read. A missing file or a failed read is dropped quietly.
    void Preload(const QString& path);

    // The picture of `path`: the cached one at once; else the one a worker
    // is reading, when it is done; else read now on the calling thread.
    // Failures are returned, never cached.
    Picture Get(const QString& path);

    // Returns when no read is queued or running (tests, benchmarks).
    void WaitUntilIdle();

    // What the loader has done, for tests and benchmarks.
    int DecodeCount() const;
    int CachedCount() const;
    qint64 CachedBytes() const;

    // Called on the worker before it reads `path`, and on the calling thread
    // before Get waits for a worker's read; lets tests hold a read while
    // they look. Never set in the program.
    struct TestHooks {
        std::function<void(const QString& path)> beforeDecode;
        std::function<void()> beforeWait;
    };
    void SetTestHooks(TestHooks hooks);

    // The cache's bounds: this many pictures, or this many bytes.
    static constexpr int kMaxCached = 32;
    static constexpr qint64 kMaxCachedBytes = qint64(128) << 20;
    // Preloads waiting for a worker beyond this many drop the oldest: when the
    // user steps faster than pictures decode, only the recent ones count.
    static constexpr int kMaxQueued = 4;

signals:
    // A preload finished (on the loader's thread, from its event loop).
    void Preloaded(const QString& path, bool ok);

private:
    // A file as it is on disk, at the density it is read for: a file changed
    // on disk has another key.
    struct Key {
        QString path;
        qint64 size = 0;
        qint64 modified = 0;
        qreal devicePixelRatio = 1;
        bool operator==(const Key&) const = default;
    };
    struct Job {
        enum State { Queued, Running, Done, Dropped } state = Queued;
        Key key;
        FrameSize frame;
        Picture result;
    };
    struct Entry {
        Key key;
        Picture picture;
    };

    // The key of the file now at `path`, or false if there is none.
    bool KeyOf(const QString& path, Key& key) const;
    void Run(const std::shared_ptr<Job>& job);
    // With mutex_ held.
    const Entry* Cached(const Key& key);
    std::shared_ptr<Job> Pending(const Key& key) const;
    void Cache(const Key& key, const Picture& picture);

    mutable std::mutex mutex_;
    std::condition_variable done_;
    FrameSize frame_;
    qreal devicePixelRatio_;
    TestHooks hooks_;
    bool closing_ = false;
    int decodes_ = 0;
    std::list<Entry> cache_;  // most recently used first
    qint64 cachedBytes_ = 0;
    std::vector<std::shared_ptr<Job>> jobs_;  // queued or running, oldest first
    QThreadPool pool_;
};

}  // namespace pictures
