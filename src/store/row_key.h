#pragma once

// SQLite's own numbers of the album's rows, which are unique where photo
// numbers need not be: an album made by another program may number two
// photos alike.

#include <SQLiteCpp/Database.h>

#include <string>

namespace store {

// The name the album's row numbers go by: rowid, _rowid_ or oid, whichever
// no column of datab takes; empty when datab has none (a table made WITHOUT
// ROWID). Raises SQLite::Exception when the schema cannot be read.
std::string RowKeyOf(SQLite::Database& album);

}  // namespace store
