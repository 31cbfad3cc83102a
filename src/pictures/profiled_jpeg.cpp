#include "pictures/profiled_jpeg.h"

#include "pictures/colour.h"
#include "pictures/picture_reader.h"

#include <lcms2.h>
#include <QColorSpace>
#include <QIODevice>

#include <csetjmp>
#include <cstdio>  // jpeglib.h needs FILE and size_t first
#include <memory>
#include <vector>

#include <jerror.h>
#include <jpeglib.h>

namespace pictures {

namespace {

using Profile = std::unique_ptr<void, decltype(&cmsCloseProfile)>;
using Transform = std::unique_ptr<void, decltype(&cmsDeleteTransform)>;

// libjpeg reads the picture from the device a chunk at a time.
struct Source {
    jpeg_source_mgr manager;  // first: libjpeg hands back a pointer to it
    QIODevice* device;
    JOCTET chunk[16384];
};

void StartSource(j_decompress_ptr) {}
void EndSource(j_decompress_ptr) {}

boolean FillSource(j_decompress_ptr info) {
    auto* source = reinterpret_cast<Source*>(info->src);
    qint64 got = source->device->read(reinterpret_cast<char*>(source->chunk), sizeof source->chunk);
    if (got <= 0) {
        // A file cut short ends as if it were whole: what it holds is shown,
        // the rest grey, as Qt does.
        WARNMS(info, JWRN_JPEG_EOF);
        source->chunk[0] = 0xFF;
        source->chunk[1] = JPEG_EOI;
        got = 2;
    }
    source->manager.next_input_byte = source->chunk;
    source->manager.bytes_in_buffer = static_cast<size_t>(got);
    return TRUE;
}

void SkipSource(j_decompress_ptr info, long count) {
    auto* source = reinterpret_cast<Source*>(info->src);
    if (count <= 0) return;
    if (static_cast<size_t>(count) <= source->manager.bytes_in_buffer) {
        source->manager.next_input_byte += count;
        source->manager.bytes_in_buffer -= static_cast<size_t>(count);
        return;
    }
    source->device->skip(count - static_cast<long>(source->manager.bytes_in_buffer));
    source->manager.bytes_in_buffer = 0;
}

// libjpeg's errors end the decode by a jump back to where it started; its
// warnings about damaged data are not printed.
struct Errors {
    jpeg_error_mgr manager;  // first: libjpeg hands back a pointer to it
    std::jmp_buf start;
};

[[noreturn]] void Fail(j_common_ptr info) {
    std::longjmp(reinterpret_cast<Errors*>(info->err)->start, 1);
}

void Quiet(j_common_ptr) {}

// A progressive picture of thousands of scans, each a pass over the whole
// picture, would hold its reader for minutes: cameras and editors write ten
// or so.
constexpr int kMostScans = 500;

void CountScans(j_common_ptr info) {
    if (reinterpret_cast<j_decompress_ptr>(info)->input_scan_number > kMostScans)
        ERREXIT(info, JERR_NOTIMPL);
}

// One decode. Everything the jump back may find is here, outside the frame
// that jumps, so that no value of it is lost to a register.
struct Decode {
    Decode(QIODevice& device, const QByteArray& profile, QSize asked, qint64 memory)
        : profile(profile), asked(asked), memory(memory) {
        info.err = jpeg_std_error(&errors.manager);
        errors.manager.error_exit = Fail;
        errors.manager.output_message = Quiet;
        source.manager.init_source = StartSource;
        source.manager.fill_input_buffer = FillSource;
        source.manager.skip_input_data = SkipSource;
        source.manager.resync_to_restart = jpeg_resync_to_restart;
        source.manager.term_source = EndSource;
        source.device = &device;
        progress.progress_monitor = CountScans;
    }
    ~Decode() { jpeg_destroy_decompress(&info); }
    Decode(const Decode&) = delete;
    Decode& operator=(const Decode&) = delete;

    const QByteArray& profile;
    const QSize asked;
    const qint64 memory;
    jpeg_decompress_struct info{};
    Errors errors{};
    Source source{};
    jpeg_progress_mgr progress{};
    Transform transform{nullptr, &cmsDeleteTransform};
    std::vector<JSAMPLE> samples;
    QImage image;
};

// The conversion of the samples libjpeg gives to sRGB (32-bit pixels in
// memory, little-endian), or none when they do not fit the profile. Adobe's
// programs write CMYK inverted, 0 for full ink, and mark it with their APP14.
Transform SamplesToSrgb(const QByteArray& icc, const jpeg_decompress_struct& info) {
    Transform transform(nullptr, &cmsDeleteTransform);
    const Profile source(cmsOpenProfileFromMemTHR(ColourContext(), icc.constData(), icc.size()),
                         &cmsCloseProfile);
    if (!source) return transform;
    // Any four bytes of the file: not always one of the enumeration's values.
    const cmsUInt32Number space = cmsGetColorSpace(source.get());
    cmsUInt32Number input = 0;
    if (space == cmsSigCmykData && info.out_color_space == JCS_CMYK)
        input = info.saw_Adobe_marker ? TYPE_CMYK_8_REV : TYPE_CMYK_8;
    else if (space == cmsSigLabData && info.out_color_space == JCS_RGB)
        input = TYPE_Lab_8;
    if (input == 0) return transform;
    const Profile srgb(cmsCreate_sRGBProfileTHR(ColourContext()), &cmsCloseProfile);
    transform.reset(cmsCreateTransformTHR(ColourContext(), source.get(), input, srgb.get(),
                                          TYPE_BGRA_8, INTENT_PERCEPTUAL, 0));
    return transform;
}

// The scale libjpeg decodes at: the smallest that keeps `asked`.
unsigned int ScaleDenominator(const jpeg_decompress_struct& info, QSize asked) {
    if (asked.isEmpty()) return 1;
    for (unsigned int denominator : {8u, 4u, 2u}) {
        if ((info.image_width + denominator - 1) / denominator >= unsigned(asked.width()) &&
            (info.image_height + denominator - 1) / denominator >= unsigned(asked.height()))
            return denominator;
    }
    return 1;
}

enum class Outcome { Read, NotOurs, Damaged };

// libjpeg's part. No object with a destructor may live in this frame: a
// jump back from libjpeg would skip it.
Outcome Run(Decode& d) {
    if (setjmp(d.errors.start)) return Outcome::Damaged;
    jpeg_create_decompress(&d.info);
    // What the reservation counts, and room for libjpeg's row buffers.
    d.info.mem->max_memory_to_use = static_cast<long>(d.memory + (16 << 20));
    d.info.src = &d.source.manager;
    d.info.progress = &d.progress;
    jpeg_read_header(&d.info, TRUE);
    d.transform = SamplesToSrgb(d.profile, d.info);
    if (!d.transform) return Outcome::NotOurs;
    d.info.scale_num = 1;
    d.info.scale_denom = ScaleDenominator(d.info, d.asked);
    jpeg_calc_output_dimensions(&d.info);
    // Qt read the header first and bounded its size; this is for a header
    // only libjpeg reads.
    if (qint64(d.info.output_width) * d.info.output_height > kMaxPixels) return Outcome::Damaged;
    jpeg_start_decompress(&d.info);
    const int width = static_cast<int>(d.info.output_width);
    d.image = QImage(width, static_cast<int>(d.info.output_height), QImage::Format_RGB32);
    if (d.image.isNull()) return Outcome::Damaged;
    d.image.fill(Qt::black);  // opaque alpha bytes, which LittleCMS leaves
    d.samples.resize(size_t(width) * size_t(d.info.output_components));
    JSAMPROW row = d.samples.data();
    while (d.info.output_scanline < d.info.output_height) {
        const int y = static_cast<int>(d.info.output_scanline);
        if (jpeg_read_scanlines(&d.info, &row, 1) != 1) return Outcome::Damaged;
        cmsDoTransform(d.transform.get(), row, d.image.scanLine(y), cmsUInt32Number(width));
    }
    jpeg_finish_decompress(&d.info);
    return Outcome::Read;
}

}  // namespace

bool IsProfiledJpeg(const QByteArray& profile) {
    if (profile.isEmpty()) return false;
    const Profile opened(
        cmsOpenProfileFromMemTHR(ColourContext(), profile.constData(), profile.size()),
        &cmsCloseProfile);
    if (!opened) return false;
    // Any four bytes of the file: not always one of the enumeration's values.
    const cmsUInt32Number space = cmsGetColorSpace(opened.get());
    return space == cmsSigCmykData || space == cmsSigLabData;
}

std::optional<QImage> DecodeProfiledJpeg(QIODevice& device, const QByteArray& profile, QSize asked,
                                         qint64 memory) {
    const qint64 at = device.pos();
    if (device.isSequential() || !device.seek(0)) return std::nullopt;
    Decode decode(device, profile, asked, memory);
    switch (Run(decode)) {
        case Outcome::NotOurs:
            device.seek(at);
            return std::nullopt;
        case Outcome::Damaged:
            return QImage();
        case Outcome::Read:
            break;
    }
    QImage image = std::move(decode.image);
    if (!asked.isEmpty() && image.size() != asked)
        image = image.scaled(asked, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    image.setColorSpace(QColorSpace(QColorSpace::SRgb));
    return image;
}

}  // namespace pictures
