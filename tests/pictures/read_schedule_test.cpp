// The loader's reads on its worker threads: the shown picture first, reads
// no longer wanted dropped, and the end that waits for none that hangs.
#include <gtest/gtest.h>

#include <QFileInfo>
#include <QSemaphore>
#include <QSignalSpy>
#include <QThread>
#include <memory>

#include "loader_test_support.h"

using namespace picture_test;
using pictures::Failure;
using pictures::PictureLoader;

namespace {

using PictureLoaderTest = LoaderTest;

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

TEST_F(PictureLoaderTest, WantedPictureComesByItsSignal) {
    const QString path = Photo("foto.png", Qt::green);
    QSignalSpy loaded(&loader, &PictureLoader::Loaded);
    EXPECT_FALSE(loader.Want(path).has_value()) << "nothing waited for on the caller's thread";
    ASSERT_TRUE(loaded.wait());
    EXPECT_EQ(loaded.front().at(0).toString(), QFileInfo(path).absoluteFilePath());
    // Read once, then ready at once.
    ASSERT_TRUE(loader.Want(path).has_value());
    EXPECT_EQ(loader.Want(path)->image.pixel(0, 0), qRgb(0, 255, 0));
    EXPECT_EQ(loader.DecodeCount(), 1);
}

TEST_F(PictureLoaderTest, OnlyTheLastWantedPictureIsRead) {
    // Both workers held on a first read: every other want waits in the queue.
    QSemaphore started, release;
    loader.SetTestHooks({[&](const QString&) {
        started.release();
        release.acquire();
    }});
    loader.Preload(Photo("a.png", Qt::red));
    loader.Preload(Photo("b.png", Qt::red));
    started.acquire(qMin(2, QThread::idealThreadCount()));
    for (int i = 0; i < 10; ++i) loader.Want(Photo(QString("%1.png").arg(i), Qt::blue));
    release.release(100);
    loader.WaitUntilIdle();
    EXPECT_LE(loader.DecodeCount(), 3) << "the photos passed over are never decoded";
    EXPECT_TRUE(loader.Want(dir.filePath("9.png")).has_value());
}

TEST_F(PictureLoaderTest, ClosingWaitsForNoHungReadOrWrite) {
    // Never let go: a read hung on a dead share, or a thumbnail's write on a
    // stalled cache folder, until the program ends.
    static QSemaphore started[2], never;
    for (const bool write : {false, true}) {
        auto closing = std::make_unique<PictureLoader>(Fit, 1);
        const auto hang = [write](const QString&) {
            started[write].release();
            never.acquire();
        };
        if (write) {
            closing->SetThumbnailFolder(dir.filePath("cache"));
            closing->SetTestHooks({.beforeWrite = hang});
        } else {
            closing->SetTestHooks({.beforeDecode = hang});
        }
        for (int i = 0; i < 8; ++i)
            closing->Preload(Photo(QString("foto%1.png").arg(i), QColor::fromHsv(i * 40, 200, 200),
                                   {2000, 1500}));
        // Both workers hung, or the one writer.
        started[write].acquire(write ? 1 : qMin(2, QThread::idealThreadCount()));
        // The queued reads and writes are dropped, the hung one left behind.
        closing.reset();
        EXPECT_EQ(started[write].available(), 0) << "nothing started after the closing";
    }
}

}  // namespace
