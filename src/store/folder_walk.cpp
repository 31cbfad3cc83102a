#include "store/folder_walk.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <set>
#include <utility>

#include "store/store_error.h"

namespace store {

namespace {

// Every level being walked keeps its folder open, so the depth is bounded
// well below the files a process may hold open; deeper folders are counted
// as unreadable.
constexpr std::size_t kDeepest = 200;

// Opened relative to the folder holding it and never through a link; a
// FIFO named like a folder fails on O_DIRECTORY without ever being opened.
constexpr int kFolderFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK;

struct Frame {
    DIR* dir = nullptr;
    std::uint32_t folder = 0;
    std::vector<std::string> subfolders;
    std::size_t next = 0;
};

class Walker {
public:
    Walker(FolderTree& tree, const WalkControl& control) : tree_(tree), control_(control) {}
    ~Walker() {
        for (Frame& frame : stack_) closedir(frame.dir);
    }
    Walker(const Walker&) = delete;
    Walker& operator=(const Walker&) = delete;

    // Walks the folder open as `fd` (taken over) at `path`; false when stopped.
    bool Walk(int fd, std::string path) {
        if (!Enter(fd, std::move(path))) return false;
        while (!stack_.empty()) {
            Frame& top = stack_.back();
            if (top.next == top.subfolders.size()) {
                closedir(top.dir);
                stack_.pop_back();
                continue;
            }
            const std::string name = std::move(top.subfolders[top.next++]);
            if (stack_.size() >= kDeepest) {
                ++tree_.unreadable;
                continue;
            }
            const int child = openat(dirfd(top.dir), name.c_str(), kFolderFlags);
            if (child < 0) {
                // Put in the place of a folder by a link or a file meanwhile.
                ++(errno == ELOOP || errno == ENOTDIR ? tree_.passedOver : tree_.unreadable);
                continue;
            }
            const std::string& parent = tree_.folders[top.folder].path;
            if (!Enter(child, parent + (parent.back() == '/' ? "" : "/") + name)) return false;
        }
        return true;
    }

private:
    bool Stopped() const {
        return control_.cancel != nullptr && control_.cancel->load(std::memory_order_relaxed);
    }

    // Reads the folder open as `fd` and stacks it for its subfolders; a folder
    // seen already is passed over. False when stopped.
    bool Enter(int fd, std::string path) {
        struct stat info {};
        if (fstat(fd, &info) != 0 || !seen_.emplace(info.st_dev, info.st_ino).second) {
            close(fd);
            return true;
        }
        DIR* dir = fdopendir(fd);
        if (dir == nullptr) {
            close(fd);
            ++tree_.unreadable;
            return true;
        }
        const auto index = static_cast<std::uint32_t>(tree_.folders.size());
        WalkedFolder folder;
        folder.nameAt = static_cast<std::uint32_t>(path.rfind('/') + 1);
        folder.path = std::move(path);
        folder.firstFile = static_cast<std::uint32_t>(tree_.files.size());
        tree_.folders.push_back(std::move(folder));
        stack_.push_back(Frame{dir, index, {}, 0});
        return Read(stack_.back());
    }

    bool Read(Frame& frame) {
        for (;;) {
            if (Stopped()) return false;
            errno = 0;
            const dirent* entry = readdir(frame.dir);
            if (entry == nullptr) {
                if (errno != 0) ++tree_.unreadable;
                break;
            }
            const char* name = entry->d_name;
            if (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0) continue;
            unsigned char type = entry->d_type;
            if (type == DT_UNKNOWN) {
                // Some file systems do not tell the type while listing.
                struct stat info {};
                if (fstatat(dirfd(frame.dir), name, &info, AT_SYMLINK_NOFOLLOW) != 0) continue;
                type = S_ISREG(info.st_mode) ? DT_REG : S_ISDIR(info.st_mode) ? DT_DIR : DT_LNK;
            }
            if (type == DT_REG) {
                tree_.files.push_back(WalkedFile{name, frame.folder});
                if (control_.progress && tree_.files.size() % 4096 == 0)
                    control_.progress(static_cast<std::int64_t>(tree_.files.size()));
            } else if (type == DT_DIR) {
                frame.subfolders.emplace_back(name);
            } else {
                ++tree_.passedOver;
            }
        }
        WalkedFolder& folder = tree_.folders[frame.folder];
        folder.fileCount = static_cast<std::uint32_t>(tree_.files.size()) - folder.firstFile;
        return true;
    }

    FolderTree& tree_;
    const WalkControl& control_;
    std::set<std::pair<dev_t, ino_t>> seen_;
    std::vector<Frame> stack_;
};

// `root` made absolute, without "." and ".." or a trailing "/".
std::string AbsoluteFolder(const std::string& root) {
    std::error_code ec;
    std::string path = std::filesystem::absolute(root, ec).lexically_normal().string();
    if (ec) path = root;
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    return path;
}

}  // namespace

bool WalkFolders(const std::vector<std::string>& roots, FolderTree& tree,
                 const WalkControl& control) {
    std::vector<std::pair<int, std::string>> opened;
    for (const std::string& root : roots) {
        const int fd = open(root.c_str(), kFolderFlags & ~O_NOFOLLOW);
        if (fd < 0) {
            const std::string why = std::strerror(errno);
            for (const auto& [other, path] : opened) close(other);
            throw StoreError(err::PathNotFound,
                             "'" + root + "' non è una cartella leggibile: " + why);
        }
        opened.emplace_back(fd, AbsoluteFolder(root));
    }
    Walker walker(tree, control);
    for (std::size_t i = 0; i < opened.size(); ++i) {
        if (!walker.Walk(opened[i].first, std::move(opened[i].second))) {
            for (std::size_t j = i + 1; j < opened.size(); ++j) close(opened[j].first);
            return false;
        }
    }
    return true;
}

}  // namespace store
