#pragma once

// Reading the files a path names without ever waiting on what is no regular
// file: the file is opened without blocking and looked at before a byte is
// read, so a FIFO put where a file was expected never holds a reader up
// waiting for a writer, and a device is never read.

#include <sys/types.h>

#include <cstddef>
#include <string>

namespace base {

// A descriptor open for reading on the regular file at `path`, or -1 with
// errno saying why (0 for a file of another kind). `flags` adds to
// O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY, e.g. O_NOFOLLOW.
int OpenRegularFile(const std::string& path, int flags = 0);

// Reads up to `size` bytes at `offset` of `fd` into `into`, again where a
// signal interrupted the read. The bytes read; fewer at the end of the file
// or when a read failed, `error` then holding its errno.
std::size_t ReadAt(int fd, void* into, std::size_t size, off_t offset, int& error);

// What ReadFileStart found.
struct FileStart {
    std::size_t size = 0;  // the bytes read into the buffer
    bool regular = false;  // the file opened and is a regular one
    // The errno of the failed open (`regular` false; 0 for a file of another
    // kind) or of the failed read (`regular` true); 0 otherwise.
    int error = 0;
};

// The first `size` bytes (from `offset`) of the regular file at `path`, read
// through OpenRegularFile.
FileStart ReadFileStart(const std::string& path, void* into, std::size_t size, off_t offset = 0);

}  // namespace base
