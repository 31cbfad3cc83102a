#pragma once

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

    bool operator==(const Photo&) const = default;
};

}  // namespace store
