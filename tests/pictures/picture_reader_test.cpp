// Reading a picture file for the frame: what is read, and why a file is not.
#include <gtest/gtest.h>

#include <QDir>

#include <lcms2.h>

#include "picture_test_support.h"

using namespace picture_test;
using pictures::Failure;
using pictures::ReadPicture;

namespace {

// Left half red, right half blue.
QImage Halves(QSize size) {
    QImage image = Filled(size, Qt::red);
    for (int y = 0; y < size.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        std::fill(line + size.width() / 2, line + size.width(), qRgb(0, 0, 255));
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

// A grey profile with a linear tone curve, as LittleCMS writes it.
QByteArray LinearGreyProfile() {
    cmsToneCurve* linear = cmsBuildGamma(nullptr, 1.0);
    cmsHPROFILE grey = cmsCreateGrayProfile(cmsD50_xyY(), linear);
    cmsUInt32Number size = 0;
    cmsSaveProfileToMem(grey, nullptr, &size);
    QByteArray icc(size, '\0');
    cmsSaveProfileToMem(grey, icc.data(), &size);
    cmsCloseProfile(grey);
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

}  // namespace
