#pragma once

// Photos as the SQLite engine reads them from datab, each with its row's key,
// and one text of one photo written back into the very row it was read from.
// Only the store's SQLite code includes this.

#include <SQLiteCpp/Database.h>
#include <SQLiteCpp/Statement.h>

#include <array>
#include <optional>
#include <string>

#include "store/album.h"
#include "store/photo.h"

namespace store::sqlite {

// How the rows of datab are named for as long as they live: SQLite's rowid,
// under the first of its names ("rowid", "_rowid_", "oid") no column of datab
// takes; "NULL" for a table without one, whose photos are then known by their
// number alone.
std::string RowKeyOf(SQLite::Database& db);

// A statement reading whole photos: the eight columns, the row key, then
// `rest` ("WHERE ...", "ORDER BY ...").
std::string SelectPhotos(const std::string& rowKey, const std::string& rest);
// The photo on the statement's row, read by a SelectPhotos statement (or one
// with the same columns).
Photo ReadPhoto(const SQLite::Statement& row);

// Writes one text of one photo. Statements are prepared on first use and kept.
class FieldWriter {
public:
    FieldWriter(SQLite::Database& db, std::string rowKey);

    enum class Outcome { Written, AlreadyThere, ChangedMeanwhile };
    struct Result {
        Outcome outcome;
        Photo now;  // the photo as the album holds it after the call
    };

    // In one write transaction: reads the row `shown` was read from anew
    // (err::PhotoGone when it is gone, or no longer holds `shown`'s number
    // and picture); writes `text` into `field` when the row still holds
    // there the text `shown` does, and checks that exactly this one row
    // changed. Nothing is written when the row already holds `text`, or when
    // another program changed its text meanwhile. SQLite's failures pass as
    // they come.
    Result Write(const Photo& shown, Field field, const std::string& text);

private:
    // The photo in the row named `key`, or none.
    std::optional<Photo> Read(const Value& key);
    SQLite::Statement& Update(Field field);

    SQLite::Database& db_;
    std::string rowKey_;
    std::optional<SQLite::Statement> read_;
    std::array<std::optional<SQLite::Statement>, 5> updates_;
};

}  // namespace store::sqlite
