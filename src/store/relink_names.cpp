#include "store/relink_names.h"

#include <array>
#include <cstdint>

#include "base/utf8.h"

namespace store::relink {

namespace {

bool IsSeparator(char c) {
    return c == '/' || c == '\\';
}

bool IsDriveLetter(std::string_view folder) {
    const char c = folder.size() >= 2 ? folder[0] : '\0';
    return ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')) && folder[1] == ':';
}

// The code point of the UTF-8 sequence at `at`, which then stands after it;
// false, `at` unmoved, where the bytes are not UTF-8.
bool NextCodePoint(std::string_view s, std::size_t& at, char32_t& cp) {
    const std::size_t length = base::Utf8SequenceLength(s.substr(at), cp);
    at += length;
    return length > 0;
}

char32_t Small(char32_t c) {
    const auto evenCapital = [&](char32_t from, char32_t to) {
        return c >= from && c <= to && (c - from) % 2 == 0;
    };
    if ((c >= 'A' && c <= 'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7)) return c + 32;
    // Latin Extended-A pairs a capital with the small letter after it.
    if (evenCapital(0x100, 0x12E) || evenCapital(0x132, 0x136) || evenCapital(0x139, 0x147) ||
        evenCapital(0x14A, 0x176) || evenCapital(0x179, 0x17D))
        return c + 1;
    if (c == 0x178) return 0xFF;
    if ((c >= 0x391 && c <= 0x3A9 && c != 0x3A2) || (c >= 0x410 && c <= 0x42F)) return c + 32;
    if (c >= 0x400 && c <= 0x40F) return c + 80;
    return c;
}

}  // namespace

StoredFolder SplitStoredFolder(std::string_view folder) {
    StoredFolder split;
    split.windows = IsDriveLetter(folder) || folder.find('\\') != std::string_view::npos;
    std::size_t at = 0;
    if (IsDriveLetter(folder)) {
        split.drive = std::string(folder.substr(0, 2));
        at = 2;
    }
    while (at < folder.size() && IsSeparator(folder[at])) ++at;
    split.rootEnd = at;
    while (at < folder.size()) {
        std::size_t end = at;
        while (end < folder.size() && !IsSeparator(folder[end])) ++end;
        split.names.emplace_back(folder.substr(at, end - at));
        split.ends.push_back(end);
        at = end;
        while (at < folder.size() && IsSeparator(folder[at])) ++at;
    }
    return split;
}

std::string FolderKey(const StoredFolder& split) {
    std::string key = split.windows ? "w" : "p";
    key += split.drive;
    for (const std::string& name : split.names) {
        key += '/';
        key += name;
    }
    return split.windows ? FoldCase(AsUtf8(key)) : key;
}

bool StartsWithFolder(const StoredFolder& folder, const StoredFolder& prefix) {
    if (folder.windows != prefix.windows || prefix.names.size() > folder.names.size() ||
        FoldCase(folder.drive) != FoldCase(prefix.drive))
        return false;
    for (std::size_t i = 0; i < prefix.names.size(); ++i) {
        if (folder.windows ? NameKey(folder.names[i], true) != NameKey(prefix.names[i], true)
                           : folder.names[i] != prefix.names[i])
            return false;
    }
    return true;
}

std::string JoinNames(std::string_view prefix, const std::vector<std::string>& names,
                      std::size_t from) {
    std::string path(prefix);
    for (std::size_t i = from; i < names.size(); ++i) {
        if (path.empty() || path.back() != '/') path += '/';
        path += names[i];
    }
    return path;
}

std::string_view PrefixText(std::string_view folder, const StoredFolder& split, std::size_t count) {
    return folder.substr(0, count == 0 ? split.rootEnd : split.ends.at(count - 1));
}

bool IsUtf8(std::string_view bytes) {
    std::size_t at = 0;
    char32_t cp = 0;
    while (at < bytes.size() && NextCodePoint(bytes, at, cp)) {
    }
    return at == bytes.size();
}

std::string AsUtf8(std::string_view bytes) {
    return IsUtf8(bytes) ? std::string(bytes) : base::Windows1252ToUtf8(bytes);
}

std::string FoldCase(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    std::size_t at = 0;
    while (at < utf8.size()) {
        const char c = utf8[at];
        char32_t cp = 0;
        if (static_cast<unsigned char>(c) < 0x80) {
            out += c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c;
            ++at;
        } else if (NextCodePoint(utf8, at, cp)) {
            base::AppendUtf8(out, Small(cp));
        } else {
            out += c;
            ++at;
        }
    }
    return out;
}

int DayOfDateText(std::string_view text) {
    std::array<int, 3> parts{};
    std::array<int, 3> digits{};
    std::size_t count = 0;
    std::size_t at = 0;
    while (at < text.size() && text[at] == ' ') ++at;
    while (count < parts.size() && at < text.size()) {
        if (text[at] < '0' || text[at] > '9') return 0;
        while (at < text.size() && text[at] >= '0' && text[at] <= '9' && digits[count] < 5) {
            parts[count] = parts[count] * 10 + (text[at++] - '0');
            ++digits[count];
        }
        ++count;
        if (count < parts.size()) {
            if (at >= text.size() ||
                std::string_view("/-.:").find(text[at]) == std::string_view::npos)
                return 0;
            ++at;
        }
    }
    if (count < parts.size()) return 0;
    const bool yearFirst = digits[0] == 4;
    int year = yearFirst ? parts[0] : parts[2];
    const int month = parts[1];
    const int day = yearFirst ? parts[2] : parts[0];
    const int yearDigits = yearFirst ? digits[0] : digits[2];
    if (yearDigits == 2) year += year >= 70 ? 1900 : 2000;
    if ((yearDigits != 2 && yearDigits != 4) || month < 1 || month > 12 || day < 1 || day > 31)
        return 0;
    return year * 10000 + month * 100 + day;
}

}  // namespace store::relink
