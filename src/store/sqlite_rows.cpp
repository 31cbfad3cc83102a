#include "store/sqlite_rows.h"

#include <SQLiteCpp/Transaction.h>

#include <utility>
#include <vector>

#include "store/album_columns.h"
#include "store/sqlite_engine.h"

namespace store::sqlite {

namespace {

// The column a row is found by: its key, or its number in a table without one.
const std::string& KeyColumn(const std::string& rowKey) {
    static const std::string id = kAlbumColumns[0];
    return rowKey == "NULL" ? id : rowKey;
}

}  // namespace

std::string RowKeyOf(SQLite::Database& db) {
    std::vector<std::string> columns;
    SQLite::Statement info(db, "SELECT name FROM pragma_table_info('datab')");
    while (info.executeStep()) columns.push_back(info.getColumn(0).getString());
    for (const char* name : {"rowid", "_rowid_", "oid"}) {
        bool taken = false;
        for (const std::string& column : columns) taken = taken || SameName(column, name);
        if (taken) continue;
        try {
            SQLite::Statement probe(db, std::string("SELECT ") + name + " FROM datab LIMIT 0");
            return name;
        } catch (const SQLite::Exception&) {
            // A table without rowid has none under any name.
            break;
        }
    }
    return "NULL";
}

std::string SelectPhotos(const std::string& rowKey, const std::string& rest) {
    return std::string("SELECT ") + kAlbumColumnList + ", " + rowKey + " FROM datab " + rest;
}

Photo ReadPhoto(const SQLite::Statement& row) {
    Photo photo;
    photo.id = ValueOf(row.getColumn(0));
    photo.texts.titolo = TextOf(row.getColumn(1));
    photo.texts.data_scatto = TextOf(row.getColumn(2));
    photo.texts.luogo = TextOf(row.getColumn(3));
    photo.texts.persone = TextOf(row.getColumn(4));
    photo.texts.note = TextOf(row.getColumn(5));
    photo.texts.nome_file = TextOf(row.getColumn(6));
    photo.texts.percorso_file = TextOf(row.getColumn(7));
    if (row.getColumnCount() > 8 && row.getColumn(8).isInteger())
        photo.row = row.getColumn(8).getInt64();
    return photo;
}

RowWriter::RowWriter(SQLite::Database& db, std::string rowKey)
    : db_(db), rowKey_(std::move(rowKey)) {}

namespace {

// The key the row `shown` was read from is found by.
Value KeyOf(const Photo& shown) {
    return shown.row ? Value(*shown.row) : shown.id;
}

}  // namespace

RowWriter::Result RowWriter::Write(const Photo& shown, Field field, const std::string& text) {
    SQLite::Transaction transaction(db_, SQLite::TransactionBehavior::IMMEDIATE);
    Photo now = ReadShown(shown);
    const std::string& held = TextOf(now.texts, field);
    if (held == text) {
        transaction.commit();
        return {Outcome::AlreadyThere, std::move(now)};
    }
    // Rolled back on the way out: nothing was written.
    if (held != TextOf(shown.texts, field)) return {Outcome::ChangedMeanwhile, std::move(now)};
    SQLite::Statement& update = Update(field);
    {
        ResetOnExit reset(update);
        update.bind(1, text);
        ChangeOneRow(update, shown);
    }
    std::optional<Photo> written = Read(KeyOf(shown));
    if (!written) {
        throw StoreError(err::PhotoGone, "la foto " + shown.id.toText() + " non si rilegge");
    }
    transaction.commit();
    return {Outcome::Written, std::move(*written)};
}

void RowWriter::Delete(const Photo& shown) {
    SQLite::Transaction transaction(db_, SQLite::TransactionBehavior::IMMEDIATE);
    ReadShown(shown);
    if (!delete_) {
        delete_.emplace(db_, "DELETE FROM datab WHERE " + KeyColumn(rowKey_) + " = ?2 AND " +
                                 kAlbumColumns[0] + " IS ?3");
    }
    {
        ResetOnExit reset(*delete_);
        ChangeOneRow(*delete_, shown);
    }
    transaction.commit();
}

Photo RowWriter::ReadShown(const Photo& shown) {
    std::optional<Photo> now = Read(KeyOf(shown));
    // The picture tells the photo: a row renumbered, or another photo put in
    // the row of one deleted, is no longer the photo shown.
    if (!now || !(now->id == shown.id) || now->texts.nome_file != shown.texts.nome_file ||
        now->texts.percorso_file != shown.texts.percorso_file) {
        throw StoreError(err::PhotoGone,
                         "la foto " + shown.id.toText() + " non è più nella sua riga dell'album");
    }
    return std::move(*now);
}

std::optional<Photo> RowWriter::Read(const Value& key) {
    if (!read_) read_.emplace(db_, SelectPhotos(rowKey_, "WHERE " + KeyColumn(rowKey_) + " = ?1"));
    ResetOnExit reset(*read_);
    Bind(*read_, 1, key);
    if (!read_->executeStep()) return std::nullopt;
    return ReadPhoto(*read_);
}

void RowWriter::ChangeOneRow(SQLite::Statement& statement, const Photo& shown) {
    Bind(statement, 2, KeyOf(shown));
    Bind(statement, 3, shown.id);
    // Two rows of one number in a table without rowid: neither is changed,
    // the transaction rolling back.
    if (statement.exec() != 1) {
        throw StoreError(err::DuplicateKey,
                         "più righe dell'album hanno il numero " + shown.id.toText());
    }
}

// One column of one row, the column named from the album's own list, never
// from text that came from elsewhere; the row by its key and its number.
SQLite::Statement& RowWriter::Update(Field field) {
    const auto index = static_cast<std::size_t>(field);
    auto& statement = updates_.at(index);
    if (!statement) {
        statement.emplace(db_, std::string("UPDATE datab SET ") + kAlbumColumns.at(index + 1) +
                                   " = ?1 WHERE " + KeyColumn(rowKey_) + " = ?2 AND " +
                                   kAlbumColumns[0] + " IS ?3");
    }
    return *statement;
}

}  // namespace store::sqlite
