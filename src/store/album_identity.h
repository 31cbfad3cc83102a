#pragma once

// What names an album's files in Pictora's cache folder (the readable copy of
// an Access-format album, the word index of any album): a hash of the
// album's canonical path, so the same file reached by another path shares
// them, and no name ever carries the path's own characters.

#include <string>

namespace store {

// Sixteen hexadecimal digits for the album file at `path`.
std::string AlbumIdentity(const std::string& path);

// `path` with links and "." and ".." resolved; made absolute when the file
// cannot be reached.
std::string CanonicalPath(const std::string& path);

}  // namespace store
