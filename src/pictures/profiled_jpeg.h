#pragma once

// JPEGs whose samples are neither RGB nor grey, with the ICC profile that
// gives their colours: CMYK and YCCK ones (Adobe's inverted CMYK too) and Lab
// ones. Qt turns CMYK into RGB itself, naively, and knows no Lab, so these are
// decoded with libjpeg, their samples as stored, and turned into sRGB through
// their profile by LittleCMS.
#include <QByteArray>
#include <QImage>
#include <QSize>
#include <optional>

class QIODevice;

namespace pictures {

// Whether a JPEG with `profile` embedded is decoded here: a CMYK or Lab one.
bool IsProfiledJpeg(const QByteArray& profile);

// Decodes the JPEG on `device`, from its start, in sRGB through `profile`: at
// the smallest of libjpeg's scales (1/2, 1/4, 1/8) that keeps at least
// `asked` pixels, then scaled to `asked`; whole when `asked` is empty. libjpeg
// may hold `memory` bytes for its coefficients. A null image for a damaged
// picture; nothing, with the device where it was, when its samples do not fit
// the profile (three for CMYK, say): then Qt reads it.
std::optional<QImage> DecodeProfiledJpeg(QIODevice& device, const QByteArray& profile, QSize asked,
                                         qint64 memory);

}  // namespace pictures
