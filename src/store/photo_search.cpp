// The word index: an SQLite file of its own holding an FTS5 table of the
// searched fields, keyed by photo number, and what the album file looked
// like when the index was last brought up to date.

#include "store/photo_search.h"

#include <fcntl.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <SQLiteCpp/Transaction.h>

#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <optional>

#include "store/album_identity.h"
#include "store/sqlite_engine.h"

namespace fs = std::filesystem;

namespace store {

namespace {

using sqlite::Bind;
using sqlite::ResetOnExit;
using sqlite::ValueOf;

// Raised when the index's layout changes, so older files are built anew.
constexpr const char* kFormat = "2";

// unicode61 splits words at every character that is not a letter or a digit
// (apostrophes included), folds case and drops accents. The prefix indexes
// keep the first keystrokes, which match many words, as fast as the later
// ones; longer starts are found through the words they begin.
constexpr const char* kSchema =
    "CREATE TABLE meta(key TEXT PRIMARY KEY, value TEXT) WITHOUT ROWID;"
    "CREATE VIRTUAL TABLE words USING fts5(titolo, data_scatto, luogo, persone, note, nome_file,"
    " tokenize = 'unicode61 remove_diacritics 2', prefix = '1 2');";

constexpr const char* kReadRows =
    "SELECT id, titolo, data_scatto, luogo, persone, note, nome_file FROM datab";
constexpr const char* kInsertRow =
    "INSERT INTO words(rowid, titolo, data_scatto, luogo, persone, note, nome_file)"
    " VALUES (?, ?, ?, ?, ?, ?, ?)";

// Photos read from the album at a time while the index is built: each step
// is a read of its own, so the album is never locked for long.
constexpr int kBuildStep = 4096;

// The index waits this long for another Pictora that writes it.
constexpr int kIndexBusyMs = 1000;

// The number a photo has in the index: its id when that is a whole number
// (every photo Pictora numbers); photos numbered otherwise are not indexed.
std::optional<std::int64_t> IndexKey(const Value& id) {
    if (id.isInteger()) return id.integer();
    if (id.isReal() && id.real() == std::trunc(id.real()) && id.real() >= -kTwoTo63 &&
        id.real() < kTwoTo63)
        return static_cast<std::int64_t>(id.real());
    return std::nullopt;
}

std::string TextOf(const SQLite::Statement& row, int index) {
    const SQLite::Column column = row.getColumn(index);
    if (column.isText()) return column.getString();
    return ValueOf(column).toText();
}

// Copies one album row (id and the six searched fields) into the index.
void InsertRow(SQLite::Statement& insert, const SQLite::Statement& row, std::int64_t key) {
    ResetOnExit reset(insert);
    insert.bind(1, static_cast<int64_t>(key));
    for (int field = 1; field <= 6; ++field) insert.bind(field + 1, TextOf(row, field));
    insert.exec();
}

std::string TimeText(const struct timespec& t) {
    char text[48];
    std::snprintf(text, sizeof text, "%jd.%09ld", static_cast<intmax_t>(t.tv_sec), t.tv_nsec);
    return text;
}

// The four bytes of the header's file change counter, as a number.
std::uint32_t ChangeCounter(const std::string& path) {
    unsigned char header[28] = {};
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) return 0;
    const ssize_t got = pread(fd, header, sizeof header, 0);
    close(fd);
    if (got != static_cast<ssize_t>(sizeof header)) return 0;
    return (std::uint32_t{header[24]} << 24) | (std::uint32_t{header[25]} << 16) |
           (std::uint32_t{header[26]} << 8) | std::uint32_t{header[27]};
}

std::string StateOf(const std::string& path) {
    struct stat info {};
    if (stat(path.c_str(), &info) != 0) return "assente";
    std::string state = std::to_string(info.st_dev) + ":" + std::to_string(info.st_ino) + ":" +
                        std::to_string(info.st_size) + ":" + TimeText(info.st_mtim) + ":" +
                        TimeText(info.st_ctim) + ":" + std::to_string(ChangeCounter(path));
    struct stat log {};
    if (stat((path + "-wal").c_str(), &log) == 0)
        state += ":wal:" + std::to_string(log.st_size) + ":" + TimeText(log.st_mtim);
    return state;
}

// True for the characters that part words: blanks and punctuation.
bool Separates(char32_t c) {
    if (c < 0x80) return !((c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'));
    return c == 0xA0 || c == 0xA1 || c == 0xAB || c == 0xB4 || c == 0xB7 || c == 0xBB ||
           c == 0xBF || c == 0x2BC || (c >= 0x2000 && c <= 0x206F) || c == 0x3000 ||
           (c >= 0xFF01 && c <= 0xFF0F) || c == 0xFEFF;
}

// The code point starting at `at` and its length; a byte that starts no
// valid UTF-8 sequence reads as a separator one byte long.
std::pair<char32_t, std::size_t> CodePoint(const std::string& text, std::size_t at) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(at);
    if (lead < 0x80) return {lead, 1};
    const std::size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 0;
    if (length == 0 || lead > 0xF4 || at + length > text.size()) return {U' ', 1};
    char32_t c = lead & (0x7F >> length);
    for (std::size_t i = 1; i < length; ++i) {
        if ((byte(at + i) & 0xC0) != 0x80) return {U' ', 1};
        c = (c << 6) | (byte(at + i) & 0x3F);
    }
    return {c, length};
}

// The photos a search found: their numbers, kept as eight bytes each; the
// titles are read from the index only when the list shows them.
class FoundPhotos final : public PhotoIndex {
public:
    FoundPhotos(std::shared_ptr<SQLite::Database> db, std::vector<std::int64_t> ids)
        : db_(std::move(db)),
          ids_(std::move(ids)),
          title_(*db_, "SELECT substr(titolo, 1, 256) FROM words WHERE rowid = ?") {}

    std::int64_t Count() const override { return static_cast<std::int64_t>(ids_.size()); }

    const PhotoEntry* At(std::int64_t position) override {
        if (position < 0 || position >= Count()) return nullptr;
        const std::int64_t id = ids_[static_cast<std::size_t>(position)];
        entry_ = {Value(id), {}};
        try {
            ResetOnExit reset(title_);
            title_.bind(1, static_cast<int64_t>(id));
            if (title_.executeStep()) entry_.titolo = title_.getColumn(0).getString();
        } catch (const SQLite::Exception&) {
            // The number alone still picks the photo.
        }
        return &entry_;
    }

private:
    std::shared_ptr<SQLite::Database> db_;
    std::vector<std::int64_t> ids_;
    SQLite::Statement title_;
    PhotoEntry entry_;
};

// Removes a file when the scope ends, unless told it was kept.
class ScratchFile {
public:
    explicit ScratchFile(std::string path) : path_(std::move(path)) {}
    ~ScratchFile() {
        if (!kept_) std::remove(path_.c_str());
    }
    ScratchFile(const ScratchFile&) = delete;
    ScratchFile& operator=(const ScratchFile&) = delete;
    const std::string& path() const { return path_; }
    void Keep() { kept_ = true; }

private:
    std::string path_;
    bool kept_ = false;
};

}  // namespace

namespace {

class SqlitePhotoSearch final : public PhotoSearch {
public:
    SqlitePhotoSearch(std::string albumPath, std::string indexPath)
        : albumPath_(std::move(albumPath)), indexPath_(std::move(indexPath)) {}

    std::string AlbumState() override { return StateOf(albumPath_); }

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
        auto album = sqlite::OpenAlbumFile(albumPath_, true);
        std::error_code ec;
        fs::create_directories(fs::path(indexPath_).parent_path(), ec);
        std::string pattern = indexPath_ + ".new-XXXXXX";
        const int fd = mkstemp(pattern.data());
        if (fd < 0) throw StoreError(err::General, "impossibile scrivere '" + indexPath_ + "'");
        close(fd);
        ScratchFile scratch(pattern);
        try {
            SQLite::Database out(scratch.path(), SQLite::OPEN_READWRITE);
            if (!Fill(*album, out, state, progress)) return false;
        } catch (const SQLite::Exception& e) {
            sqlite::Raise(e, "impossibile preparare la ricerca in '" + indexPath_ + "'");
        }
        // A journal left by a write cut short belongs to the index replaced.
        std::remove((indexPath_ + "-journal").c_str());
        if (std::rename(scratch.path().c_str(), indexPath_.c_str()) != 0)
            throw StoreError(err::General, "impossibile scrivere '" + indexPath_ + "'");
        scratch.Keep();
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

    bool Update(const std::vector<std::int64_t>& ids, const std::string& before) override {
        try {
            if (!OpenIndex() || Meta("state") != before) return false;
            auto album = sqlite::OpenAlbumFile(albumPath_, true);
            SQLite::Statement remove(*index_, "DELETE FROM words WHERE rowid = ?");
            SQLite::Statement insert(*index_, kInsertRow);
            SQLite::Statement read(*album, std::string(kReadRows) + " WHERE id = ?");
            SQLite::Transaction transaction(*index_);
            for (const std::int64_t id : ids) {
                remove.bind(1, static_cast<int64_t>(id));
                remove.exec();
                remove.reset();
                read.bind(1, static_cast<int64_t>(id));
                if (read.executeStep()) InsertRow(insert, read, id);
                read.reset();
            }
            SetMeta(*index_, "state", AlbumState());
            transaction.commit();
            return true;
        } catch (const SQLite::Exception&) {
            return false;
        } catch (const StoreError&) {
            return false;
        }
    }

private:
    // The connection to the index file as it is now: opened again when the
    // file was replaced by a new build. False when there is no index.
    bool OpenIndex() {
        struct stat info {};
        if (stat(indexPath_.c_str(), &info) != 0) {
            index_.reset();
            return false;
        }
        if (index_ && info.st_ino == indexInode_) return true;
        index_ = std::make_shared<SQLite::Database>(indexPath_, SQLite::OPEN_READWRITE,
                                                    kIndexBusyMs);
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

    static void SetMeta(SQLite::Database& db, const char* key, const std::string& value) {
        SQLite::Statement write(db, "INSERT OR REPLACE INTO meta(key, value) VALUES (?, ?)");
        write.bind(1, key);
        write.bind(2, value);
        write.exec();
    }

    // The numbers of the photos matching `query`, in number order.
    std::vector<std::int64_t> Matches(const std::string& query) {
        sqlite3_stmt* statement = nullptr;
        sqlite3* db = index_->getHandle();
        int rc = sqlite3_prepare_v2(db, "SELECT rowid FROM words WHERE words MATCH ?", -1,
                                    &statement, nullptr);
        std::vector<std::int64_t> ids;
        if (rc == SQLITE_OK) {
            sqlite3_bind_text(statement, 1, query.data(), static_cast<int>(query.size()),
                              SQLITE_TRANSIENT);
            while ((rc = sqlite3_step(statement)) == SQLITE_ROW)
                ids.push_back(sqlite3_column_int64(statement, 0));
        }
        sqlite3_finalize(statement);
        if (rc != SQLITE_DONE) throw SQLite::Exception(db, rc);
        ids.shrink_to_fit();
        return ids;
    }

    // Fills the new index `out` from `album`, a step of photos at a time.
    bool Fill(SQLite::Database& album, SQLite::Database& out, const std::string& state,
              const Progress& progress) {
        // The new file is nobody's until it takes the index's place.
        out.exec("PRAGMA journal_mode = OFF; PRAGMA synchronous = OFF; PRAGMA cache_size = -65536");
        out.exec(kSchema);
        SQLite::Transaction transaction(out);
        SQLite::Statement insert(out, kInsertRow);
        SQLite::Statement first(album, std::string(kReadRows) + " ORDER BY id LIMIT ?");
        SQLite::Statement next(album, std::string(kReadRows) + " WHERE id > ? ORDER BY id LIMIT ?");
        double low = 0;
        double high = 0;
        {
            SQLite::Statement range(album, "SELECT min(id), max(id) FROM datab");
            if (range.executeStep()) {
                low = ValueOf(range.getColumn(0)).toNumber();
                high = ValueOf(range.getColumn(1)).toNumber();
            }
        }
        const std::int64_t total = static_cast<std::int64_t>(std::min(high - low, 1e15)) + 1;
        std::optional<Value> last;
        for (;;) {
            SQLite::Statement& step = last ? next : first;
            ResetOnExit reset(step);
            int at = 1;
            if (last) Bind(step, at++, *last);
            step.bind(at, kBuildStep);
            int rows = 0;
            while (step.executeStep()) {
                ++rows;
                last = ValueOf(step.getColumn(0));
                if (const auto key = IndexKey(*last)) InsertRow(insert, step, *key);
            }
            if (rows < kBuildStep) break;
            const auto done = static_cast<std::int64_t>(std::min(last->toNumber() - low, 1e15));
            if (progress && !progress(done, total)) return false;
        }
        SetMeta(out, "format", kFormat);
        SetMeta(out, "album", CanonicalPath(albumPath_));
        SetMeta(out, "state", state);
        transaction.commit();
        return true;
    }

    std::string albumPath_;
    std::string indexPath_;
    std::shared_ptr<SQLite::Database> index_;
    ino_t indexInode_ = 0;
};

}  // namespace

std::unique_ptr<PhotoSearch> OpenPhotoSearch(const std::string& albumPath,
                                             const std::string& indexPath) {
    return std::make_unique<SqlitePhotoSearch>(albumPath, indexPath);
}

std::vector<std::string> SearchWords(const std::string& text) {
    std::vector<std::string> words;
    std::string word;
    for (std::size_t at = 0; at < text.size();) {
        const auto [c, length] = CodePoint(text, at);
        if (Separates(c)) {
            if (!word.empty()) words.push_back(std::move(word));
            word.clear();
        } else {
            word.append(text, at, length);
        }
        at += length;
    }
    if (!word.empty()) words.push_back(std::move(word));
    return words;
}

std::string SearchQuery(const std::string& text) {
    // Quotes are among the separators, so no word holds one: each quoted
    // word is a plain string to FTS5, whatever it spells (NEAR, AND, OR).
    std::string query;
    for (const std::string& word : SearchWords(text)) {
        if (!query.empty()) query += ' ';
        query += '"' + word + "\"*";
    }
    return query;
}

std::string SearchIndexName(const std::string& albumPath) {
    return "search-" + AlbumIdentity(albumPath) + ".index";
}

}  // namespace store
