#pragma once

// The first 100 bytes of an SQLite file, where SQLite keeps what the store
// looks at before (and beside) opening an album: the magic text, the page
// size and count, the change counter and the write-ahead log's mark.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace store {

struct SqliteHeader {
    static constexpr std::size_t kBytes = 100;
    std::array<unsigned char, kBytes> bytes{};
    std::size_t size = 0;  // the bytes read: fewer in a shorter file, none in an unreadable one

    bool Whole() const { return size == kBytes; }
    bool IsSqlite() const;
    // A power of two from 512 to 65536 in a sound header, else anything.
    std::uint32_t PageSize() const;
    std::uint32_t PageCount() const;
    // The page count is current only when written by the latest change.
    bool PageCountIsCurrent() const;
    // 0 when the header is too short to hold it.
    std::uint32_t ChangeCounter() const;
    // The file's changes go through a write-ahead log.
    bool InWalMode() const;
};

// The header of the file at `path`, read without waiting on a FIFO; empty
// (size 0) when the file is no regular file or cannot be read.
SqliteHeader ReadSqliteHeader(const std::string& path);

// The header of the file open on `fd`; `error` holds the errno of a failed read.
SqliteHeader ReadSqliteHeader(int fd, int& error);

}  // namespace store
