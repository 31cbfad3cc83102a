// The reader of Access-format albums (libmdb and the checks around it) on any
// bytes: it may refuse them or call them damaged, never crash, hang or read out of bounds.

#include <cstddef>
#include <cstdint>

#include "access_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    try {
        album_tool::ReadAccessAlbum(data, size);
    } catch (const album_tool::NotAnAlbum&) {
    } catch (const album_tool::Damaged&) {
    }
    return 0;
}
