#include "store/access_scratch.h"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "store/store_error.h"

namespace fs = std::filesystem;

namespace store {

std::string CacheFolderError(const std::string& folder, int error) {
    return "la cartella " + folder + " non può essere scritta: " + std::strerror(error);
}

namespace {

constexpr const char* kImportPrefix = ".import-";

// The cache folder's lock, held while scratch folders are made or swept, so
// that a sweep never takes a folder between its making and its locking.
class CacheLock {
public:
    explicit CacheLock(const std::string& folder)
        : fd_(open((fs::path(folder) / ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600)) {
        if (fd_ < 0) throw StoreError(err::General, CacheFolderError(folder, errno));
        while (flock(fd_, LOCK_EX) != 0 && errno == EINTR) {
        }
    }
    ~CacheLock() { close(fd_); }
    CacheLock(const CacheLock&) = delete;
    CacheLock& operator=(const CacheLock&) = delete;

private:
    int fd_;
};

}  // namespace

void RemoveLeftoverImports(const std::string& folder) {
    std::error_code ec;
    if (!fs::is_directory(folder, ec)) return;
    try {
        const CacheLock lock(folder);
        for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
            if (it->path().filename().string().rfind(kImportPrefix, 0) != 0) continue;
            const int fd = open(it->path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
            if (fd < 0) continue;
            std::error_code removed;
            if (flock(fd, LOCK_EX | LOCK_NB) == 0) fs::remove_all(it->path(), removed);
            close(fd);
        }
    } catch (const StoreError&) {
        // A cache folder that cannot be locked is reported by the reading.
    }
}

ImportFolder::ImportFolder(const std::string& cacheFolder) {
    std::error_code ec;
    fs::create_directories(cacheFolder, ec);
    if (ec) throw StoreError(err::General, CacheFolderError(cacheFolder, ec.value()));
    const CacheLock lock(cacheFolder);
    std::string pattern = (fs::path(cacheFolder) / kImportPrefix).string() + "XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr)
        throw StoreError(err::General, CacheFolderError(cacheFolder, errno));
    path_ = pattern;
    fd_ = open(path_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd_ >= 0) flock(fd_, LOCK_EX | LOCK_NB);
}

ImportFolder::~ImportFolder() {
    std::error_code ec;
    fs::remove_all(path_, ec);
    if (fd_ >= 0) close(fd_);
}

}  // namespace store
