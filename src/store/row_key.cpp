#include "store/row_key.h"

#include <sqlite3.h>

#include <SQLiteCpp/Statement.h>

#include <set>

namespace store {

std::string RowKeyOf(SQLite::Database& album) {
    std::set<std::string> columns;
    SQLite::Statement info(album, "SELECT lower(name) FROM pragma_table_info('datab')");
    while (info.executeStep()) columns.insert(info.getColumn(0).getString());
    for (const char* name : {"rowid", "_rowid_", "oid"}) {
        if (columns.count(name) != 0) continue;
        try {
            SQLite::Statement probe(album, std::string("SELECT ") + name + " FROM datab LIMIT 0");
            return name;
        } catch (const SQLite::Exception& e) {
            // A table made WITHOUT ROWID has none by any name.
            const int code = e.getErrorCode() & 0xff;
            if (code == SQLITE_BUSY || code == SQLITE_LOCKED) throw;
            return {};
        }
    }
    return {};
}

}  // namespace store
