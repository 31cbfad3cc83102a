// The full screen view on a 3840 x 2160 screen (offscreen), on 24-megapixel
// JPEGs, baseline and progressive:
//  - the next photo at a person's pace, its neighbours read ahead while the
//    screen shows the current one: from the key to the painted screen;
//  - a cold step: the key to the painted screen with nothing read ahead, and
//    the decode at screen size alone;
//  - entering full screen from the album window with the picture already read;
// and how many screen-sized pictures the view's cache holds within its limit.
#include <benchmark/benchmark.h>

#include "bench_support.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QKeyEvent>
#include <QScreen>
#include <QTemporaryDir>
#include <algorithm>
#include <memory>
#include <vector>

#include "album_window/form1.h"
#include "album_window/show_photo.h"
#include "app/module1.h"
#include "pictures/picture_loader.h"
#include "support/albums.h"
#include "support/form1_probe.h"
#include "support/full_screen_probe.h"
#include "viewer/full_screen.h"

namespace {

constexpr int kPhotos = 6;

// Two albums of six 24-megapixel photos, baseline and progressive, each
// picture a file of its own.
struct Fixture {
    QTemporaryDir dir;
    QString albums[2];

    Fixture() {
        for (int progressive = 0; progressive < 2; ++progressive) {
            const QString kind = progressive ? "progressiva" : "base";
            std::vector<PhotoRow> rows;
            for (int i = 1; i <= kPhotos; ++i) {
                const QString name = kind + QString::number(i) + ".jpg";
                if (i <= 2)
                    WritePhotoLikeJpeg(dir.filePath(name), 6000, 4000, progressive != 0,
                                       200 - 20 * i);
                else
                    QFile::copy(dir.filePath(kind + QString::number(2 - i % 2) + ".jpg"),
                                dir.filePath(name));
                rows.push_back({i, "Foto " + QString::number(i), dir.path(), name});
            }
            albums[progressive] = dir.filePath(kind + ".mdb");
            WriteAlbum(albums[progressive], rows);
        }
    }
};

Fixture& Shared() {
    static Fixture fixture;
    return fixture;
}

QString Notice(const QString& path, pictures::Failure failure) {
    return PictureNotice(path, failure);
}

// Sends `key` to the view and returns once the screen shows its outcome.
void PressAndPaint(viewer::FullScreenView& view, Qt::Key key) {
    const int before = view.PaintCount();
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(&view, &press);
    while (view.PaintCount() == before) QCoreApplication::processEvents();
}

// The screen painted and the reads ahead it started done: a person looking.
void Settle(viewer::FullScreenView& view) {
    QCoreApplication::processEvents();
    FullScreenProbe::Loader(view).WaitUntilIdle();
}

// Right, Right, ... to the last photo, then Left back to the first, each
// step a key some time after the screen settled.
void BM_NextAtHumanPace(benchmark::State& state) {
    const bool progressive = state.range(0) != 0;
    AnsweringDialogs dialogs;
    BenchPlatform platform(Shared().albums[progressive]);
    Module1 module(dialogs, platform);
    module.OpenAlbum();
    viewer::FullScreenView view(module, Notice);
    view.Enter(QGuiApplication::primaryScreen());
    Settle(view);
    int at = 1, step = 1;
    std::vector<double> steps;
    for (auto _ : state) {
        if (at + step < 1 || at + step > kPhotos) step = -step;
        QElapsedTimer timer;
        timer.start();
        PressAndPaint(view, step > 0 ? Qt::Key_Right : Qt::Key_Left);
        steps.push_back(timer.nsecsElapsed() / 1e6);
        at += step;
        state.PauseTiming();
        Settle(view);
        state.ResumeTiming();
    }
    std::nth_element(steps.begin(), steps.begin() + steps.size() / 2, steps.end());
    state.counters["median_ms"] = steps[steps.size() / 2];
    state.counters["decodes"] = FullScreenProbe::Loader(view).DecodeCount();
    state.counters["cached"] = FullScreenProbe::Loader(view).CachedCount();
    state.counters["cachedMiB"] = double(FullScreenProbe::Loader(view).CachedBytes()) / (1 << 20);
    state.SetLabel(progressive ? "progressive" : "baseline");
}
BENCHMARK(BM_NextAtHumanPace)
    ->Arg(0)
    ->Arg(1)
    ->ArgName("progressive")
    ->Iterations(40)
    ->Unit(benchmark::kMillisecond);

// A fresh view on the first photo, and Right before anything was read ahead.
void BM_ColdStep(benchmark::State& state) {
    const bool progressive = state.range(0) != 0;
    AnsweringDialogs dialogs;
    BenchPlatform platform(Shared().albums[progressive]);
    Module1 module(dialogs, platform);
    module.OpenAlbum();
    for (auto _ : state) {
        state.PauseTiming();
        module.MoveFirst();
        auto view = std::make_unique<viewer::FullScreenView>(module, Notice);
        view->Enter(QGuiApplication::primaryScreen());
        state.ResumeTiming();
        PressAndPaint(*view, Qt::Key_Right);
        state.PauseTiming();
        FullScreenProbe::Loader(*view).WaitUntilIdle();
        view.reset();
        state.ResumeTiming();
    }
    state.SetLabel(progressive ? "progressive" : "baseline");
}
BENCHMARK(BM_ColdStep)
    ->Arg(0)
    ->Arg(1)
    ->ArgName("progressive")
    ->Iterations(10)
    ->Unit(benchmark::kMillisecond);

// The decode alone: a 24-megapixel JPEG read for the 4K screen.
void BM_DecodeAtScreenSize(benchmark::State& state) {
    const QString path = Shared().dir.filePath(state.range(0) ? "progressiva1.jpg" : "base1.jpg");
    const pictures::FrameSize screen = [](QSize natural) {
        return viewer::FitToScreen(natural, QSize(3840, 2160));
    };
    for (auto _ : state) {
        const pictures::Picture picture = pictures::ReadPicture(path, screen, 1);
        benchmark::DoNotOptimize(picture.image.constBits());
        state.counters["MiB"] = double(picture.image.sizeInBytes()) / (1 << 20);
    }
}
BENCHMARK(BM_DecodeAtScreenSize)
    ->Arg(0)
    ->Arg(1)
    ->ArgName("progressive")
    ->Iterations(10)
    ->Unit(benchmark::kMillisecond);

// F11 in the album window to the screen painted, the picture read before (a
// second entry on the same photo).
void BM_EnterFullScreen(benchmark::State& state) {
    AnsweringDialogs dialogs;
    BenchPlatform platform(Shared().albums[0]);
    Module1 module(dialogs, platform);
    pictures::PictureLoader loader(PhotoFrameSize(1), 1);
    Form1 form(module, loader);
    module.OpenAlbum();
    Form1Probe::ShowFullScreen(form);
    Settle(*Form1Probe::FullScreen(form));
    for (auto _ : state) {
        state.PauseTiming();
        Form1Probe::FullScreen(form)->Leave();
        QCoreApplication::processEvents();
        const int before = Form1Probe::FullScreen(form)->PaintCount();
        state.ResumeTiming();
        Form1Probe::ShowFullScreen(form);
        while (Form1Probe::FullScreen(form)->PaintCount() == before)
            QCoreApplication::processEvents();
    }
}
BENCHMARK(BM_EnterFullScreen)->Iterations(30)->Unit(benchmark::kMillisecond);

// Screen-sized pictures read into one loader until its cache is full.
void BM_CacheAtScreenSize(benchmark::State& state) {
    for (auto _ : state) {
        pictures::PictureLoader loader(
            [](QSize natural) { return viewer::FitToScreen(natural, QSize(3840, 2160)); }, 1);
        for (int i = 1; i <= kPhotos; ++i) {
            const QString name = "base" + QString::number(i) + ".jpg";
            benchmark::DoNotOptimize(loader.Get(Shared().dir.filePath(name)).image.constBits());
        }
        state.counters["cached"] = loader.CachedCount();
        state.counters["cachedMiB"] = double(loader.CachedBytes()) / (1 << 20);
        state.counters["limitMiB"] = double(pictures::PictureLoader::kMaxCachedBytes) / (1 << 20);
    }
}
BENCHMARK(BM_CacheAtScreenSize)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    // One 3840 x 2160 screen.
    QTemporaryDir config;
    QFile screens(config.filePath("screens.json"));
    if (screens.open(QIODevice::WriteOnly))
        screens.write(R"({"screens": [{"name": "4K", "x": 0, "y": 0, "width": 3840,
            "height": 2160, "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1}]})");
    screens.close();
    qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + screens.fileName().toLocal8Bit());
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
