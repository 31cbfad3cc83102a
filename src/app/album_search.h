#pragma once

// What Module1 keeps for finding photos by their words: the search of the
// album now open, and the thread that builds its word index.

#include <atomic>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include <QString>

#include "store/photo_search.h"

struct AlbumSearch {
    // Scratch files of builds stopped by force are removed from `folder`,
    // on a thread of their own: they may be large.
    explicit AlbumSearch(const std::string& folder);
    ~AlbumSearch();

    // Stops a build under way and waits for its thread.
    void Stop() {
        stop = true;
        if (worker.joinable()) worker.join();
        stop = false;
    }

    std::string indexPath;                       // the index file of the album below
    std::unique_ptr<store::PhotoSearch> search;  // used on the user-interface thread
    std::thread worker;                          // builds the index, when it runs
    std::thread sweeper;                         // removes abandoned scratch files
    std::atomic<bool> stop{false};               // the build is to stop
    bool building = false;
    bool waiting = false;  // the build waits for the album, locked by another program
    int generation = 0;    // which build the news from the thread is about
    int percent = 0;       // how far the build has come
    QString error;         // why the last build failed, empty when it did not
    // Another program's writes counted just before this program's write.
    std::optional<std::int64_t> othersBefore;
};
