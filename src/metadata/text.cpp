// Cleaning the texts of a picture file's metadata.
#include "metadata/text.h"

#include <algorithm>
#include <array>
#include <cstdint>

#include "base/utf8.h"

namespace metadata {

namespace {

// The length of the valid UTF-8 sequence at the start of `s`, or 0.
std::size_t SequenceLength(std::string_view s) {
    char32_t code = 0;
    return base::Utf8SequenceLength(s, code);
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n';
}

}  // namespace

std::string ToUtf8(std::string_view bytes) {
    bool valid = true;
    bool multiByte = false;
    for (std::size_t i = 0; i < bytes.size();) {
        const std::size_t length = SequenceLength(bytes.substr(i));
        if (length == 0) {
            valid = false;
            ++i;
            continue;
        }
        multiByte = multiByte || length > 1;
        i += length;
    }
    if (valid) return std::string(bytes);
    // Without a single multi-byte sequence the text is no UTF-8 at all.
    if (!multiByte) return base::Windows1252ToUtf8(bytes);
    std::string out;
    out.reserve(bytes.size() * 2);
    for (std::size_t i = 0; i < bytes.size();) {
        const std::size_t length = SequenceLength(bytes.substr(i));
        if (length > 0) {
            out.append(bytes.substr(i, length));
            i += length;
        } else {
            base::AppendUtf8(out, 0xFFFD);
            ++i;
        }
    }
    return out;
}

std::string CleanText(std::string_view bytes, bool multiline, std::size_t maxBytes) {
    // Nothing past four bytes for each byte kept can reach the field (a
    // control character is the most that is dropped); cut at a character's
    // start so the text stays what it was.
    std::size_t cut = std::min(bytes.size(), maxBytes * 4 + 4);
    while (cut < bytes.size() && cut > 0 && (static_cast<unsigned char>(bytes[cut]) & 0xC0) == 0x80)
        --cut;
    const std::string utf8 = ToUtf8(bytes.substr(0, cut));
    std::string out;
    out.reserve(std::min(utf8.size(), maxBytes));
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(utf8[i]);
        if (c == '\r' || c == '\n') {
            if (c == '\r' && i + 1 < utf8.size() && utf8[i + 1] == '\n') ++i;
            out += multiline ? '\n' : ' ';
        } else if (c == '\t') {
            out += multiline ? '\t' : ' ';
        } else if (c < 0x20 || c == 0x7F) {
            continue;
        } else if (c == 0xC2 && i + 1 < utf8.size() &&
                   static_cast<unsigned char>(utf8[i + 1]) < 0xA0) {
            ++i;  // a C1 control character
        } else {
            out += static_cast<char>(c);
        }
    }
    const auto first = std::find_if_not(out.begin(), out.end(), IsBlank);
    out.erase(out.begin(), first);
    if (out.size() > maxBytes) {
        std::size_t end = maxBytes;
        while (end > 0 && (static_cast<unsigned char>(out[end]) & 0xC0) == 0x80) --end;
        out.resize(end);
    }
    while (!out.empty() && IsBlank(out.back())) out.pop_back();
    return out;
}

bool SameIgnoringCase(std::string_view a, std::string_view b) {
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                              [&](char x, char y) { return lower(x) == lower(y); });
}

namespace {

// What cameras and their programs write in a caption nobody typed.
constexpr std::array<std::string_view, 22> kFillers = {"OLYMPUS DIGITAL CAMERA",
                                                       "SONY DSC",
                                                       "DCIM",
                                                       "DIGITAL CAMERA",
                                                       "DIGITAL STILL CAMERA",
                                                       "KODAK DIGITAL STILL CAMERA",
                                                       "KONICA MINOLTA DIGITAL CAMERA",
                                                       "MINOLTA DIGITAL CAMERA",
                                                       "SAMSUNG DIGITAL CAMERA",
                                                       "SAMSUNG CAMERA PICTURES",
                                                       "CASIO DIGITAL CAMERA",
                                                       "EASYSHARE",
                                                       "CAMERA",
                                                       "DSC",
                                                       "IMAGE",
                                                       "PICTURE",
                                                       "PHOTO",
                                                       "DEFAULT",
                                                       "SCREENSHOT",
                                                       "UNTITLED",
                                                       "LEAD TECHNOLOGIES INC. V1.01",
                                                       "HDR"};

bool IsAsciiLetter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}
bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// A camera's file name: letters, maybe "_" or "-", digits, maybe an
// extension ("IMG_1234", "DSCF0042.JPG", "P1010001").
bool IsFileName(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && IsAsciiLetter(text[i])) ++i;
    if (i < text.size() && (text[i] == '_' || text[i] == '-')) ++i;
    const std::size_t digits = i;
    while (i < text.size() && IsDigit(text[i])) ++i;
    if (i - digits < 3) return false;
    if (i < text.size() && text[i] == '.') {
        ++i;
        while (i < text.size() && IsAsciiLetter(text[i])) ++i;
    }
    return i == text.size();
}

}  // namespace

bool IsCameraFiller(std::string_view text, std::string_view make, std::string_view model) {
    if (text.empty()) return true;
    for (std::string_view filler : kFillers)
        if (SameIgnoringCase(text, filler)) return true;
    if (!make.empty() && SameIgnoringCase(text, make)) return true;
    if (!model.empty() && SameIgnoringCase(text, model)) return true;
    if (!make.empty() && !model.empty() && text.size() == make.size() + 1 + model.size() &&
        SameIgnoringCase(text.substr(0, make.size()), make) && text[make.size()] == ' ' &&
        SameIgnoringCase(text.substr(make.size() + 1), model))
        return true;
    return IsFileName(text);
}

}  // namespace metadata
