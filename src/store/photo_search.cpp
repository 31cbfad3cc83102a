// The word index: an SQLite file of its own holding an FTS5 table of the
// searched fields, keyed by the album's row numbers (see search_fill.h), and
// what the album file looked like when the index was last brought up to
// date.

#include "store/photo_search.h"

#include <sys/stat.h>

#include <SQLiteCpp/Transaction.h>

#include <optional>

#include "store/album_fingerprint.h"
#include "store/album_identity.h"
#include "store/row_key.h"
#include "store/search_fill.h"
#include "store/search_memory.h"
#include "store/search_scratch.h"
#include "store/sqlite_engine.h"

namespace store {

namespace {

using sqlite::ResetOnExit;
using sqlite::ValueOf;

// Raised when the index's layout changes, so older files are built anew.
constexpr const char* kFormat = "3";

// The index waits this long for another Pictora that writes it.
constexpr int kIndexBusyMs = 1000;

// The photos a search found: their rows, kept as eight bytes each; their
// numbers and titles are read from the index only when the list shows them.
class FoundPhotos final : public PhotoIndex {
public:
    FoundPhotos(std::shared_ptr<SQLite::Database> db, std::vector<std::int64_t> rows)
        : db_(std::move(db)),
          rows_(std::move(rows)),
          entry_(*db_,
                 "SELECT numbers.photo IS NOT NULL, numbers.id, substr(words.titolo, 1, 256)"
                 " FROM words LEFT JOIN numbers ON numbers.photo = words.rowid"
                 " WHERE words.rowid = ?") {}

    std::int64_t Count() const override { return static_cast<std::int64_t>(rows_.size()); }

    const PhotoEntry* At(std::int64_t position) override {
        if (position < 0 || position >= Count()) return nullptr;
        const std::int64_t row = rows_[static_cast<std::size_t>(position)];
        photo_ = {Value(row), {}};
        try {
            ResetOnExit reset(entry_);
            entry_.bind(1, static_cast<int64_t>(row));
            if (entry_.executeStep()) {
                if (entry_.getColumn(0).getInt() != 0) photo_.id = ValueOf(entry_.getColumn(1));
                photo_.titolo = entry_.getColumn(2).getString();
            }
        } catch (const SQLite::Exception&) {
            // What was read still picks the photo.
        }
        return &photo_;
    }

private:
    std::shared_ptr<SQLite::Database> db_;
    std::vector<std::int64_t> rows_;
    SQLite::Statement entry_;
    PhotoEntry photo_;
};

void SetMeta(SQLite::Database& db, const char* key, const std::string& value) {
    SQLite::Statement write(db, "INSERT OR REPLACE INTO meta(key, value) VALUES (?, ?)");
    write.bind(1, key);
    write.bind(2, value);
    write.exec();
}

class SqlitePhotoSearch final : public PhotoSearch {
public:
    SqlitePhotoSearch(std::string albumPath, std::string indexPath)
        : albumPath_(std::move(albumPath)), indexPath_(std::move(indexPath)) {}

    std::string AlbumState() override { return AlbumFingerprint(albumPath_); }

    bool IsCurrent() override {
        try {
            return OpenIndex() && Meta("format") == kFormat &&
                   Meta("album") == CanonicalPath(albumPath_) && Meta("state") == AlbumState();
        } catch (const SQLite::Exception&) {
            // A damaged index is no index.
            return false;
        }
    }

    bool Build(const Progress& progress) override {
        // Taken before the first read: a write while the index is built
        // leaves it stale, to be built again.
        const std::string state = AlbumState();
        if (auto scratch = ScratchIndex::Make(indexPath_)) {
            std::optional<bool> built;
            try {
                SQLite::Database out(scratch->path(), SQLite::OPEN_READWRITE);
                built = Fill(out, state, progress);
            } catch (const IndexNotWritten&) {
                // The cache folder cannot take the index: it goes to memory.
            } catch (const SQLite::Exception&) {
                // The same.
            }
            if (built && !*built) return false;
            if (built && scratch->Replace(indexPath_)) {
                memory_indexes::Drop(indexPath_);
                index_.reset();
                return true;
            }
        }
        auto memory = std::make_shared<SQLite::Database>(
            ":memory:", SQLite::OPEN_READWRITE | SQLite::OPEN_CREATE);
        try {
            if (!Fill(*memory, state, progress)) return false;
        } catch (const IndexNotWritten& e) {
            sqlite::Raise(e.cause, "impossibile preparare la ricerca");
        } catch (const SQLite::Exception& e) {
            sqlite::Raise(e, "impossibile preparare la ricerca");
        }
        memory_indexes::Keep(indexPath_, std::move(memory));
        index_.reset();
        return true;
    }

    std::unique_ptr<PhotoIndex> Find(const std::string& words) override {
        const std::string query = SearchQuery(words);
        if (query.empty()) return store::OpenPhotoIndex(albumPath_);
        try {
            if (!OpenIndex()) throw StoreError(err::General, "la ricerca non è pronta");
            return std::make_unique<FoundPhotos>(index_, Matches(query));
        } catch (const SQLite::Exception& e) {
            sqlite::Raise(e, "impossibile cercare in '" + indexPath_ + "'");
        }
    }

    bool Update(const std::vector<Value>& ids, const std::string& before,
                const std::string& after) override {
        try {
            if (!OpenIndex() || Meta("state") != before || Meta("keys") != kKeyedByRow)
                return false;
            // No waiting: an album locked now leaves the index stale.
            auto album = sqlite::OpenAlbumFile(albumPath_, true, false);
            SQLite::Statement read(*album, RowsOf(RowKeyOf(*album)) + " WHERE id = ?");
            SQLite::Transaction transaction(*index_);
            IndexRows rows(*index_);
            for (const Value& id : ids) {
                rows.RemoveNumbered(id);
                ResetOnExit reset(read);
                sqlite::Bind(read, 1, id);
                while (read.executeStep()) rows.Add(read.getColumn(0).getInt64(), read);
            }
            SetMeta(*index_, "state", after);
            transaction.commit();
            return true;
        } catch (const SQLite::Exception&) {
            return false;
        } catch (const IndexNotWritten&) {
            return false;
        } catch (const StoreError&) {
            return false;
        }
    }

private:
    // The connection to the index as it is now: the one kept in memory, or
    // the file's, opened again when the file was replaced by a new build.
    // False when there is no index.
    bool OpenIndex() {
        if (auto memory = memory_indexes::Find(indexPath_)) {
            index_ = std::move(memory);
            indexInode_ = 0;
            return true;
        }
        struct stat info {};
        if (stat(indexPath_.c_str(), &info) != 0) {
            index_.reset();
            return false;
        }
        if (index_ && indexInode_ != 0 && info.st_ino == indexInode_) return true;
        index_ =
            std::make_shared<SQLite::Database>(indexPath_, SQLite::OPEN_READWRITE, kIndexBusyMs);
        AddSearchTokenizer(index_->getHandle());
        // The index can always be built again: no waiting for the disk.
        index_->exec("PRAGMA synchronous = OFF");
        indexInode_ = info.st_ino;
        return true;
    }

    std::string Meta(const char* key) {
        SQLite::Statement read(*index_, "SELECT value FROM meta WHERE key = ?");
        read.bind(1, key);
        return read.executeStep() ? read.getColumn(0).getString() : std::string();
    }

    // The rows of the photos matching `query`, in number order: the rows'
    // own order when every photo is numbered as its row, as in every album
    // Pictora made.
    std::vector<std::int64_t> Matches(const std::string& query) {
        const bool renumbered =
            index_->execAndGet("SELECT EXISTS (SELECT 1 FROM numbers)").getInt() != 0;
        const char* sql =
            renumbered
                ? "SELECT words.rowid FROM words LEFT JOIN numbers ON numbers.photo = words.rowid"
                  " WHERE words MATCH ?1 ORDER BY CASE WHEN numbers.photo IS NULL"
                  " THEN words.rowid ELSE numbers.id END, words.rowid"
                : "SELECT rowid FROM words WHERE words MATCH ?1";
        SQLite::Statement match(*index_, sql);
        match.bind(1, query);
        std::vector<std::int64_t> rows;
        while (match.executeStep()) rows.push_back(match.getColumn(0).getInt64());
        rows.shrink_to_fit();
        return rows;
    }

    // Fills the new index `out` from the album.
    bool Fill(SQLite::Database& out, const std::string& state, const Progress& progress) {
        if (!AddSearchTokenizer(out.getHandle()))
            throw StoreError(err::General, "questo SQLite non sa cercare per parole");
        // The new index is nobody's until it takes the old one's place.
        out.exec("PRAGMA journal_mode = OFF; PRAGMA synchronous = OFF; PRAGMA cache_size = -65536");
        out.exec(kIndexTables);
        SQLite::Transaction transaction(out);
        std::string keyedBy;
        if (!FillIndex(albumPath_, out, progress, keyedBy)) return false;
        SetMeta(out, "format", kFormat);
        SetMeta(out, "album", CanonicalPath(albumPath_));
        SetMeta(out, "state", state);
        SetMeta(out, "keys", keyedBy);
        transaction.commit();
        return true;
    }

    std::string albumPath_;
    std::string indexPath_;
    std::shared_ptr<SQLite::Database> index_;
    ino_t indexInode_ = 0;  // 0 for an index kept in memory
};

}  // namespace

std::unique_ptr<PhotoSearch> OpenPhotoSearch(const std::string& albumPath,
                                             const std::string& indexPath) {
    return std::make_unique<SqlitePhotoSearch>(albumPath, indexPath);
}

std::string SearchIndexName(const std::string& albumPath) {
    return "search-" + AlbumIdentity(albumPath) + ".index";
}

}  // namespace store
