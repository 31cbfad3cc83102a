#pragma once

// The word index's rows: its tables, filling a new index from the album, and
// the rows an update rewrites. Photos are kept by the album's own row
// numbers (SQLite's rowid), which are unique whatever the photo numbers are:
// an album made by another program may number two photos alike, or with a
// fraction or a text, and all of them are searched.

#include <SQLiteCpp/Database.h>
#include <SQLiteCpp/Exception.h>
#include <SQLiteCpp/Statement.h>

#include <cstdint>
#include <stdexcept>
#include <string>

#include "store/photo_search.h"
#include "store/value.h"

namespace store {

// The words of each photo by its row, and the photo numbers that differ from
// their row's: none in an album Pictora made, whose numbers are its rows'.
inline constexpr const char* kIndexTables =
    "CREATE TABLE meta(key TEXT PRIMARY KEY, value TEXT) WITHOUT ROWID;"
    "CREATE VIRTUAL TABLE words USING fts5(titolo, data_scatto, luogo, persone, note, nome_file,"
    " tokenize = 'pictora remove_diacritics 2', prefix = '1 2');"
    "CREATE TABLE numbers(photo INTEGER PRIMARY KEY, id);"
    "CREATE INDEX numbers_by_id ON numbers(id);";

// How the index keys its photos, kept in its meta table: by the album's row
// numbers, which an update can follow, or by their order at the build, for
// an album whose table has no row numbers (one made WITHOUT ROWID).
inline constexpr const char* kKeyedByRow = "righe";
inline constexpr const char* kKeyedByOrder = "ordine";

// The index itself could not be written (as against the album not read).
class IndexNotWritten : public std::runtime_error {
public:
    explicit IndexNotWritten(const SQLite::Exception& cause)
        : std::runtime_error(cause.what()), cause(cause) {}
    SQLite::Exception cause;
};

// Writes photos into the word index; raises IndexNotWritten.
class IndexRows {
public:
    explicit IndexRows(SQLite::Database& index);

    // Adds the photo `row` read from the album by RowsOf's statement, under
    // `key`.
    void Add(std::int64_t key, const SQLite::Statement& row);
    // Removes every photo numbered `id`.
    void RemoveNumbered(const Value& id);
    // Removes every photo.
    void Clear();

private:
    void Remove(std::int64_t key);

    SQLite::Database& index_;
    SQLite::Statement words_;
    SQLite::Statement number_;
};

// The statement reading the album's photos for the index: the row number
// (under `key`), the photo number, and the six searched fields.
std::string RowsOf(const std::string& key);

// Fills the empty index `index` from the album at `albumPath`, a step of
// photos at a time, waiting while another program holds the album locked.
// Sets `keyedBy` to how the photos were keyed. False when `progress` said to
// stop; StoreError when the album cannot be read, IndexNotWritten when the
// index cannot be written.
bool FillIndex(const std::string& albumPath, SQLite::Database& index,
               const PhotoSearch::Progress& progress, std::string& keyedBy);

}  // namespace store
