#include "store/album_identity.h"

#include <stdlib.h>

#include <cinttypes>
#include <cstdint>
#include <cstdio>
#include <filesystem>

namespace fs = std::filesystem;

namespace store {

namespace {

std::uint64_t Fnv1a(const std::string& text) {
    std::uint64_t hash = 0xcbf29ce484222325ull;
    for (unsigned char c : text) hash = (hash ^ c) * 0x100000001b3ull;
    return hash;
}

}  // namespace

std::string CanonicalPath(const std::string& path) {
    char* resolved = realpath(path.c_str(), nullptr);
    if (resolved == nullptr) {
        std::error_code ec;
        const fs::path absolute = fs::absolute(path, ec);
        return (ec ? fs::path(path) : absolute).lexically_normal().string();
    }
    std::string result = resolved;
    free(resolved);
    return result;
}

std::string AlbumIdentity(const std::string& path) {
    char identity[17];
    std::snprintf(identity, sizeof identity, "%016" PRIx64, Fnv1a(CanonicalPath(path)));
    return identity;
}

}  // namespace store
