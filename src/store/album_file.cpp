#include "store/album_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include <SQLiteCpp/Transaction.h>

#include "store/file_checks.h"
#include "store/sqlite_engine.h"
#include "store/store_error.h"

namespace store {

namespace {

std::string CreateTableSql() {
    // id is the rowid, so every cursor move is one step down its b-tree.
    std::string sql =
        std::string("CREATE TABLE datab (") + kAlbumColumns[0] + " INTEGER PRIMARY KEY";
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
        SQLite::Database db(path, SQLite::OPEN_READWRITE);
        SQLite::Transaction transaction(db);
        db.exec(CreateTableSql());
        transaction.commit();
    } catch (const SQLite::Exception& e) {
        // Only the file made above is removed; nothing else was there.
        unlink(path.c_str());
        sqlite::Raise(e, "'" + path + "': impossibile scrivere l'album");
    } catch (...) {
        unlink(path.c_str());
        throw;
    }
}

void SettleAlbumFile(const std::string& path) {
    auto beside = [&](const char* suffix) { return access((path + suffix).c_str(), F_OK) == 0; };
    if (!beside("-journal") && !beside("-wal")) return;
    try {
        // The first read of a writable connection rolls a hot journal back
        // or recovers the log; the checkpoint writes the log into the file.
        CheckAlbumFile(path, false);
        SQLite::Database db(path, SQLite::OPEN_READWRITE, sqlite::kBusyTimeoutMs);
        db.execAndGet("PRAGMA schema_version");
        db.execAndGet("PRAGMA wal_checkpoint(TRUNCATE)");
    } catch (const SQLite::Exception& e) {
        sqlite::Raise(e, "'" + path + "'");
    }
}

}  // namespace store
