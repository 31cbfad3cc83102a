// SQLite's failures as the program's errors: one map from SQLite's result
// codes to the store's numbers.

#include <sqlite3.h>

#include "store/sqlite_engine.h"

namespace store::sqlite {

int ErrorNumber(int code) {
    switch (code & 0xff) {
        case SQLITE_READONLY:
            // The open file is no longer the one at the album's path.
            if (code == SQLITE_READONLY_DBMOVED) return err::AlbumReplaced;
            return err::ReadOnlyDatabase;
        case SQLITE_BUSY:
        case SQLITE_LOCKED:
            return err::Locked;
        case SQLITE_CONSTRAINT:
            if (code == SQLITE_CONSTRAINT_PRIMARYKEY || code == SQLITE_CONSTRAINT_UNIQUE ||
                code == SQLITE_CONSTRAINT_ROWID) {
                return err::DuplicateKey;
            }
            return err::General;
        case SQLITE_FULL:
            return err::DiskFull;
        case SQLITE_CANTOPEN:
            // The file, or the journal beside it, could not be opened.
            return err::CannotOpenForWriting;
        case SQLITE_CORRUPT:
            // A page of an album that opened as one cannot be read.
            return err::AlbumDamaged;
        case SQLITE_NOTADB:
            return err::NotValidAlbum;
        case SQLITE_IOERR:
            // A page read past the end of the file: the album was cut short.
            return code == SQLITE_IOERR_SHORT_READ ? err::NotValidAlbum : err::General;
        default:
            return err::General;
    }
}

int ErrorNumberOf(const SQLite::Exception& e) {
    // The extended code when the connection still holds the failure's own,
    // else the code the step returned.
    const int code = e.getErrorCode();
    const int extended = e.getExtendedErrorCode();
    return ErrorNumber(extended > 0 && (extended & 0xff) == (code & 0xff) ? extended : code);
}

void Raise(const SQLite::Exception& e, const std::string& what) {
    throw StoreError(ErrorNumberOf(e), what + ": " + e.what());
}

}  // namespace store::sqlite
