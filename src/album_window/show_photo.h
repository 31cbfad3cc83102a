#pragma once

#include <QImage>
#include <QSize>
#include <QSizeF>
#include <QString>

// The photo frame of the album window, in twips.
inline constexpr float kPhotoFrameWidth = 6345;
inline constexpr float kPhotoFrameHeight = 6180;

// The size in twips a picture of `natural` pixels takes in the photo frame:
// its longer side spans the frame on its own axis, the other side is scaled by
// the frame's extent on that other axis. Computed in single precision.
QSizeF FitToFrame(QSize natural);

// A picture read for the photo frame: decoded no larger than `shownPixels`
// needs (JPEG decodes at 1/2, 1/4 or 1/8 scale), turned upright as its EXIF
// orientation says, and scaled smoothly to the frame's pixels at
// `devicePixelRatio`. `natural` is the upright size of the
// whole picture.
struct FramedPicture {
    QImage image;
    QSize natural;
};
// An unreadable file, or one that is not a picture, gives a null image.
FramedPicture ReadFramedPicture(const QString& path, qreal devicePixelRatio);
