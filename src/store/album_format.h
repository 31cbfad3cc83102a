#pragma once

// Telling album files apart by their first bytes, never by their names: the
// native albums are SQLite 3 files, the albums of Pictora's earlier versions
// (and every album burned on a CD) Access-format files.

#include <cstddef>
#include <cstring>
#include <string>

#include "base/regular_file.h"

namespace store {

enum class AlbumFormat {
    Sqlite,   // "SQLite format 3"
    Access,   // Jet 3 (Access 97), Jet 4 (Access 2000-2003) or ACE (.accdb)
    Unknown,  // neither: not an album (or too short to tell)
};

// How many bytes of the file's start SniffAlbumFormat needs.
inline constexpr std::size_t kAlbumSniffBytes = 32;

// The format of a file whose first `size` bytes are `bytes`.
inline AlbumFormat SniffAlbumFormat(const unsigned char* bytes, std::size_t size) {
    if (size >= 16 && std::memcmp(bytes, "SQLite format 3\0", 16) == 0) return AlbumFormat::Sqlite;
    // The database page of an Access-format file: page type 0, then the
    // engine's signature, then the format's version at 0x14 (0 Jet 3, 1 Jet 4,
    // 2 and up ACE).
    if (size >= 0x15 && bytes[0] == 0x00 && bytes[1] == 0x01 && bytes[2] == 0x00 &&
        bytes[3] == 0x00) {
        const bool jet = std::memcmp(bytes + 4, "Standard Jet DB\0", 16) == 0;
        const bool ace = std::memcmp(bytes + 4, "Standard ACE DB\0", 16) == 0;
        const unsigned version = bytes[0x14];
        if ((jet && version <= 1) || (ace && version >= 2 && version <= 0x7f))
            return AlbumFormat::Access;
    }
    return AlbumFormat::Unknown;
}

// The format of the file at `path`; Unknown for what is no regular file or
// cannot be read.
inline AlbumFormat AlbumFormatOf(const std::string& path) {
    unsigned char start[kAlbumSniffBytes] = {};
    return SniffAlbumFormat(start, base::ReadFileStart(path, start, sizeof start).size);
}

}  // namespace store
