#include "store/sqlite_order.h"

#include <utility>

#include "store/sqlite_engine.h"
#include "store/sqlite_rows.h"

namespace store::sqlite {

namespace {

// Whether datab's schema keeps two photos from sharing a number: id is its
// primary key (in Pictora's own albums, the rowid itself) or has a unique
// index.
bool NumbersUnique(SQLite::Database& db) {
    static const char* const sql =
        "SELECT (SELECT count(*) = 1 AND max(name = 'id' COLLATE NOCASE)"
        " FROM pragma_table_info('datab') WHERE pk > 0)"
        " OR EXISTS (SELECT 1 FROM pragma_index_list('datab') AS l"
        " WHERE l.\"unique\" AND NOT l.partial AND (SELECT count(*) = 1 AND"
        " max(name = 'id' COLLATE NOCASE) FROM pragma_index_info(l.name)))";
    return db.execAndGet(sql).getInt() != 0;
}

}  // namespace

AlbumOrder::AlbumOrder(SQLite::Database& db, std::string rowKey)
    : db_(db), rowKey_(std::move(rowKey)) {}

std::optional<Photo> AlbumOrder::First() {
    return Fetch(Query::First, Reading::Whole, nullptr);
}

std::optional<Photo> AlbumOrder::Last() {
    return Fetch(Query::Last, Reading::Whole, nullptr);
}

std::optional<Photo> AlbumOrder::After(const OrderKey& place, Reading reading) {
    return Step(true, place, reading);
}

std::optional<Photo> AlbumOrder::Before(const OrderKey& place, Reading reading) {
    return Step(false, place, reading);
}

std::optional<Photo> AlbumOrder::FirstNumbered(const Value& key) {
    const OrderKey place(key);
    return Fetch(Query::Seek, Reading::Whole, &place);
}

// From a photo, its own number's later (or earlier) rows come first, where
// there may be any; a number alone stands for all of them, so only the
// numbers beyond it are looked at.
std::optional<Photo> AlbumOrder::Step(bool forward, const OrderKey& place, Reading reading) {
    if (!numbersUnique_) numbersUnique_ = rowKey_ == "NULL" || NumbersUnique(db_);
    const bool fromRow = place.row && !*numbersUnique_;
    const Query query = forward ? (fromRow ? Query::Next : Query::NextOfNumber)
                                : (fromRow ? Query::Previous : Query::PreviousOfNumber);
    return Fetch(query, reading, &place);
}

// Every query walks the id index, whose order is the album's (number, then
// row), so SQLite never sorts. A step from a row is one statement, so one
// read of the file: the next row of the same number when there is one, else
// the first row of the next number, each found by a seek of its own.
std::string AlbumOrder::Sql(Query query, Reading reading) const {
    const bool keyed = rowKey_ != "NULL";
    const std::string up = keyed ? "ORDER BY id, " + rowKey_ + " LIMIT 1" : "ORDER BY id LIMIT 1";
    const std::string down =
        keyed ? "ORDER BY id DESC, " + rowKey_ + " DESC LIMIT 1" : "ORDER BY id DESC LIMIT 1";
    // `beyond` is ">" forward, "<" back.
    const auto fromRow = [&](const std::string& beyond, const std::string& order) {
        const std::string key = "(SELECT " + rowKey_ + " FROM datab WHERE ";
        return "WHERE " + rowKey_ + " = coalesce(" + key + "id = ?1 AND " + rowKey_ + " " + beyond +
               " ?2 " + order + "), " + key + "id " + beyond + " ?1 " + order + "))";
    };
    std::string rest;
    switch (query) {
        case Query::First:
            rest = up;
            break;
        case Query::Last:
            rest = down;
            break;
        case Query::Seek:
            rest = "WHERE id = ?1 " + up;
            break;
        case Query::Next:
            rest = fromRow(">", up);
            break;
        case Query::Previous:
            rest = fromRow("<", down);
            break;
        case Query::NextOfNumber:
            rest = "WHERE id > ?1 " + up;
            break;
        case Query::PreviousOfNumber:
        case Query::Count:
            rest = "WHERE id < ?1 " + down;
            break;
    }
    if (reading == Reading::Whole) return SelectPhotos(rowKey_, rest);
    // The columns in their places, the texts but the picture's empty.
    return "SELECT id, '', '', '', '', '', nome_file, percorso_file, " + rowKey_ + " FROM datab " +
           rest;
}

std::optional<Photo> AlbumOrder::Fetch(Query query, Reading reading, const OrderKey* place) {
    auto& statement = statements_.at(
        static_cast<std::size_t>(static_cast<int>(reading) * kQueries + static_cast<int>(query)));
    if (!statement) statement.emplace(db_, Sql(query, reading));
    ResetOnExit reset(*statement);
    if (place != nullptr) {
        Bind(*statement, 1, place->id);
        if (query == Query::Next || query == Query::Previous)
            statement->bind(2, static_cast<int64_t>(*place->row));
    }
    if (!statement->executeStep()) return std::nullopt;
    return ReadPhoto(*statement);
}

}  // namespace store::sqlite
