// ShowPhoto on a large JPEG against a plain full-size decode followed by a
// smooth scaling to the fitted size, in the same run.
#include <benchmark/benchmark.h>

#include "bench_support.h"

#include <QApplication>
#include <QImage>
#include <QImageReader>
#include <QPainter>
#include <QTemporaryDir>
#include <cstdlib>
#include <memory>

#include "album_window/form1.h"
#include "album_window/show_photo.h"
#include "app/dialogs.h"
#include "app/module1.h"
#include "app/platform.h"
#include "pictures/picture_loader.h"
#include "support/albums.h"
#include "support/controls.h"

namespace {

struct Fixture {
    QTemporaryDir dir;
    QString picture;
    QString album;

    Fixture() {
        picture = dir.path() + "/grande.jpg";
        WritePhotoLikeJpeg(picture, 6000, 4000);
        album = dir.path() + "/database.mdb";
        WriteAlbum(album, {{1, "Grande", dir.path(), "grande.jpg"}});
    }
};

Fixture& Shared() {
    static Fixture fixture;
    return fixture;
}

// Each time with an empty cache, as a photo not read ahead is shown.
void BM_ShowPhoto(benchmark::State& state) {
    Fixture& f = Shared();
    AnsweringDialogs dialogs;
    BenchPlatform platform(f.album);
    Module1 module(dialogs, platform);
    module.OpenAlbum();
    std::unique_ptr<pictures::PictureLoader> loader;
    std::unique_ptr<Form1> window;
    for (auto _ : state) {
        state.PauseTiming();
        window.reset();
        loader = std::make_unique<pictures::PictureLoader>(PhotoFrameSize(1), 1);
        window = std::make_unique<Form1>(module, *loader);
        state.ResumeTiming();
        module.ShowPhoto();
        benchmark::DoNotOptimize(Control<Picture>(*window, "Image1").GetPicture().constBits());
    }
    Form1& form = *window;
    // How far what is shown lies from the full decode scaled smoothly: the
    // mean difference per colour channel, out of 255.
    const QImage shown =
        Control<Picture>(form, "Image1").GetPicture().convertToFormat(QImage::Format_RGB32);
    QImageReader reader(f.picture);
    const QImage reference =
        reader.read()
            .scaled(shown.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
            .convertToFormat(QImage::Format_RGB32);
    double difference = 0;
    for (int y = 0; y < shown.height(); ++y)
        for (int x = 0; x < shown.width(); ++x) {
            const QRgb a = shown.pixel(x, y), b = reference.pixel(x, y);
            difference += std::abs(qRed(a) - qRed(b)) + std::abs(qGreen(a) - qGreen(b)) +
                          std::abs(qBlue(a) - qBlue(b));
        }
    state.counters["decoded_width"] = shown.width();
    state.counters["mean_diff"] = difference / (3.0 * shown.width() * shown.height());
}
BENCHMARK(BM_ShowPhoto)->Unit(benchmark::kMillisecond);

void BM_FullDecodeThenSmoothScale(benchmark::State& state) {
    Fixture& f = Shared();
    const QSizeF fit = FitToFrame({6000, 4000});
    const QSize shown(qRound(fit.width() / 15), qRound(fit.height() / 15));
    for (auto _ : state) {
        QImageReader reader(f.picture);
        reader.setAutoTransform(true);
        const QImage full = reader.read();
        const QImage scaled = full.scaled(shown, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        benchmark::DoNotOptimize(scaled.constBits());
    }
}
BENCHMARK(BM_FullDecodeThenSmoothScale)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    return RunWindowBenchmarks(argc, argv);
}
