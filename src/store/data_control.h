#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "photo_index.h"
#include "store_error.h"
#include "value.h"

namespace store {

// The result set of the album query, with one cursor over it.
//
// The cursor never holds the whole result: it remembers where it stands (the
// id of the current row, or before the first, or after the last) and every
// move asks the engine for the neighbouring row through the id index, so each
// operation costs O(log n) however large the album is. Moves read the table as
// it stands at that moment.
//
// Positions and flags:
//  - on a row: Bof() and Eof() false, Fields() reads it;
//  - before the first row: Bof() true; after the last: Eof() true;
//  - on a row just deleted: neither flag, but no current row either;
//  - empty result at Refresh: Bof() and Eof() both true.
class ResultSet {
public:
    virtual ~ResultSet() = default;

    // (Named Bof/Eof because EOF is a macro of the C library.)
    virtual bool Bof() const = 0;
    virtual bool Eof() const = 0;
    // True when the cursor stands on a row that Fields() can read.
    virtual bool HasCurrentRow() const = 0;

    // MoveFirst/MoveLast raise 3021 on an empty result. MoveNext raises 3021
    // when Eof() is already true, MovePrevious when Bof() is true; otherwise
    // running off either end just sets the flag.
    virtual void MoveFirst() = 0;
    virtual void MoveLast() = 0;
    virtual void MoveNext() = 0;
    virtual void MovePrevious() = 0;

    // Removes the current row from the table at once (3021 with no current
    // row, 3027 on an album opened for reading). The cursor is then on no row
    // until the next move; MoveNext and MovePrevious go on from where it was.
    virtual void Delete() = 0;

    // The named column of the current row: 3021 with no current row, 3265
    // when the result set has no such column.
    virtual Value Fields(std::string_view name) const = 0;

    // Column names of the result set, in order.
    virtual const std::vector<std::string>& Columns() const = 0;

    // Moves onto the first row, in album order, whose id equals `number`
    // exactly, and returns true; returns false and leaves the cursor where it
    // was when there is none. One indexed lookup, whatever the album's size.
    virtual bool SeekId(double number) = 0;
};

// The open database file.
class Connection {
public:
    virtual ~Connection() = default;

    // Runs one statement at once. The values in `params` are bound to the
    // statement's ? placeholders in order and never pasted into its text.
    // Raises 3027 on an album opened for reading, 3022 for an id already
    // there, 3260 when another program still holds the album locked after a
    // wait of about three seconds, 3026 when the disk is full, 3075 for a
    // syntax error or a second statement after a ";", 3000 for the rest
    // (a placeholder without its value, say).
    virtual void Execute(const std::string& sql, const std::vector<Value>& params = {}) = 0;

    // Runs `sql` as the album query and returns its result set, its cursor on
    // the first row. Accepts the bare table name "datab" and
    // "SELECT <* or columns> FROM datab ORDER BY id"; anything else raises 3075.
    virtual std::unique_ptr<ResultSet> OpenResultSet(const std::string& sql) = 0;
};

// Opens album files. The SQLite engine is the one the program ships; another
// (a reader of older album files, say) can stand behind the same seam.
class Engine {
public:
    virtual ~Engine() = default;
    // Raises 3024 for a missing file, 3055 for a file that is not a valid
    // album, 3051 when readOnly is false and the file may not be written.
    virtual std::unique_ptr<Connection> Open(const std::string& path, bool readOnly) = 0;
    // Opens the album at `path` for reading by the photo list (same errors).
    virtual std::unique_ptr<PhotoIndex> OpenPhotoIndex(const std::string& path) = 0;
};

std::unique_ptr<Engine> MakeSqliteEngine();

// The data control of the album window: the album file, the query, and the
// one cursor every command moves. Bound text boxes listen to it.
class DataControl {
public:
    explicit DataControl(std::unique_ptr<Engine> engine = MakeSqliteEngine());
    ~DataControl();
    DataControl(const DataControl&) = delete;
    DataControl& operator=(const DataControl&) = delete;

    std::string DatabaseName;
    std::string RecordSource = "datab";
    bool ReadOnly = false;

    // Closes what is open, opens DatabaseName (for reading only when ReadOnly
    // is true), runs RecordSource and puts the cursor on the first row. On
    // failure nothing stays open and the error is raised.
    void Refresh();

    // The open result set and database; 3420 before the first successful
    // Refresh. The references stay valid for the control's whole life and
    // always reach what the latest Refresh opened (3420 from any call while
    // nothing is open), so one kept across a Refresh is safe.
    ResultSet& Recordset();
    Connection& Database();
    bool IsOpen() const;

    // Every photo of the album file now open, for the photo list: read on a
    // connection of its own, through the same engine (3420 when nothing is
    // open).
    std::unique_ptr<PhotoIndex> OpenPhotoIndex() const;

    // Told after every Refresh, move and Delete: `rows` is the result set
    // (nullptr when nothing is open); BoundText() gives a column's text.
    using Listener = std::function<void(const ResultSet* rows)>;
    int AddListener(Listener listener);
    void RemoveListener(int id);

    // What a box bound to `column` shows: the current row's value as text,
    // or empty text when there is no current row or no such column.
    static std::string BoundText(const ResultSet* rows, std::string_view column);

private:
    class Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace store
