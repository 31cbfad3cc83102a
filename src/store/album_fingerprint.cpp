#include "store/album_fingerprint.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>

namespace store {

namespace {

std::string TimeText(const struct timespec& t) {
    char text[48];
    std::snprintf(text, sizeof text, "%jd.%09ld", static_cast<intmax_t>(t.tv_sec), t.tv_nsec);
    return text;
}

// The four bytes of the header's file change counter, as a number.
std::uint32_t ChangeCounter(const std::string& path) {
    unsigned char header[28] = {};
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) return 0;
    const ssize_t got = pread(fd, header, sizeof header, 0);
    close(fd);
    if (got != static_cast<ssize_t>(sizeof header)) return 0;
    return (std::uint32_t{header[24]} << 24) | (std::uint32_t{header[25]} << 16) |
           (std::uint32_t{header[26]} << 8) | std::uint32_t{header[27]};
}

}  // namespace

std::string AlbumFingerprint(const std::string& path) {
    struct stat info {};
    if (stat(path.c_str(), &info) != 0) return "assente";
    std::string state = std::to_string(info.st_dev) + ":" + std::to_string(info.st_ino) + ":" +
                        std::to_string(info.st_size) + ":" + TimeText(info.st_mtim) + ":" +
                        TimeText(info.st_ctim) + ":" + std::to_string(ChangeCounter(path));
    struct stat log {};
    if (stat((path + "-wal").c_str(), &log) == 0)
        state += ":wal:" + std::to_string(log.st_size) + ":" + TimeText(log.st_mtim);
    return state;
}

}  // namespace store
