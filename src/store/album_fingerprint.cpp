#include "store/album_fingerprint.h"

#include <sys/stat.h>

#include <cstdint>
#include <cstdio>

#include "store/sqlite_header.h"

namespace store {

namespace {

std::string TimeText(const struct timespec& t) {
    char text[48];
    std::snprintf(text, sizeof text, "%jd.%09ld", static_cast<intmax_t>(t.tv_sec), t.tv_nsec);
    return text;
}

}  // namespace

std::string AlbumFingerprint(const std::string& path) {
    struct stat info {};
    if (stat(path.c_str(), &info) != 0) return "assente";
    std::string state = std::to_string(info.st_dev) + ":" + std::to_string(info.st_ino) + ":" +
                        std::to_string(info.st_size) + ":" + TimeText(info.st_mtim) + ":" +
                        TimeText(info.st_ctim) + ":" +
                        std::to_string(ReadSqliteHeader(path).ChangeCounter());
    struct stat log {};
    if (stat((path + "-wal").c_str(), &log) == 0)
        state += ":wal:" + std::to_string(log.st_size) + ":" + TimeText(log.st_mtim);
    return state;
}

}  // namespace store
