#pragma once

// The loader's cache of frame-sized pictures, most recently used first, kept
// within a count and a size. Not locked: its owner holds a lock around it.
#include <list>

#include "pictures/picture_reader.h"

namespace pictures {

// A file as it is on disk, read for one frame: a file changed on disk or a
// frame changed has another key. A file on a slow medium is stamped by the
// worker that reads it; until then only its path is known.
struct ReadKey {
    FileStamp file;
    int frame = 0;
    bool stamped = false;
    bool operator==(const ReadKey&) const = default;
    // The same read: by the path alone while either is not stamped.
    bool Same(const ReadKey& other) const {
        return frame == other.frame && file.path == other.file.path &&
               (!stamped || !other.stamped || file == other.file);
    }
};

class DecodedCache {
public:
    // The cache's bounds: this many pictures, or this many bytes.
    static constexpr int kMaxCached = 32;
    static constexpr qint64 kMaxCachedBytes = qint64(128) << 20;

    // The picture of `key`, now the most recently used; null when not cached.
    const Picture* Find(const ReadKey& key);
    // Keeps `picture` for `key`, in place of older versions of its file, and
    // lets the least recently used go past the bounds (never the last one).
    void Put(const ReadKey& key, const Picture& picture);

    int Count() const { return static_cast<int>(entries_.size()); }
    qint64 Bytes() const { return bytes_; }

private:
    struct Entry {
        ReadKey key;
        Picture picture;
    };
    std::list<Entry> entries_;  // most recently used first
    qint64 bytes_ = 0;
};

}  // namespace pictures
