#pragma once

// Albums in the Access format of Pictora's earlier versions (every album
// burned on a CD is one), opened for reading only.
//
// libmdb is C code and the file may come from anywhere, so the program never
// parses one itself: the first opening runs `pictora-album import` in a
// process of its own, killed when it overruns its time, which reads the
// table `datab` into a private native copy in the user's cache folder. The
// album is then that copy, opened for reading through the native engine, so
// every cursor move costs what it costs on a native album. The copy is kept
// while the file's path, size and modification time stay the same, so
// reopening (the album window does it at every activation) finds it at once.
// The Access-format file is only ever read: nothing is written beside it,
// not even a lock file.

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>

#include "store/album.h"

namespace store {

struct AccessOptions {
    // Where the private copies are kept; made when missing.
    std::string cacheFolder;
    // The pictora-album program (see FindAlbumTool).
    std::string albumTool;
    // The most one conversion may take; zero: a few seconds, more for a
    // large file.
    std::chrono::milliseconds timeLimit{0};
};

// How pictora-album tells the engine how far an import has come: a line on
// stdout starting with this, then the steps done and the steps in all.
inline constexpr const char* kAlbumToolProgress = "@avanzamento ";
// How pictora-album tells the engine an import is done: a line on stdout
// starting with this, then the number of photos written.
inline constexpr const char* kAlbumToolPhotos = "@foto ";
// pictora-album's exit code for a damaged album.
inline constexpr int kAlbumToolDamaged = 3;
// pictora-album's exit code for a file that is no Access-format album. Any
// other failure of the tool says nothing about the file.
inline constexpr int kAlbumToolNotAnAlbum = 4;

// Told how the reading of an Access-format file into its copy goes.
class ConversionObserver {
public:
    virtual ~ConversionObserver() = default;
    // `done` of `total` steps (total 0 while not known yet): once when the
    // reading starts, then about ten times a second until it ends, with news
    // or without. False stops it: Open then raises 3000 and keeps nothing.
    virtual bool Advance(std::int64_t done, std::int64_t total) = 0;
};

// While one lives, the Access-format files opened on its thread that have no
// copy yet report their reading to `observer`; with nullptr they are not read
// at all and Open raises 3000 for them (a copy already made still opens). The
// innermost scope counts; with none, files are read and nobody is told.
class ConversionScope {
public:
    explicit ConversionScope(ConversionObserver* observer);
    ~ConversionScope();
    ConversionScope(const ConversionScope&) = delete;
    ConversionScope& operator=(const ConversionScope&) = delete;

    static const ConversionScope* Current();
    ConversionObserver* observer() const { return observer_; }

private:
    ConversionObserver* observer_;
    const ConversionScope* outer_;
};

// The engine for Access-format files, over `native`, the engine that opens
// the copies. Open raises 3024 for a missing file, 3051 for one that may not
// be read, and always 3051 with readOnly false (the reactions to a file that
// may not be written then apply: it is opened for reading); 3055 for a file
// that is not an Access-format album (no `datab` of the album's shape); 3049
// for a damaged album (a page or a text that cannot be read, fewer photos
// than it counts, a reading that crashed); 3000 when the cache folder or
// pictora-album cannot be used, the reading ran out of time or was stopped,
// with what() a clause that says so in Italian. The reading is a process of
// its own, killed with the program; the scratch folders of readings killed
// before they ended are removed when the engine is made and at every
// reading.
std::unique_ptr<Engine> MakeAccessEngine(AccessOptions options, std::shared_ptr<Engine> native);

// The store's engine: looks at each file's first bytes and opens an
// Access-format file with the engine above, anything else with `native`
// (MakeSqliteEngine() in the first form).
std::unique_ptr<Engine> MakeAlbumEngine(AccessOptions options);
std::unique_ptr<Engine> MakeAlbumEngine(AccessOptions options, std::shared_ptr<Engine> native);

// pictora-album as the program finds it with no configuration: beside the
// program when installed (bin/), or in the build tree's tools folder beside
// the program's own folder.
std::string FindAlbumTool(const std::string& programFolder);

}  // namespace store
