// Reading pictures for the photo frame: a 24-megapixel JPEG, baseline and
// progressive, decoded at frame size; a Get that finds its picture preloaded;
// stepping through 500 photos with their neighbours preloaded; and header
// bombs refused. A 61-megapixel JPEG read whole, as "Copia immagine" and the
// zoom to its own pixels read it. Peak memory is the process's resident
// high-water mark (VmHWM), reset before each measure.
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QFile>
#include <QImage>
#include <QImageWriter>
#include <QPainter>
#include <QTemporaryDir>
#include <fstream>
#include <string>

#include "picture_test_support.h"
#include "pictures/picture_loader.h"

namespace {

using pictures::PictureLoader;

// The album window's frame, 423 x 412 pixels: the longer side spans it.
QSize Frame(QSize natural) {
    if (natural.height() >= natural.width())
        return {qRound(423.0 * natural.width() / natural.height()), 412};
    return {423, qRound(412.0 * natural.height() / natural.width())};
}

// Peak resident memory since the last reset, in MiB.
double PeakMiB() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmHWM:", 0) == 0) return std::stod(line.substr(6)) / 1024;
    return 0;
}
void ResetPeak() {
    std::ofstream("/proc/self/clear_refs") << "5";
}

// A photo-like picture: gradients and shapes, so the JPEG is of a realistic size.
QImage Photo(QSize size, int seed) {
    QImage image(size, QImage::Format_RGB32);
    QPainter painter(&image);
    QLinearGradient sky(0, 0, size.width(), size.height());
    sky.setColorAt(0, QColor::fromHsv(seed * 47 % 360, 160, 200));
    sky.setColorAt(1, QColor(250, 200, 120));
    painter.fillRect(image.rect(), sky);
    for (int i = 0; i < 200; ++i) {
        painter.setBrush(QColor::fromHsv((i * 37 + seed * 11) % 360, 180, 220));
        painter.drawEllipse((i * 997) % size.width(), (i * 613) % size.height(),
                            size.width() / 20 + i, size.height() / 20 + i);
    }
    return image;
}

void WriteJpeg(const QImage& image, const QString& path, bool progressive) {
    QImageWriter writer(path, "jpeg");
    writer.setQuality(90);
    writer.setProgressiveScanWrite(progressive);
    writer.write(image);
}

struct Fixture {
    QTemporaryDir dir;
    QString baseline = dir.filePath("baseline.jpg");
    QString progressive = dir.filePath("progressive.jpg");
    QStringList album;

    Fixture() {
        const QImage large = Photo({6000, 4000}, 1);
        WriteJpeg(large, baseline, false);
        WriteJpeg(large, progressive, true);
        // 500 files of camera-phone size; eight pictures, each file its own.
        QStringList sources;
        for (int i = 0; i < 8; ++i) {
            sources << dir.filePath(QString("sorgente%1.jpg").arg(i));
            WriteJpeg(Photo(i % 3 ? QSize(4000, 3000) : QSize(3000, 4000), i), sources.back(),
                      false);
        }
        for (int i = 0; i < 500; ++i) {
            album << dir.filePath(QString("foto%1.jpg").arg(i, 3, 10, QChar('0')));
            QFile::copy(sources[i % 8], album.back());
        }
    }
};

Fixture& Shared() {
    static Fixture fixture;
    return fixture;
}

void Decode(benchmark::State& state, const QString& path) {
    ResetPeak();
    for (auto _ : state) {
        const auto picture = pictures::ReadPicture(path, Frame, 1);
        if (!picture.ok()) state.SkipWithError("not read");
        benchmark::DoNotOptimize(picture.image.constBits());
    }
    state.counters["peak_MiB"] = PeakMiB();
}
void BM_Decode24MpxBaseline(benchmark::State& state) {
    Decode(state, Shared().baseline);
}
void BM_Decode24MpxProgressive(benchmark::State& state) {
    Decode(state, Shared().progressive);
}
BENCHMARK(BM_Decode24MpxBaseline)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Decode24MpxProgressive)->Unit(benchmark::kMillisecond);

// A 61-megapixel camera's picture (9504 x 6336), read whole.
void BM_Whole61Mpx(benchmark::State& state) {
    static const QString path = [] {
        const QString written = Shared().dir.filePath("61mpx.jpg");
        WriteJpeg(Photo({9504, 6336}, 3), written, false);
        return written;
    }();
    ResetPeak();
    for (auto _ : state) {
        const auto picture = pictures::ReadPicture(
            path, [](QSize natural) { return natural; }, 1);
        if (!picture.ok()) state.SkipWithError("not read whole");
        benchmark::DoNotOptimize(picture.image.constBits());
    }
    state.counters["peak_MiB"] = PeakMiB();
}
BENCHMARK(BM_Whole61Mpx)->Iterations(3)->Unit(benchmark::kMillisecond);

void BM_GetPreloaded(benchmark::State& state) {
    PictureLoader loader(Frame, 1);
    loader.Preload(Shared().baseline);
    loader.WaitUntilIdle();
    for (auto _ : state) benchmark::DoNotOptimize(loader.Get(Shared().baseline).image.constBits());
    state.counters["decodes"] = loader.DecodeCount();
}
BENCHMARK(BM_GetPreloaded)->Unit(benchmark::kMicrosecond);

// A step at human pace: the photo is shown, its neighbours preload while the
// user looks at it.
void BM_Step500Photos(benchmark::State& state) {
    const QStringList& album = Shared().album;
    for (auto _ : state) {
        ResetPeak();
        const auto ratio = static_cast<qreal>(state.range(0));
        PictureLoader loader([ratio](QSize natural) { return Frame(natural) * ratio; }, ratio);
        qint64 peakCache = 0;
        for (int i = 0; i < album.size(); ++i) {
            benchmark::DoNotOptimize(loader.Get(album[i]).image.constBits());
            if (i + 1 < album.size()) loader.Preload(album[i + 1]);
            if (i > 0) loader.Preload(album[i - 1]);
            loader.WaitUntilIdle();
            peakCache = qMax(peakCache, loader.CachedBytes());
        }
        state.counters["decodes"] = loader.DecodeCount();
        state.counters["peak_cache_MiB"] = peakCache / 1048576.0;
        state.counters["peak_MiB"] = PeakMiB();
    }
}
BENCHMARK(BM_Step500Photos)->Arg(1)->Arg(2)->Iterations(1)->Unit(benchmark::kMillisecond);

void Bomb(benchmark::State& state, const char* format, quint32 side, const char* name) {
    const QString path = Shared().dir.filePath(name);
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write(picture_test::HeaderBomb(format, side, side));
    file.close();
    ResetPeak();
    const double before = PeakMiB();
    int refused = 0;
    for (auto _ : state) refused += !pictures::ReadPicture(path, Frame, 1).ok();
    state.counters["refused"] = refused == state.iterations();
    state.counters["peak_MiB"] = PeakMiB();
    state.counters["peak_growth_MiB"] = PeakMiB() - before;
}
BENCHMARK_CAPTURE(Bomb, jpeg_65535, "JPG", 65535, "bomba.jpg")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(Bomb, jpeg_60000, "JPG", 60000, "grande.jpg")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(Bomb, bmp_65535, "BMP", 65535, "bomba.bmp")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(Bomb, png_20000_as_jpg, "PNG", 20000, "png.jpg")->Unit(benchmark::kMicrosecond);
// Within the bounds, on a tiny file: decoded and shown (a gray or black
// picture), at the cost measured here.
BENCHMARK_CAPTURE(Bomb, bmp_16384_within_bounds, "BMP", 16384, "lecito.bmp")
    ->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
