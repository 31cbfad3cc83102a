#include "store/sqlite_pictures.h"

#include <SQLiteCpp/Statement.h>
#include <SQLiteCpp/Transaction.h>

#include <array>
#include <string>

#include "store/album_columns.h"
#include "store/sqlite_engine.h"
#include "store/store_error.h"

namespace store::sqlite {

namespace {

// The name the row's identity goes by in this album: the first of SQLite's
// three that no column of datab has taken for itself.
std::string RowIdName(SQLite::Database& db) {
    static constexpr std::array<const char*, 3> kNames = {"rowid", "_rowid_", "oid"};
    SQLite::Statement columns(db, "SELECT name FROM pragma_table_info('datab')");
    std::array<bool, kNames.size()> taken{};
    while (columns.executeStep()) {
        const std::string column = columns.getColumn(0).getString();
        for (std::size_t i = 0; i < kNames.size(); ++i)
            taken[i] = taken[i] || SameName(column, kNames[i]);
    }
    for (std::size_t i = 0; i < kNames.size(); ++i) {
        if (!taken[i]) return kNames[i];
    }
    throw StoreError(err::General, "le righe dell'album non si possono distinguere");
}

// A text column as the album shows it: null as empty text, anything else as
// its text. Reading and rewriting compare the same form.
std::string Texted(const char* column) {
    return std::string("IFNULL(CAST(") + column + " AS TEXT), '')";
}

}  // namespace

std::vector<PicturePlace> ReadPicturePlaces(SQLite::Database& db) {
    const std::string row = RowIdName(db);
    SQLite::Statement query(db, "SELECT " + row + ", id, " + Texted("percorso_file") + ", " +
                                    Texted("nome_file") + ", " + Texted("data_scatto") +
                                    " FROM datab ORDER BY " + row);
    std::vector<PicturePlace> places;
    while (query.executeStep()) {
        PicturePlace place;
        place.row = query.getColumn(0).getInt64();
        place.id = ValueOf(query.getColumn(1));
        place.folder = query.getColumn(2).getString();
        place.name = query.getColumn(3).getString();
        place.date = query.getColumn(4).getString();
        places.push_back(std::move(place));
    }
    return places;
}

std::size_t RelinkPictures(SQLite::Database& db, const std::vector<PictureMove>& moves) {
    // Every new picture is looked at before the album is locked for writing.
    std::vector<const PictureMove*> there;
    for (const PictureMove& move : moves) {
        if (PictureIsThere(move.newFolder, move.newName)) there.push_back(&move);
    }
    const std::string row = RowIdName(db);
    SQLite::Transaction transaction(db, SQLite::TransactionBehavior::IMMEDIATE);
    SQLite::Statement update(db, "UPDATE datab SET percorso_file = ?1, nome_file = ?2 WHERE " +
                                     row + " = ?3 AND " + Texted("percorso_file") + " = ?4 AND " +
                                     Texted("nome_file") + " = ?5");
    std::size_t written = 0;
    for (const PictureMove* move : there) {
        update.bind(1, move->newFolder);
        update.bind(2, move->newName);
        update.bind(3, static_cast<int64_t>(move->row));
        update.bind(4, move->oldFolder);
        update.bind(5, move->oldName);
        written += static_cast<std::size_t>(update.exec());
        update.reset();
    }
    transaction.commit();
    return written;
}

void VisitPicturePlaces(SQLite::Database& db, const Album::PicturePlaceVisitor& visit) {
    SQLite::Statement places(db, "SELECT percorso_file, nome_file FROM datab");
    ResetOnExit reset(places);
    while (places.executeStep()) visit(TextOf(places.getColumn(0)), TextOf(places.getColumn(1)));
}

}  // namespace store::sqlite
