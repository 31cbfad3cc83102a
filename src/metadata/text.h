#pragma once

// The texts other programs leave in a picture file, made fit for a field:
// valid UTF-8 whatever the bytes were, no control characters, bounded.
#include <cstddef>
#include <string>
#include <string_view>

namespace metadata {

// Valid UTF-8 for any bytes. Text already in UTF-8 stays as it is. Text with
// no valid multi-byte sequence at all is read as Windows-1252, which is what
// older programs wrote in EXIF and IPTC ("Citt\xE0" becomes "Città"); in
// any other text an invalid byte becomes U+FFFD.
std::string ToUtf8(std::string_view bytes);

// `bytes` as a field's text: valid UTF-8, without control characters (line
// breaks are kept as "\n" when `multiline`, else become spaces), without the
// blanks around it, and at most `maxBytes` long, cut at a character's end.
std::string CleanText(std::string_view bytes, bool multiline, std::size_t maxBytes);

// True for a caption a camera writes by itself ("OLYMPUS DIGITAL CAMERA",
// "SONY DSC", a file name such as "IMG_1234.JPG", the camera's own make or
// model): no person wrote it. `text` is already clean.
bool IsCameraFiller(std::string_view text, std::string_view make, std::string_view model);

// ASCII letters compared without case.
bool SameIgnoringCase(std::string_view a, std::string_view b);

}  // namespace metadata
