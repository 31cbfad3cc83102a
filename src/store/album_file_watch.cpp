#include "store/album_file_watch.h"

#include <sys/stat.h>

#include <cerrno>
#include <utility>

#include "store/sqlite_engine.h"
#include "store/store_error.h"

namespace store::sqlite {

AlbumFileWatch::AlbumFileWatch(std::string path) : path_(std::move(path)) {
    struct stat info {};
    if (stat(path_.c_str(), &info) == 0) {
        device_ = info.st_dev;
        inode_ = info.st_ino;
    }
}

void AlbumFileWatch::CheckStillThere() const {
    struct stat info {};
    if (stat(path_.c_str(), &info) != 0) {
        if (errno == ENOENT || errno == ENOTDIR)
            throw StoreError(err::FileNotFound, "'" + path_ + "' non c'è più");
        return;
    }
    if (info.st_dev != device_ || info.st_ino != inode_ || info.st_size == 0) {
        throw StoreError(err::AlbumReplaced,
                         "'" + path_ + "' è stato svuotato o sostituito da un altro programma");
    }
}

void AlbumFileWatch::Raise(const SQLite::Exception& e, const std::string& what) const {
    CheckStillThere();
    sqlite::Raise(e, what);
}

}  // namespace store::sqlite
