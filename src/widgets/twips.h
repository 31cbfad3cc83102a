#pragma once

#include <QRect>
#include <QtMath>

// Window geometry is laid out in twips, as the album's windows always were:
// 15 twips make one logical pixel, and Qt scales logical pixels on
// high-density screens.
inline constexpr double kTwipsPerPixel = 15.0;

inline int TwipsToPixels(double twips) {
    return qRound(twips / kTwipsPerPixel);
}
inline double PixelsToTwips(double pixels) {
    return pixels * kTwipsPerPixel;
}

inline QRect TwipsRect(int left, int top, int width, int height) {
    return QRect(TwipsToPixels(left), TwipsToPixels(top), TwipsToPixels(width),
                 TwipsToPixels(height));
}
