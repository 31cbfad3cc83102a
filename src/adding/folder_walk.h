#pragma once

// The files among the paths an addition is given, folders walked to the
// bottom: regular files only, each folder and file once however many links
// lead to it, and every entry that cannot be read counted and named, never
// dropped. Nothing is opened but folders, so a FIFO never holds the walk up.

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "adding/add_pictures.h"

namespace adding {

// A regular file found, where it is as the album stores it.
struct FoundFile {
    std::string folder;  // absolute and clean (see CleanPath)
    std::string name;
    // The file itself, whatever the path to it: one reached again through
    // another path is the same picture.
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    bool viaLink = false;  // the entry is a link to the file
};

// "folder/name", or "/name" in the root folder.
std::string PathOf(const std::string& folder, const std::string& name);

// `path` made absolute from `workingFolder` when relative, and clean as the
// picker makes its folders: no "." or ".." (taken away by their names, not
// by following links), no doubled slash, no slash at the end ("/" stays).
std::string CleanPath(const std::string& path, const std::string& workingFolder);

// The files and folders that could not be read: all counted, the first few
// named.
struct Problems {
    std::int64_t count = 0;
    std::vector<Unreadable> first{};
    void Add(std::string path, std::string why);
};

struct Walked {
    // In the walk's order: the paths given, each folder's entries by name;
    // the folders reached only through links last.
    std::vector<FoundFile> files{};
    std::int64_t notFiles = 0;  // FIFOs, sockets, devices
    Problems unreadable{};
    bool cancelled = false;
};

// Walks `paths` (relative ones from the working folder), each folder's
// entries in the order of their names. `found` is told the files found so
// far, after each one; `cancel` is looked at before each entry.
Walked Walk(const std::vector<std::string>& paths, const std::atomic<bool>* cancel,
            const std::function<void(std::int64_t found)>& found);

// Why a call failed with `error`, in Italian.
std::string ErrnoText(int error);

}  // namespace adding
