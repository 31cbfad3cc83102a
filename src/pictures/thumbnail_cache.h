#pragma once

// The shared thumbnail cache of the desktop (the freedesktop.org thumbnail
// managing standard): entries other programs wrote are used, ours are
// written for them too, with keys of our own that tell a file rewritten with
// its size and time kept. A `.sh_thumbnails` folder beside the pictures (a CD
// made with its thumbnails) is read, never written.

#include <QImage>
#include <QString>
#include <functional>

#include "pictures/picture_reader.h"

namespace pictures {

struct ThumbnailEntry {
    QImage image;                   // upright, sRGB; null when no entry counts
    QSize natural;                  // the picture's upright size, from Thumb::Image::*
    bool failed = false;            // a fail entry matches: the picture cannot be read
    Failure cause = Failure::None;  // why, when failed
};

class ThumbnailCache {
public:
    // root: the "thumbnails" folder; empty turns the cache off (the
    // `.sh_thumbnails` beside the pictures is still read).
    explicit ThumbnailCache(QString root = {});

    static QString DefaultRoot();
    static QString EntryName(const QString& absolutePath);
    static int FolderSize(const QString& folder);  // 0 when not a size folder

    bool Enabled() const { return !root_.isEmpty(); }
    // Where entries are looked for: the personal cache alone, or the
    // `.sh_thumbnails` beside the picture too, which is on the picture's
    // medium (a CD, a share), never read on the window's thread.
    enum class Places { Personal, Everywhere };
    // The larger side, in pixels, an entry must have to stand for a picture
    // of `natural` upright pixels.
    using SideFor = std::function<int(QSize natural)>;
    // The smallest entry large enough, or a fail entry, for `file` as its
    // stamp tells it. Entries are looked at by their headers and text chunks;
    // only the one returned is decoded.
    ThumbnailEntry Find(const FileStamp& file, const SideFor& side, Places places) const;
    // The same, everywhere, for entries whose larger side reaches `side`, or
    // the whole picture's when smaller.
    ThumbnailEntry Find(const FileStamp& file, int side) const;
    // The largest entry there is, whatever its size; no fail entries.
    ThumbnailEntry Largest(const FileStamp& file, Places places) const;
    // Writes the entry of `folder` ("large"...) from an upright picture,
    // stamped with `file` as the read it was made from found it.
    bool Write(const FileStamp& file, const QString& folder, const QImage& upright,
               QSize natural) const;
    // A fail entry, for the causes the file's own bytes tell, which only a
    // change of the file undoes (NotAPicture, TooLarge); false for the others.
    bool WriteFailure(const FileStamp& file, Failure cause = Failure::NotAPicture) const;

private:
    ThumbnailEntry Scan(const FileStamp& file, const SideFor& side, bool largest,
                        Places places) const;

    QString root_;
};

}  // namespace pictures
