#pragma once

// Pictures with an embedded ICC profile turned into sRGB through LittleCMS,
// the colour engine of the field's programs: RGB profiles of any kind (not
// only the matrix ones Qt converts) and grey ones.
#include <lcms2.h>
#include <QByteArray>
#include <QImage>

namespace pictures {

// The LittleCMS context every profile here is opened in. It refuses any one
// allocation larger than a real profile needs, so that a damaged profile
// claiming a table of gigabytes fails at once instead of having it zeroed.
cmsContext ColourContext();

// The ICC profile embedded in the JPEG or PNG whose first bytes are `head`,
// or nothing.
QByteArray EmbeddedProfile(const QByteArray& head);

// Converts `image` from `profile` to sRGB, perceptual intent. False, with the
// image untouched, when the profile is not a usable RGB or grey one or does
// not fit the image's pixels.
bool ConvertToSrgb(QImage& image, const QByteArray& profile);

}  // namespace pictures
