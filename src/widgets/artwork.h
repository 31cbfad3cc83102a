#pragma once

#include <QImage>
#include <QString>

// A window picture compiled in from resources/, by file name.
//
// Icons hold their largest image. Qt reads the transparency mask of 24-bit
// icons as opaque black; the artwork keeps pure black for the transparent
// ground only, so it is made transparent again here.
//
// On a screen of device pixel ratio 2 (or `devicePixelRatio`, when given)
// the picture drawn at twice the pixels is used, "stem@2x.ext" (or
// "stem@2x.png" for icons), with that ratio set: it shows at the same
// size, crisp. A picture with no such twin is the 1x one.
QImage Artwork(const QString& name, qreal devicePixelRatio = 0);
