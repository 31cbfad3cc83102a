#pragma once

// Small RAII and error helpers over the SQLite C interface, for the store's
// own SQLite code only.

#include <sqlite3.h>

#include <memory>
#include <string>
#include <string_view>

#include "store/store_error.h"
#include "store/value.h"

namespace store::sqlite {

struct StatementFinalizer {
    void operator()(sqlite3_stmt* statement) const { sqlite3_finalize(statement); }
};
using Statement = std::unique_ptr<sqlite3_stmt, StatementFinalizer>;

// Shared by the connection and its result sets, so the handle outlives every
// statement prepared on it whatever order they are destroyed in.
using Handle = std::shared_ptr<sqlite3>;

// Opens `path` without ever creating it; raises the mapped error on failure.
Handle Open(const std::string& path, int flags);

// The store's error number for an (extended) SQLite result code. A plain
// SQLITE_ERROR maps to `plainError`: a syntax error for statements the caller
// wrote, a general error for the store's own.
int ErrorNumber(int code, int plainError = err::General);

[[noreturn]] void Raise(sqlite3* db, int code, std::string_view what,
                        int plainError = err::General);

// Prepares one statement; raises with SQLITE_ERROR mapped to `plainError`.
Statement Prepare(sqlite3* db, std::string_view sql, int plainError = err::General);

void Bind(sqlite3* db, sqlite3_stmt* statement, int index, const Value& value);
Value Column(sqlite3_stmt* statement, int index);

// Resets a statement when the scope ends, so no read lock outlives a step.
class ResetOnExit {
public:
    explicit ResetOnExit(sqlite3_stmt* statement) : statement_(statement) {}
    ~ResetOnExit() {
        sqlite3_reset(statement_);
        sqlite3_clear_bindings(statement_);
    }
    ResetOnExit(const ResetOnExit&) = delete;
    ResetOnExit& operator=(const ResetOnExit&) = delete;

private:
    sqlite3_stmt* statement_;
};

// An SQL identifier in double quotes, quotes inside doubled.
std::string QuoteName(std::string_view name);

}  // namespace store::sqlite
