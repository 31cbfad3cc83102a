#include "store/sqlite_insert.h"

#include <SQLiteCpp/Transaction.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>

#include "store/album_columns.h"
#include "store/sqlite_engine.h"
#include "store/store_error.h"

namespace store::sqlite {

namespace {

constexpr std::int64_t kHighestNumber = std::numeric_limits<std::int64_t>::max();

constexpr const char* kHighestSql = "SELECT id FROM datab ORDER BY id DESC LIMIT 1";

// The columns are named, so an album whose table carries columns of its own
// after the eight takes new photos too.
std::string InsertSql() {
    return std::string("INSERT INTO datab (") + kAlbumColumnList +
           ") VALUES (?, ?, ?, ?, ?, ?, ?, ?)";
}

// Writes the photo numbered `number` through `insert`.
void Write(SQLite::Statement& insert, const Value& number, const PhotoTexts& texts) {
    ResetOnExit reset(insert);
    Bind(insert, 1, number);
    const std::array<const std::string*, 7> values = {
        &texts.titolo, &texts.data_scatto, &texts.luogo,        &texts.persone,
        &texts.note,   &texts.nome_file,   &texts.percorso_file};
    for (std::size_t i = 0; i < values.size(); ++i)
        insert.bind(static_cast<int>(i) + 2, *values[i]);
    insert.exec();
}

std::optional<Value> Highest(SQLite::Statement& highest) {
    ResetOnExit reset(highest);
    if (highest.executeStep()) return ValueOf(highest.getColumn(0));
    return std::nullopt;
}

[[noreturn]] void RangeFull(const std::string& highest) {
    throw StoreError(err::NumberRangeFull,
                     "il numero più alto dell'album (" + highest + ") non può crescere");
}

}  // namespace

// Whole numbers are counted as integers, so they stay exact at any size; a
// number stored as a real (an album made elsewhere) grows by one as a real.
Value NumberAfter(const std::optional<Value>& highest) {
    if (!highest) return Value(std::int64_t{1});
    if (highest->isInteger()) {
        if (highest->integer() == kHighestNumber) RangeFull(highest->toText());
        return Value(highest->integer() + 1);
    }
    // Text (or null) where a number belongs reads as the number it spells, or 0.
    const double h = highest->isReal() ? highest->real() : highest->toNumber();
    if (const auto whole = WholeNumber(h)) {
        if (*whole == kHighestNumber) RangeFull(highest->toText());
        return Value(*whole + 1);
    }
    const double next = h + 1;
    if (!std::isfinite(next) || next == h) RangeFull(highest->toText());
    if (const auto whole = WholeNumber(next)) return Value(*whole);
    return Value(next);
}

Value PhotoInserter::Insert(const PhotoTexts& texts) {
    // The write lock is taken before the highest number is read, so no other
    // program can add a photo between the reading and the writing: the
    // number is never taken twice and never retried.
    SQLite::Transaction transaction(db_, SQLite::TransactionBehavior::IMMEDIATE);
    if (!highest_) highest_.emplace(db_, kHighestSql);
    // Raises when the number cannot grow; the transaction then rolls back.
    const Value number = NumberAfter(Highest(*highest_));
    if (!insert_) insert_.emplace(db_, InsertSql());
    Write(*insert_, number, texts);
    transaction.commit();
    return number;
}

std::vector<Value> InsertPhotos(SQLite::Database& db, std::span<const PhotoTexts> photos) {
    std::vector<Value> numbers;
    if (photos.empty()) return numbers;
    numbers.reserve(photos.size());
    // The write lock comes first: the highest number is read under it.
    SQLite::Transaction transaction(db, SQLite::TransactionBehavior::IMMEDIATE);
    std::optional<Value> highest;
    {
        SQLite::Statement last(db, kHighestSql);
        highest = Highest(last);
    }
    SQLite::Statement insert(db, InsertSql());
    for (const PhotoTexts& texts : photos) {
        // Raises when the number cannot grow: the transaction rolls back.
        Value number = NumberAfter(highest);
        Write(insert, number, texts);
        highest = number;
        numbers.push_back(std::move(number));
    }
    transaction.commit();
    return numbers;
}

}  // namespace store::sqlite
