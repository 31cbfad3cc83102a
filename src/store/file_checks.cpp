#include "store/file_checks.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "store/sqlite_header.h"
#include "store/store_error.h"

namespace store {

namespace {

constexpr mode_t kAnyWriteBit = S_IWUSR | S_IWGRP | S_IWOTH;

[[noreturn]] void Fail(int number, const std::string& path, const std::string& why) {
    throw StoreError(number, "'" + path + "': " + why);
}

bool OnReadOnlyMedium(const std::string& path) {
    struct statvfs vfs {};
    return statvfs(path.c_str(), &vfs) == 0 && (vfs.f_flag & ST_RDONLY) != 0;
}

bool NonEmptyFileExists(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0 && st.st_size > 0;
}

// The 100-byte SQLite header: the magic text, a page size that is a power of
// two from 512 to 65536, a file made of whole pages and, when the header's page
// count is current, at least that many pages. A truncated album fails here
// without reading a page of it.
void CheckHeader(const std::string& path, int fd, off_t size) {
    if (size < 512) Fail(err::NotValidAlbum, path, "non è un album (file troppo corto)");
    int error = 0;
    const SqliteHeader h = ReadSqliteHeader(fd, error);
    if (!h.Whole()) Fail(err::NotValidAlbum, path, "non è un album (intestazione illeggibile)");
    if (!h.IsSqlite()) Fail(err::NotValidAlbum, path, "non è un album (non è un database)");
    const std::uint32_t pageSize = h.PageSize();
    if (pageSize < 512 || pageSize > 65536 || (pageSize & (pageSize - 1)) != 0) {
        Fail(err::NotValidAlbum, path, "non è un album (intestazione danneggiata)");
    }
    // A crash mid-write leaves a journal the engine replays on opening; until
    // then the file's length may disagree with its header.
    if (NonEmptyFileExists(path + "-journal") || NonEmptyFileExists(path + "-wal")) return;
    if (size % pageSize != 0) Fail(err::NotValidAlbum, path, "l'album è troncato");
    if (h.PageCountIsCurrent() &&
        static_cast<std::uint64_t>(h.PageCount()) * pageSize > static_cast<std::uint64_t>(size)) {
        Fail(err::NotValidAlbum, path, "l'album è troncato");
    }
}

}  // namespace

std::string FolderOf(const std::string& path) {
    std::filesystem::path folder = std::filesystem::path(path).parent_path();
    return folder.empty() ? std::string(".") : folder.string();
}

int FolderWriteProblem(const std::string& folder, std::string& why) {
    struct stat st {};
    if (stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        why = "la cartella '" + folder + "' non esiste";
        return err::PathNotFound;
    }
    if (access(folder.c_str(), W_OK) != 0 || (st.st_mode & kAnyWriteBit) == 0) {
        why = "la cartella '" + folder + "' è di sola lettura";
        return err::CannotOpenForWriting;
    }
    if (OnReadOnlyMedium(folder)) {
        why = "la cartella '" + folder + "' è su un supporto di sola lettura";
        return err::CannotOpenForWriting;
    }
    return 0;
}

void CheckAlbumFile(const std::string& path, bool readOnly) {
    if (path.empty()) Fail(err::FileNotFound, path, "nessun album indicato");
    struct stat st {};
    if (stat(path.c_str(), &st) != 0) {
        if (errno == EACCES) Fail(err::CannotOpenForWriting, path, "accesso negato");
        Fail(err::FileNotFound, path, "il file non esiste");
    }
    if (S_ISDIR(st.st_mode)) Fail(err::NotValidAlbum, path, "è una cartella, non un album");
    if (!S_ISREG(st.st_mode)) Fail(err::NotValidAlbum, path, "non è un album");
    if (st.st_size == 0) Fail(err::NotValidAlbum, path, "non è un album (file vuoto)");

    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) Fail(err::CannotOpenForWriting, path, std::strerror(errno));
    try {
        CheckHeader(path, fd, st.st_size);
    } catch (...) {
        close(fd);
        throw;
    }
    close(fd);

    if (readOnly) return;
    if (access(path.c_str(), W_OK) != 0 || (st.st_mode & kAnyWriteBit) == 0) {
        Fail(err::CannotOpenForWriting, path, "il file è di sola lettura");
    }
    if (OnReadOnlyMedium(path))
        Fail(err::CannotOpenForWriting, path, "il supporto è di sola lettura");
    // The journal of every change is written beside the album, so its folder
    // (the real one, for a link) must take new files too.
    std::string folder = FolderOf(path);
    struct stat entry {};
    if (lstat(path.c_str(), &entry) == 0 && S_ISLNK(entry.st_mode)) {
        if (char* real = realpath(path.c_str(), nullptr)) {
            folder = FolderOf(real);
            std::free(real);
        }
    }
    std::string why;
    if (FolderWriteProblem(folder, why) != 0) Fail(err::CannotOpenForWriting, path, why);
}

}  // namespace store
