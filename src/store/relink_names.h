#pragma once

// How the folders and names an album stores are compared with those found on
// disk when pictures are looked for after a move. Albums converted from the
// Windows versions store "C:\Documenti\Foto\Mare 1998": there letter case
// never mattered, and the files copied from such a disk may carry their names
// in Windows-1252 bytes where the album now holds UTF-8.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace store::relink {

// A stored folder taken apart.
struct StoredFolder {
    // From Windows (a drive letter "X:" or a backslash): letter case is ignored.
    bool windows = false;
    std::string drive;               // "C:" as stored, or empty
    std::vector<std::string> names;  // the folders, from the root down
    std::vector<std::size_t> ends;   // where each name ends in the stored text
    std::size_t rootEnd = 0;         // where the drive and the separators after it end
};

StoredFolder SplitStoredFolder(std::string_view folder);

// The key folders are grouped by: the same folder however its stored
// spellings differ where they cannot differ (case on Windows, separators).
std::string FolderKey(const StoredFolder& split);

// Whether `folder` starts with the names of `prefix`: both from Windows or
// both not, the same drive.
bool StartsWithFolder(const StoredFolder& folder, const StoredFolder& prefix);

// `prefix`, a folder on disk, with `names` from the `from`-th on below it.
std::string JoinNames(std::string_view prefix, const std::vector<std::string>& names,
                      std::size_t from);

// The stored text of `folder` up to its first `count` names ("C:\Documenti"
// for one name of "C:\Documenti\Foto"; "C:\" for none).
std::string_view PrefixText(std::string_view folder, const StoredFolder& split, std::size_t count);

// `bytes` as UTF-8: themselves when they are UTF-8, else read as Windows-1252
// (Latin-1 with the letters Windows adds), as file names copied from an old
// Windows disk often are.
std::string AsUtf8(std::string_view bytes);
bool IsUtf8(std::string_view bytes);

// UTF-8 text with the capitals of the Latin, Greek and Cyrillic alphabets
// made small, for names from Windows, which never told them apart.
std::string FoldCase(std::string_view utf8);

// The key a stored name or a name on disk is compared by.
inline std::string NameKey(std::string_view bytes, bool ignoreCase) {
    return ignoreCase ? FoldCase(AsUtf8(bytes)) : AsUtf8(bytes);
}

// The day a date text names, as yyyymmdd ("12/08/98" and "12-08-1998" day
// first, "1998-08-12" and "1998:08:12" year first; two-digit years from 70
// are of the 1900s), or 0 when it names none.
int DayOfDateText(std::string_view text);

}  // namespace store::relink
