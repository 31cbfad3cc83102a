#pragma once

// The cursor of an album on SQLite: a keyset cursor that keeps only the
// current photo's number and row and asks the id index for every neighbour,
// so nothing ever reads the whole table. Only the store's SQLite code
// includes this.

#include <SQLiteCpp/Database.h>

#include <memory>
#include <string>

#include "store/album.h"
#include "store/album_file_watch.h"

namespace store::sqlite {

// A cursor on the album `db`, on its first photo. `rowKey`: see RowKeyOf.
std::unique_ptr<Cursor> OpenSqliteCursor(std::shared_ptr<SQLite::Database> db, bool readOnly,
                                         const AlbumFileWatch& file, const std::string& rowKey);

}  // namespace store::sqlite
