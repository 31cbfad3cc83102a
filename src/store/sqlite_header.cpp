#include "store/sqlite_header.h"

#include <cstring>

#include "base/regular_file.h"

namespace store {

namespace {

std::uint32_t BigEndian(const unsigned char* p, int bytes) {
    std::uint32_t v = 0;
    for (int i = 0; i < bytes; ++i) v = (v << 8) | p[i];
    return v;
}

}  // namespace

bool SqliteHeader::IsSqlite() const {
    return size >= 16 && std::memcmp(bytes.data(), "SQLite format 3", 16) == 0;
}

std::uint32_t SqliteHeader::PageSize() const {
    const std::uint32_t pageSize = BigEndian(bytes.data() + 16, 2);
    return pageSize == 1 ? 65536 : pageSize;
}

std::uint32_t SqliteHeader::PageCount() const {
    return BigEndian(bytes.data() + 28, 4);
}

bool SqliteHeader::PageCountIsCurrent() const {
    return std::memcmp(bytes.data() + 24, bytes.data() + 92, 4) == 0;
}

std::uint32_t SqliteHeader::ChangeCounter() const {
    return size >= 28 ? BigEndian(bytes.data() + 24, 4) : 0;
}

bool SqliteHeader::InWalMode() const {
    return size >= 20 && bytes[18] == 2 && bytes[19] == 2;
}

SqliteHeader ReadSqliteHeader(const std::string& path) {
    SqliteHeader header;
    header.size = base::ReadFileStart(path, header.bytes.data(), header.bytes.size()).size;
    return header;
}

SqliteHeader ReadSqliteHeader(int fd, int& error) {
    SqliteHeader header;
    header.size = base::ReadAt(fd, header.bytes.data(), header.bytes.size(), 0, error);
    return header;
}

}  // namespace store
