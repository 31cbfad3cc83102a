#include "store/photo_index.h"

#include <SQLiteCpp/Database.h>
#include <SQLiteCpp/Statement.h>
#include <sqlite3.h>

#include <algorithm>
#include <filesystem>
#include <iterator>
#include <map>
#include <optional>
#include <vector>

namespace store {

namespace {

// Enough for several screens in both directions, a few megabytes at most.
constexpr std::size_t kBlocksKept = 64;

// Pages are read through a memory map rather than a system call each, which
// makes counting and skipping over a large album several times faster.
constexpr const char* kMapPages = "PRAGMA mmap_size = 1073741824";

int ErrorNumber(const SQLite::Exception& e, const std::string& path) {
    switch (e.getErrorCode() & 0xff) {
        case SQLITE_CANTOPEN: {
            std::error_code ec;
            return std::filesystem::exists(path, ec) ? err::General : err::FileNotFound;
        }
        case SQLITE_NOTADB:
        case SQLITE_CORRUPT:
        case SQLITE_ERROR:  // no datab, or one without id or titolo
            return err::NotValidAlbum;
        case SQLITE_BUSY:
        case SQLITE_LOCKED:
            return err::Locked;
        default:
            return err::General;
    }
}

Value ValueOf(const SQLite::Column& column) {
    if (column.isInteger()) return Value(static_cast<std::int64_t>(column.getInt64()));
    if (column.isFloat()) return Value(column.getDouble());
    if (column.isNull()) return Value();
    return Value(column.getString());
}

void Bind(SQLite::Statement& statement, int index, const Value& value) {
    if (value.isInteger())
        statement.bind(index, static_cast<int64_t>(value.integer()));
    else if (value.isReal())
        statement.bind(index, value.real());
    else if (value.isText())
        statement.bind(index, value.text());
    else
        statement.bind(index);
}

// Runs a prepared statement and resets it, whatever happens, so no read lock
// outlives the call.
template <class OnRow>
void Run(SQLite::Statement& statement, OnRow onRow) {
    struct ResetOnExit {
        SQLite::Statement& statement;
        ~ResetOnExit() { statement.tryReset(); }
    } reset{statement};
    while (statement.executeStep()) onRow(statement);
}

class SqlitePhotoIndex final : public PhotoIndex {
public:
    SqlitePhotoIndex(const std::string& path, int blockSize)
        : db_(path, SQLite::OPEN_READONLY),
          blockSize_(blockSize < 1 ? 1 : blockSize),
          head_(db_, "SELECT id, titolo FROM datab ORDER BY id LIMIT ?"),
          from_(db_, "SELECT id, titolo FROM datab WHERE id >= ? ORDER BY id LIMIT ?"),
          fromTop_(db_, "SELECT id FROM datab ORDER BY id LIMIT 1 OFFSET ?"),
          fromBottom_(db_, "SELECT id FROM datab ORDER BY id DESC LIMIT 1 OFFSET ?"),
          after_(db_, "SELECT id FROM datab WHERE id > ? ORDER BY id LIMIT 1 OFFSET ?"),
          before_(db_, "SELECT id FROM datab WHERE id < ? ORDER BY id DESC LIMIT 1 OFFSET ?") {
        db_.exec(kMapPages);
        SQLite::Statement count(db_, "SELECT COUNT(*) FROM datab");
        Run(count, [this](SQLite::Statement& row) { count_ = row.getColumn(0).getInt64(); });
    }

    std::int64_t Count() const override { return count_; }

    const PhotoEntry* At(std::int64_t position) override {
        if (position < 0 || position >= count_) return nullptr;
        const std::int64_t block = position / blockSize_;
        const std::int64_t offset = position % blockSize_;
        try {
            const std::vector<PhotoEntry>& rows = BlockAt(block);
            return offset < static_cast<std::int64_t>(rows.size()) ? &rows[offset] : nullptr;
        } catch (const SQLite::Exception&) {
            // The file went bad under the list: it shows nothing there.
            return nullptr;
        }
    }

private:
    struct Block {
        std::vector<PhotoEntry> rows;
        std::uint64_t lastUse = 0;
    };

    const std::vector<PhotoEntry>& BlockAt(std::int64_t block) {
        ++clock_;
        auto it = blocks_.find(block);
        if (it == blocks_.end()) {
            if (blocks_.size() >= kBlocksKept) EvictOldest();
            it = blocks_.emplace(block, Block{ReadBlock(block), 0}).first;
        }
        it->second.lastUse = clock_;
        return it->second.rows;
    }

    void EvictOldest() {
        auto oldest = blocks_.begin();
        for (auto it = blocks_.begin(); it != blocks_.end(); ++it)
            if (it->second.lastUse < oldest->second.lastUse) oldest = it;
        blocks_.erase(oldest);
    }

    std::vector<PhotoEntry> ReadBlock(std::int64_t block) {
        const std::int64_t first = block * blockSize_;
        const std::int64_t wanted = std::min(blockSize_, count_ - first);
        std::vector<PhotoEntry> rows;
        rows.reserve(static_cast<std::size_t>(wanted));
        auto take = [&rows](SQLite::Statement& row) {
            rows.push_back({ValueOf(row.getColumn(0)), row.getColumn(1).getString()});
        };
        if (first == 0) {
            head_.bind(1, static_cast<int64_t>(wanted));
            Run(head_, take);
        } else if (const std::optional<Value> id = IdAt(first)) {
            Bind(from_, 1, *id);
            from_.bind(2, static_cast<int64_t>(wanted));
            Run(from_, take);
        }
        if (!rows.empty()) {
            anchors_[first] = rows.front().id;
            anchors_[first + static_cast<std::int64_t>(rows.size()) - 1] = rows.back().id;
        }
        return rows;
    }

    // The id at `position`, reached by skipping from the nearest known
    // position or from whichever end of the album is nearer.
    std::optional<Value> IdAt(std::int64_t position) {
        enum class From { Top, Bottom, Below, Above };
        From from = From::Top;
        std::int64_t distance = position + 1;
        if (count_ - position < distance) {
            from = From::Bottom;
            distance = count_ - position;
        }
        auto above = anchors_.lower_bound(position);
        if (above != anchors_.end() && above->first == position) return above->second;
        if (above != anchors_.end() && above->first - position < distance) {
            from = From::Above;
            distance = above->first - position;
        }
        auto below = above == anchors_.begin() ? anchors_.end() : std::prev(above);
        if (below != anchors_.end() && position - below->first < distance) {
            from = From::Below;
            distance = position - below->first;
        }

        SQLite::Statement* query = nullptr;
        switch (from) {
            case From::Top:
                query = &fromTop_;
                query->bind(1, static_cast<int64_t>(position));
                break;
            case From::Bottom:
                query = &fromBottom_;
                query->bind(1, static_cast<int64_t>(count_ - 1 - position));
                break;
            case From::Below:
                query = &after_;
                Bind(*query, 1, below->second);
                query->bind(2, static_cast<int64_t>(distance - 1));
                break;
            case From::Above:
                query = &before_;
                Bind(*query, 1, above->second);
                query->bind(2, static_cast<int64_t>(distance - 1));
                break;
        }
        std::optional<Value> id;
        Run(*query, [&id](SQLite::Statement& row) { id = ValueOf(row.getColumn(0)); });
        return id;
    }

    SQLite::Database db_;
    std::int64_t blockSize_;
    std::int64_t count_ = 0;
    SQLite::Statement head_;
    SQLite::Statement from_;
    SQLite::Statement fromTop_;
    SQLite::Statement fromBottom_;
    SQLite::Statement after_;
    SQLite::Statement before_;

    // Positions whose id is known: the ends of every block read.
    std::map<std::int64_t, Value> anchors_;
    std::map<std::int64_t, Block> blocks_;
    std::uint64_t clock_ = 0;
};

}  // namespace

std::unique_ptr<PhotoIndex> OpenPhotoIndex(const std::string& path, int blockSize) {
    try {
        return std::make_unique<SqlitePhotoIndex>(path, blockSize);
    } catch (const SQLite::Exception& e) {
        throw StoreError(ErrorNumber(e, path), "'" + path + "': " + e.what());
    }
}

}  // namespace store
