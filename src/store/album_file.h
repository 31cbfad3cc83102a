#pragma once

#include <array>
#include <string>

namespace store {

// The album table, with its eight columns in their fixed order.
inline constexpr const char* kAlbumTable = "datab";
inline constexpr std::array<const char*, 8> kAlbumColumns = {
    "id", "titolo", "data_scatto", "luogo", "persone", "note", "nome_file", "percorso_file"};
inline constexpr const char* kAlbumQuery = "SELECT * FROM datab ORDER BY id";
inline constexpr const char* kIdQuery = "SELECT id FROM datab ORDER BY id";

// Writes a new, empty album at `path`. Never overwrites: an existing path
// raises 3204 and stays as it was; a missing folder raises 3044, a folder that
// cannot be written 3051.
void CreateAlbum(const std::string& path);

}  // namespace store
