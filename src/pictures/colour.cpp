#include "pictures/colour.h"

#include "pictures/inflate.h"

#include <lcms2_plugin.h>
#include <QColorSpace>
#include <QtEndian>
#include <cstdlib>
#include <map>
#include <memory>

namespace pictures {

namespace {

quint8 At(const QByteArray& bytes, qsizetype i) {
    return static_cast<quint8>(bytes.at(i));
}

// The profile of a JPEG: APP2 segments "ICC_PROFILE", each with its place in
// the sequence.
QByteArray JpegProfile(const QByteArray& head) {
    std::map<int, QByteArray> chunks;
    for (qsizetype i = 2; i + 4 < head.size() && At(head, i) == 0xFF;) {
        const int marker = At(head, i + 1);
        const qsizetype length = (At(head, i + 2) << 8) | At(head, i + 3);
        if (marker == 0xDA || i + 2 + length > head.size()) break;  // the picture's data
        if (marker == 0xE2 && length > 16 && head.mid(i + 4, 12) == QByteArray("ICC_PROFILE", 12))
            chunks[At(head, i + 16)] = head.mid(i + 18, length - 16);
        i += 2 + length;
    }
    QByteArray profile;
    for (const auto& [index, chunk] : chunks) profile += chunk;
    return profile;
}

// More than any RGB or grey profile holds: those are kilobytes, the largest
// tables a megabyte or two.
constexpr qsizetype kMostProfileBytes = qsizetype(4) << 20;

// The profile of a PNG: the iCCP chunk, compressed, before the picture's data.
QByteArray PngProfile(const QByteArray& head) {
    for (qsizetype i = 8; i + 12 <= head.size();) {
        const quint32 length = qFromBigEndian<quint32>(head.constData() + i);
        const QByteArray type = head.mid(i + 4, 4);
        if (type == "IDAT" || i + 12 + qsizetype(length) > head.size()) break;
        if (type == "iCCP") {
            const QByteArray data = head.mid(i + 8, length);
            const qsizetype name = data.indexOf('\0');
            if (name < 0 || name + 2 > data.size()) break;
            // Inflated with a bound, before any memory of the decode is
            // reserved: a few kilobytes of a damaged file can claim gigabytes.
            return InflateAtMost(data.mid(name + 2), kMostProfileBytes).value_or(QByteArray());
        }
        i += 12 + length;
    }
    return {};
}

// The largest table a profile may need: a 45-point CMYK table of 16-bit
// samples is 25 MiB, and real ones have 9 to 33 points.
constexpr cmsUInt32Number kMostAllocated = 32u << 20;

void* Allocate(cmsContext, cmsUInt32Number size) {
    return size > kMostAllocated ? nullptr : std::malloc(size);
}

void Release(cmsContext, void* block) {
    std::free(block);
}

void* Reallocate(cmsContext, void* block, cmsUInt32Number size) {
    return size > kMostAllocated ? nullptr : std::realloc(block, size);
}

}  // namespace

cmsContext ColourContext() {
    static cmsPluginMemHandler bounded{
        {cmsPluginMagicNumber, LCMS_VERSION, cmsPluginMemHandlerSig, nullptr},
        Allocate,
        Release,
        Reallocate,
        nullptr,
        nullptr,
        nullptr};
    static const cmsContext context = cmsCreateContext(&bounded, nullptr);
    return context;
}

QByteArray EmbeddedProfile(const QByteArray& head) {
    if (head.startsWith("\xFF\xD8")) return JpegProfile(head);
    if (head.startsWith("\x89PNG\r\n\x1A\n")) return PngProfile(head);
    return {};
}

bool ConvertToSrgb(QImage& image, const QByteArray& profile) {
    using Profile = std::unique_ptr<void, decltype(&cmsCloseProfile)>;
    const Profile source(
        cmsOpenProfileFromMemTHR(ColourContext(), profile.constData(), profile.size()),
        &cmsCloseProfile);
    if (!source) return false;
    // Any four bytes of the file: not always one of the enumeration's values.
    const cmsUInt32Number space = cmsGetColorSpace(source.get());
    cmsUInt32Number input;
    QImage pixels;
    if (space == cmsSigRgbData) {
        pixels = image.convertToFormat(image.hasAlphaChannel() ? QImage::Format_ARGB32
                                                               : QImage::Format_RGB32);
        input = TYPE_BGRA_8;  // 32-bit pixels in memory, little-endian
    } else if (space == cmsSigGrayData && image.format() == QImage::Format_Grayscale8) {
        pixels = image;
        input = TYPE_GRAY_8;
    } else {
        return false;
    }
    const Profile srgb(cmsCreate_sRGBProfileTHR(ColourContext()), &cmsCloseProfile);
    const std::unique_ptr<void, decltype(&cmsDeleteTransform)> transform(
        cmsCreateTransformTHR(ColourContext(), source.get(), input, srgb.get(), TYPE_BGRA_8,
                              INTENT_PERCEPTUAL, input == TYPE_BGRA_8 ? cmsFLAGS_COPY_ALPHA : 0),
        &cmsDeleteTransform);
    if (!transform) return false;
    QImage result(pixels.size(),
                  pixels.hasAlphaChannel() ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    if (!pixels.hasAlphaChannel()) result.fill(Qt::black);  // opaque alpha bytes
    cmsDoTransformLineStride(transform.get(), pixels.constBits(), result.bits(),
                             static_cast<cmsUInt32Number>(pixels.width()),
                             static_cast<cmsUInt32Number>(pixels.height()),
                             static_cast<cmsUInt32Number>(pixels.bytesPerLine()),
                             static_cast<cmsUInt32Number>(result.bytesPerLine()), 0, 0);
    result.setColorSpace(QColorSpace(QColorSpace::SRgb));
    image = result;
    return true;
}

}  // namespace pictures
