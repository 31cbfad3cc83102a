#include "store/search_fill.h"

#include <sqlite3.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <functional>
#include <optional>
#include <thread>
#include <vector>

#include "store/row_key.h"
#include "store/sqlite_engine.h"

namespace store {

namespace {

using sqlite::ResetOnExit;
using sqlite::TextOf;
using sqlite::ValueOf;

// Photos read from the album at a time: each step is a read of its own, so
// the album is never locked for long.
constexpr int kBuildStep = 4096;

// How often a build looks again at an album another program keeps locked.
constexpr auto kLockPoll = std::chrono::milliseconds(100);

// `id` as the row number a photo so numbered would have, when it is a whole
// number.
std::optional<std::int64_t> WholeNumber(const Value& id) {
    if (id.isInteger()) return id.integer();
    if (id.isReal()) return store::WholeNumber(id.real());
    return std::nullopt;
}

bool IsLock(const SQLite::Exception& e) {
    const int code = e.getErrorCode() & 0xff;
    return code == SQLITE_BUSY || code == SQLITE_LOCKED;
}

// One build's reading of the album.
class Filler {
public:
    Filler(const std::string& albumPath, IndexRows& out, const PhotoSearch::Progress& progress)
        : albumPath_(albumPath), out_(out), progress_(progress) {}

    bool Run(std::string& keyedBy) {
        std::shared_ptr<SQLite::Database> album;
        std::string key;
        // No waiting inside SQLite: the waits below can be stopped.
        if (!Patiently([&] { album = sqlite::OpenAlbumFile(albumPath_, true, false); }) ||
            !Patiently([&] { key = RowKeyOf(*album); }))
            return false;
        keyedBy = key.empty() ? kKeyedByOrder : kKeyedByRow;
        return key.empty() ? InOneRead(*album) : InSteps(*album, key);
    }

private:
    // Runs `read`, and again while another program holds the album locked,
    // telling `progress` of the wait; false when it said to stop meanwhile.
    bool Patiently(const std::function<void()>& read) {
        for (;;) {
            try {
                read();
                return true;
            } catch (const SQLite::Exception& e) {
                if (!IsLock(e)) sqlite::Raise(e, "impossibile leggere '" + albumPath_ + "'");
            } catch (const StoreError& e) {
                if (e.number() != err::Locked) throw;
            }
            if (progress_ && !progress_(done_, total_, true)) return false;
            std::this_thread::sleep_for(kLockPoll);
        }
    }

    bool Tell() { return !progress_ || progress_(done_, total_, false); }

    // A step of photos at a time, in row order, each step going on from the
    // last row read, so a wait resumes where the reading stood.
    bool InSteps(SQLite::Database& album, const std::string& key) {
        std::optional<SQLite::Statement> first, next;
        std::int64_t low = 0;
        const bool ready = Patiently([&] {
            first.emplace(album, RowsOf(key) + " ORDER BY " + key + " LIMIT ?");
            next.emplace(album,
                         RowsOf(key) + " WHERE " + key + " > ? ORDER BY " + key + " LIMIT ?");
            SQLite::Statement range(album, "SELECT min(" + key + "), max(" + key + ") FROM datab");
            if (!range.executeStep()) return;
            low = range.getColumn(0).getInt64();
            const double span = static_cast<double>(range.getColumn(1).getInt64()) - low;
            total_ = static_cast<std::int64_t>(std::min(span, 1e15)) + 1;
        });
        if (!ready) return false;
        std::optional<std::int64_t> last;
        for (;;) {
            int rows = 0;
            const bool read = Patiently([&] {
                SQLite::Statement& step = last ? *next : *first;
                ResetOnExit reset(step);
                int at = 1;
                if (last) step.bind(at++, static_cast<int64_t>(*last));
                step.bind(at, kBuildStep);
                rows = 0;
                while (step.executeStep()) {
                    ++rows;
                    const std::int64_t row = step.getColumn(0).getInt64();
                    out_.Add(row, step);
                    last = row;
                }
            });
            if (!read) return false;
            if (rows < kBuildStep) return true;
            done_ = static_cast<std::int64_t>(
                std::min(static_cast<double>(*last) - static_cast<double>(low), 1e15));
            if (!Tell()) return false;
        }
    }

    // A table without row numbers is read in one go, its photos keyed by
    // their order.
    bool InOneRead(SQLite::Database& album) {
        bool stopped = false;
        return Patiently([&] {
                   out_.Clear();
                   SQLite::Statement all(album, RowsOf("NULL"));
                   std::int64_t key = 0;
                   while (!stopped && all.executeStep()) {
                       out_.Add(++key, all);
                       done_ = key;
                       if (key % kBuildStep == 0) stopped = !Tell();
                   }
               }) &&
               !stopped;
    }

    const std::string& albumPath_;
    IndexRows& out_;
    const PhotoSearch::Progress& progress_;
    std::int64_t done_ = 0;
    std::int64_t total_ = 0;
};

}  // namespace

IndexRows::IndexRows(SQLite::Database& index)
    : index_(index),
      words_(index,
             "INSERT INTO words(rowid, titolo, data_scatto, luogo, persone, note, nome_file)"
             " VALUES (?, ?, ?, ?, ?, ?, ?)"),
      number_(index, "INSERT INTO numbers(photo, id) VALUES (?, ?)") {}

void IndexRows::Add(std::int64_t key, const SQLite::Statement& row) {
    try {
        {
            ResetOnExit reset(words_);
            words_.bind(1, static_cast<int64_t>(key));
            for (int field = 2; field <= 7; ++field)
                words_.bind(field, TextOf(row.getColumn(field)));
            words_.exec();
        }
        const Value id = ValueOf(row.getColumn(1));
        if (id.isInteger() && id.integer() == key) return;
        ResetOnExit reset(number_);
        number_.bind(1, static_cast<int64_t>(key));
        sqlite::Bind(number_, 2, id);
        number_.exec();
    } catch (const SQLite::Exception& e) {
        throw IndexNotWritten(e);
    }
}

void IndexRows::RemoveNumbered(const Value& id) {
    try {
        std::vector<std::int64_t> keys;
        SQLite::Statement numbered(index_, "SELECT photo FROM numbers WHERE id = ?");
        sqlite::Bind(numbered, 1, id);
        while (numbered.executeStep()) keys.push_back(numbered.getColumn(0).getInt64());
        // The photo whose row is numbered as it is, when no other number
        // stands for that row.
        if (const auto row = WholeNumber(id)) {
            SQLite::Statement renumbered(index_, "SELECT 1 FROM numbers WHERE photo = ?");
            renumbered.bind(1, static_cast<int64_t>(*row));
            if (!renumbered.executeStep()) keys.push_back(*row);
        }
        for (const std::int64_t key : keys) Remove(key);
    } catch (const SQLite::Exception& e) {
        throw IndexNotWritten(e);
    }
}

void IndexRows::Remove(std::int64_t key) {
    for (const char* sql :
         {"DELETE FROM words WHERE rowid = ?", "DELETE FROM numbers WHERE photo = ?"}) {
        SQLite::Statement remove(index_, sql);
        remove.bind(1, static_cast<int64_t>(key));
        remove.exec();
    }
}

void IndexRows::Clear() {
    try {
        index_.exec("DELETE FROM words; DELETE FROM numbers");
    } catch (const SQLite::Exception& e) {
        throw IndexNotWritten(e);
    }
}

std::string RowsOf(const std::string& key) {
    return "SELECT " + key +
           ", id, titolo, data_scatto, luogo, persone, note, nome_file FROM datab";
}

bool FillIndex(const std::string& albumPath, SQLite::Database& index,
               const PhotoSearch::Progress& progress, std::string& keyedBy) {
    IndexRows out = [&] {
        try {
            return IndexRows(index);
        } catch (const SQLite::Exception& e) {
            throw IndexNotWritten(e);
        }
    }();
    return Filler(albumPath, out, progress).Run(keyedBy);
}

}  // namespace store
