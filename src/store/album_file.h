#pragma once

#include <string>

namespace store {

// The album table, with its eight columns in their fixed order.
inline constexpr const char* kAlbumQuery = "SELECT * FROM datab ORDER BY id";
inline constexpr const char* kIdQuery = "SELECT id FROM datab ORDER BY id";

// Writes a new, empty album at `path`. Never overwrites: an existing file
// raises an error, as does a folder that cannot be written.
void CreateAlbum(const std::string& path);

}  // namespace store
