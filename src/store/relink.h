#pragma once

// Finding photos' pictures again after their folders moved, or the album came
// from another computer (an album converted from the Windows versions names
// "C:\Documenti\Foto\Mare 1998").
//
// Folders are matched, not files: cameras name their files IMG_0001.JPG in
// every folder, so a name alone proves nothing. An old folder goes to the new
// folder that bears its name and holds at least half of its missing pictures;
// among several, the one holding the most, then the one whose path ends with
// more of the old folder's names. Each folder matched teaches the old prefix
// its new place ("C:\Documenti" is now "/home/utente"), which then places the
// folders no name settled. Where folders tie, each name found in several of
// them is settled by its size, when known, and by the day the album says it
// was taken against the file's date; what stays uncertain is counted and left
// alone, never guessed. Only the names of files are read, and no file is
// opened.

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "store/folder_walk.h"
#include "store/picture_place.h"

namespace store {

// A learned place: a stored folder that starts with oldPrefix (by its names,
// letter case ignored for Windows folders) is now under newPrefix.
struct RelinkMapping {
    std::string oldPrefix;
    std::string newPrefix;
    std::int64_t photos = 0;  // the photos it placed

    bool operator==(const RelinkMapping& other) const {
        return oldPrefix == other.oldPrefix && newPrefix == other.newPrefix;
    }
};

struct RelinkCounts {
    std::int64_t total = 0;      // the photos looked for
    std::int64_t found = 0;      // found again
    std::int64_t missing = 0;    // still missing
    std::int64_t uncertain = 0;  // found in several places none of which can be told right
};

struct RelinkProgress {
    enum class Stage { Walk, Match };
    Stage stage = Stage::Walk;
    std::int64_t done = 0;   // files seen while walking, old folders matched after
    std::int64_t total = 0;  // the old folders to match; 0 while walking
};

struct RelinkOptions {
    std::function<void(const RelinkProgress&)> progress;
    // Looked at before every entry walked and every old folder matched.
    const std::atomic<bool>* cancel = nullptr;
    std::size_t missingNamed = 20;  // how many of the photos still missing are named
};

struct RelinkResult {
    std::vector<PictureMove> found;  // in the order of the photos looked for
    RelinkCounts counts;
    std::vector<PicturePlace> firstMissing;
    std::vector<RelinkMapping> mappings;
    std::int64_t unreadableFolders = 0;
    bool cancelled = false;  // stopped: nothing found is reported
};

// Looks for the pictures of `missing` under `roots`. A root that is no
// readable folder raises StoreError 3044.
RelinkResult FindMovedPictures(const std::vector<PicturePlace>& missing,
                               const std::vector<std::string>& roots,
                               const RelinkOptions& options = {});

// The same over folders already walked.
RelinkResult MatchMovedPictures(const std::vector<PicturePlace>& missing, const FolderTree& tree,
                                const RelinkOptions& options = {});

// "Ritrovate 4.210 foto su 4.300; 90 ancora mancanti; 3 incerte".
std::string RelinkSummary(const RelinkCounts& counts);

// `folder` placed by the mapping with the longest old prefix it starts with,
// or nothing when none does. For albums that are never written, whose
// pictures are looked for through the mappings learned.
std::optional<std::string> ApplyMappings(std::string_view folder,
                                         const std::vector<RelinkMapping>& mappings);

}  // namespace store
