// Values in and out of the store's SQLite statements.

#include <cstdint>

#include "store/sqlite_engine.h"

namespace store::sqlite {

void Bind(SQLite::Statement& statement, int index, const Value& value) {
    if (value.isInteger()) {
        statement.bind(index, static_cast<int64_t>(value.integer()));
    } else if (value.isReal()) {
        statement.bind(index, value.real());
    } else if (value.isText()) {
        statement.bind(index, value.text());
    } else {
        statement.bind(index);
    }
}

Value ValueOf(const SQLite::Column& column) {
    if (column.isInteger()) return Value(static_cast<std::int64_t>(column.getInt64()));
    if (column.isFloat()) return Value(column.getDouble());
    if (column.isNull()) return Value();
    // Text, and blobs read as their bytes: the album keeps no pictures inside.
    return Value(column.getString());
}

std::string TextOf(const SQLite::Column& column) {
    if (column.isText()) return column.getString();
    return ValueOf(column).toText();
}

}  // namespace store::sqlite
