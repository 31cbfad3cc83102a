#include "store/photo_index.h"

#include <algorithm>
#include <iterator>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "store/row_key.h"
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

// The list's statements, in number order and, for photos numbered alike,
// in the order of their rows (`key`), so each photo has a place of its own.
// Skipping from a known place goes first through the photos numbered as it
// is, then past its number, so each skip stays one range of the id index.
struct Queries {
    std::string head, from, fromTop, fromBottom, after, before;
    std::string alikeAfter, alikeBefore, countAfter, countBefore;
};

Queries QueriesFor(const std::string& key, IndexFields fields) {
    const std::string pictures =
        fields == IndexFields::TitlesAndPictures ? ", percorso_file, nome_file" : "";
    const std::string entries =
        "SELECT id, substr(titolo, 1, 256), " + key + pictures + " FROM datab ";
    const std::string places = "SELECT id, " + key + " FROM datab ";
    const std::string up = " ORDER BY id, " + key;
    const std::string down = " ORDER BY id DESC, " + key + " DESC";
    const std::string alike = "WHERE id = ?1 AND " + key;
    return {entries + up + " LIMIT ?",
            entries + "WHERE id >= ?1 AND (id > ?1 OR " + key + " >= ?2)" + up + " LIMIT ?3",
            places + up + " LIMIT 1 OFFSET ?",
            places + down + " LIMIT 1 OFFSET ?",
            places + "WHERE id > ?1" + up + " LIMIT 1 OFFSET ?2",
            places + "WHERE id < ?1" + down + " LIMIT 1 OFFSET ?2",
            places + alike + " > ?2 ORDER BY " + key + " LIMIT 1 OFFSET ?3",
            places + alike + " < ?2 ORDER BY " + key + " DESC LIMIT 1 OFFSET ?3",
            "SELECT count(*) FROM datab " + alike + " > ?2",
            "SELECT count(*) FROM datab " + alike + " < ?2"};
}

class SqlitePhotoIndex final : public PhotoIndex {
public:
    SqlitePhotoIndex(std::shared_ptr<SQLite::Database> db, int blockSize, const Queries& sql)
        : db_(std::move(db)),
          blockSize_(blockSize < 1 ? 1 : blockSize),
          head_(*db_, sql.head),
          from_(*db_, sql.from),
          fromTop_(*db_, sql.fromTop),
          fromBottom_(*db_, sql.fromBottom),
          after_(*db_, sql.after),
          before_(*db_, sql.before),
          alikeAfter_(*db_, sql.alikeAfter),
          alikeBefore_(*db_, sql.alikeBefore),
          countAfter_(*db_, sql.countAfter),
          countBefore_(*db_, sql.countBefore) {
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
    // A photo's place: its number and its row.
    struct Place {
        Value id;
        Value row;
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
        std::vector<Value> keys;
        auto take = [&rows, &keys](SQLite::Statement& row) {
            rows.push_back({ValueOf(row.getColumn(0)), row.getColumn(1).getString()});
            keys.push_back(ValueOf(row.getColumn(2)));
            if (row.getColumnCount() > 4)
                rows.back().picture = PictureNames{sqlite::TextOf(row.getColumn(3)),
                                                   sqlite::TextOf(row.getColumn(4))};
        };
        if (first == 0) {
            head_.bind(1, static_cast<int64_t>(wanted));
            Run(head_, take);
        } else if (const std::optional<Place> place = PlaceAt(first)) {
            Bind(from_, 1, place->id);
            Bind(from_, 2, place->row);
            from_.bind(3, static_cast<int64_t>(wanted));
            Run(from_, take);
        }
        if (!rows.empty()) {
            anchors_[first] = {rows.front().id, keys.front()};
            anchors_[first + static_cast<std::int64_t>(rows.size()) - 1] = {rows.back().id,
                                                                            keys.back()};
        }
        return rows;
    }

    // The place of the photo at `position`, reached by skipping from the
    // nearest known position or from whichever end of the album is nearer.
    std::optional<Place> PlaceAt(std::int64_t position) {
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

        switch (from) {
            case From::Top:
                fromTop_.bind(1, static_cast<int64_t>(position));
                return PlaceOf(fromTop_);
            case From::Bottom:
                fromBottom_.bind(1, static_cast<int64_t>(count_ - 1 - position));
                return PlaceOf(fromBottom_);
            case From::Below:
                return Skip(below->second, distance - 1, true);
            case From::Above:
                break;
        }
        return Skip(above->second, distance - 1, false);
    }

    // The place `skip` photos on from `from`, forwards or back.
    std::optional<Place> Skip(const Place& from, std::int64_t skip, bool forwards) {
        SQLite::Statement& count = forwards ? countAfter_ : countBefore_;
        Bind(count, 1, from.id);
        Bind(count, 2, from.row);
        std::int64_t alike = 0;
        Run(count, [&alike](SQLite::Statement& row) { alike = row.getColumn(0).getInt64(); });
        if (skip < alike) {
            SQLite::Statement& query = forwards ? alikeAfter_ : alikeBefore_;
            Bind(query, 1, from.id);
            Bind(query, 2, from.row);
            query.bind(3, static_cast<int64_t>(skip));
            return PlaceOf(query);
        }
        SQLite::Statement& query = forwards ? after_ : before_;
        Bind(query, 1, from.id);
        query.bind(2, static_cast<int64_t>(skip - alike));
        return PlaceOf(query);
    }

    static std::optional<Place> PlaceOf(SQLite::Statement& query) {
        std::optional<Place> place;
        Run(query, [&place](SQLite::Statement& row) {
            place = Place{ValueOf(row.getColumn(0)), ValueOf(row.getColumn(1))};
        });
        return place;
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
    SQLite::Statement alikeAfter_;
    SQLite::Statement alikeBefore_;
    SQLite::Statement countAfter_;
    SQLite::Statement countBefore_;

    // Positions whose place is known: the ends of every block read.
    std::map<std::int64_t, Place> anchors_;
    std::map<std::int64_t, Block> blocks_;
    std::uint64_t clock_ = 0;
};

}  // namespace

std::int64_t PhotoIndex::PositionOf(const Value& id) {
    // Every photo before `low` is numbered below `id`, every one from
    // `high` on is not. Albums are mostly numbered 1, 2, 3...: the place
    // guessed from the numbers at both ends is then right at once, and each
    // read skips from a place already known. A step that did not halve the
    // range is followed by a halving, so numbers spread unevenly cost at
    // most twice the halvings.
    const double wanted = id.toNumber();
    std::int64_t low = 0;
    std::int64_t high = Count();
    std::int64_t before = 2 * high + 2;  // the first guess is made
    while (low < high) {
        std::int64_t probe = low + (high - low) / 2;
        const PhotoEntry* first = At(low);
        const PhotoEntry* last = At(high - 1);
        if (first && last && 2 * (high - low) <= before) {
            const double from = first->id.toNumber();
            const double to = last->id.toNumber();
            if (wanted <= from) return low;
            if (wanted > to) return high;
            const double share = (wanted - from) / (to - from);
            if (share >= 0 && share <= 1)
                probe = low + static_cast<std::int64_t>(share * double(high - 1 - low));
        }
        before = high - low;
        const PhotoEntry* entry = At(probe);
        if (entry && entry->id.toNumber() < wanted)
            low = probe + 1;
        else
            high = probe;
    }
    return low;
}

std::unique_ptr<PhotoIndex> OpenPhotoIndex(const std::string& path, int blockSize,
                                           IndexFields fields) {
    // No waiting for locks: the list asks for blocks while it scrolls, and a
    // block it cannot read now simply shows nothing.
    auto db = sqlite::OpenAlbumFile(path, true, false);
    try {
        // A table without row numbers orders photos numbered alike as SQLite
        // finds them.
        std::string key = RowKeyOf(*db);
        if (key.empty()) key = "id";
        return std::make_unique<SqlitePhotoIndex>(std::move(db), blockSize,
                                                  QueriesFor(key, fields));
    } catch (const SQLite::Exception& e) {
        sqlite::Raise(e, "'" + path + "'");
    }
}

}  // namespace store
