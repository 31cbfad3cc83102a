// Reading the files of an addition on threads of their own: a pool of its
// own (QtCore's), ended before the reading returns.
#include "adding/field_readers.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <condition_variable>
#include <mutex>

#include <QThreadPool>

#include "adding/folder_walk.h"
#include "base/regular_file.h"

namespace adding {

namespace {

FileReading Failed(int error) {
    return {FileReading::Kind::Unreadable, {}, ErrnoText(error)};
}

// What the first bytes of the file say, read without ever waiting on a FIFO
// put where the walk saw a regular file.
FileReading Sniff(const std::string& path, metadata::PictureKind& kind) {
    std::array<char, 18> head{};
    const base::FileStart start = base::ReadFileStart(path, head.data(), head.size());
    if (start.error != 0) return Failed(start.error);
    kind = start.regular ? metadata::PictureKindOf(std::string_view(head.data(), start.size))
                         : metadata::PictureKind::Other;
    return {kind == metadata::PictureKind::Other ? FileReading::Kind::NotPicture
                                                 : FileReading::Kind::Picture};
}

// The pool's shared state: the next file to take, and how far it has come.
struct Shared {
    const std::vector<std::string>& paths;
    std::vector<FileReading>& readings;
    const std::atomic<bool>* cancel;
    std::atomic<std::size_t> next{0};
    std::atomic<bool> stop{false};
    std::mutex mutex{};
    std::condition_variable changed{};
    std::size_t done = 0;   // guarded by mutex
    std::size_t ended = 0;  // readers that took their last file, guarded by mutex

    bool Stopped() const { return stop.load() || (cancel != nullptr && cancel->load()); }

    void Work() {
        while (!Stopped()) {
            const std::size_t i = next++;
            if (i >= paths.size()) break;
            readings[i] = ReadFile(paths[i]);
            const std::lock_guard lock(mutex);
            ++done;
            changed.notify_all();
        }
        const std::lock_guard lock(mutex);
        ++ended;
        changed.notify_all();
    }

    // Tells `told` how far the readers have come until all `readers` have
    // ended.
    void Follow(std::size_t readers, const std::function<void(std::int64_t)>& told) {
        std::unique_lock lock(mutex);
        std::size_t said = 0;
        for (;;) {
            changed.wait(lock, [&] { return ended == readers || done != said; });
            if (done != said && told) {
                said = done;
                lock.unlock();
                told(static_cast<std::int64_t>(said));
                lock.lock();
            }
            if (ended == readers) return;
        }
    }
};

// Whatever ends the reading, the readers take no file more before the pool
// waits for them.
struct StopOnExit {
    std::atomic<bool>& stop;
    ~StopOnExit() { stop = true; }
};

}  // namespace

FileReading ReadFile(const std::string& path) {
    try {
        metadata::PictureKind kind = metadata::PictureKind::Other;
        FileReading reading = Sniff(path, kind);
        if (kind == metadata::PictureKind::Jpeg) reading.photo = metadata::ReadPhotoFields(path);
        return reading;
    } catch (const std::exception&) {
        // Out of memory: the file is told, not the addition stopped.
        return Failed(ENOMEM);
    }
}

std::vector<FileReading> ReadFiles(const std::vector<std::string>& paths, int threads,
                                   const std::atomic<bool>* cancel,
                                   const std::function<void(std::int64_t done)>& done) {
    std::vector<FileReading> readings(paths.size());
    Shared shared{paths, readings, cancel};
    const int readers = std::max(threads, 1);
    QThreadPool pool;
    pool.setMaxThreadCount(readers);
    const StopOnExit stopOnExit{shared.stop};
    for (int i = 0; i < readers; ++i) pool.start([&shared] { shared.Work(); });
    shared.Follow(static_cast<std::size_t>(readers), done);
    return readings;
}

}  // namespace adding
