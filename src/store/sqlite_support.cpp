#include "store/sqlite_support.h"

namespace store::sqlite {

Handle Open(const std::string& path, int flags) {
    sqlite3* raw = nullptr;
    const int rc = sqlite3_open_v2(path.c_str(), &raw, flags, nullptr);
    // sqlite3_open_v2 hands back a handle even on failure; close it either way.
    Handle db(raw, [](sqlite3* p) { sqlite3_close_v2(p); });
    if (rc != SQLITE_OK) throw StoreError(ErrorNumber(rc), "'" + path + "': " + sqlite3_errstr(rc));
    sqlite3_extended_result_codes(db.get(), 1);
    return db;
}

int ErrorNumber(int code, int plainError) {
    switch (code & 0xff) {
        case SQLITE_READONLY:
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
        case SQLITE_NOTADB:
            return err::NotValidAlbum;
        case SQLITE_IOERR:
            // A page read past the end of the file: the album was cut short.
            return code == SQLITE_IOERR_SHORT_READ ? err::NotValidAlbum : err::General;
        case SQLITE_ERROR:
            return plainError;
        default:
            return err::General;
    }
}

void Raise(sqlite3* db, int code, std::string_view what, int plainError) {
    std::string message(what);
    message += ": ";
    message +=
        db != nullptr && sqlite3_errcode(db) == code ? sqlite3_errmsg(db) : sqlite3_errstr(code);
    throw StoreError(ErrorNumber(code, plainError), message);
}

Statement Prepare(sqlite3* db, std::string_view sql, int plainError) {
    sqlite3_stmt* raw = nullptr;
    const int rc = sqlite3_prepare_v3(db, sql.data(), static_cast<int>(sql.size()),
                                      SQLITE_PREPARE_PERSISTENT, &raw, nullptr);
    Statement statement(raw);
    if (rc != SQLITE_OK) Raise(db, rc, "istruzione non valida", plainError);
    return statement;
}

void Bind(sqlite3* db, sqlite3_stmt* statement, int index, const Value& value) {
    int rc;
    if (value.isNull()) {
        rc = sqlite3_bind_null(statement, index);
    } else if (value.isInteger()) {
        rc = sqlite3_bind_int64(statement, index, value.integer());
    } else if (value.isReal()) {
        rc = sqlite3_bind_double(statement, index, value.real());
    } else {
        const std::string& text = value.text();
        rc = sqlite3_bind_text64(statement, index, text.data(), text.size(), SQLITE_TRANSIENT,
                                 SQLITE_UTF8);
    }
    if (rc != SQLITE_OK) Raise(db, rc, "parametro non valido");
}

Value Column(sqlite3_stmt* statement, int index) {
    switch (sqlite3_column_type(statement, index)) {
        case SQLITE_NULL:
            return Value();
        case SQLITE_INTEGER:
            return Value(static_cast<std::int64_t>(sqlite3_column_int64(statement, index)));
        case SQLITE_FLOAT:
            return Value(sqlite3_column_double(statement, index));
        default: {
            // Text, and blobs read as their bytes: the album keeps no pictures inside.
            const auto* text = sqlite3_column_text(statement, index);
            const int size = sqlite3_column_bytes(statement, index);
            if (text == nullptr) return Value(std::string());
            return Value(std::string(reinterpret_cast<const char*>(text), size));
        }
    }
}

std::string QuoteName(std::string_view name) {
    std::string quoted = "\"";
    for (char c : name) {
        quoted += c;
        if (c == '"') quoted += '"';
    }
    quoted += '"';
    return quoted;
}

}  // namespace store::sqlite
