#pragma once

// New photos on the SQLite engine: each numbered one more than the highest
// number in the album, read under the write lock so no other program can
// take the same number meanwhile. Only the store's SQLite code includes this.

#include <SQLiteCpp/Database.h>
#include <SQLiteCpp/Statement.h>

#include <optional>
#include <span>
#include <vector>

#include "store/photo.h"
#include "store/value.h"

namespace store::sqlite {

// The number of the photo added after the one numbered `highest` (1 after
// none); err::NumberRangeFull when it cannot grow.
Value NumberAfter(const std::optional<Value>& highest);

// Album::InsertPhoto on the album's connection, its statements kept for the
// next photo. SQLite's failures pass as they come, after the rollback.
class PhotoInserter {
public:
    explicit PhotoInserter(SQLite::Database& db) : db_(db) {}
    Value Insert(const PhotoTexts& texts);

private:
    SQLite::Database& db_;
    std::optional<SQLite::Statement> highest_;
    std::optional<SQLite::Statement> insert_;
};

// Album::InsertPhotos on the album's connection: one IMMEDIATE transaction,
// so no other program adds a photo between the highest number read and the
// last row written. SQLite's failures pass as they come, after the rollback.
std::vector<Value> InsertPhotos(SQLite::Database& db, std::span<const PhotoTexts> photos);

}  // namespace store::sqlite
