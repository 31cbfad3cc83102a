#pragma once

// Reading the table `datab` of an Access-format album (Jet 3, Jet 4, and ACE
// where libmdb reads it) through libmdb.
//
// libmdb parses a file that may come from anywhere, a CD say, so the program
// never runs this code itself: `pictora-album import` does, in a process of
// its own that the program can kill (see store/access_engine.h).

#include <cstddef>
#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "album_rows.h"

namespace album_tool {

// The file is not an Access-format album; what() says why, in Italian.
class NotAnAlbum : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The file is an album, but damaged: a page that cannot be read, a text of
// the wrong length, fewer photos than the table says it holds. what() says
// why, in Italian.
class Damaged : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Told how many of the table's rows have been read so far, and how many it
// holds, every thousand rows or so.
using ReadProgress = std::function<void(std::int64_t done, std::int64_t total)>;

// Every row of the table `datab` (found, with its columns, by name whatever
// the letter case), in number order, values verbatim: `id` from any
// whole-number column (byte, integer, long integer, or a single, double,
// currency or decimal column holding whole numbers), the seven texts from
// text or memo columns as UTF-8 (Jet 3 text read in code page 1252), a null
// read as empty text. Raises NotAnAlbum for a file that is not such an album:
// no `datab`, a column missing or of another type, a photo without a number,
// with a number that is not whole, or with a number another photo has.
// Raises Damaged when libmdb reports that it could not read a page or a text
// whole (it says so on stderr, which is kept from the screen while it reads,
// and goes on), or when fewer rows are read than the table's definition
// counts.
std::vector<PhotoRow> ReadAccessAlbum(const std::string& path, const ReadProgress& progress = {});

// The same for a file held in memory.
std::vector<PhotoRow> ReadAccessAlbum(const void* bytes, std::size_t size);

}  // namespace album_tool
