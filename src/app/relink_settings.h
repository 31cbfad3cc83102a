#pragma once

// The folder mappings learned for albums that are never written (an album on
// CD, on a read-only medium, in the Access format of the earlier versions):
// kept in Pictora's own settings file, per album, so its pictures are found
// again at every start while the album file stays as it was. The program and
// pictora-album read and write them only through here.

#include <QString>
#include <string>
#include <vector>

#include "store/relink.h"

// Pictora's settings file: <user config folder>/Pictora/Pictora.conf.
QString DefaultSettingsFile();

// The album a set of mappings belongs to: the identity of its file (see
// store::AlbumIdentity), and its path for people.
struct RelinkAlbum {
    std::string identity;
    QString path;
};
RelinkAlbum RelinkAlbumOf(const QString& albumPath);

// The mappings kept for `album`, in the order they were learned.
std::vector<store::RelinkMapping> ReadRelinkMappings(const QString& settingsFile,
                                                     const std::string& identity);
// Adds `learned` to what is kept for `album`: a mapping of the same old folder
// is replaced. False when the settings file cannot be written.
bool KeepRelinkMappings(const QString& settingsFile, const RelinkAlbum& album,
                        const std::vector<store::RelinkMapping>& learned);
// Removes every mapping kept for `identity`; false when there was none, or
// the settings file cannot be written.
bool ForgetRelinkMappings(const QString& settingsFile, const std::string& identity);
