#pragma once

// Adding many photos at once: the pictures in the files and folders given,
// each with the date, title, notes, people and place it carries, numbered in
// the order they were taken. Used by `pictora-album add` and by the album
// object (on a worker of its own); no Qt, no windows.
//
// The album is written in batches that each commit whole, so a program
// killed, a full disk or a stop at any moment leaves only complete photos,
// and the same addition made again adds exactly the ones still missing: a
// picture whose folder and file name the album already holds is left out.

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "store/album.h"
#include "store/store_error.h"
#include "store/value.h"

namespace adding {

// What an addition is doing, in its order.
enum class Phase {
    Walking,   // looking through the folders; the total is not known yet (0)
    Checking,  // looking for the pictures the album already holds
    Reading,   // reading each picture's own fields
    Adding,    // writing the photos into the album
};

// A file or folder that could not be read, and why, in Italian.
struct Unreadable {
    std::string path;
    std::string why;
    bool operator==(const Unreadable&) const = default;
};

struct Options {
    // Told `done` of `total` in `phase`, on the calling thread, often (for
    // every file or batch): a caller that shows it throttles it.
    std::function<void(Phase phase, std::int64_t done, std::int64_t total)> progress{};
    // Looked at between files and between batches; once true the addition
    // stops, keeping the batches already written.
    const std::atomic<bool>* cancel = nullptr;
    // Threads reading the pictures' fields; 0: one per core, at most 8.
    int readers = 0;
    // Photos written in each transaction.
    std::size_t batch = 500;
};

// The unreadable files and folders named in a Result, at most.
inline constexpr std::size_t kNamedUnreadable = 20;

struct Result {
    std::int64_t added = 0;
    // Pictures whose folder and name the album already held, and files met
    // a second time (named twice, or reached again through a link).
    std::int64_t already = 0;
    std::int64_t unreadable = 0;
    std::vector<Unreadable> firstUnreadable{};  // the first kNamedUnreadable, as met
    // Files that are no JPEG or BMP, by their bytes (FIFOs and devices too).
    std::int64_t notPictures = 0;
    bool cancelled = false;
    // The album refused a batch (locked, disk full, ...): the photos of the
    // batches before it are in, the others are not.
    std::optional<store::StoreError> failure{};
    // The numbers given to the first and the last photo added.
    std::optional<store::Value> firstNumber{};
    std::optional<store::Value> lastNumber{};
};

// The album at `path` opened for adding, through `engine`. Raises the
// store's usual errors: 3051 for an album that may not be written (a CD, a
// read-only medium or file), and 3051 with ReadOnlyCause::OldFormat and a
// message that says to convert it first for an album in the Access format
// of the earlier versions.
std::unique_ptr<store::Album> OpenAlbumForAdding(store::Engine& engine, const std::string& path);

// Adds to `album` the JPEG and BMP pictures (told by their bytes) among
// `paths`: files, and folders with everything below them. Relative paths are
// taken from the process's working folder. Each photo's folder is stored as
// the picker stores it: absolute, without "." or ".." and without a slash at
// the end; links are followed, each folder and file walked once. Photos are
// numbered by the moment taken, those without a date last, then by path.
// Never throws for what the files or the album hold: see Result.
Result AddPictures(store::Album& album, const std::vector<std::string>& paths,
                   const Options& options = {});

// What the addition did, in a sentence: "Aggiunte 1.234 foto; 12 già
// nell'album; 3 non leggibili". The album's refusal is not in it.
std::string Summary(const Result& result);

}  // namespace adding
