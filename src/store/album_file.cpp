#include "store/album_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "store/file_checks.h"
#include "store/sqlite_support.h"
#include "store/store_error.h"

namespace store {

namespace {

std::string CreateTableSql() {
    // id is the rowid, so every cursor move is one step down its b-tree.
    std::string sql = "CREATE TABLE datab (id INTEGER PRIMARY KEY";
    for (std::size_t i = 1; i < kAlbumColumns.size(); ++i) {
        sql += ", ";
        sql += kAlbumColumns[i];
        sql += " TEXT NOT NULL DEFAULT ''";
    }
    return sql + ")";
}

}  // namespace

void CreateAlbum(const std::string& path) {
    auto fail = [&](int number, const std::string& why) {
        return StoreError(number, "'" + path + "': " + why);
    };
    if (path.empty()) throw fail(err::PathNotFound, "nessun percorso indicato");
    std::string why;
    if (const int number = FolderWriteProblem(FolderOf(path), why)) throw fail(number, why);

    // O_EXCL claims the name atomically, so an album that appears meanwhile is
    // never overwritten either.
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) {
        const int error = errno;
        if (error == EEXIST) throw fail(err::AlbumExists, "esiste già");
        if (error == EACCES || error == EROFS || error == EPERM) {
            throw fail(err::CannotOpenForWriting, std::strerror(error));
        }
        if (error == ENOENT || error == ENOTDIR)
            throw fail(err::PathNotFound, std::strerror(error));
        throw fail(err::General, std::strerror(error));
    }
    close(fd);

    try {
        auto db = sqlite::Open(path, SQLITE_OPEN_READWRITE);
        char* message = nullptr;
        const std::string sql = "BEGIN; " + CreateTableSql() + "; COMMIT;";
        const int rc = sqlite3_exec(db.get(), sql.c_str(), nullptr, nullptr, &message);
        sqlite3_free(message);
        if (rc != SQLITE_OK) sqlite::Raise(db.get(), rc, "impossibile scrivere l'album");
    } catch (...) {
        // Only the file made above is removed; nothing else was there.
        unlink(path.c_str());
        throw;
    }
}

}  // namespace store
