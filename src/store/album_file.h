#pragma once

#include <string>

#include "store/album_columns.h"

namespace store {

// Writes a new, empty album at `path`. Never overwrites: an existing path
// raises 3204 and stays as it was; a missing folder raises 3044, a folder that
// cannot be written 3051.
void CreateAlbum(const std::string& path);

// Plays back, into the album at `path`, the journal or write-ahead log a
// program that stopped mid-write left beside it (copied with it from a CD),
// so the album can then be opened for reading. The file and its folder must
// be writable; an album with nothing beside it is left as it is. Raises as
// an opening for writing does.
void SettleAlbumFile(const std::string& path);

}  // namespace store
