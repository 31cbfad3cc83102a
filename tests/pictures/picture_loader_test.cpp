// The loader: its cache of decoded pictures, and the files it reads.
#include <gtest/gtest.h>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>

#include "loader_test_support.h"

using namespace picture_test;
using pictures::Failure;

namespace {

using PictureLoaderTest = LoaderTest;

TEST_F(PictureLoaderTest, CachedUntilTheFileChanges) {
    const QString path = Photo("foto.png", Qt::red, {600, 400}, 60);
    EXPECT_EQ(loader.Get(path).image.pixel(0, 0), qRgb(255, 0, 0));
    EXPECT_EQ(loader.Get(path).image.pixel(0, 0), qRgb(255, 0, 0));
    EXPECT_EQ(loader.DecodeCount(), 1);

    // Rewritten: another size and time, read again.
    Photo("foto.png", Qt::blue, {500, 400});
    const auto picture = loader.Get(path);
    EXPECT_EQ(picture.image.pixel(0, 0), qRgb(0, 0, 255));
    EXPECT_EQ(picture.natural, QSize(500, 400));
    EXPECT_EQ(loader.DecodeCount(), 2);
    EXPECT_EQ(loader.CachedCount(), 1);

    // Another density is another picture.
    loader.SetFrame([](QSize n) { return Fit(n) * 2; }, 2);
    EXPECT_EQ(loader.Get(path).image.devicePixelRatio(), 2);
    EXPECT_EQ(loader.DecodeCount(), 3);

    // Gone: a failure, whatever was cached.
    QFile::remove(path);
    EXPECT_EQ(loader.Get(path).failure, Failure::NotFound);
}

TEST_F(PictureLoaderTest, RewrittenInPlaceIsReadAgain) {
    // Another picture of the same size with the old times kept (cp -p):
    // only its change time and inode tell.
    const QString path = Photo("foto.png", Qt::red, {600, 400}, 60);
    EXPECT_EQ(loader.Get(path).image.pixel(0, 0), qRgb(255, 0, 0));
    const QDateTime modified = QFileInfo(path).lastModified();
    const QString copy = Photo("copia.png", Qt::blue, {600, 400});
    QFile::remove(path);
    QFile::copy(copy, path);
    QFile file(path);
    file.open(QIODevice::ReadWrite);
    file.setFileTime(modified, QFileDevice::FileModificationTime);
    file.close();
    EXPECT_EQ(loader.Get(path).image.pixel(0, 0), qRgb(0, 0, 255));
}

TEST_F(PictureLoaderTest, OnlyRegularFilesAreRead) {
    const QString fifo = dir.filePath("fifo.jpg");
    ASSERT_EQ(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    EXPECT_EQ(loader.Want(fifo)->failure, Failure::Unreadable);
    EXPECT_EQ(loader.Get(fifo).failure, Failure::Unreadable);
    EXPECT_EQ(loader.Want(dir.path())->failure, Failure::Unreadable);
    EXPECT_EQ(loader.Want(dir.filePath("manca.jpg"))->failure, Failure::NotFound);

    // There, but in a folder that cannot be searched.
    QDir(dir.path()).mkdir("chiusa");
    Photo("chiusa/foto.png", Qt::red);
    QFile::setPermissions(dir.filePath("chiusa"), QFile::ReadOwner | QFile::WriteOwner);
    if (QFileInfo(dir.filePath("chiusa/foto.png")).exists()) GTEST_SKIP() << "run as root";
    EXPECT_EQ(loader.Want(dir.filePath("chiusa/foto.png"))->failure, Failure::Unreadable);
    QFile::setPermissions(dir.filePath("chiusa"),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

TEST_F(PictureLoaderTest, FailedPreloadIsNotCached) {
    const QString path = dir.filePath("rotta.jpg");
    Write(path, "non una foto");
    loader.Preload(path);
    loader.Preload(dir.filePath("manca.jpg"));
    loader.WaitUntilIdle();
    EXPECT_EQ(loader.CachedCount(), 0);

    // The step to it reads it as if nothing had been preloaded.
    EXPECT_EQ(loader.Get(path).failure, Failure::NotAPicture);
    EXPECT_EQ(loader.DecodeCount(), 2);
    EXPECT_EQ(loader.CachedCount(), 0);
}

}  // namespace
