#pragma once

// The photos of datab in album order, as the SQLite cursor steps through
// them. Only the store's SQLite code includes this.

#include <SQLiteCpp/Database.h>
#include <SQLiteCpp/Statement.h>

#include <array>
#include <optional>
#include <string>

#include "store/album.h"
#include "store/photo.h"

namespace store::sqlite {

// Album order is by number, then by row: two photos of one number (an album
// made elsewhere) each have a place of their own, so stepping visits both,
// either way. A step from a photo is one statement: a seek down the id index
// for a later row of the same number (the index keeps them in row order) and
// one for the next number, so O(log n) whatever the album's size, however
// many photos share a number. Where the schema keeps numbers unique (every
// album Pictora makes) a step is the one seek for the next number. A table
// without rowid is ordered by number alone. Statements are prepared on first
// use and kept; SQLite's failures pass as they come.
class AlbumOrder {
public:
    // `rowKey` as sqlite::RowKeyOf names it.
    AlbumOrder(SQLite::Database& db, std::string rowKey);

    // Whole photos, or only the number and the picture's folder and name.
    enum class Reading { Whole, PicturePlace };

    std::optional<Photo> First();
    std::optional<Photo> Last();
    std::optional<Photo> After(const OrderKey& place, Reading reading = Reading::Whole);
    std::optional<Photo> Before(const OrderKey& place, Reading reading = Reading::Whole);
    // The first photo, in album order, whose id equals `key` (see SeekKey).
    std::optional<Photo> FirstNumbered(const Value& key);

private:
    enum class Query { First, Last, Seek, Next, Previous, NextOfNumber, PreviousOfNumber, Count };
    static constexpr int kQueries = static_cast<int>(Query::Count);

    std::string Sql(Query query, Reading reading) const;
    std::optional<Photo> Fetch(Query query, Reading reading, const OrderKey* place);
    std::optional<Photo> Step(bool forward, const OrderKey& place, Reading reading);

    SQLite::Database& db_;
    std::string rowKey_;
    std::array<std::optional<SQLite::Statement>, 2 * kQueries> statements_;
    // Read from the schema on the first step.
    std::optional<bool> numbersUnique_;
};

}  // namespace store::sqlite
