#pragma once

#include <QString>
#include <climits>
#include <string>

// The file of a photo's picture: folder + "/" + name, a backslash in the
// stored folder read as "/". For an album on CD the folder lies below the
// CD's root, `cdRoot`.
QString ComposePicturePath(bool cdMode, const QString& cdRoot, const QString& folder,
                           const QString& name);

// The same from the folder and name as the album holds them. A picture found
// again on a disk copied from old Windows may be named by bytes that are not
// UTF-8 ("Caff\xe8"): both are then read as Windows-1252, so the path's
// Windows-1252 bytes, by which the pictures are looked for too, are the very
// bytes of its file.
QString StoredPicturePath(bool cdMode, const QString& cdRoot, const std::string& folder,
                          const std::string& name);

// Whether a folder and a name of these lengths in UTF-8 bytes make a path
// longer than any file's (PATH_MAX): a character is at most three bytes of
// UTF-8 for one of a QString, or four for two.
inline bool NamesNoFile(size_t folderBytes, size_t nameBytes) {
    return folderBytes + nameBytes > 3 * static_cast<size_t>(PATH_MAX);
}
