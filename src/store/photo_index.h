#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "store_error.h"
#include "value.h"

namespace store {

// One photo as the photo list shows it.
// Where a photo's picture is, as the album names it.
struct PictureNames {
    std::string folder;  // percorso_file
    std::string name;    // nome_file
};

struct PhotoEntry {
    Value id;
    std::string titolo;  // the title's first 256 characters at most: all a list line shows
    // Its picture, when the index was opened with the pictures.
    std::optional<PictureNames> picture{};
};

// What an index reads of each photo: the number and title a list line shows,
// or those and the picture a grid tile shows.
enum class IndexFields { Titles, TitlesAndPictures };

// Every photo of an album file by its position in album order (ascending id;
// photos an album made elsewhere numbers alike in the order of their rows),
// for a list that shows them all without reading them all: photos are read in
// blocks when first asked for, a block is found from the nearest position
// already read (or either end), and only a bounded number of blocks is kept.
//
// The file is opened for reading only, on a connection of its own, and no
// lock is held between two calls, so the album's data control can go on
// writing it. Changes made after opening shift positions but never fail: a
// position past the photos now in the file simply has none.
class PhotoIndex {
public:
    virtual ~PhotoIndex() = default;

    // The number of photos when the index was opened.
    virtual std::int64_t Count() const = 0;

    // The photo at `position` (0 is the lowest id), or nullptr when there is
    // none. The entry stays valid until the next call.
    virtual const PhotoEntry* At(std::int64_t position) = 0;

    // The position of the first photo numbered `id` or above in the index's
    // order, Count() when there is none: found by halving over At, some
    // twenty reads at a million photos, unless the index knows better.
    virtual std::int64_t PositionOf(const Value& id);
};

// The photo list's reader of an album file on SQLite, the one an open SQLite
// album hands out (the windows reach it through DataControl::OpenPhotoIndex).
// Raises 3024 for a missing file, 3055 for one that is no album, another
// number for any other failure. `blockSize` photos are read at a time.
std::unique_ptr<PhotoIndex> OpenPhotoIndex(const std::string& path, int blockSize = 256,
                                           IndexFields fields = IndexFields::Titles);

}  // namespace store
