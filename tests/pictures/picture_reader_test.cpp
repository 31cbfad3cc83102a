// Reading a picture file for the frame: what is read, and why a file is not.
#include <gtest/gtest.h>

#include <QDir>
#include <QImageWriter>

#include <lcms2.h>

#include <array>
#include <cstdio>  // jpeglib.h needs FILE and size_t first
#include <vector>

#include <jpeglib.h>

#include "picture_test_support.h"
#include "pictures/colour.h"

using namespace picture_test;
using pictures::Failure;
using pictures::ReadPicture;

namespace {

// Left half red, right half blue, unless told.
QImage Halves(QSize size, QRgb left = qRgb(255, 0, 0), QRgb right = qRgb(0, 0, 255)) {
    QImage image = Filled(size, left);
    for (int y = 0; y < size.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        std::fill(line + size.width() / 2, line + size.width(), right);
    }
    return image;
}

TEST(PictureReader, TopDownBmpIsReadUpright) {
    QTemporaryDir dir;
    // Rows of different colours tell top from bottom.
    QImage image(60, 40, QImage::Format_RGB32);
    for (int y = 0; y < 40; ++y)
        std::fill_n(reinterpret_cast<QRgb*>(image.scanLine(y)), 60, qRgb(y * 6, 0, 255 - y * 6));
    const QString path = dir.filePath("alto.bmp");
    Write(path, TopDownBmp(image));

    const auto picture = ReadPicture(path, Fit, 2);
    ASSERT_EQ(picture.failure, Failure::None);
    EXPECT_EQ(picture.natural, QSize(60, 40));
    EXPECT_EQ(picture.image.size(), QSize(60, 40));
    EXPECT_EQ(picture.image.devicePixelRatio(), 2);
    EXPECT_EQ(picture.image.pixel(10, 0), qRgb(0, 0, 255));
    EXPECT_EQ(picture.image.pixel(10, 39), qRgb(234, 0, 21));

    // Larger than the frame: decoded, then scaled to it.
    Write(path, TopDownBmp(Halves({1200, 600})));
    const auto scaled = ReadPicture(path, Fit, 1);
    ASSERT_EQ(scaled.failure, Failure::None);
    EXPECT_EQ(scaled.natural, QSize(1200, 600));
    EXPECT_EQ(scaled.image.size(), QSize(400, 200));
}

// More than Qt's usual 128 MB to decode: a camera-size BMP.
TEST(PictureReader, LargeBmpIsRead) {
    QTemporaryDir dir;
    const QString path = dir.filePath("grande.bmp");
    Halves({8192, 4200}).convertToFormat(QImage::Format_RGB888).save(path, "BMP");

    const auto picture = ReadPicture(path, Fit, 1);
    ASSERT_EQ(picture.failure, Failure::None);
    EXPECT_EQ(picture.natural, QSize(8192, 4200));
    EXPECT_EQ(picture.image.size(), QSize(400, 205));
    EXPECT_EQ(picture.image.pixel(100, 100), qRgb(255, 0, 0));
    EXPECT_EQ(picture.image.pixel(300, 100), qRgb(0, 0, 255));
}

// The JPEG `bytes` marked progressive, every component at full resolution.
QByteArray Progressive(QByteArray bytes) {
    const qsizetype sof = bytes.indexOf("\xFF\xC0");
    bytes[sof + 1] = '\xC2';
    for (int c = 0; c < bytes[sof + 9]; ++c) bytes[sof + 11 + c * 3] = 0x11;
    return bytes;
}

TEST(PictureReader, FailuresGiveTheirCause) {
    QTemporaryDir dir;
    const struct {
        const char* name;
        QByteArray bytes;
        Failure failure;
    } cases[] = {
        {"manca.jpg", {}, Failure::NotFound},
        {"testo.jpg", "Questa non e' una foto.\n", Failure::NotAPicture},
        {"vuota.bmp", "", Failure::NotAPicture},
        {"troncata.jpg", Bytes(Filled({64, 64}, Qt::red), "JPG").left(20), Failure::NotAPicture},
        // Headers far larger than their files, refused before decoding:
        // beyond what the formats' own readers accept,
        {"bomba.jpg", HeaderBomb("JPG", 65535, 65535), Failure::NotAPicture},
        {"bomba.bmp", HeaderBomb("BMP", 65535, 65535), Failure::NotAPicture},
        // and beyond our bounds of pixels and of memory to decode.
        {"grande.jpg", HeaderBomb("JPG", 60000, 60000), Failure::TooLarge},
        {"png.jpg", HeaderBomb("PNG", 20000, 20000), Failure::TooLarge},
        {"lungo.png", HeaderBomb("PNG", 100000, 3000), Failure::TooLarge},
        {"16bit.png", HeaderBomb("PNG", 12000, 12000, QImage::Format_RGBA64), Failure::TooLarge},
        // A progressive JPEG keeps every coefficient of the whole picture.
        {"progressiva.jpg", Progressive(HeaderBomb("JPG", 16000, 16000)), Failure::TooLarge},
    };
    for (const auto& c : cases) {
        const QString path = dir.filePath(c.name);
        if (c.failure != Failure::NotFound) Write(path, c.bytes);
        const auto picture = ReadPicture(path, Fit, 1);
        EXPECT_EQ(picture.failure, c.failure) << c.name;
        EXPECT_TRUE(picture.image.isNull()) << c.name;
    }
    ASSERT_TRUE(QDir(dir.path()).mkdir("cartella.jpg"));
    EXPECT_EQ(ReadPicture(dir.filePath("cartella.jpg"), Fit, 1).failure, Failure::Unreadable);
}

// A GIF's header gives the size of its one-pixel frame, the picture is its
// 23041 x 1 screen: the size is taken from what is decoded.
TEST(PictureReader, SizeOfTheDecodedPicture) {
    const QByteArray gif =
        QByteArray::fromBase64("R0lGODlhAVoBAIAAAP8AAAAAACH5BAEAAAAALAAAAAABAAEAAAICRAEAOw==");
    const auto picture = pictures::DecodePicture(gif, Fit, 1);
    ASSERT_EQ(picture.failure, Failure::None);
    EXPECT_EQ(picture.natural, QSize(23041, 1));
    EXPECT_EQ(picture.image.size(), QSize(23041, 1));
}

// A picture tagged with a wide-gamut profile is shown in sRGB. The expected
// values are the colour (200, 120, 60) converted by the profiles' published
// primaries and curves.
TEST(PictureReader, TaggedPictureIsConvertedToSrgb) {
    QTemporaryDir dir;
    const struct {
        QColorSpace::NamedColorSpace space;
        const char* format;
        QColor srgb;
    } cases[] = {
        {QColorSpace::DisplayP3, "PNG", QColor(213, 115, 42)},
        {QColorSpace::AdobeRgb, "JPG", QColor(224, 121, 53)},
        {QColorSpace::SRgb, "JPG", QColor(200, 120, 60)},
    };
    for (const auto& c : cases) {
        QImage image = Filled({800, 600}, QColor(200, 120, 60));
        image.setColorSpace(c.space);
        const QString path = dir.filePath(QString("colori.") + c.format);
        Write(path, Bytes(image, c.format));

        const auto picture = ReadPicture(path, Fit, 1);
        ASSERT_EQ(picture.failure, Failure::None);
        EXPECT_EQ(picture.image.size(), QSize(400, 300));
        const QColor shown = picture.image.pixelColor(200, 150);
        EXPECT_TRUE(Near(shown, c.srgb, 3)) << c.format << " " << qPrintable(shown.name());
    }
    // No profile: taken as sRGB, left as it is.
    const QString plain = dir.filePath("semplice.png");
    Write(plain, Bytes(Filled({10, 10}, QColor(200, 120, 60)), "PNG"));
    EXPECT_EQ(ReadPicture(plain, Fit, 1).image.pixelColor(5, 5), QColor(200, 120, 60));
}

}  // namespace

namespace {

// The bytes of `profile`, which is closed.
QByteArray Saved(cmsHPROFILE profile) {
    cmsUInt32Number size = 0;
    cmsSaveProfileToMem(profile, nullptr, &size);
    QByteArray icc(size, '\0');
    cmsSaveProfileToMem(profile, icc.data(), &size);
    cmsCloseProfile(profile);
    return icc;
}

// A grey profile with a linear tone curve, as LittleCMS writes it.
QByteArray LinearGreyProfile() {
    cmsToneCurve* linear = cmsBuildGamma(nullptr, 1.0);
    QByteArray icc = Saved(cmsCreateGrayProfile(cmsD50_xyY(), linear));
    cmsFreeToneCurve(linear);
    return icc;
}

QByteArray WithProfile(QByteArray picture, const QByteArray& icc) {
    if (picture.startsWith("\xFF\xD8")) {
        QByteArray app2 = QByteArray("\xFF\xE2\0\0ICC_PROFILE\0\x01\x01", 18) + icc;
        qToBigEndian<quint16>(static_cast<quint16>(app2.size() - 2), app2.data() + 2);
        return picture.insert(2, app2);
    }
    // PNG: an iCCP chunk after IHDR, its profile compressed without qCompress's
    // four bytes of length.
    QByteArray chunk =
        QByteArray("\0\0\0\0iCCP", 8) + QByteArray("grey\0\0", 6) + qCompress(icc).mid(4);
    qToBigEndian<quint32>(static_cast<quint32>(chunk.size() - 8), chunk.data());
    QByteArray crc(4, '\0');
    qToBigEndian<quint32>(Crc32(chunk.constData() + 4, chunk.size() - 4), crc.data());
    return picture.insert(33, chunk + crc);
}

TEST(PictureReader, EmbeddedGreyProfilesAreConvertedToSrgb) {
    // Grey 120 under a linear tone curve is sRGB 182.
    QTemporaryDir dir;
    for (const char* format : {"JPG", "PNG"}) {
        const QString path = dir.filePath(QString("grigio.") + format);
        Write(path,
              WithProfile(
                  Bytes(Filled({64, 64}, QColor(120, 120, 120), QImage::Format_Grayscale8), format),
                  LinearGreyProfile()));
        const auto picture = ReadPicture(path, Fit, 1);
        ASSERT_EQ(picture.failure, Failure::None) << format;
        EXPECT_TRUE(Near(picture.image.pixelColor(32, 32), QColor(182, 182, 182), 3))
            << format << " " << qPrintable(picture.image.pixelColor(32, 32).name());
    }
}

// Inks whose colours are not the naive formula's: straight to Lab, each
// tinting the others.
int Inks(const cmsUInt16Number in[], cmsUInt16Number out[], void*) {
    const auto ink = [&](int i) { return in[i] / 65535.0; };
    const cmsCIELab lab{(100 - 30 * ink(0) - 50 * ink(1) - 10 * ink(2)) * (1 - 0.9 * ink(3)),
                        70 * (ink(1) - ink(0)), 60 * ink(2) - 40 * ink(0) - 10 * ink(1)};
    cmsFloat2LabEncoded(out, &lab);
    return 1;
}

// A CMYK printer profile of those inks: CMYK to Lab through a 9-point table.
QByteArray CmykProfile() {
    cmsHPROFILE cmyk = cmsCreateProfilePlaceholder(nullptr);
    cmsSetProfileVersion(cmyk, 4.3);
    cmsSetDeviceClass(cmyk, cmsSigOutputClass);
    cmsSetColorSpace(cmyk, cmsSigCmykData);
    cmsSetPCS(cmyk, cmsSigLabData);
    cmsPipeline* table = cmsPipelineAlloc(nullptr, 4, 3);
    cmsStage* grid = cmsStageAllocCLut16bit(nullptr, 9, 4, 3, nullptr);
    cmsStageSampleCLut16bit(grid, Inks, nullptr, 0);
    cmsPipelineInsertStage(table, cmsAT_END, cmsStageAllocToneCurves(nullptr, 4, nullptr));
    cmsPipelineInsertStage(table, cmsAT_END, grid);
    cmsPipelineInsertStage(table, cmsAT_END, cmsStageAllocToneCurves(nullptr, 3, nullptr));
    cmsWriteTag(cmyk, cmsSigAToB0Tag, table);
    cmsPipelineFree(table);
    return Saved(cmyk);
}

using Samples = std::array<quint8, 4>;

// The sRGB colour LittleCMS makes of `samples` in `format` through `icc`.
QColor Through(const QByteArray& icc, cmsUInt32Number format, Samples samples) {
    cmsHPROFILE source = cmsOpenProfileFromMem(icc.constData(), icc.size()),
                srgb = cmsCreate_sRGBProfile();
    cmsHTRANSFORM transform = cmsCreateTransform(source, format, srgb, TYPE_RGB_8, 0, 0);
    quint8 rgb[3] = {};
    cmsDoTransform(transform, samples.data(), rgb, 1);
    cmsDeleteTransform(transform);
    cmsCloseProfile(srgb);
    cmsCloseProfile(source);
    return QColor(rgb[0], rgb[1], rgb[2]);
}

enum class Kind { Cmyk, AdobeInverted, Ycck };

// A CMYK JPEG written by libjpeg, its left half `left`, its right half
// `right`; Adobe's kinds are stored inverted and say so in their APP14.
QByteArray CmykJpeg(QSize size, Samples left, Samples right, Kind kind) {
    jpeg_compress_struct info{};
    jpeg_error_mgr errors{};
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    unsigned char* data = nullptr;
    unsigned long length = 0;
    jpeg_mem_dest(&info, &data, &length);
    info.image_width = JDIMENSION(size.width());
    info.image_height = JDIMENSION(size.height());
    info.input_components = 4;
    info.in_color_space = JCS_CMYK;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, 100, TRUE);
    if (kind == Kind::Ycck) jpeg_set_colorspace(&info, JCS_YCCK);
    info.write_Adobe_marker = kind != Kind::Cmyk;
    jpeg_start_compress(&info, TRUE);
    std::vector<JSAMPLE> row;
    for (int x = 0; x < size.width(); ++x)
        for (quint8 ink : x < size.width() / 2 ? left : right)
            row.push_back(kind == Kind::Cmyk ? ink : JSAMPLE(255 - ink));
    for (JSAMPROW line = row.data(); info.next_scanline < info.image_height;)
        jpeg_write_scanlines(&info, &line, 1);
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(length));
    free(data);
    return bytes;
}

// The JPEG `bytes` with an EXIF orientation of a quarter turn clockwise.
QByteArray TurnedClockwise(QByteArray bytes) {
    static const char exif[] =
        "\xFF\xE1\x00\x22"
        "Exif\0\0MM\0\x2A\0\0\0\x08"                         // first IFD at 8
        "\0\x01\x01\x12\0\x03\0\0\0\x01\0\x06\0\0\0\0\0\0";  // orientation 6
    return bytes.insert(2, QByteArray(exif, sizeof exif - 1));
}

// CMYK, YCCK and Lab JPEGs are shown in the colours their profile gives,
// turned and decoded at a smaller scale as any JPEG; a CMYK one without a
// profile by the naive formula.
TEST(PictureReader, CmykAndLabJpegsAreConvertedThroughTheirProfile) {
    const QByteArray cmyk = CmykProfile(), lab = Saved(cmsCreateLab4Profile(nullptr));
    const Samples a{26, 204, 230, 13}, b{200, 60, 20, 40};
    const QColor aCmyk = Through(cmyk, TYPE_CMYK_8, a), bCmyk = Through(cmyk, TYPE_CMYK_8, b);
    // (255 - ink) * (255 - black) / 255 for each.
    const QColor aNaive(217, 48, 23), bNaive(46, 164, 198);
    // Lab samples: L 59 a +32 b -28, and L 78 a -18 b +42.
    const QColor aLab(150, 160, 100), bLab(200, 110, 170);
    const QByteArray labHalves = Bytes(Halves({300, 100}, aLab.rgb(), bLab.rgb()), "JPG");
    const QSize wide(1200, 600), small(300, 100);
    const QByteArray plain = WithProfile(CmykJpeg(wide, a, b, Kind::Cmyk), cmyk);
    const QByteArray adobe = WithProfile(CmykJpeg(wide, a, b, Kind::AdobeInverted), cmyk);
    const QByteArray ycck = WithProfile(CmykJpeg({240, 120}, a, b, Kind::Ycck), cmyk);
    const struct {
        const char* name;
        QByteArray bytes;
        QSize natural, shown;
        QColor left, right;
    } cases[] = {
        {"cmyk", plain, wide, {400, 200}, aCmyk, bCmyk},
        {"adobe", TurnedClockwise(adobe), {600, 1200}, {200, 400}, aCmyk, bCmyk},
        {"ycck", ycck, {240, 120}, {240, 120}, aCmyk, bCmyk},
        {"lab", WithProfile(labHalves, lab), small, small,
         Through(lab, TYPE_Lab_8, {150, 160, 100}), Through(lab, TYPE_Lab_8, {200, 110, 170})},
        // Three samples do not fit a CMYK profile: shown as stored.
        {"rgb", WithProfile(labHalves, cmyk), small, small, aLab, bLab},
        {"naive", CmykJpeg(wide, a, b, Kind::AdobeInverted), wide, {400, 200}, aNaive, bNaive},
    };
    for (const auto& c : cases) {
        const auto picture = pictures::DecodePicture(c.bytes, Fit, 1);
        ASSERT_EQ(picture.failure, Failure::None) << c.name;
        EXPECT_EQ(picture.natural, c.natural) << c.name;
        ASSERT_EQ(picture.image.size(), c.shown) << c.name;
        // At a quarter and three quarters across; down, once turned.
        const bool turned = c.natural.height() > c.natural.width();
        const int w = c.shown.width(), h = c.shown.height();
        for (int quarter : {1, 3}) {
            const QColor shown = turned ? picture.image.pixelColor(w / 2, h * quarter / 4)
                                        : picture.image.pixelColor(w * quarter / 4, h / 2);
            EXPECT_TRUE(Near(shown, quarter == 1 ? c.left : c.right, 3))
                << c.name << " " << quarter << " " << qPrintable(shown.name());
        }
    }
    // Cut before its picture's data: not a picture, as any damaged JPEG.
    EXPECT_EQ(pictures::DecodePicture(plain.left(plain.indexOf("\xFF\xDA")), Fit, 1).failure,
              Failure::NotAPicture);
}

}  // namespace

namespace {

// A medium whose reads fail after `good` bytes: a damaged disc, a share gone.
class FailingDevice : public QBuffer {
public:
    FailingDevice(const QByteArray& bytes, qint64 good) : good_(good) {
        setData(bytes);
        open(QIODevice::ReadOnly);
    }

protected:
    qint64 readData(char* data, qint64 most) override {
        if (pos() >= good_) return pos() >= size() ? 0 : -1;
        return QBuffer::readData(data, std::min(most, good_ - pos()));
    }

private:
    const qint64 good_;
};

QByteArray ProgressiveJpeg(const QImage& image) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    writer.setProgressiveScanWrite(true);
    writer.write(image);
    return bytes;
}

// A read that fails, at the start or midway, makes the picture unreadable:
// never half of it shown, never the file called damaged (which would be
// remembered).
TEST(PictureReader, AReadErrorMakesThePictureUnreadable) {
    const QImage halves = Halves({800, 600});
    const Samples a{26, 204, 230, 13}, b{200, 60, 20, 40};
    const struct {
        const char* name;
        QByteArray bytes;
    } cases[] = {
        {"jpeg", Bytes(halves, "JPG")},
        {"progressive", ProgressiveJpeg(halves)},
        {"png", Bytes(halves, "PNG")},
        {"bmp", Bytes(halves, "BMP")},
        {"cmyk", WithProfile(CmykJpeg({800, 600}, a, b, Kind::Cmyk), CmykProfile())},
    };
    for (const auto& c : cases) {
        for (const double at : {0.0, 0.3, 0.7, 0.98}) {
            FailingDevice device(c.bytes, qint64(c.bytes.size() * at));
            const auto picture = pictures::ReadPicture(device, Fit, 1);
            EXPECT_EQ(picture.failure, Failure::Unreadable) << c.name << " " << at;
            EXPECT_TRUE(picture.image.isNull()) << c.name << " " << at;
        }
        FailingDevice whole(c.bytes, c.bytes.size());
        EXPECT_EQ(pictures::ReadPicture(whole, Fit, 1).failure, Failure::None) << c.name;
    }
}

// Read whole, for the clipboard and the zoom to its own pixels, within the
// memory budget: a 61-megapixel JPEG.
TEST(PictureReader, A61MegapixelJpegIsReadWhole) {
    const auto picture = pictures::DecodePicture(
        HeaderBomb("JPG", 9504, 6336), [](QSize natural) { return natural; }, 1);
    EXPECT_EQ(picture.failure, Failure::None);
    EXPECT_EQ(picture.image.size(), QSize(9504, 6336));
}

// A colour profile is inflated with a bound, before any memory of the decode
// is reserved: one that would take 64 MiB is no profile.
TEST(PictureReader, AColourProfileIsInflatedWithABound) {
    const QByteArray png = WithProfile(Bytes(Filled({64, 64}, Qt::gray), "PNG"),
                                       QByteArray(qsizetype(64) << 20, '\0'));
    EXPECT_TRUE(pictures::EmbeddedProfile(png).isEmpty());
    EXPECT_EQ(pictures::DecodePicture(png, Fit, 1).failure, Failure::None);
}

}  // namespace
