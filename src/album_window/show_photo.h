#pragma once

#include <QSize>
#include <QSizeF>
#include <QString>

#include "pictures/picture_reader.h"

// The photo frame of the album window, in twips.
inline constexpr float kPhotoFrameWidth = 6345;
inline constexpr float kPhotoFrameHeight = 6180;

// The size in twips a picture of `natural` pixels takes in the photo frame:
// its longer side spans the frame on its own axis, the other side is scaled by
// the frame's extent on that other axis. Computed in single precision.
QSizeF FitToFrame(QSize natural);

// The size in device pixels at `devicePixelRatio` the photo frame shows a
// picture of `natural` upright pixels at: what the pictures are read for.
pictures::FrameSize PhotoFrameSize(qreal devicePixelRatio);

// What the photo frame says in place of a picture that cannot be shown:
// the cause and the file's name.
QString PictureNotice(const QString& path, pictures::Failure failure);
// Said in the frame of an empty album that may be written.
extern const char* const kEmptyAlbumHint;
