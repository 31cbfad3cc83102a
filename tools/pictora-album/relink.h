#pragma once

#include <string>
#include <vector>

namespace album_tool {

// pictora-album relink ALBUM FOLDER...: the native album's photos whose
// pictures are missing are looked for under the folders, and the rows of
// those found are rewritten in one transaction. Returns the exit code.
int Relink(const std::string& album, const std::vector<std::string>& folders);

// Exit code: done, but some photos are still missing or uncertain.
inline constexpr int kRelinkPartly = 5;

}  // namespace album_tool
