#pragma once

// Photos as the SQLite engine reads them from datab, each with its row's key;
// one text of one photo written back into the very row it was read from, and
// that very row deleted. Only the store's SQLite code includes this.

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

// Writes one text of one photo, or deletes one photo. Statements are prepared
// on first use and kept.
class RowWriter {
public:
    RowWriter(SQLite::Database& db, std::string rowKey);

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

    // In one write transaction: deletes the row `shown` was read from while
    // it still holds `shown`'s number and picture (err::PhotoGone
    // otherwise), and checks that exactly this one row went (err::DuplicateKey
    // otherwise, nothing deleted). SQLite's failures pass as they come.
    void Delete(const Photo& shown);

private:
    // The row `shown` was read from, as it is now; err::PhotoGone when it is
    // gone or holds another photo.
    Photo ReadShown(const Photo& shown);
    // The photo in the row named `key`, or none.
    std::optional<Photo> Read(const Value& key);
    // Runs `statement`, whose ?2 and ?3 are bound to `shown`'s row, and checks
    // that it changed exactly that row.
    void ChangeOneRow(SQLite::Statement& statement, const Photo& shown);
    SQLite::Statement& Update(Field field);

    SQLite::Database& db_;
    std::string rowKey_;
    std::optional<SQLite::Statement> read_;
    std::optional<SQLite::Statement> delete_;
    std::array<std::optional<SQLite::Statement>, 5> updates_;
};

}  // namespace store::sqlite
