#include "pictures/decoded_cache.h"

#include <algorithm>

namespace pictures {

const Picture* DecodedCache::Find(const ReadKey& key) {
    const auto hit = std::find_if(entries_.begin(), entries_.end(),
                                  [&](const Entry& e) { return e.key == key; });
    if (hit == entries_.end()) return nullptr;
    entries_.splice(entries_.begin(), entries_, hit);
    return &entries_.front().picture;
}

void DecodedCache::Put(const ReadKey& key, const Picture& picture) {
    // Older versions of the same file are of no more use.
    for (auto it = entries_.begin(); it != entries_.end();) {
        if (it->key.file.path == key.file.path && it->key.frame == key.frame) {
            bytes_ -= it->picture.image.sizeInBytes();
            it = entries_.erase(it);
        } else {
            ++it;
        }
    }
    entries_.push_front({key, picture});
    bytes_ += picture.image.sizeInBytes();
    while (entries_.size() > 1 && (entries_.size() > kMaxCached || bytes_ > kMaxCachedBytes)) {
        bytes_ -= entries_.back().picture.image.sizeInBytes();
        entries_.pop_back();
    }
}

}  // namespace pictures
