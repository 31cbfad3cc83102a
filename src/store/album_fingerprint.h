#pragma once

// What an album file looks like now, cheaply, for telling whether anything
// wrote it since: its device and inode, size, modification and change times,
// the change counter SQLite keeps in the file's header (raised by every
// write, even within one clock tick), and the size and time of its
// write-ahead log when it has one.

#include <string>

namespace store {

// The album file at `path` as a text that changes with every write by any
// program; "assente" when there is no such file.
std::string AlbumFingerprint(const std::string& path);

}  // namespace store
