#pragma once

// Reading what an addition needs of each file, several files at once: what
// its bytes say it is and, for a JPEG, its own fields and when it was taken.

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "metadata/fields.h"

namespace adding {

struct FileReading {
    enum class Kind {
        NotRead,     // the reading was stopped before this file
        Picture,     // a JPEG or a BMP
        NotPicture,  // anything else, or no longer a regular file
        Unreadable,  // could not be opened or read: `why` says so
    };
    Kind kind = Kind::NotRead;
    metadata::PhotoFields photo{};
    std::string why{};
};

// One file, on the calling thread; never waits on a FIFO, never throws.
FileReading ReadFile(const std::string& path);

// Every file of `paths`, in its place, read by `threads` threads of their own
// (one at least), all ended before this returns. `done` is told how many are
// read, on the calling thread, as they are. Once `cancel` is true no file is
// started any more: those left stay NotRead, and this returns as soon as the
// readers end the file each is reading.
std::vector<FileReading> ReadFiles(const std::vector<std::string>& paths, int threads,
                                   const std::atomic<bool>* cancel,
                                   const std::function<void(std::int64_t done)>& done);

}  // namespace adding
