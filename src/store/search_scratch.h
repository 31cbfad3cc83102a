#pragma once

// The file a new word index is built in before it takes the index's place:
// made beside the index, locked for as long as this program writes it, so
// one left by a build that was killed (or cut short by a logout) is told from
// one still being written, and removed at the next start.

#include <memory>
#include <string>

namespace store {

class ScratchIndex {
public:
    // A new, empty scratch file for the index at `indexPath`, its folder made
    // when missing; nothing when the folder cannot be used.
    static std::unique_ptr<ScratchIndex> Make(const std::string& indexPath);

    // Removes the file unless it took the index's place.
    ~ScratchIndex();
    ScratchIndex(const ScratchIndex&) = delete;
    ScratchIndex& operator=(const ScratchIndex&) = delete;

    const std::string& path() const { return path_; }

    // Puts the file in the place of the index at `indexPath`, in one step;
    // false when that cannot be done.
    bool Replace(const std::string& indexPath);

private:
    ScratchIndex(std::string path, int fd) : path_(std::move(path)), fd_(fd) {}

    std::string path_;
    int fd_;  // holds the lock
    bool placed_ = false;
};

// Removes from `folder` the scratch files no running build holds: those of
// builds that were stopped by force.
void RemoveAbandonedScratch(const std::string& folder);

}  // namespace store
