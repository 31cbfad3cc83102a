#include "album_rows.h"

#include <SQLiteCpp/SQLiteCpp.h>

namespace album_tool {

void InsertRows(const std::string& path, const std::vector<PhotoRow>& rows) {
    SQLite::Database db(path, SQLite::OPEN_READWRITE);
    SQLite::Transaction transaction(db);
    SQLite::Statement insert(db,
                             "INSERT INTO datab (id, titolo, data_scatto, luogo, persone, note, "
                             "nome_file, percorso_file) VALUES (?, ?, ?, ?, ?, ?, ?, ?)");
    for (const PhotoRow& row : rows) {
        insert.bind(1, static_cast<int64_t>(row.id));
        for (int i = 0; i < 7; ++i) insert.bind(i + 2, row.texts[i]);
        insert.exec();
        insert.reset();
    }
    transaction.commit();
}

}  // namespace album_tool
