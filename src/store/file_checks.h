#pragma once

#include <string>

namespace store {

// Checks on album files made before any database engine touches them, so a
// file that is not an album is never opened for writing, let alone changed.

// Raises 3024 when `path` names no file, 3055 when the file cannot be a sound
// SQLite album (a folder, an empty or foreign file, a truncated database) and
// 3051 when it cannot be read, or, with readOnly false, cannot be written.
void CheckAlbumFile(const std::string& path, bool readOnly);

// Whether `folder` may take new files (a journal, a new album): 0 when it may,
// else 3044 (no such folder) or 3051 (read-only), with the reason in `why`.
// Root passes every access() check, so a folder without any write bit in its
// mode counts as read-only too, like one on a read-only medium.
int FolderWriteProblem(const std::string& folder, std::string& why);

// The folder that holds `path` ("." for a bare file name).
std::string FolderOf(const std::string& path);

}  // namespace store
