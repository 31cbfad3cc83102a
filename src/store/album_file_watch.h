#pragma once

// Which file an album was opened as, so a file deleted, emptied or put in its
// place by another program is told for what it is rather than by what
// SQLite makes of it. Only the store's SQLite code includes this.

#include <SQLiteCpp/Exception.h>
#include <sys/types.h>

#include <string>

namespace store::sqlite {

class AlbumFileWatch {
public:
    explicit AlbumFileWatch(std::string path);

    // Raises 3024 when the file is gone, err::AlbumReplaced when it was
    // emptied or another file now has its name.
    void CheckStillThere() const;

    // The failure `e` of `what`, for what it is.
    [[noreturn]] void Raise(const SQLite::Exception& e, const std::string& what) const;

private:
    std::string path_;
    dev_t device_ = 0;
    ino_t inode_ = 0;
};

}  // namespace store::sqlite
