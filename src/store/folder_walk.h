#pragma once

// The folders and regular files under some folders, as looking for moved
// pictures needs them: names only, no file ever opened. Links are never
// followed (so no link can make a loop), a folder reached twice (a bind
// mount, the same root given twice) is walked once, FIFOs, devices and
// sockets are passed over, and a folder that cannot be read is counted and
// left out rather than ending the walk.

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace store {

struct WalkedFolder {
    std::string path;             // from the root as given, made absolute; bytes as on disk
    std::uint32_t nameAt = 0;     // where its own name starts in `path`
    std::uint32_t firstFile = 0;  // its files are FolderTree::files[firstFile, + fileCount)
    std::uint32_t fileCount = 0;

    std::string_view Name() const { return std::string_view(path).substr(nameAt); }
};

struct WalkedFile {
    std::string name;  // bytes as on disk
    std::uint32_t folder = 0;
};

struct FolderTree {
    std::vector<WalkedFolder> folders;
    std::vector<WalkedFile> files;
    std::int64_t unreadable = 0;  // folders that could not be read (or lie too deep)
    std::int64_t passedOver = 0;  // links, FIFOs, devices and sockets
};

struct WalkControl {
    // Told the files found so far, every few thousand files.
    std::function<void(std::int64_t files)> progress;
    // Looked at before every entry: true stops the walk.
    const std::atomic<bool>* cancel = nullptr;
};

// Adds to `tree` the folders and files under each of `roots` (a root itself
// may be a link: it was named on purpose). Returns false when stopped
// through `control.cancel`. A root that is no readable folder raises
// StoreError 3044 before anything is walked.
bool WalkFolders(const std::vector<std::string>& roots, FolderTree& tree,
                 const WalkControl& control = {});

}  // namespace store
