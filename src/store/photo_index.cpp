#include "store/photo_index.h"

#include <algorithm>
#include <iterator>
#include <map>
#include <optional>
#include <vector>

#include "store/sqlite_engine.h"

namespace store {

namespace {

using sqlite::Bind;
using sqlite::ValueOf;

// Enough for several screens in both directions, a few megabytes at most.
constexpr std::size_t kBlocksKept = 64;

// Pages are read through a memory map rather than a system call each, which
// makes counting and skipping over a large album several times faster.
constexpr const char* kMapPages = "PRAGMA mmap_size = 1073741824";

// Runs a prepared statement and resets it, whatever happens, so no read lock
// outlives the call.
template <class OnRow>
void Run(SQLite::Statement& statement, OnRow onRow) {
    sqlite::ResetOnExit reset(statement);
    while (statement.executeStep()) onRow(statement);
}

class SqlitePhotoIndex final : public PhotoIndex {
public:
    SqlitePhotoIndex(std::shared_ptr<SQLite::Database> db, int blockSize)
        : db_(std::move(db)),
          blockSize_(blockSize < 1 ? 1 : blockSize),
          head_(*db_, "SELECT id, substr(titolo, 1, 256) FROM datab ORDER BY id LIMIT ?"),
          from_(*db_,
                "SELECT id, substr(titolo, 1, 256) FROM datab WHERE id >= ? ORDER BY id LIMIT ?"),
          fromTop_(*db_, "SELECT id FROM datab ORDER BY id LIMIT 1 OFFSET ?"),
          fromBottom_(*db_, "SELECT id FROM datab ORDER BY id DESC LIMIT 1 OFFSET ?"),
          after_(*db_, "SELECT id FROM datab WHERE id > ? ORDER BY id LIMIT 1 OFFSET ?"),
          before_(*db_, "SELECT id FROM datab WHERE id < ? ORDER BY id DESC LIMIT 1 OFFSET ?") {
        db_->exec(kMapPages);
        SQLite::Statement count(*db_, "SELECT COUNT(*) FROM datab");
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

    // Declared first, so every statement is finalized before the connection
    // can close.
    std::shared_ptr<SQLite::Database> db_;
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
    // No waiting for locks: the list asks for blocks while it scrolls, and a
    // block it cannot read now simply shows nothing.
    auto db = sqlite::OpenAlbumFile(path, true, false);
    try {
        return std::make_unique<SqlitePhotoIndex>(std::move(db), blockSize);
    } catch (const SQLite::Exception& e) {
        sqlite::Raise(e, "'" + path + "'");
    }
}

}  // namespace store
