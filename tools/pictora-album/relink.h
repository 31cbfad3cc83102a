#pragma once

#include <string>
#include <vector>

namespace album_tool {

// pictora-album relink ALBUM FOLDER...: the native album's photos whose
// pictures are missing are looked for under the folders, and the rows of
// those found are rewritten in one transaction. Returns the exit code.
int Relink(const std::string& album, const std::vector<std::string>& folders);

// pictora-album relink --list ALBUM / --forget ALBUM: the folder mappings
// the program keeps in its settings file for an album it never writes,
// listed or removed. Return the exit code.
int ListKept(const std::string& album);
int ForgetKept(const std::string& album);

// Exit code: done, but some photos are still missing or uncertain.
inline constexpr int kRelinkPartly = 5;

}  // namespace album_tool
