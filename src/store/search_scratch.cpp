#include "store/search_scratch.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>

#include "base/regular_file.h"

namespace fs = std::filesystem;

namespace store {

namespace {

constexpr const char* kScratchMark = ".index.new-";

bool SameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// True when the file open as `fd` still has the name `path`.
bool StillNamed(int fd, const std::string& path) {
    struct stat open {};
    struct stat named {};
    return fstat(fd, &open) == 0 && lstat(path.c_str(), &named) == 0 && SameFile(open, named);
}

}  // namespace

std::unique_ptr<ScratchIndex> ScratchIndex::Make(const std::string& indexPath) {
    std::error_code ec;
    fs::create_directories(fs::path(indexPath).parent_path(), ec);
    // A start-up's clean-up may take a file between its making and its
    // locking: another is made then.
    for (int attempt = 0; attempt < 3; ++attempt) {
        std::string path = indexPath + ".new-XXXXXX";
        const int fd = mkostemp(path.data(), O_CLOEXEC);
        if (fd < 0) return nullptr;
        if (flock(fd, LOCK_EX | LOCK_NB) == 0 && StillNamed(fd, path))
            return std::unique_ptr<ScratchIndex>(new ScratchIndex(std::move(path), fd));
        close(fd);
    }
    return nullptr;
}

ScratchIndex::~ScratchIndex() {
    // Removed while still locked, so no clean-up takes it for abandoned.
    if (!placed_) std::remove(path_.c_str());
    if (fd_ >= 0) close(fd_);
}

bool ScratchIndex::Replace(const std::string& indexPath) {
    // A journal left by a write cut short belongs to the index replaced.
    std::remove((indexPath + "-journal").c_str());
    placed_ = std::rename(path_.c_str(), indexPath.c_str()) == 0;
    if (placed_) {
        // Closed at once: closing it later would drop the locks SQLite
        // holds on the index through other descriptors of this process.
        close(fd_);
        fd_ = -1;
    }
    return placed_;
}

void RemoveAbandonedScratch(const std::string& folder) {
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (name.rfind("search-", 0) != 0 || name.find(kScratchMark) == std::string::npos) continue;
        const std::string path = it->path().string();
        // Never through a link: only a file of this folder is removed.
        const int fd = base::OpenRegularFile(path, O_NOFOLLOW);
        if (fd < 0) continue;
        if (flock(fd, LOCK_EX | LOCK_NB) == 0 && StillNamed(fd, path)) unlink(path.c_str());
        close(fd);
    }
}

}  // namespace store
