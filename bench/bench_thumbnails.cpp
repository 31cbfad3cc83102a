// Pictures from the desktop's thumbnail cache, on 24-megapixel progressive
// JPEGs (the slowest kind to decode):
//  - a cold Next (nothing read ahead), from the click to the window painted
//    with the new picture: its entry cached, the cache empty (the decode,
//    then the entries written from it), and the cache off; with the time the
//    writing of the entries then takes off the window's thread;
//  - the first photo at start-up, as main() builds the window, from nothing
//    to the window painted with it: its entry cached, the cache empty, and an
//    empty album;
//  - what the window's thread does for a step before any worker: the look-up
//    of the photo's entry in the personal cache, and telling whether the
//    picture and the cache are on a slow medium.
//  - the camera's thumbnail embedded in a 24-megapixel JPEG, read from its
//    first bytes, as the grid shows it while the real thumbnail is made.
#include <benchmark/benchmark.h>

#include "bench_support.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImageReader>
#include <QTemporaryDir>
#include <chrono>
#include <memory>

#include "album_window/form1.h"
#include "album_window/show_photo.h"
#include "app/module1.h"
#include "picture_test_support.h"
#include "pictures/exif_thumbnail.h"
#include "pictures/picture_loader.h"
#include "pictures/slow_media.h"
#include "pictures/thumbnail_reads.h"
#include "support/albums.h"
#include "widgets/picture.h"

namespace {

// An album of three 24-megapixel progressive JPEGs, an empty album, a
// thumbnail cache that holds the entries of the three pictures, and a copy
// of the first one carrying a camera's 160 x 107 thumbnail in its EXIF block.
struct Fixture {
    QTemporaryDir dir;
    QString album = dir.filePath("album.mdb");
    QString empty = dir.filePath("vuoto.mdb");
    QString cached = dir.filePath("cache/thumbnails");
    QString scratch = dir.filePath("vuota/thumbnails");

    Fixture() {
        WritePhotoLikeJpeg(dir.filePath("uno.jpg"), 6000, 4000, true);
        WritePhotoLikeJpeg(dir.filePath("due.jpg"), 6000, 4000, true, 180);
        QFile::copy(dir.filePath("uno.jpg"), dir.filePath("tre.jpg"));
        QImageReader reader(dir.filePath("uno.jpg"));
        reader.setScaledSize({160, 107});
        QFile photo(dir.filePath("uno.jpg"));
        photo.open(QIODevice::ReadOnly);
        picture_test::Write(
            dir.filePath("pollice.jpg"),
            picture_test::WithExif(photo.readAll(), {picture_test::Bytes(reader.read(), "JPG")}));
        WriteAlbum(album, {{1, "Uno", dir.path(), "uno.jpg"},
                           {2, "Due", dir.path(), "due.jpg"},
                           {3, "Tre", dir.path(), "tre.jpg"}});
        WriteAlbum(empty, std::vector<PhotoRow>{});
        pictures::PictureLoader loader(PhotoFrameSize(1), 1);
        loader.SetThumbnailFolder(cached);
        for (const char* name : {"uno.jpg", "due.jpg", "tre.jpg"}) {
            loader.Want(dir.filePath(name));
            loader.WaitUntilIdle();
        }
    }
};

Fixture& Shared() {
    static Fixture fixture;
    return fixture;
}

Picture& Frame(Form1& form) {
    return *form.findChild<Picture*>("Image1");
}

void ClickNext(Form1& form) {
    QMetaObject::invokeMethod(form.findChild<QObject*>("Image5"), "Click", Qt::DirectConnection);
}

// Runs the event loop until the frame shows a picture or a notice.
void WaitForPicture(Form1& form) {
    auto* notice = form.findChild<QWidget*>("PictureNoticeLabel");
    while (!Frame(form).HasPicture() && !notice->isVisibleTo(&form))
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

enum Cache { kCached, kEmpty, kOff };

const char* Name(int cache) {
    return cache == kCached ? "entry cached" : cache == kEmpty ? "cache empty" : "cache off";
}

// The folder a run's loader uses: the filled one, a fresh empty one, none.
QString CacheFolder(int cache) {
    if (cache == kOff) return {};
    if (cache == kCached) return Shared().cached;
    QDir(Shared().scratch).removeRecursively();
    return Shared().scratch;
}

// Next from the first photo to the second, cold, painted; state.range(0)
// chooses the cache. write_ms: what writing the entries took after.
void BM_ColdNextToPainted(benchmark::State& state) {
    AnsweringDialogs dialogs;
    BenchPlatform platform(Shared().album);
    Module1 module(dialogs, platform);
    module.OpenAlbum();
    std::unique_ptr<pictures::PictureLoader> loader;
    std::unique_ptr<Form1> form;
    double writeMs = 0;
    for (auto _ : state) {
        state.PauseTiming();
        form.reset();
        loader.reset();
        module.MoveFirst();
        loader = std::make_unique<pictures::PictureLoader>(PhotoFrameSize(1), 1);
        loader->SetThumbnailFolder(CacheFolder(int(state.range(0))));
        form = std::make_unique<Form1>(module, *loader);
        // Nothing is being read when the step starts.
        loader->WaitUntilIdle();
        QCoreApplication::processEvents();
        state.ResumeTiming();

        ClickNext(*form);
        WaitForPicture(*form);
        const QPixmap painted = form->grab();
        benchmark::DoNotOptimize(painted.cacheKey());

        state.PauseTiming();
        QElapsedTimer written;
        written.start();
        loader->WaitUntilIdle();
        writeMs += written.nsecsElapsed() / 1e6;
        state.ResumeTiming();
    }
    // The reads ahead the step started, and the entries written after it.
    state.counters["idle_after_ms"] = writeMs / double(state.iterations());
    state.SetLabel(Name(int(state.range(0))));
}
BENCHMARK(BM_ColdNextToPainted)
    ->DenseRange(kCached, kOff)
    ->ArgName("cache")
    ->Iterations(20)
    ->Unit(benchmark::kMillisecond);

// From nothing to the album window painted with its first photo, as main()
// builds it (the picture's read started before the window is built).
// state.range(0) chooses the cache; 3 is the empty album.
void BM_StartUpToPainted(benchmark::State& state) {
    const bool emptyAlbum = state.range(0) == 3;
    for (auto _ : state) {
        state.PauseTiming();
        const QString thumbnails = CacheFolder(emptyAlbum ? kOff : int(state.range(0)));
        state.ResumeTiming();
        AnsweringDialogs dialogs;
        BenchPlatform platform(emptyAlbum ? Shared().empty : Shared().album);
        auto module = std::make_unique<Module1>(dialogs, platform);
        auto loader = std::make_unique<pictures::PictureLoader>(PhotoFrameSize(1), 1);
        loader->SetThumbnailFolder(thumbnails);
        if (const QString first = module->StartupPicturePath(); !first.isEmpty())
            loader->Preload(first);
        auto form = std::make_unique<Form1>(*module, *loader);
        form->show();
        if (!emptyAlbum) WaitForPicture(*form);
        const QPixmap painted = form->grab();
        benchmark::DoNotOptimize(painted.cacheKey());

        state.PauseTiming();
        loader->WaitUntilIdle();
        form.reset();
        loader.reset();
        module.reset();
        state.ResumeTiming();
    }
    state.SetLabel(emptyAlbum ? "empty album" : Name(int(state.range(0))));
}
BENCHMARK(BM_StartUpToPainted)
    ->DenseRange(kCached, 3)
    ->ArgName("cache")
    ->Iterations(20)
    ->Unit(benchmark::kMillisecond);

// The same-turn look-up of a photo's entry, as PictureLoader::Want makes it:
// the file's stamp, the medium, the entry found, decoded and fitted.
void BM_SameTurnLookUp(benchmark::State& state) {
    const QString path = Shared().dir.filePath("due.jpg");
    const pictures::ThumbnailCache cache(Shared().cached);
    for (auto _ : state) {
        pictures::FileStamp file;
        pictures::StampOf(path, file);
        const bool slow = pictures::OnSlowMedium(path) || pictures::OnSlowMedium(Shared().cached);
        const auto picture = pictures::FromThumbnail(
            cache, file, pictures::ThumbnailCache::Places::Personal, PhotoFrameSize(1), 1);
        if (slow || !picture) state.SkipWithError("no entry looked up");
        benchmark::DoNotOptimize(picture);
    }
}
BENCHMARK(BM_SameTurnLookUp)->Unit(benchmark::kMillisecond);

// Telling whether a file is on a slow medium, from the mount table.
void BM_SlowMedium(benchmark::State& state) {
    const QString path = Shared().dir.filePath("due.jpg");
    for (auto _ : state) benchmark::DoNotOptimize(pictures::OnSlowMedium(path));
}
BENCHMARK(BM_SlowMedium)->Unit(benchmark::kMicrosecond);

// The embedded thumbnail of a 24-megapixel JPEG: its first bytes read, the
// thumbnail found and decoded.
void BM_EmbeddedThumbnail(benchmark::State& state) {
    const QString path = Shared().dir.filePath("pollice.jpg");
    for (auto _ : state) {
        const QImage thumbnail = pictures::EmbeddedThumbnail(path);
        if (thumbnail.isNull()) state.SkipWithError("no embedded thumbnail");
        benchmark::DoNotOptimize(thumbnail.constBits());
    }
}
BENCHMARK(BM_EmbeddedThumbnail)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
    return RunWindowBenchmarks(argc, argv);
}
