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

// The engine for Access-format files, over `native`, the engine that opens
// the copies. Open raises 3024 for a missing file, 3051 for one that may not
// be read, and always 3051 with readOnly false (the reactions to a file that
// may not be written then apply: it is opened for reading); 3055 for a file
// that is not an Access-format album (no `datab` of the album's shape, a
// damaged file, or one whose reading crashed or ran out of time); 3000 when
// the cache folder or pictora-album cannot be used.
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
