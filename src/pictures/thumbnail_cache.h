#pragma once

// The shared thumbnail cache of the desktop (the freedesktop.org thumbnail
// managing standard): entries other programs wrote are used, ours are
// written for them too.

#include <QImage>
#include <QString>

namespace pictures {

struct ThumbnailEntry {
    QImage image;         // upright, sRGB; null when no entry counts
    QSize natural;        // the picture's upright size, from Thumb::Image::*
    bool failed = false;  // a fail entry matches: the picture cannot be read
};

class ThumbnailCache {
public:
    // root: the "thumbnails" folder; empty turns the cache off.
    explicit ThumbnailCache(QString root = {});

    static QString DefaultRoot();
    static QString EntryName(const QString& absolutePath);
    static int FolderSize(const QString& folder);  // 0 when not a size folder

    bool Enabled() const { return !root_.isEmpty(); }
    // The smallest entry whose larger side covers `side`, or a fail entry.
    ThumbnailEntry Find(const QString& path, int side) const;
    // Writes the entry of `folder` ("large"...) from an upright picture.
    bool Write(const QString& path, const QString& folder, const QImage& upright,
               QSize natural) const;
    bool WriteFailure(const QString& path) const;

private:
    QString root_;
};

}  // namespace pictures
