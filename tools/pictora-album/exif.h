#pragma once

#include <QByteArray>

// JPEG bytes with an EXIF APP1 segment carrying only the orientation tag
// (1-8), placed right after the start-of-image marker. Qt writes no EXIF, so
// the demo album and the tests add the tag themselves.
inline QByteArray WithExifOrientation(const QByteArray& jpeg, int orientation) {
    // clang-format off
    const unsigned char app1[] = {
        0xFF, 0xE1, 0x00, 0x22,                          // APP1, 34 bytes with this length
        'E', 'x', 'i', 'f', 0x00, 0x00,                  // Exif identifier
        'M', 'M', 0x00, 0x2A, 0x00, 0x00, 0x00, 0x08,    // TIFF header, IFD0 at 8
        0x00, 0x01,                                      // one entry
        0x01, 0x12, 0x00, 0x03, 0x00, 0x00, 0x00, 0x01,  // Orientation, SHORT, count 1
        0x00, static_cast<unsigned char>(orientation), 0x00, 0x00,  // its value, padded
        0x00, 0x00, 0x00, 0x00,                          // no next IFD
    };
    // clang-format on
    QByteArray result = jpeg.left(2);  // SOI
    result.append(reinterpret_cast<const char*>(app1), sizeof app1);
    result.append(jpeg.mid(2));
    return result;
}
