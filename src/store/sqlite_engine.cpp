// The album store on SQLite: a keyset cursor that keeps only the current id
// and asks the id index for every neighbour, so nothing ever reads the whole
// table.

#include <array>
#include <cmath>
#include <list>
#include <optional>
#include <utility>

#include "store/album_file.h"
#include "store/data_control.h"
#include "store/file_checks.h"
#include "store/record_source.h"
#include "store/sqlite_support.h"

namespace store {

namespace {

// Long enough for another Pictora adding a photo to finish its write.
constexpr int kBusyTimeoutMs = 3000;

class SqliteRows final : public ResultSet {
public:
    SqliteRows(sqlite::Handle db, const std::string& selectList, std::vector<std::string> columns)
        : db_(std::move(db)), columns_(std::move(columns)) {
        const std::string base = "SELECT id, " + selectList + " FROM datab ";
        sql_ = {
            base + "ORDER BY id LIMIT 1",
            base + "ORDER BY id DESC LIMIT 1",
            base + "WHERE id > ?1 ORDER BY id LIMIT 1",
            base + "WHERE id < ?1 ORDER BY id DESC LIMIT 1",
            base + "WHERE id = ?1 ORDER BY id LIMIT 1",
            "DELETE FROM datab WHERE id = ?1",
        };
    }

    // Onto the first row. The last is read too: a damaged album shows itself
    // now rather than on the first MoveLast.
    void Start() {
        if (auto first = Fetch(Query::First, nullptr)) {
            Fetch(Query::Last, nullptr);
            Land(std::move(*first));
        } else {
            place_ = Place::Empty;
        }
    }

    bool Bof() const override { return place_ == Place::Empty || place_ == Place::BeforeFirst; }
    bool Eof() const override { return place_ == Place::Empty || place_ == Place::AfterLast; }
    bool HasCurrentRow() const override { return place_ == Place::OnRow; }

    void MoveFirst() override { Land(FetchOrRaise(Query::First)); }
    void MoveLast() override { Land(FetchOrRaise(Query::Last)); }

    void MoveNext() override {
        if (Eof()) NoCurrentRow("MoveNext oltre la fine");
        auto row =
            place_ == Place::BeforeFirst ? Fetch(Query::First, nullptr) : Fetch(Query::Next, &key_);
        if (row) {
            Land(std::move(*row));
        } else {
            place_ = Place::AfterLast;
            values_.clear();
        }
    }

    void MovePrevious() override {
        if (Bof()) NoCurrentRow("MovePrevious oltre l'inizio");
        auto row = place_ == Place::AfterLast ? Fetch(Query::Last, nullptr)
                                              : Fetch(Query::Previous, &key_);
        if (row) {
            Land(std::move(*row));
        } else {
            place_ = Place::BeforeFirst;
            values_.clear();
        }
    }

    void Delete() override {
        if (place_ != Place::OnRow) NoCurrentRow("Delete senza record corrente");
        sqlite3_stmt* statement = Get(Query::Delete);
        sqlite::ResetOnExit reset(statement);
        sqlite::Bind(db_.get(), statement, 1, key_);
        const int rc = sqlite3_step(statement);
        if (rc != SQLITE_DONE) sqlite::Raise(db_.get(), rc, "impossibile eliminare il record");
        // key_ stays: the next move goes on from the deleted row's place.
        place_ = Place::Deleted;
        values_.clear();
    }

    Value Fields(std::string_view name) const override {
        const int index = IndexOf(name);
        if (index < 0) {
            throw StoreError(err::ItemNotFound,
                             "campo '" + std::string(name) + "' non presente nel recordset");
        }
        if (place_ != Place::OnRow) NoCurrentRow("nessun record corrente");
        return values_[index];
    }

    const std::vector<std::string>& Columns() const override { return columns_; }

    bool SeekId(double number) override {
        if (!std::isfinite(number)) return false;
        // Whole numbers go in as integers so ids beyond 2^53 compare exactly;
        // anything else compares as a real and so matches no whole id.
        constexpr double kTwoTo63 = 9223372036854775808.0;
        Value key = number;
        if (number == std::trunc(number) && number >= -kTwoTo63 && number < kTwoTo63) {
            key = Value(static_cast<std::int64_t>(number));
        }
        auto row = Fetch(Query::Seek, &key);
        if (!row) return false;
        Land(std::move(*row));
        return true;
    }

private:
    enum class Query { First, Last, Next, Previous, Seek, Delete, Count };
    enum class Place { Empty, BeforeFirst, OnRow, Deleted, AfterLast };
    struct Row {
        Value key;
        std::vector<Value> values;
    };

    [[noreturn]] static void NoCurrentRow(const char* what) {
        throw StoreError(err::NoCurrentRecord, what);
    }

    // Statements are prepared on first use and kept for the result set's life.
    sqlite3_stmt* Get(Query query) {
        auto& statement = statements_[static_cast<int>(query)];
        if (!statement) statement = sqlite::Prepare(db_.get(), sql_[static_cast<int>(query)]);
        return statement.get();
    }

    std::optional<Row> Fetch(Query query, const Value* key) {
        sqlite3_stmt* statement = Get(query);
        sqlite::ResetOnExit reset(statement);
        if (key != nullptr) sqlite::Bind(db_.get(), statement, 1, *key);
        const int rc = sqlite3_step(statement);
        if (rc == SQLITE_DONE) return std::nullopt;
        if (rc != SQLITE_ROW) sqlite::Raise(db_.get(), rc, "impossibile leggere l'album");
        Row row;
        row.key = sqlite::Column(statement, 0);
        row.values.reserve(columns_.size());
        for (std::size_t i = 0; i < columns_.size(); ++i) {
            row.values.push_back(sqlite::Column(statement, static_cast<int>(i) + 1));
        }
        return row;
    }

    Row FetchOrRaise(Query query) {
        auto row = Fetch(query, nullptr);
        if (!row) NoCurrentRow("l'album è vuoto");
        return std::move(*row);
    }

    void Land(Row row) {
        key_ = std::move(row.key);
        values_ = std::move(row.values);
        place_ = Place::OnRow;
    }

    int IndexOf(std::string_view name) const {
        for (std::size_t i = 0; i < columns_.size(); ++i) {
            if (SameName(columns_[i], name)) return static_cast<int>(i);
        }
        return -1;
    }

    sqlite::Handle db_;
    std::vector<std::string> columns_;
    std::array<std::string, static_cast<int>(Query::Count)> sql_;
    std::array<sqlite::Statement, static_cast<int>(Query::Count)> statements_;
    Place place_ = Place::Empty;
    Value key_;                  // id of the current or just deleted row
    std::vector<Value> values_;  // the current row, as read when the cursor landed
};

class SqliteConnection final : public Connection {
public:
    SqliteConnection(sqlite::Handle db, std::vector<std::string> tableColumns)
        : db_(std::move(db)), tableColumns_(std::move(tableColumns)) {}

    void Execute(const std::string& sql, const std::vector<Value>& params) override {
        sqlite3_stmt* statement = Cached(sql);
        sqlite::ResetOnExit reset(statement);
        const int expected = sqlite3_bind_parameter_count(statement);
        if (expected != static_cast<int>(params.size())) {
            throw StoreError(err::General, "l'istruzione chiede " + std::to_string(expected) +
                                               " parametri, ne ha " +
                                               std::to_string(params.size()));
        }
        for (std::size_t i = 0; i < params.size(); ++i) {
            sqlite::Bind(db_.get(), statement, static_cast<int>(i) + 1, params[i]);
        }
        int rc;
        while ((rc = sqlite3_step(statement)) == SQLITE_ROW) {
        }
        if (rc != SQLITE_DONE) sqlite::Raise(db_.get(), rc, "istruzione non eseguita");
    }

    std::unique_ptr<ResultSet> OpenResultSet(const std::string& sql) override {
        const auto query = ParseRecordSource(sql);
        if (!query) throw StoreError(err::SyntaxError, "RecordSource non valido: " + sql);
        std::string selectList;
        std::vector<std::string> columns;
        if (query->allColumns) {
            selectList = "*";
            columns = tableColumns_;
        } else {
            for (const std::string& name : query->columns) {
                bool known = false;
                for (const std::string& column : tableColumns_) known |= SameName(column, name);
                if (!known) {
                    throw StoreError(err::SyntaxError,
                                     "RecordSource non valido: il campo '" + name + "' non esiste");
                }
                if (!selectList.empty()) selectList += ", ";
                selectList += sqlite::QuoteName(name);
            }
            columns = query->columns;
        }
        auto rows = std::make_unique<SqliteRows>(db_, selectList, std::move(columns));
        rows->Start();
        return rows;
    }

private:
    // Execute keeps its last few statements prepared: adding photos one after
    // another runs the same INSERT each time.
    sqlite3_stmt* Cached(const std::string& sql) {
        for (auto it = cache_.begin(); it != cache_.end(); ++it) {
            if (it->first == sql) {
                cache_.splice(cache_.begin(), cache_, it);
                return cache_.front().second.get();
            }
        }
        sqlite3_stmt* raw = nullptr;
        const char* tail = nullptr;
        int rc = sqlite3_prepare_v3(db_.get(), sql.c_str(), static_cast<int>(sql.size()),
                                    SQLITE_PREPARE_PERSISTENT, &raw, &tail);
        sqlite::Statement statement(raw);
        if (rc != SQLITE_OK) {
            sqlite::Raise(db_.get(), rc, "istruzione non valida", err::SyntaxError);
        }
        if (!statement) throw StoreError(err::SyntaxError, "istruzione vuota");
        // One statement only: a second one after a ";" is refused, not ignored.
        sqlite3_stmt* rest = nullptr;
        rc = sqlite3_prepare_v2(db_.get(), tail, -1, &rest, nullptr);
        sqlite3_finalize(rest);
        if (rc != SQLITE_OK || rest != nullptr) {
            throw StoreError(err::SyntaxError, "più di un'istruzione: " + sql);
        }
        if (cache_.size() >= kCacheSize) cache_.pop_back();
        cache_.emplace_front(sql, std::move(statement));
        return cache_.front().second.get();
    }

    static constexpr std::size_t kCacheSize = 16;
    sqlite::Handle db_;
    std::vector<std::string> tableColumns_;
    std::list<std::pair<std::string, sqlite::Statement>> cache_;
};

// The album's shape: a table datab whose first eight columns are the album's,
// in order. Reads only the schema page; never writes.
std::vector<std::string> AlbumColumns(sqlite3* db, const std::string& path) {
    auto notAnAlbum = [&](const std::string& why) {
        return StoreError(err::NotValidAlbum, "'" + path + "' non è un album: " + why);
    };
    std::vector<std::string> columns;
    try {
        auto kind = sqlite::Prepare(
            db, "SELECT type FROM sqlite_master WHERE name = 'datab' COLLATE NOCASE");
        const int rc = sqlite3_step(kind.get());
        if (rc == SQLITE_DONE) throw notAnAlbum("manca la tabella datab");
        if (rc != SQLITE_ROW) sqlite::Raise(db, rc, "'" + path + "' non leggibile");
        if (sqlite::Column(kind.get(), 0).toText() != "table") {
            throw notAnAlbum("datab non è una tabella");
        }
        auto info = sqlite::Prepare(db, "SELECT name FROM pragma_table_info('datab') ORDER BY cid");
        int step;
        while ((step = sqlite3_step(info.get())) == SQLITE_ROW) {
            columns.push_back(sqlite::Column(info.get(), 0).toText());
        }
        if (step != SQLITE_DONE) sqlite::Raise(db, step, "'" + path + "' non leggibile");
    } catch (const StoreError& e) {
        if (e.number() == err::General) throw notAnAlbum(e.what());
        throw;
    }
    // Columns after the eight are tolerated: the album reads only its own.
    if (columns.size() < kAlbumColumns.size()) throw notAnAlbum("datab ha meno di otto campi");
    for (std::size_t i = 0; i < kAlbumColumns.size(); ++i) {
        if (!SameName(columns[i], kAlbumColumns[i])) {
            throw notAnAlbum("il campo " + std::to_string(i + 1) + " di datab è '" + columns[i] +
                             "' invece di '" + kAlbumColumns[i] + "'");
        }
    }
    return columns;
}

class SqliteEngine final : public Engine {
public:
    std::unique_ptr<Connection> Open(const std::string& path, bool readOnly) override {
        CheckAlbumFile(path, readOnly);
        // No URI names and never SQLITE_OPEN_CREATE: the path is a plain file
        // name, and opening never makes a file.
        auto db = sqlite::Open(path, readOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE);
        sqlite3_busy_timeout(db.get(), kBusyTimeoutMs);
        auto columns = AlbumColumns(db.get(), path);
        return std::make_unique<SqliteConnection>(std::move(db), std::move(columns));
    }

    std::unique_ptr<PhotoIndex> OpenPhotoIndex(const std::string& path) override {
        CheckAlbumFile(path, true);
        return store::OpenPhotoIndex(path);
    }
};

}  // namespace

std::unique_ptr<Engine> MakeSqliteEngine() {
    return std::make_unique<SqliteEngine>();
}

}  // namespace store
