#pragma once

// Many photos added at once, and the places of the pictures already in an
// album, on the SQLite engine. Only the store's SQLite code includes this.

#include <SQLiteCpp/Database.h>

#include <optional>
#include <span>
#include <vector>

#include "store/album.h"
#include "store/photo.h"
#include "store/value.h"

namespace store::sqlite {

// The number of the photo added after the one numbered `highest` (1 after
// none), as InsertPhoto numbers it; err::NumberRangeFull when it cannot grow
// (sqlite_engine.cpp).
Value NumberAfter(const std::optional<Value>& highest);

// Album::InsertPhotos on the album's connection: one IMMEDIATE transaction,
// so no other program adds a photo between the highest number read and the
// last row written. SQLite's failures pass as they come, after the rollback.
std::vector<Value> InsertPhotos(SQLite::Database& db, std::span<const PhotoTexts> photos);

// Album::VisitPicturePlaces on the album's connection.
void VisitPicturePlaces(SQLite::Database& db, const Album::PicturePlaceVisitor& visit);

}  // namespace store::sqlite
