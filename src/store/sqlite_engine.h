#pragma once

// What the SQLite engine's own files share: opening a file (sqlite_open.cpp),
// the one map from SQLite's result codes to the program's numbers
// (sqlite_errors.cpp), and values in and out of statements
// (sqlite_values.cpp). Only the store's SQLite code includes this.

#include <SQLiteCpp/Column.h>
#include <SQLiteCpp/Database.h>
#include <SQLiteCpp/Exception.h>
#include <SQLiteCpp/Statement.h>

#include <memory>
#include <string>

#include "store/store_error.h"
#include "store/value.h"

namespace store::sqlite {

// Long enough for another Pictora adding a photo to finish its write, short
// enough that a command on an album locked for good answers soon.
inline constexpr int kBusyTimeoutMs = 3000;

// The store's error number for an SQLite result code (primary or extended).
int ErrorNumber(int code);

// The store's error number for the SQLite failure `e`.
int ErrorNumberOf(const SQLite::Exception& e);

// The SQLite failure `e` as the program's error, `what` saying what was being
// done.
[[noreturn]] void Raise(const SQLite::Exception& e, const std::string& what);

// Opens the album file at `path` without ever creating it, after the checks
// that keep a file that is no album from being touched, and makes sure it
// holds a datab of the album's shape (3055 otherwise). Waits up to
// kBusyTimeoutMs for a lock, or not at all with `waitForLocks` false.
std::shared_ptr<SQLite::Database> OpenAlbumFile(const std::string& path, bool readOnly,
                                                bool waitForLocks = true);

// sqlite_values.cpp
void Bind(SQLite::Statement& statement, int index, const Value& value);
Value ValueOf(const SQLite::Column& column);

// A text column as the album's readers take it: a number another program
// stored there read as its text, null as empty text.
std::string TextOf(const SQLite::Column& column);

// Resets a statement when the scope ends, whatever happens, so no read lock
// outlives a step.
class ResetOnExit {
public:
    explicit ResetOnExit(SQLite::Statement& statement) : statement_(statement) {}
    ~ResetOnExit() { statement_.tryReset(); }
    ResetOnExit(const ResetOnExit&) = delete;
    ResetOnExit& operator=(const ResetOnExit&) = delete;

private:
    SQLite::Statement& statement_;
};

}  // namespace store::sqlite
