#pragma once

#include <string>

#include "store/album_columns.h"

namespace store {

// Writes a new, empty album at `path`. Never overwrites: an existing path
// raises 3204 and stays as it was; a missing folder raises 3044, a folder that
// cannot be written 3051.
void CreateAlbum(const std::string& path);

}  // namespace store
