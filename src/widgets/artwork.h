#pragma once

#include <QImage>
#include <QString>

// A window picture compiled in from resources/, by file name.
//
// Icons hold their largest image. Qt reads the transparency mask of 24-bit
// icons as opaque black; the artwork keeps pure black for the transparent
// ground only, so it is made transparent again here.
QImage Artwork(const QString& name);
