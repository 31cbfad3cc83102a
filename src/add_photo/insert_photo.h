#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "store/data_control.h"

// The statement that adds a photo. The eight values are bound, never pasted
// into it, so no answer can change it.
// The columns are named, so an album whose table carries columns of its own
// after the eight takes new photos too.
inline constexpr const char* kInsertPhoto =
    "INSERT INTO datab (id, titolo, data_scatto, luogo, persone, note, nome_file, percorso_file) "
    "VALUES (?, ?, ?, ?, ?, ?, ?, ?)";

// How often a number is looked for again when another program took it first.
inline constexpr int kInsertAttempts = 10;

// Adds one row to the album behind `data`, numbered one more than the highest
// number: the id query is opened, the cursor moved to its last row and the
// number read as the id box bound to it shows it (`boundId`); an empty album
// gives 1. `texts` are the seven text columns, titolo to percorso_file.
//
// When another program adding a photo at the same moment took the number
// first, the highest number is read again and the row added once more. Leaves
// `data` on the id query. Returns the number given; a failure of the store is
// raised, and nothing is written then.
double InsertPhotoRow(store::DataControl& data, const std::function<std::string()>& boundId,
                      const std::vector<std::string>& texts);
