#pragma once

// pictora-album add ALBUM PERCORSO...: the pictures in files and folders
// added to an album, each with the fields it carries.

#include <string>
#include <vector>

namespace album_tool {

// Exit codes of `add` beyond the tool's own (0 done, 1 the album will not
// do or refused a write, 2 bad usage).
inline constexpr int kAddSomeUnreadable = 5;  // the rest was added
inline constexpr int kAddInterrupted = 6;     // Ctrl+C: the photos written so far stay

// How `add` tells programs what it did, once done: lines on stdout starting
// with these, then a number (the photos added with store::kAlbumToolPhotos).
inline constexpr const char* kAddAlready = "@gia ";
inline constexpr const char* kAddUnreadable = "@non-leggibili ";
inline constexpr const char* kAddNotPictures = "@non-immagini ";

int Add(const std::string& album, const std::vector<std::string>& paths);

}  // namespace album_tool
