// The album window's steps and its start-up, with pictures read ahead:
//  - from the Next click to the window painted with the new picture, cold
//    (nothing read ahead) and with the neighbours read ahead, on a
//    24-megapixel JPEG, baseline and progressive;
//  - 31 Next clicks 50 ms apart over 24-megapixel JPEGs, from the last click
//    to its picture shown, and the loader's closing right after;
//  - the first photo at start-up (the picture read while the window is
//    built) against the picture's read alone and the window alone.
#include <benchmark/benchmark.h>

#include "bench_support.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <chrono>
#include <memory>

#include "album_window/form1.h"
#include "album_window/show_photo.h"
#include "app/module1.h"
#include "pictures/picture_loader.h"
#include "support/albums.h"
#include "support/controls.h"

namespace {

// Two albums of three 24-megapixel photos, one of baseline JPEGs and one of
// progressive ones, each picture a file of its own; and an album whose
// picture is missing, for the window alone.
struct Fixture {
    QTemporaryDir dir;
    QString albums[2];
    QString noPicture = dir.filePath("senza.mdb");

    Fixture() {
        for (int progressive = 0; progressive < 2; ++progressive) {
            const QString kind = progressive ? "progressiva" : "base";
            const QString first = dir.filePath(kind + "1.jpg");
            WritePhotoLikeJpeg(first, 6000, 4000, progressive != 0);
            WritePhotoLikeJpeg(dir.filePath(kind + "2.jpg"), 6000, 4000, progressive != 0, 180);
            QFile::copy(first, dir.filePath(kind + "3.jpg"));
            albums[progressive] = dir.filePath(kind + ".mdb");
            WriteAlbum(albums[progressive], {{1, "Uno", dir.path(), kind + "1.jpg"},
                                             {2, "Due", dir.path(), kind + "2.jpg"},
                                             {3, "Tre", dir.path(), kind + "3.jpg"}});
        }
        WriteAlbum(noPicture, {{1, "Senza", dir.path(), "manca.jpg"}});
    }
};

Fixture& Shared() {
    static Fixture fixture;
    return fixture;
}

// Runs the event loop until the frame shows a picture or a notice.
void WaitForPicture(Form1& form) {
    while (!Control<Picture>(form, "Image1").HasPicture() &&
           !Control<QLabel>(form, "PictureNoticeLabel").isVisibleTo(&form))
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

// Runs the event loop for `ms` milliseconds.
void Spin(int ms) {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, int(ms - timer.elapsed()));
}

// Next from the first photo to the second, painted; state.range(0) chooses
// progressive JPEGs, state.range(1) reads the neighbours ahead first.
void BM_NextToPainted(benchmark::State& state) {
    const bool progressive = state.range(0) != 0;
    const bool readAhead = state.range(1) != 0;
    AnsweringDialogs dialogs;
    BenchPlatform platform(Shared().albums[progressive]);
    Module1 module(dialogs, platform);
    module.OpenAlbum();
    std::unique_ptr<pictures::PictureLoader> loader;
    std::unique_ptr<Form1> form;
    for (auto _ : state) {
        state.PauseTiming();
        form.reset();
        loader.reset();
        // A fresh cache, the album on its first photo.
        module.MoveFirst();
        loader = std::make_unique<pictures::PictureLoader>(PhotoFrameSize(1), 1);
        form = std::make_unique<Form1>(module, *loader);
        if (readAhead) {
            module.ShowPhoto();
            loader->WaitUntilIdle();
            QCoreApplication::processEvents();
        }
        state.ResumeTiming();

        Click(*form, "Image5");
        WaitForPicture(*form);
        const QPixmap painted = form->grab();
        benchmark::DoNotOptimize(painted.cacheKey());
    }
    state.SetLabel(std::string(progressive ? "progressive" : "baseline") +
                   (readAhead ? ", read ahead" : ", cold"));
}
BENCHMARK(BM_NextToPainted)
    ->ArgsProduct({{0, 1}, {0, 1}})
    ->ArgNames({"progressive", "ahead"})
    // The untimed set-up of each step (a fresh window, the reads ahead) is
    // far longer than the step itself: a fixed count keeps the run short.
    ->Iterations(30)
    ->Unit(benchmark::kMillisecond);

// 31 clicks on Next, 50 ms apart, over 32 photos of 24 megapixels, each its
// own file: the time from the last click to its picture in the frame. The
// loader's closing right after (the close button) is counted in close_ms.
// state.range(0) chooses progressive JPEGs.
void BM_FastNextClicks(benchmark::State& state) {
    const Fixture& shared = Shared();
    const QString kind = state.range(0) ? "progressiva" : "base";
    std::vector<PhotoRow> rows;
    for (int i = 1; i <= 32; ++i) {
        const QString name = QString("veloce-%1%2.jpg").arg(kind).arg(i);
        QFile::copy(shared.dir.filePath(kind + (i % 2 ? "1.jpg" : "2.jpg")),
                    shared.dir.filePath(name));
        rows.push_back({i, "Foto", shared.dir.path(), name});
    }
    const QString album = shared.dir.filePath("veloce-" + kind + ".mdb");
    WriteAlbum(album, rows);
    AnsweringDialogs dialogs;
    BenchPlatform platform(album);
    Module1 module(dialogs, platform);
    module.OpenAlbum();
    double closeMs = 0;
    for (auto _ : state) {
        module.MoveFirst();
        auto loader = std::make_unique<pictures::PictureLoader>(PhotoFrameSize(1), 1);
        auto form = std::make_unique<Form1>(module, *loader);
        module.ShowPhoto();
        WaitForPicture(*form);
        for (int click = 0; click < 30; ++click) {
            Click(*form, "Image5");
            Spin(50);
        }
        const auto start = std::chrono::steady_clock::now();
        Click(*form, "Image5");
        WaitForPicture(*form);
        const auto shown = std::chrono::steady_clock::now();
        state.SetIterationTime(std::chrono::duration<double>(shown - start).count());
        form.reset();
        loader.reset();
        closeMs +=
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - shown)
                .count();
    }
    state.counters["close_ms"] = closeMs / double(state.iterations());
    state.SetLabel(state.range(0) ? "progressive" : "baseline");
}
BENCHMARK(BM_FastNextClicks)
    ->Arg(0)
    ->Arg(1)
    ->ArgName("progressive")
    ->UseManualTime()
    ->Iterations(5)
    ->Unit(benchmark::kMillisecond);

// From nothing to the album window painted with its first photo, as main()
// does it: with `readEarly`, the picture's read starts before the window is
// built. The window is ready once it has shown the album's first photo. What
// it then reads ahead, and its closing, are not timed.
void StartUp(benchmark::State& state, const QString& album, bool readEarly) {
    for (auto _ : state) {
        AnsweringDialogs dialogs;
        BenchPlatform platform(album);
        auto module = std::make_unique<Module1>(dialogs, platform);
        auto loader = std::make_unique<pictures::PictureLoader>(PhotoFrameSize(1), 1);
        if (readEarly) loader->Preload(module->StartupPicturePath());
        auto form = std::make_unique<Form1>(*module, *loader);
        bool shown = false;
        QObject::connect(module.get(), &Module1::PictureToShow, form.get(),
                         [&shown] { shown = true; });
        form->show();
        while (!shown) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        WaitForPicture(*form);
        const QPixmap painted = form->grab();
        benchmark::DoNotOptimize(painted.cacheKey());

        state.PauseTiming();
        state.counters["decodes"] = loader->DecodeCount();
        form.reset();
        loader.reset();
        module.reset();
        state.ResumeTiming();
    }
}

void BM_StartUpFirstPhoto(benchmark::State& state) {
    StartUp(state, Shared().albums[0], true);
}
BENCHMARK(BM_StartUpFirstPhoto)->Iterations(30)->Unit(benchmark::kMillisecond);

void BM_StartUpWindowAlone(benchmark::State& state) {
    StartUp(state, Shared().noPicture, false);
}
BENCHMARK(BM_StartUpWindowAlone)->Iterations(30)->Unit(benchmark::kMillisecond);

void BM_StartUpReadAlone(benchmark::State& state) {
    const QString picture = Shared().dir.filePath("base1.jpg");
    for (auto _ : state) {
        const pictures::Picture read = pictures::ReadPicture(picture, PhotoFrameSize(1), 1);
        benchmark::DoNotOptimize(read.image.constBits());
    }
}
BENCHMARK(BM_StartUpReadAlone)->Iterations(30)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    return RunWindowBenchmarks(argc, argv);
}
