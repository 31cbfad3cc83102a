#pragma once

#include <QString>
#include <QStringList>

// Where the program keeps and finds things on this desktop. Tests give it
// folders of their own.
class Platform {
public:
    virtual ~Platform() = default;

    // The usual album: <user data folder>/Pictora/database.mdb.
    virtual QString DefaultAlbumPath() const;
    // "pathdb", in the process's working folder.
    virtual QString PathdbPath() const;
    // The local working copy of an album kept on CD:
    // <user cache folder>/Pictora/_database.mdb.
    virtual QString LocalCopyPath() const;
    // The working copy of an album whose last write was cut short in a
    // folder that may not be written, with the write undone:
    // <user cache folder>/Pictora/_database_ripristinato.mdb.
    virtual QString RolledBackCopyPath() const;
    // Where the readable copies of Access-format albums are kept:
    // <user cache folder>/Pictora/access.
    virtual QString AccessCacheFolder() const;
    // Where the word indexes of the albums searched are kept, one file per
    // album: <user cache folder>/Pictora/search.
    virtual QString SearchIndexFolder() const;
    // The pictora-album program that reads Access-format albums: beside the
    // program when installed, in the build tree's tools folder otherwise.
    virtual QString AlbumToolPath() const;
    // The root (mount point) of the volume that holds `path`: what a drive
    // letter was on the desktop the album was made for. Empty when unknown.
    virtual QString VolumeRoot(const QString& path) const;
    // Pictora's own settings file (see DefaultSettingsFile).
    virtual QString SettingsFile() const;
    // The mounted, ready volumes, "/" first.
    virtual QStringList Drives() const;
};

// True when a file, not a folder, exists at `path`; an empty path names none.
bool FileExists(const QString& path);
