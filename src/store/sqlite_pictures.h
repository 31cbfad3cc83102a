#pragma once

// The SQLite engine's reading and rewriting of where photos' pictures are,
// for finding pictures that moved. Only the store's SQLite code includes this.

#include <SQLiteCpp/Database.h>

#include <cstddef>
#include <vector>

#include "store/album.h"
#include "store/picture_place.h"

namespace store::sqlite {

// Every row's picture place, in the file's row order.
std::vector<PicturePlace> ReadPicturePlaces(SQLite::Database& db);

// Album::VisitPicturePlaces on the album's connection.
void VisitPicturePlaces(SQLite::Database& db, const Album::PicturePlaceVisitor& visit);

// See Album::RelinkPictures.
std::size_t RelinkPictures(SQLite::Database& db, const std::vector<PictureMove>& moves);

}  // namespace store::sqlite
