// Reading a ".mo" file: a header of 32-bit numbers in the writer's byte
// order (told by the magic number), then two tables of (length, offset)
// pairs, one for the original strings and one for their translations.
#include "metadata/message_catalog.h"

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>

namespace metadata {

namespace {

constexpr std::uint32_t kMagic = 0x950412DE;
constexpr std::uint32_t kSwappedMagic = 0xDE120495;
// The gazetteer's catalogues are a few hundred kilobytes.
constexpr std::uintmax_t kMaxCatalogBytes = 64 << 20;

class Reader {
public:
    explicit Reader(std::string_view bytes) : bytes_(bytes) {}

    bool Number(std::size_t at, std::uint32_t& value) const {
        if (at > bytes_.size() || bytes_.size() - at < 4) return false;
        value = 0;
        for (int i = 0; i < 4; ++i) {
            const std::size_t byte = swapped_ ? at + i : at + 3 - i;
            value = (value << 8) | static_cast<unsigned char>(bytes_[byte]);
        }
        return true;
    }
    // The string of table entry `i` at `table`; false when it lies outside.
    bool String(std::uint32_t table, std::uint32_t i, std::string_view& text) const {
        std::uint32_t length = 0, offset = 0;
        const std::size_t entry = std::size_t{table} + std::size_t{i} * 8;
        if (!Number(entry, length) || !Number(entry + 4, offset) || offset > bytes_.size() ||
            bytes_.size() - offset < length)
            return false;
        text = bytes_.substr(offset, length);
        return true;
    }
    void SetSwapped(bool swapped) { swapped_ = swapped; }

private:
    std::string_view bytes_;
    bool swapped_ = false;
};

}  // namespace

MessageCatalog MessageCatalog::Parse(std::string_view bytes) {
    MessageCatalog catalog;
    Reader reader(bytes);
    std::uint32_t magic = 0, count = 0, originals = 0, translations = 0;
    if (!reader.Number(0, magic) || (magic != kMagic && magic != kSwappedMagic)) return catalog;
    reader.SetSwapped(magic == kSwappedMagic);
    if (!reader.Number(8, count) || !reader.Number(12, originals) ||
        !reader.Number(16, translations))
        return catalog;
    // Each entry takes eight bytes in each table: a count beyond the file is a lie.
    if (count > bytes.size() / 16) return catalog;
    catalog.entries_.reserve(count);
    for (std::uint32_t i = 0; i < count; ++i) {
        std::string_view id, translation;
        if (!reader.String(originals, i, id) || !reader.String(translations, i, translation))
            continue;
        // A plural entry's forms follow one another, each ended by NUL: the first is the one.
        translation = translation.substr(0, translation.find('\0'));
        catalog.entries_.emplace(std::string(id), std::string(translation));
    }
    return catalog;
}

MessageCatalog MessageCatalog::Read(const std::string& path) {
    std::error_code error;
    const std::uintmax_t size = std::filesystem::file_size(path, error);
    if (error || size > kMaxCatalogBytes) return {};
    std::ifstream file(path, std::ios::binary);
    std::string bytes(static_cast<std::size_t>(size), '\0');
    file.read(bytes.data(), static_cast<std::streamsize>(size));
    bytes.resize(static_cast<std::size_t>(std::max<std::streamsize>(file.gcount(), 0)));
    return Parse(bytes);
}

const std::string* MessageCatalog::Find(const std::string& id) const {
    const auto found = entries_.find(id);
    return found == entries_.end() ? nullptr : &found->second;
}

}  // namespace metadata
