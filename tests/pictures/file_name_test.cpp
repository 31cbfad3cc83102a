// Pictures whose names old Windows disks and CDs wrote in Windows-1252,
// while the album holds them as text.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <fstream>

#include "picture_test_support.h"

using namespace picture_test;
using pictures::Failure;

namespace {

// A name not found in UTF-8 is looked up by its Windows-1252 bytes, then by
// those of its whole path; the UTF-8 one comes first.
TEST(PictureFileName, ANameNotFoundInUtf8IsLookedUpInWindows1252) {
    QTemporaryDir dir;
    const QByteArray root = QFile::encodeName(dir.path());
    ASSERT_EQ(mkdir(root + "/citt\xe0", 0700), 0);
    const struct {
        QByteArray onDisk;
        QColor colour;
    } files[] = {
        {"/caff\xe8.bmp", Qt::red},
        {"/citt\xe0/\x80 \x93s\x94.bmp", Qt::green},
        {"/gi\xf9.bmp", Qt::yellow},
        {QFile::encodeName("/giù.bmp"), Qt::blue},
    };
    for (const auto& f : files)
        std::ofstream(root + f.onDisk, std::ios::binary)
            << Bytes(Filled({8, 8}, f.colour), "BMP").toStdString();

    const struct {
        const char* stored;
        Failure failure;
        QColor colour;
    } cases[] = {
        {"/caffè.bmp", Failure::None, Qt::red},
        {"/città/€ “s”.bmp", Failure::None, Qt::green},
        {"/giù.bmp", Failure::None, Qt::blue},
        {"/日本.bmp", Failure::NotFound, {}},
    };
    for (const auto& c : cases) {
        const QString path = dir.path() + QString::fromUtf8(c.stored);
        const pictures::Picture picture = pictures::ReadPicture(path, Fit, 1);
        pictures::FileStamp stamp;
        EXPECT_EQ(pictures::StampOf(path, stamp), c.failure) << c.stored;
        ASSERT_EQ(picture.failure, c.failure) << c.stored;
        if (picture.ok()) {
            EXPECT_EQ(picture.image.pixelColor(1, 1), c.colour) << c.stored;
        }
    }
    // Names that are not UTF-8 are beyond what QTemporaryDir can remove.
    for (const auto& f : files) unlink(root + f.onDisk);
    rmdir(root + "/citt\xe0");
}

}  // namespace
