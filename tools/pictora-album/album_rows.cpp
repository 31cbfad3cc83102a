#include "album_rows.h"

#include <fcntl.h>
#include <unistd.h>

#include <SQLiteCpp/SQLiteCpp.h>

#include "store/album_columns.h"

namespace album_tool {

void InsertRows(const std::string& path, const std::vector<PhotoRow>& rows,
                const std::function<void(std::int64_t written)>& written) {
    SQLite::Database db(path, SQLite::OPEN_READWRITE);
    // The album is new and nobody else has it: a failure leaves it to be
    // removed, so the rows go in without a journal or a sync at every page,
    // and the finished file is synced once below.
    db.exec("PRAGMA journal_mode = MEMORY");
    db.exec("PRAGMA synchronous = OFF");
    SQLite::Transaction transaction(db);
    SQLite::Statement insert(db, std::string("INSERT INTO datab (") + store::kAlbumColumnList +
                                     ") VALUES (?, ?, ?, ?, ?, ?, ?, ?)");
    std::int64_t count = 0;
    for (const PhotoRow& row : rows) {
        insert.bind(1, static_cast<int64_t>(row.id));
        for (int i = 0; i < 7; ++i) insert.bind(i + 2, row.texts[i]);
        insert.exec();
        insert.reset();
        if (written && ++count % 1024 == 0) written(count);
    }
    transaction.commit();
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0 || fsync(fd) != 0) {
        if (fd >= 0) close(fd);
        throw SQLite::Exception("impossibile salvare l'album sul disco");
    }
    close(fd);
}

}  // namespace album_tool
