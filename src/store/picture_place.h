#pragma once

// Where a photo's picture is, as the album names it, and a new place for it
// once it has been found elsewhere.

#include <cstdint>
#include <optional>
#include <string>

#include "store/value.h"

namespace store {

// One row's picture: the row's identity in the file (SQLite's rowid, which
// stays the row's whatever its number), its number for people, and the
// texts that tell where the picture was.
struct PicturePlace {
    std::int64_t row = 0;
    Value id;
    std::string folder;  // percorso_file
    std::string name;    // nome_file
    std::string date;    // data_scatto, which may settle between copies of a name
    // The picture's size in bytes when it is known (the album does not keep
    // it), which settles between copies too.
    std::optional<std::uint64_t> size;

    bool operator==(const PicturePlace&) const = default;
};

// A row's picture found again: the folder and name the row holds now, so a
// row changed meanwhile by another program is left alone, and those it is to
// hold.
struct PictureMove {
    std::int64_t row = 0;
    std::string oldFolder;
    std::string oldName;
    std::string newFolder;
    std::string newName;

    bool operator==(const PictureMove&) const = default;
};

// The file of a picture: folder + "/" + name, a backslash in the folder read
// as "/", as the program shows it.
std::string PicturePathOf(const std::string& folder, const std::string& name);

// Whether the picture at folder + "/" + name is a regular file now.
bool PictureIsThere(const std::string& folder, const std::string& name);

}  // namespace store
