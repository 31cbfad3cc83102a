#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "store/value.h"

namespace store {

// The seven texts of a photo, in the album's column order.
struct PhotoTexts {
    std::string titolo;
    std::string data_scatto;
    std::string luogo;
    std::string persone;
    std::string note;
    std::string nome_file;      // the picture's file name
    std::string percorso_file;  // the folder holding it

    bool operator==(const PhotoTexts&) const = default;
};

// One row of the album: its number and its texts, as read from the file (a
// null text reads as empty text).
struct Photo {
    Value id;
    PhotoTexts texts;
    // The key the album file gives the row for as long as it lives (SQLite's
    // rowid): an album made elsewhere may hold two photos of one number, never
    // two rows of one key. Nothing from a table or an engine without one.
    std::optional<std::int64_t> row;

    bool operator==(const Photo&) const = default;
    // Whether `other` was read from the same row, as the same number.
    bool SameRow(const Photo& other) const { return id == other.id && row == other.row; }
};

}  // namespace store
