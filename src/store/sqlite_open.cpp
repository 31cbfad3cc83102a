// Opening an album file on SQLite: never creating one, only after the checks
// that keep a file that is no album from being touched, and with what the
// file holds kept from doing more than hold data.

#include <sqlite3.h>

#include <filesystem>
#include <vector>

#include "store/album.h"
#include "store/album_columns.h"
#include "store/file_checks.h"
#include "store/sqlite_engine.h"
#include "store/sqlite_header.h"

namespace store {

namespace sqlite {

namespace {

// A datab whose first eight columns are the album's, in order. Reads only the
// schema; never writes. True when the schema holds triggers.
bool CheckShape(SQLite::Database& db, const std::string& path) {
    auto notAnAlbum = [&](const std::string& why) {
        return StoreError(err::NotValidAlbum, "'" + path + "' non è un album: " + why);
    };
    std::vector<std::string> columns;
    bool triggers = false;
    try {
        SQLite::Statement kind(db,
                               "SELECT type, EXISTS (SELECT 1 FROM sqlite_master WHERE type = "
                               "'trigger') FROM sqlite_master WHERE name = 'datab' COLLATE NOCASE");
        if (!kind.executeStep()) throw notAnAlbum("manca la tabella datab");
        if (kind.getColumn(0).getString() != "table") throw notAnAlbum("datab non è una tabella");
        triggers = kind.getColumn(1).getInt() != 0;
        SQLite::Statement info(db, "SELECT name FROM pragma_table_info('datab') ORDER BY cid");
        while (info.executeStep()) columns.push_back(info.getColumn(0).getString());
    } catch (const SQLite::Exception& e) {
        // A schema SQLite cannot even read is no album either.
        const int number = ErrorNumberOf(e);
        if (number == err::General || number == err::AlbumDamaged) throw notAnAlbum(e.what());
        Raise(e, "'" + path + "' non leggibile");
    }
    // Columns after the eight are tolerated: the album reads only its own.
    if (columns.size() < kAlbumColumns.size()) throw notAnAlbum("datab ha meno di otto campi");
    for (std::size_t i = 0; i < kAlbumColumns.size(); ++i) {
        if (!SameName(columns[i], kAlbumColumns[i])) {
            throw notAnAlbum("il campo " + std::to_string(i + 1) + " di datab è '" + columns[i] +
                             "' invece di '" + kAlbumColumns[i] + "'");
        }
    }
    return triggers;
}

// `path` as an SQLite URI naming a file nobody changes while it is open: no
// lock is taken and nothing is written beside it, not even the log's index.
std::string ImmutableUri(const std::string& path) {
    std::error_code ec;
    const std::string absolute = std::filesystem::absolute(path, ec).string();
    std::string uri = "file:";
    static const char* const hex = "0123456789ABCDEF";
    for (const unsigned char c : ec ? path : absolute) {
        if (c == '%' || c == '?' || c == '#' || c < 0x20 || c >= 0x7f) {
            uri += '%';
            uri += hex[c >> 4];
            uri += hex[c & 15];
        } else {
            uri += static_cast<char>(c);
        }
    }
    return uri + "?immutable=1";
}

// Keeps what the album file holds from doing more than hold data: no writing
// of the schema or of pages by hand, no function of the program's own called
// from views or triggers.
void Defend(SQLite::Database& db) {
    // SQLiteCpp has no call for a connection's configuration: SQLite's own.
    sqlite3* handle = db.getHandle();
    sqlite3_db_config(handle, SQLITE_DBCONFIG_DEFENSIVE, 1, nullptr);
    sqlite3_db_config(handle, SQLITE_DBCONFIG_TRUSTED_SCHEMA, 0, nullptr);
}

}  // namespace

std::shared_ptr<SQLite::Database> OpenAlbumFile(const std::string& path, bool readOnly,
                                                bool waitForLocks) {
    CheckAlbumFile(path, readOnly);
    // An album kept with a write-ahead log needs the log's index beside it,
    // even for reading; where nothing may be written it is read as a file
    // nobody changes.
    std::string why;
    const bool immutable = readOnly && ReadSqliteHeader(path).InWalMode() &&
                           FolderWriteProblem(FolderOf(path), why) != 0;
    std::shared_ptr<SQLite::Database> db;
    try {
        // Never OPEN_CREATE, and no URI names but the one made here: the
        // path is a plain file name, and opening never makes a file.
        db = std::make_shared<SQLite::Database>(
            immutable ? ImmutableUri(path) : path,
            readOnly ? SQLite::OPEN_READONLY | (immutable ? SQLite::OPEN_URI : 0)
                     : SQLite::OPEN_READWRITE,
            waitForLocks && !NoLockWaitScope::Active() ? kBusyTimeoutMs : 0);
        Defend(*db);
    } catch (const SQLite::Exception& e) {
        Raise(e, "'" + path + "'");
    }
    // Triggers would run with every change the album makes: one may empty
    // the whole album when a photo is deleted. Such an album is only read.
    if (CheckShape(*db, path) && !readOnly) {
        throw StoreError(err::CannotOpenForWriting,
                         "'" + path + "' contiene trigger: si apre solo in lettura",
                         ReadOnlyCause::Triggers);
    }
    return db;
}

}  // namespace sqlite

namespace {
thread_local bool noLockWait = false;
}  // namespace

NoLockWaitScope::NoLockWaitScope() : outer_(noLockWait) {
    noLockWait = true;
}

NoLockWaitScope::~NoLockWaitScope() {
    noLockWait = outer_;
}

bool NoLockWaitScope::Active() {
    return noLockWait;
}

}  // namespace store
