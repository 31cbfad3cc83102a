// The loader: reading ahead on worker threads, and the cache.
#include <gtest/gtest.h>

#include <QDateTime>
#include <QFile>
#include <QSemaphore>
#include <memory>

#include "picture_test_support.h"
#include "pictures/picture_loader.h"

using namespace picture_test;
using pictures::Failure;
using pictures::PictureLoader;

namespace {

class PictureLoaderTest : public ::testing::Test {
protected:
    // A PNG of one colour; `age` seconds old, so a rewrite has a new time.
    QString Photo(const QString& name, QColor color, QSize size = {600, 400}, int age = 0) {
        const QString path = dir.filePath(name);
        Write(path, Bytes(Filled(size, color), "PNG"));
        QFile file(path);
        file.open(QIODevice::ReadWrite);
        file.setFileTime(QDateTime::currentDateTime().addSecs(-age),
                         QFileDevice::FileModificationTime);
        return path;
    }

    QTemporaryDir dir;
    PictureLoader loader{Fit, 1};
};

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

TEST_F(PictureLoaderTest, PreloadedPictureIsReady) {
    const QString path = Photo("foto.png", Qt::green);
    loader.Preload(path);
    loader.Preload(path);
    loader.WaitUntilIdle();
    EXPECT_EQ(loader.DecodeCount(), 1);

    const auto picture = loader.Get(path);
    EXPECT_EQ(picture.failure, Failure::None);
    EXPECT_EQ(picture.image.size(), Fit({600, 400}));
    EXPECT_EQ(loader.DecodeCount(), 1);
}

TEST_F(PictureLoaderTest, GetWaitsForTheRunningRead) {
    const QString path = Photo("foto.png", Qt::green);
    QSemaphore started, release;
    loader.SetTestHooks({[&](const QString&) {
                             started.release();
                             release.acquire();
                         },
                         [&] { release.release(); }});
    loader.Preload(path);
    started.acquire();
    // The worker holds the read until Get is about to wait for it.
    const auto picture = loader.Get(path);
    EXPECT_EQ(picture.image.pixel(0, 0), qRgb(0, 255, 0));
    EXPECT_EQ(loader.DecodeCount(), 1);
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

TEST_F(PictureLoaderTest, ClosingWithReadsRunning) {
    auto closing = std::make_unique<PictureLoader>(Fit, 1);
    QSemaphore started, release;
    closing->SetTestHooks({[&](const QString&) {
                               started.release();
                               release.acquire();
                           },
                           {}});
    for (int i = 0; i < 8; ++i)
        closing->Preload(
            Photo(QString("foto%1.png").arg(i), QColor::fromHsv(i * 40, 200, 200), {2000, 1500}));
    started.acquire();
    // Closing while the workers read: the queued reads are dropped, the
    // running ones finish, nothing is touched after the loader is gone.
    release.release(8);
    closing.reset();
}

}  // namespace
