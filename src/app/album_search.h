#pragma once

// What Module1 keeps for finding photos by their words: the search of the
// album now open, and the thread that builds its word index.

#include <QFuture>
#include <QFutureWatcher>
#include <QString>
#include <memory>
#include <optional>
#include <string>

#include "store/photo_search.h"
#include "work/workers.h"

// What a build tells, in order: how far it has come, and at last its end.
struct BuildNews {
    int percent = 0;
    bool waiting = false;  // the build waits for the album, locked by another program
    bool ended = false;
    QString error;  // why the build failed, when it ended so
};

struct AlbumSearch {
    // Scratch files of builds stopped by force are removed from `folder`,
    // off the window's thread: they may be large.
    explicit AlbumSearch(const std::string& folder);
    // Stops the build under way and waits for it, and for the removal of
    // scratch files, for a bounded time: one held in a read of a dead share
    // is left to end on its own.
    ~AlbumSearch();

    // Stops a build under way, no news of it told any more, and waits for it
    // for a bounded time.
    void Stop();
    // Builds the index with `builder`, in order after the work queued
    // before; `told` hears its news on the window's thread.
    void Start(std::shared_ptr<store::PhotoSearch> builder, QObject* context,
               std::function<void(const BuildNews&)> told);

    std::string indexPath;                       // the index file of the album below
    std::unique_ptr<store::PhotoSearch> search;  // used on the user-interface thread
    bool building = false;
    bool waiting = false;  // the build waits for the album, locked by another program
    int generation = 0;    // which build the news is about
    int percent = 0;       // how far the build has come
    QString error;         // why the last build failed, empty when it did not
    // Another program's writes counted just before this program's write.
    std::optional<std::int64_t> othersBefore;

private:
    // One thread: the removal of scratch files, then each build in turn.
    work::Workers pool_;
    QFuture<BuildNews> build_;
    std::unique_ptr<QFutureWatcher<BuildNews>> watcher_;
};
