#pragma once

#include <array>
#include <string>
#include <string_view>

namespace store {

// The album table's eight columns, in their fixed order.
inline constexpr std::array<const char*, 8> kAlbumColumns = {
    "id", "titolo", "data_scatto", "luogo", "persone", "note", "nome_file", "percorso_file"};

// Writes a new, empty album at `path`. Never overwrites: an existing path
// raises 3204 and stays as it was; a missing folder raises 3044, a folder that
// cannot be written 3051.
void CreateAlbum(const std::string& path);

// Table and column names compare as SQL compares them: ignoring ASCII case.
bool SameName(std::string_view a, std::string_view b);

}  // namespace store
