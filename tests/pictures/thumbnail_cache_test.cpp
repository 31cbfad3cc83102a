#include "pictures/thumbnail_cache.h"
#include "pictures/picture_loader.h"
#include "pictures/thumbnail_reads.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QSignalSpy>
#include <QUrl>
#include <functional>

#include "picture_test_support.h"

namespace {

using picture_test::Bytes;
using picture_test::Filled;
using picture_test::Stamped;
using picture_test::Write;
using pictures::ThumbnailCache;

QString Md5Png(const QByteArray& text) {
    return QCryptographicHash::hash(text, QCryptographicHash::Md5).toHex() + ".png";
}

struct Fixture {
    QTemporaryDir dir;
    QString picture = dir.path() + QString::fromUtf8("/a b/caffè.jpg");
    QString root = dir.path() + "/cache/thumbnails";
    Fixture() {
        QDir().mkpath(dir.path() + "/a b");
        Write(picture, Bytes(Filled({64, 48}, Qt::red), "JPEG"));
    }
    QString Uri() const {
        return "file://" + QString::fromLatin1(QUrl::toPercentEncoding(picture, "/"));
    }
    // A large entry as another program writes it, changed by `change`, and
    // written `after` seconds after the picture last changed.
    void Other(const std::function<void(QImage&, QByteArray&)>& change, int after = 1) const {
        QImage image = Filled({256, 192}, Qt::blue);
        image.setText("Thumb::URI", Uri());
        image.setText("Thumb::MTime",
                      QString::number(QFileInfo(picture).lastModified().toSecsSinceEpoch()));
        image.setText("Thumb::Image::Width", "4000");
        image.setText("Thumb::Image::Height", "3000");
        QByteArray bytes;
        change(image, bytes);
        if (bytes.isEmpty()) bytes = Bytes(image, "PNG");
        QDir().mkpath(root + "/large");
        const QString entry = root + "/large/" + Md5Png(Uri().toUtf8());
        Write(entry, bytes);
        struct timespec times[2] = {{0, UTIME_OMIT}, {0, 0}};
        times[1].tv_sec = time_t(Stamped(picture).changed / 1000000000 + after);
        ::utimensat(AT_FDCWD, QFile::encodeName(entry).constData(), times, 0);
    }
};

TEST(ThumbnailCache, NamesAnEntryByTheMd5OfTheFileUri) {
    Fixture f;
    EXPECT_EQ(f.Uri(), "file://" + f.dir.path() + "/a%20b/caff%C3%A8.jpg");
    EXPECT_EQ(ThumbnailCache::EntryName(f.picture), Md5Png(f.Uri().toUtf8()));
}

TEST(ThumbnailCache, UsesAnotherProgramsEntryOnlyWhileItMatchesTheFile) {
    const struct {
        const char* name;
        std::function<void(QImage&, QByteArray&)> change;
        bool used;
        int after = 1;
    } cases[] = {
        {"as written", [](QImage&, QByteArray&) {}, true},
        {"stale time", [](QImage& i, QByteArray&) { i.setText("Thumb::MTime", "12"); }, false},
        {"other size", [](QImage& i, QByteArray&) { i.setText("Thumb::Size", "1"); }, false},
        {"other uri", [](QImage& i, QByteArray&) { i.setText("Thumb::URI", "file:///x.jpg"); },
         false},
        {"no width", [](QImage& i, QByteArray&) { i.setText("Thumb::Image::Width", ""); }, false},
        {"another shape",
         [](QImage& i, QByteArray&) {
             i.setText("Thumb::Image::Width", "3000");
             i.setText("Thumb::Image::Height", "4000");
         },
         false},
        // Written before the file last changed (cp -p, touch -r): another picture's.
        {"older than the file", [](QImage&, QByteArray&) {}, false, -1},
        {"pictora's keys", [](QImage& i, QByteArray&) { i.setText("Pictora::CTime", "1"); }, false},
        {"huge header",
         [](QImage& i, QByteArray&) {
             QImage big = i.scaled(600, 450);
             for (const QString& key : i.textKeys()) big.setText(key, i.text(key));
             i = big;
         },
         false},
        {"truncated",
         [](QImage& i, QByteArray& b) {
             b = Bytes(i, "PNG");
             b.chop(b.size() / 2);
         },
         false},
    };
    for (const auto& c : cases) {
        Fixture f;
        f.Other(c.change, c.after);
        const auto entry = ThumbnailCache(f.root).Find(Stamped(f.picture), 200);
        EXPECT_EQ(!entry.image.isNull(), c.used) << c.name;
        if (c.used) {
            EXPECT_EQ(entry.natural, QSize(4000, 3000)) << c.name;
        }
    }
}

TEST(ThumbnailCache, WritesPrivateEntriesAndFindsThem) {
    Fixture f;
    const ThumbnailCache cache(f.root);
    ASSERT_TRUE(
        cache.Write(Stamped(f.picture), "x-large", Filled({1024, 768}, Qt::green), {1024, 768}));
    const QString entry = f.root + "/x-large/" + Md5Png(f.Uri().toUtf8());
    EXPECT_EQ(QFileInfo(entry).permissions() & 0x7077, QFile::ReadOwner | QFile::WriteOwner);
    EXPECT_EQ(QFileInfo(f.root + "/x-large").permissions() & 0x7077,
              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    const auto found = cache.Find(Stamped(f.picture), 400);
    EXPECT_EQ(found.image.size(), QSize(512, 384));
    EXPECT_TRUE(cache.Find(Stamped(f.picture), 600).image.isNull());
    EXPECT_FALSE(QDir(f.dir.path() + "/a b/.sh_thumbnails").exists());
}

// Only causes that a change of the file alone undoes are kept, each as it was.
TEST(ThumbnailCache, AFailEntryMatchingTheFileKeepsItsCause) {
    using pictures::Failure;
    for (const Failure cause :
         {Failure::NotAPicture, Failure::TooLarge, Failure::Unreadable, Failure::NotFound}) {
        Fixture f;
        const ThumbnailCache cache(f.root);
        const pictures::FileStamp file = Stamped(f.picture);
        EXPECT_FALSE(cache.Find(file, 200).failed);
        const bool kept = cause == Failure::NotAPicture || cause == Failure::TooLarge;
        EXPECT_EQ(cache.WriteFailure(file, cause), kept);
        EXPECT_EQ(cache.Find(file, 200).failed, kept);
        if (kept) {
            EXPECT_EQ(cache.Find(file, 200).cause, cause);
        }
        EXPECT_FALSE(ThumbnailCache().Find(file, 200).failed);
    }
}

// Named by the MD5 of the file's name as a relative URI, and used only while
// its time matches the file's; the folder, on the picture's medium, is read
// by the loader's worker only, and never written.
TEST(ThumbnailCache, ReadsThumbnailsBesideThePictureNeverWritesThem) {
    for (const bool stale : {false, true}) {
        Fixture f;
        const QString shared = f.dir.path() + "/a b/.sh_thumbnails/x-large";
        QImage image = Filled({512, 384}, Qt::yellow);
        image.setText("Thumb::Image::Width", "640");
        image.setText("Thumb::Image::Height", "480");
        const qint64 mtime = QFileInfo(f.picture).lastModified().toSecsSinceEpoch();
        image.setText("Thumb::MTime", QString::number(mtime - (stale ? 1 : 0)));
        QDir().mkpath(shared);
        Write(shared + "/" + Md5Png("caff%C3%A8.jpg"), Bytes(image, "PNG"));
        EXPECT_EQ(ThumbnailCache().Find(Stamped(f.picture), 200).natural,
                  stale ? QSize() : QSize(640, 480));

        pictures::PictureLoader loader(picture_test::Fit, 1);
        loader.SetThumbnailFolder(f.root);
        EXPECT_FALSE(loader.Want(f.picture).has_value()) << "not read on the calling thread";
        loader.WaitUntilIdle();
        const auto shown = loader.Want(f.picture);
        ASSERT_TRUE(shown.has_value());
        EXPECT_EQ(shown->natural, stale ? QSize(64, 48) : QSize(640, 480));
        EXPECT_EQ(loader.DecodeCount(), stale ? 1 : 0);
        EXPECT_EQ(QDir(shared).entryList(QDir::Files).size(), 1);
        EXPECT_EQ(QDir(f.dir.path() + "/a b/.sh_thumbnails")
                      .entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::Hidden),
                  QStringList{"x-large"});
    }
}

// An entry that covers the frame is the picture at once, nothing decoded; a
// fail entry is the failure it keeps, the file not tried again.
TEST(ThumbnailCache, TheLoaderTakesAMatchingEntryInTheSameTurn) {
    using pictures::Failure;
    for (const Failure failure : {Failure::None, Failure::TooLarge}) {
        Fixture f;
        const ThumbnailCache cache(f.root);
        if (failure == Failure::None) {
            cache.Write(Stamped(f.picture), "x-large", Filled({512, 384}, Qt::green), {4000, 3000});
        } else {
            cache.WriteFailure(Stamped(f.picture), failure);
        }
        pictures::PictureLoader loader(picture_test::Fit, 1);
        loader.SetThumbnailFolder(f.root);
        const auto shown = loader.Want(f.picture);
        ASSERT_TRUE(shown.has_value());
        EXPECT_EQ(shown->failure, failure);
        if (failure == Failure::None) {
            EXPECT_EQ(shown->image.size(), QSize(400, 300));
            EXPECT_EQ(shown->natural, QSize(4000, 3000));
            EXPECT_EQ(shown->image.pixel(200, 150), QColor(Qt::green).rgb());
        }
        loader.WaitUntilIdle();
        EXPECT_EQ(loader.DecodeCount(), 0);
    }
}

// One decode writes the entries (the frame's picture from the same decode);
// a damaged picture gets a fail entry the next run takes at once.
TEST(ThumbnailCache, TheFirstDecodeWritesTheEntries) {
    for (const bool damaged : {false, true}) {
        Fixture f;
        Write(f.picture, damaged ? QByteArray("not a picture at all")
                                 : Bytes(Filled({1600, 1200}, Qt::red), "JPEG"));
        {
            pictures::PictureLoader loader(picture_test::Fit, 1);
            loader.SetThumbnailFolder(f.root);
            EXPECT_FALSE(loader.Want(f.picture).has_value());
            loader.WaitUntilIdle();
            EXPECT_EQ(loader.DecodeCount(), 1);
        }
        const QString name = ThumbnailCache::EntryName(f.picture);
        EXPECT_EQ(QFileInfo::exists(f.root + "/x-large/" + name), !damaged);
        EXPECT_EQ(QFileInfo::exists(f.root + "/large/" + name), !damaged);
        EXPECT_FALSE(QFileInfo::exists(f.root + "/xx-large/" + name)) << "no frame above 512";
        pictures::PictureLoader again(picture_test::Fit, 1);
        again.SetThumbnailFolder(f.root);
        const auto shown = again.Want(f.picture);
        ASSERT_TRUE(shown.has_value());
        EXPECT_EQ(shown->failure,
                  damaged ? pictures::Failure::NotAPicture : pictures::Failure::None);
        again.WaitUntilIdle();
        EXPECT_EQ(again.DecodeCount(), 0);
    }
}

// What runs before a decode (the grid shows the camera's thumbnail meanwhile)
// runs for a decode alone, never when an entry is taken.
TEST(ThumbnailCache, OnlyADecodeRunsWhatComesBeforeIt) {
    Fixture f;
    Write(f.picture, Bytes(Filled({1600, 1200}, Qt::red), "JPEG"));
    pictures::FileStamp stamp;
    ASSERT_EQ(pictures::StampOf(f.picture, stamp), pictures::Failure::None);
    const ThumbnailCache cache(f.root);
    for (const int decodes : {1, 0}) {
        int before = 0;
        pictures::ToWrite toWrite;
        const pictures::Picture shown = pictures::ReadThroughCache(
            cache, stamp, picture_test::Fit, 1, toWrite, [&before] { ++before; });
        EXPECT_TRUE(shown.ok());
        EXPECT_EQ(before, decodes);
        pictures::WriteEntries(cache, toWrite);
    }
}

}  // namespace

namespace {

// A picture shown from a thumbnail the loader wrote looks like its decode.
TEST(ThumbnailCache, APictureShownFromItsThumbnailMatchesItsDecode) {
    Fixture f;
    QImage gradient(1600, 1200, QImage::Format_RGB32);
    for (int y = 0; y < gradient.height(); ++y)
        for (int x = 0; x < gradient.width(); ++x) gradient.setPixel(x, y, qRgb(x / 7, y / 5, 90));
    Write(f.picture, Bytes(gradient, "PNG"));
    const pictures::FrameSize fit = picture_test::Fit;
    for (int pass = 0; pass < 2; ++pass) {
        pictures::PictureLoader loader(fit, 1);
        loader.SetThumbnailFolder(f.root);
        loader.Want(f.picture);
        loader.WaitUntilIdle();
        if (pass == 0) continue;
        EXPECT_TRUE(QFileInfo::exists(f.root + "/x-large/" + ThumbnailCache::EntryName(f.picture)));
        const auto shown = loader.Want(f.picture);
        ASSERT_TRUE(shown.has_value());
        const QImage decoded = pictures::ReadPicture(f.picture, fit, 1).image;
        ASSERT_EQ(shown->image.size(), decoded.size());
        qint64 diff = 0;
        for (int y = 0; y < decoded.height(); ++y)
            for (int x = 0; x < decoded.width(); ++x) {
                const QRgb a = shown->image.pixel(x, y), b = decoded.pixel(x, y);
                diff += std::abs(qRed(a) - qRed(b)) + std::abs(qGreen(a) - qGreen(b)) +
                        std::abs(qBlue(a) - qBlue(b));
            }
        EXPECT_LE(diff, 2 * 3 * qint64(decoded.width()) * decoded.height());
    }
}

}  // namespace

namespace {

// A link planted at an entry's name is replaced, never written through; a
// link in place of a folder of the cache, or another user's folder, stops
// the writing. Nothing of the user's is written or made.
TEST(ThumbnailCache, NeverWritesThroughALink) {
    const struct {
        const char* name;
        const char* at;  // under the root; "" is the root itself
        const char* to;  // in the test's folder
        bool written;
    } cases[] = {
        {"entry to a document", "x-large/ENTRY", "documento.txt", true},
        {"dangling entry", "x-large/ENTRY", "nuovo.txt", true},
        {"size folder", "x-large", "documenti", false},
        {"dangling size folder", "x-large", "nuova", false},
        {"root", "", "documenti", false},
        {"fail folder", "fail", "documenti", false},
    };
    for (const auto& c : cases) {
        Fixture f;
        Write(f.dir.filePath("documento.txt"), "mio");
        QDir().mkpath(f.dir.filePath("documenti"));
        const QString link = QDir::cleanPath(
            QString(f.root + "/" + c.at).replace("ENTRY", ThumbnailCache::EntryName(f.picture)));
        QDir().mkpath(QFileInfo(link).absolutePath());
        ASSERT_TRUE(QFile::link(f.dir.filePath(c.to), link)) << c.name;
        const ThumbnailCache cache(f.root);
        const bool fail = QString(c.at) == "fail";
        EXPECT_EQ(fail ? cache.WriteFailure(Stamped(f.picture), pictures::Failure::NotAPicture)
                       : cache.Write(Stamped(f.picture), "x-large", Filled({64, 48}, Qt::green),
                                     {64, 48}),
                  c.written)
            << c.name;
        QFile document(f.dir.filePath("documento.txt"));
        ASSERT_TRUE(document.open(QIODevice::ReadOnly));
        EXPECT_EQ(document.readAll(), "mio") << c.name;
        EXPECT_FALSE(QFileInfo::exists(f.dir.filePath("nuovo.txt"))) << c.name;
        EXPECT_FALSE(QFileInfo::exists(f.dir.filePath("nuova"))) << c.name;
        EXPECT_TRUE(QDir(f.dir.filePath("documenti")).isEmpty()) << c.name;
        EXPECT_EQ(cache.Find(Stamped(f.picture), 64).image.isNull(), !c.written) << c.name;
    }
    // A folder of the cache that someone else owns.
    if (::geteuid() != 0) GTEST_SKIP() << "only root can give a folder away";
    Fixture f;
    QDir().mkpath(f.root + "/x-large");
    ASSERT_EQ(::chown(QFile::encodeName(f.root + "/x-large").constData(), 65534, 65534), 0);
    EXPECT_FALSE(ThumbnailCache(f.root).Write(Stamped(f.picture), "x-large",
                                              Filled({64, 48}, Qt::green), {64, 48}));
}

// A picture rewritten with its size and time kept (cp -p, touch -r), in
// place or as a new file, is not its old entry: Pictora's own keys tell.
TEST(ThumbnailCache, APictureRewrittenWithItsTimeKeptIsNotItsOldEntry) {
    for (const bool failed : {false, true}) {
        for (const bool newFile : {false, true}) {
            Fixture f;
            const ThumbnailCache cache(f.root);
            if (failed) {
                cache.WriteFailure(Stamped(f.picture), pictures::Failure::NotAPicture);
            } else {
                cache.Write(Stamped(f.picture), "large", Filled({256, 192}, Qt::blue), {64, 48});
            }
            const auto before = cache.Find(Stamped(f.picture), 64);
            ASSERT_TRUE(failed ? before.failed : !before.image.isNull());
            picture_test::RewriteKeepingTime(f.picture, Bytes(Filled({32, 24}, Qt::green), "JPEG"),
                                             newFile);
            const auto entry = cache.Find(Stamped(f.picture), 64);
            EXPECT_TRUE(entry.image.isNull() && !entry.failed) << failed << newFile;
        }
    }
}

// An entry is stamped as the read that made it found the file: a file
// changed while its entries wait to be written is not shown as it was.
TEST(ThumbnailCache, AnEntryBearsTheStampOfTheReadThatMadeIt) {
    Fixture f;
    Write(f.picture, Bytes(Filled({1600, 1200}, Qt::red), "JPEG"));
    {
        pictures::PictureLoader loader(picture_test::Fit, 1);
        loader.SetThumbnailFolder(f.root);
        loader.SetTestHooks({.beforeWrite = [&](const QString&) {
            Write(f.picture, Bytes(Filled({800, 600}, Qt::blue), "JPEG"));
        }});
        loader.Want(f.picture);
        loader.WaitUntilIdle();
    }
    pictures::PictureLoader again(picture_test::Fit, 1);
    again.SetThumbnailFolder(f.root);
    again.Want(f.picture);
    again.WaitUntilIdle();
    const auto shown = again.Want(f.picture);
    ASSERT_TRUE(shown.has_value());
    EXPECT_EQ(shown->natural, QSize(800, 600));
    EXPECT_TRUE(picture_test::Near(shown->image.pixelColor(200, 150), Qt::blue, 8));
}

// A file on a slow medium (a share, a CD), or a cache on one, is not looked
// at on the calling thread: its entry comes from the worker, nothing decoded.
TEST(ThumbnailCache, NothingOnASlowMediumIsLookedAtOnTheCallingThread) {
    for (const bool slowCache : {false, true}) {
        Fixture f;
        ThumbnailCache(f.root).Write(Stamped(f.picture), "x-large", Filled({512, 384}, Qt::green),
                                     {4000, 3000});
        pictures::PictureLoader loader(picture_test::Fit, 1);
        loader.SetThumbnailFolder(f.root);
        const QString slow = slowCache ? f.root : f.picture;
        loader.SetTestHooks({.slowMedium = [slow](const QString& path) { return path == slow; }});
        QSignalSpy loaded(&loader, &pictures::PictureLoader::Loaded);
        EXPECT_FALSE(loader.Want(f.picture).has_value()) << slowCache;
        EXPECT_FALSE(loader.Provisional(f.picture).has_value()) << slowCache;
        ASSERT_TRUE(loaded.wait()) << slowCache;
        const auto shown = loaded.front().at(1).value<pictures::Picture>();
        EXPECT_EQ(shown.natural, QSize(4000, 3000)) << slowCache;
        loader.WaitUntilIdle();
        EXPECT_EQ(loader.DecodeCount(), 0) << slowCache;
    }
}

}  // namespace
