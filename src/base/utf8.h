#pragma once

// UTF-8 as the program checks and writes it, and the Windows-1252 bytes
// (Latin-1 with the letters Windows adds) that older programs and old
// Windows disks left in texts and file names.

#include <cstddef>
#include <string>
#include <string_view>

namespace base {

// The length of the valid UTF-8 sequence at the start of `s`, its code point
// in `code`; 0 where the bytes are not UTF-8 (overlong forms, surrogates and
// code points past U+10FFFF included) or `s` is empty.
std::size_t Utf8SequenceLength(std::string_view s, char32_t& code);

// `code` appended to `out` in UTF-8.
void AppendUtf8(std::string& out, char32_t code);

// The character Windows-1252 gives `byte`; the five bytes it leaves
// undefined stand for themselves, as in Latin-1.
char32_t Windows1252Char(unsigned char byte);

// Every byte of `bytes` read as Windows-1252, in UTF-8.
std::string Windows1252ToUtf8(std::string_view bytes);

}  // namespace base
