#include "store/sqlite_batch.h"

#include <SQLiteCpp/Statement.h>
#include <SQLiteCpp/Transaction.h>

#include <array>
#include <string>

#include "store/album_columns.h"
#include "store/sqlite_engine.h"

namespace store::sqlite {

namespace {

// A text column as the album's readers take it: a number another program
// stored there as its text, null as empty text.
std::string TextOf(const SQLite::Column& column) {
    if (column.isText()) return column.getString();
    return ValueOf(column).toText();
}

}  // namespace

std::vector<Value> InsertPhotos(SQLite::Database& db, std::span<const PhotoTexts> photos) {
    std::vector<Value> numbers;
    if (photos.empty()) return numbers;
    numbers.reserve(photos.size());
    // The write lock comes first: the highest number is read under it.
    SQLite::Transaction transaction(db, SQLite::TransactionBehavior::IMMEDIATE);
    std::optional<Value> highest;
    {
        SQLite::Statement last(db, "SELECT id FROM datab ORDER BY id DESC LIMIT 1");
        if (last.executeStep()) highest = ValueOf(last.getColumn(0));
    }
    // The columns are named, as InsertPhoto names them.
    SQLite::Statement insert(db, std::string("INSERT INTO datab (") + kAlbumColumnList +
                                     ") VALUES (?, ?, ?, ?, ?, ?, ?, ?)");
    for (const PhotoTexts& texts : photos) {
        // Raises when the number cannot grow: the transaction rolls back.
        Value number = NumberAfter(highest);
        const std::array<const std::string*, 7> values = {
            &texts.titolo, &texts.data_scatto, &texts.luogo,        &texts.persone,
            &texts.note,   &texts.nome_file,   &texts.percorso_file};
        {
            ResetOnExit reset(insert);
            Bind(insert, 1, number);
            for (std::size_t i = 0; i < values.size(); ++i)
                insert.bind(static_cast<int>(i) + 2, *values[i]);
            insert.exec();
        }
        highest = number;
        numbers.push_back(std::move(number));
    }
    transaction.commit();
    return numbers;
}

void VisitPicturePlaces(SQLite::Database& db, const Album::PicturePlaceVisitor& visit) {
    SQLite::Statement places(db, "SELECT percorso_file, nome_file FROM datab");
    ResetOnExit reset(places);
    while (places.executeStep()) visit(TextOf(places.getColumn(0)), TextOf(places.getColumn(1)));
}

}  // namespace store::sqlite
