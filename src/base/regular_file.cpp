#include "base/regular_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace base {

int OpenRegularFile(const std::string& path, int flags) {
    const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY | flags);
    if (fd < 0) return -1;
    struct stat info {};
    const bool looked = fstat(fd, &info) == 0;
    if (looked && S_ISREG(info.st_mode)) return fd;
    const int error = looked ? 0 : errno;
    close(fd);
    errno = error;
    return -1;
}

std::size_t ReadAt(int fd, void* into, std::size_t size, off_t offset, int& error) {
    auto* bytes = static_cast<unsigned char*>(into);
    std::size_t got = 0;
    while (got < size) {
        const ssize_t n = pread(fd, bytes + got, size - got, offset + static_cast<off_t>(got));
        if (n > 0) {
            got += static_cast<std::size_t>(n);
        } else if (n == 0 || errno != EINTR) {
            if (n < 0) error = errno;
            break;
        }
    }
    return got;
}

FileStart ReadFileStart(const std::string& path, void* into, std::size_t size, off_t offset) {
    FileStart start;
    const int fd = OpenRegularFile(path);
    if (fd < 0) {
        start.error = errno;
        return start;
    }
    start.regular = true;
    start.size = ReadAt(fd, into, size, offset, start.error);
    close(fd);
    return start;
}

}  // namespace base
