#pragma once

// Helpers for the store tests: scratch folders, albums with chosen ids, and a
// second, independent look at the file through SQLiteCpp.

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <SQLiteCpp/SQLiteCpp.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "store/album_file.h"
#include "store/data_control.h"
#include "store/store_error.h"

namespace store_test {

// A scratch folder, removed with everything in it: on /dev/shm when there is
// one, since each commit's fsync on a real disk can take tens of milliseconds
// and the tests commit thousands of times.
class TempDir {
public:
    TempDir() {
        const std::filesystem::path root = access("/dev/shm", W_OK) == 0
                                               ? std::filesystem::path("/dev/shm")
                                               : std::filesystem::temp_directory_path();
        std::string pattern = (root / "pictora-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp");
        path_ = pattern;
    }
    ~TempDir() {
        std::error_code ec;
        for (auto it = std::filesystem::recursive_directory_iterator(path_, ec);
             it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
            chmod(it->path().c_str(), 0755);  // read-only folders too
        }
        std::filesystem::remove_all(path_, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    std::string operator/(const std::string& name) const { return (path_ / name).string(); }
    std::string str() const { return path_.string(); }

private:
    std::filesystem::path path_;
};

inline std::string Title(std::int64_t id) {
    return "Foto numero " + std::to_string(id);
}

// A photo with a title and no other text.
inline store::PhotoTexts Titled(std::string title) {
    store::PhotoTexts texts;
    texts.titolo = std::move(title);
    return texts;
}

// A new album holding `ids`, each row's title naming its id.
inline void MakeAlbum(const std::string& path, const std::vector<std::int64_t>& ids,
                      const std::string& note = "") {
    store::CreateAlbum(path);
    SQLite::Database db(path, SQLite::OPEN_READWRITE);
    SQLite::Transaction transaction(db);
    SQLite::Statement insert(db, "INSERT INTO datab (id, titolo, note) VALUES (?, ?, ?)");
    for (std::int64_t id : ids) {
        insert.bind(1, id);
        insert.bind(2, Title(id));
        insert.bind(3, note);
        insert.exec();
        insert.reset();
    }
    transaction.commit();
}

// An album made by another program, whose id column has no type, so its ids
// keep whatever kind they were written as (reals, say).
inline void MakeLooseAlbum(const std::string& path, const std::vector<store::Value>& ids) {
    SQLite::Database db(path, SQLite::OPEN_READWRITE | SQLite::OPEN_CREATE);
    db.exec(std::string("CREATE TABLE datab (") + store::kAlbumColumnList + ")");
    SQLite::Statement insert(db, "INSERT INTO datab (id, titolo) VALUES (?, ?)");
    for (const store::Value& id : ids) {
        if (id.isInteger()) {
            insert.bind(1, static_cast<int64_t>(id.integer()));
        } else {
            insert.bind(1, id.real());
        }
        insert.bind(2, "Foto numero " + id.toText());
        insert.exec();
        insert.reset();
    }
}

// The ids in the file, read through a connection of its own.
inline std::vector<std::int64_t> IdsInFile(const std::string& path) {
    SQLite::Database db(path, SQLite::OPEN_READONLY);
    SQLite::Statement query(db, "SELECT id FROM datab ORDER BY id");
    std::vector<std::int64_t> ids;
    while (query.executeStep()) ids.push_back(query.getColumn(0).getInt64());
    return ids;
}

inline std::string ReadBytes(const std::string& path) {
    if (std::filesystem::is_directory(path)) return "<cartella>";
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteBytes(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

// The store error number `f` raises, or 0 when it raises none.
template <typename F>
int ErrorOf(F&& f) {
    try {
        f();
    } catch (const store::StoreError& e) {
        return e.number();
    }
    return 0;
}

// The current photo's id, or nullopt with no current photo.
inline std::optional<std::int64_t> CurrentId(const store::Cursor& rows) {
    if (!rows.HasCurrentRow()) return std::nullopt;
    return rows.Current().id.integer();
}

// The ids of the photos an optional holds, or of none.
inline std::optional<std::int64_t> IdOf(const std::optional<store::Photo>& photo) {
    if (!photo) return std::nullopt;
    return photo->id.integer();
}

using Ids = std::vector<std::int64_t>;

}  // namespace store_test
