// The loader: reading ahead on worker threads, and the cache.
#include <gtest/gtest.h>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSemaphore>
#include <QSignalSpy>
#include <QThread>
#include <memory>

#include <sys/stat.h>

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
