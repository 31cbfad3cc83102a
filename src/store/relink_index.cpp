#include "store/relink_index.h"

#include <algorithm>
#include <type_traits>

#include "store/relink_names.h"

namespace store::relink {

NameProbe::NameProbe(std::string_view name, bool fromWindows)
    : exact(name), utf8(AsUtf8(name)), key(FoldCase(utf8)), windows(fromWindows) {}

TreeIndex::TreeIndex(const FolderTree& tree)
    : tree_(tree),
      fileKeys_(tree.files.size()),
      sorted_(tree.files.size()),
      folderSorted_(tree.folders.size(), false) {
    byName_.reserve(tree.folders.size());
    byPath_.reserve(tree.folders.size());
    for (std::uint32_t i = 0; i < tree.folders.size(); ++i) {
        byName_.emplace(NameKey(tree.folders[i].Name(), true), i);
        byPath_.emplace(NameKey(tree.folders[i].path, true), i);
    }
}

template <typename Entries>
std::vector<std::uint32_t> TreeIndex::Spelled(const Entries& entries, const NameProbe& probe,
                                              bool files) const {
    std::vector<std::uint32_t> found;
    for (const std::uint32_t entry : entries) {
        const std::string_view spelling =
            files ? std::string_view(tree_.files[entry].name) : tree_.folders[entry].path;
        if (spelling == probe.exact) return {entry};
        // Outside Windows only the Windows-1252 spelling may differ.
        if (probe.windows || AsUtf8(spelling) == probe.utf8) found.push_back(entry);
    }
    return found;
}

void TreeIndex::SortFiles(std::uint32_t folder) {
    const WalkedFolder& f = tree_.folders[folder];
    const auto from = sorted_.begin() + f.firstFile;
    const auto to = from + f.fileCount;
    for (std::uint32_t i = f.firstFile; i < f.firstFile + f.fileCount; ++i) {
        fileKeys_[i] = NameKey(tree_.files[i].name, true);
        sorted_[i] = i;
    }
    std::sort(from, to,
              [&](std::uint32_t a, std::uint32_t b) { return fileKeys_[a] < fileKeys_[b]; });
    folderSorted_[folder] = true;
}

std::vector<std::uint32_t> TreeIndex::FoldersNamed(const NameProbe& name) const {
    std::vector<std::uint32_t> found;
    const auto [from, to] = byName_.equal_range(name.key);
    for (auto it = from; it != to; ++it) {
        if (name.windows || AsUtf8(tree_.folders[it->second].Name()) == name.utf8)
            found.push_back(it->second);
    }
    return found;
}

std::vector<std::uint32_t> TreeIndex::FoldersAt(const NameProbe& path) const {
    std::vector<std::uint32_t> folders;
    const auto [from, to] = byPath_.equal_range(path.key);
    for (auto it = from; it != to; ++it) folders.push_back(it->second);
    return Spelled(folders, path, false);
}

std::vector<std::uint32_t> TreeIndex::FilesNamed(std::uint32_t folder, const NameProbe& name) {
    if (!folderSorted_[folder]) SortFiles(folder);
    const WalkedFolder& f = tree_.folders[folder];
    const auto from = sorted_.begin() + f.firstFile;
    // Files (their indexes) and the key looked for, compared by key.
    const auto key = [&](const auto& x) -> std::string_view {
        if constexpr (std::is_same_v<std::decay_t<decltype(x)>, std::uint32_t>) {
            return fileKeys_[x];
        } else {
            return x;
        }
    };
    const auto [first, last] =
        std::equal_range(from, from + f.fileCount, name.key,
                         [&](const auto& a, const auto& b) { return key(a) < key(b); });
    return Spelled(std::vector<std::uint32_t>(first, last), name, true);
}

std::vector<std::string_view> TreeIndex::NamesUp(std::uint32_t folder) const {
    std::vector<std::string_view> names;
    std::string_view path = tree_.folders[folder].path;
    while (!path.empty()) {
        const std::size_t slash = path.rfind('/');
        const std::string_view name = path.substr(slash == std::string_view::npos ? 0 : slash + 1);
        if (!name.empty()) names.push_back(name);
        if (slash == std::string_view::npos) break;
        path = path.substr(0, slash);
    }
    return names;
}

}  // namespace store::relink
