#pragma once

// The album table's columns: the one place they are named. Only constants and
// inline functions, so the tools and the tests take them without the store.

#include <array>
#include <cstddef>
#include <string_view>

namespace store {

// The album table's eight columns, in their fixed order.
inline constexpr std::array<const char*, 8> kAlbumColumns = {
    "id", "titolo", "data_scatto", "luogo", "persone", "note", "nome_file", "percorso_file"};

namespace album_columns_detail {

constexpr std::size_t Length(const char* text) {
    std::size_t n = 0;
    while (text[n] != '\0') ++n;
    return n;
}

// The columns joined by ", ", with the closing NUL.
constexpr std::size_t ListSize() {
    std::size_t size = 0;
    for (const char* column : kAlbumColumns) size += Length(column) + 2;
    return size - 1;
}

constexpr std::array<char, ListSize()> List() {
    std::array<char, ListSize()> list{};
    std::size_t at = 0;
    for (const char* column : kAlbumColumns) {
        if (at != 0) {
            list[at++] = ',';
            list[at++] = ' ';
        }
        for (std::size_t i = 0; column[i] != '\0'; ++i) list[at++] = column[i];
    }
    return list;
}

inline constexpr std::array<char, ListSize()> kList = List();

constexpr char AsciiLower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

}  // namespace album_columns_detail

// The columns as a statement lists them, joined by ", ".
inline constexpr const char* kAlbumColumnList = album_columns_detail::kList.data();

// Table and column names compare as SQL compares them: ignoring ASCII case.
constexpr bool SameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (album_columns_detail::AsciiLower(a[i]) != album_columns_detail::AsciiLower(b[i]))
            return false;
    }
    return true;
}

}  // namespace store
