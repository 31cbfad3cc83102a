#pragma once

// The folders and files a walk found, indexed the ways finding moved pictures
// looks them up: folders by their own name and by their path, files by their
// folder and name. Names are compared by NameKey, letter case ignored only
// for what comes from Windows. A folder's files are sorted by name the first
// time one is looked for in it, so a lookup is a short binary search in
// memory that is read in order, and folders never looked into cost nothing.

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "store/folder_walk.h"

namespace store::relink {

// A stored name, ready to be looked for.
struct NameProbe {
    std::string_view exact;  // as stored
    std::string utf8;        // AsUtf8(exact)
    std::string key;         // NameKey(exact, true)
    bool windows = false;

    NameProbe(std::string_view name, bool fromWindows);
};

class TreeIndex {
public:
    explicit TreeIndex(const FolderTree& tree);

    const FolderTree& Tree() const { return tree_; }

    // The folders whose own name is `name`.
    std::vector<std::uint32_t> FoldersNamed(const NameProbe& name) const;
    // The folders at `path`.
    std::vector<std::uint32_t> FoldersAt(const NameProbe& path) const;
    // The files of `folder` named `name`: the one with the very bytes stored
    // alone when there is one (a folder may hold "a.jpg" and "A.JPG").
    std::vector<std::uint32_t> FilesNamed(std::uint32_t folder, const NameProbe& name);

    // The names of a folder's path, the last first.
    std::vector<std::string_view> NamesUp(std::uint32_t folder) const;

private:
    // Of `entries` (files, or folders by their paths) those spelled as
    // `probe`: its very bytes alone, else its other spellings.
    template <typename Entries>
    std::vector<std::uint32_t> Spelled(const Entries& entries, const NameProbe& probe,
                                       bool files) const;
    void SortFiles(std::uint32_t folder);

    const FolderTree& tree_;
    std::unordered_multimap<std::string, std::uint32_t> byName_;
    std::unordered_multimap<std::string, std::uint32_t> byPath_;
    std::vector<std::string> fileKeys_;  // each file's key, once its folder is sorted
    std::vector<std::uint32_t> sorted_;  // each folder's files, by key once sorted
    std::vector<bool> folderSorted_;
};

}  // namespace store::relink
