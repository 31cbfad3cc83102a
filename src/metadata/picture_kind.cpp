// Telling a JPEG or a BMP by its first bytes, as the folder walk does before
// reading a file's fields: a name ending in ".jpg" proves nothing.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cstdint>

#include "base/regular_file.h"
#include "metadata/fields.h"

namespace metadata {

namespace {

std::uint32_t LittleEndian32(std::string_view bytes, std::size_t at) {
    std::uint32_t value = 0;
    for (std::size_t i = 4; i-- > 0;)
        value = (value << 8) | static_cast<unsigned char>(bytes[at + i]);
    return value;
}

}  // namespace

PictureKind PictureKindOf(std::string_view head) {
    // Start of image, then the first marker's 0xFF.
    if (head.size() >= 3 && head.substr(0, 3) == "\xFF\xD8\xFF") return PictureKind::Jpeg;
    // "BM" alone starts plenty of text files: the size of the header that
    // follows the file header must be one of the bitmap headers' sizes too.
    if (head.size() >= 18 && head.substr(0, 2) == "BM") {
        switch (LittleEndian32(head, 14)) {
            case 12:
            case 16:
            case 40:
            case 52:
            case 56:
            case 64:
            case 108:
            case 124:
                return PictureKind::Bmp;
            default:
                break;
        }
    }
    return PictureKind::Other;
}

PictureKind SniffPicture(const std::string& path) {
    std::array<char, 18> head{};
    const std::size_t got = base::ReadFileStart(path, head.data(), head.size()).size;
    return PictureKindOf(std::string_view(head.data(), got));
}

}  // namespace metadata
