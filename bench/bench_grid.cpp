// The grid of thumbnails over a million photos at 3840 x 2160 with 256-pixel
// tiles (offscreen), the window's thread alone unless said:
//  - opening it on a photo in the middle, to the tiles' places painted,
//    beside the same on a thousand photos;
//  - one frame of a fast scroll, a screenful further, no thumbnail made yet;
//  - one frame of a scroll between two screenfuls whose thumbnails came;
//  - a jump to the last photo;
//  - a screenful of thumbnails from the thumbnail cache, from the scroll's
//    stop to the last of them painted (workers included);
//  - a screenful made cold from 24-megapixel JPEGs (workers included), with
//    tiles per second per core, beside the plain full decode and scale;
//  - the memory taken after scrolling through the whole album.
#include <benchmark/benchmark.h>

#include "bench_support.h"

#include <unistd.h>
#include <QDir>
#include <QImageReader>
#include <QKeyEvent>
#include <QScrollBar>
#include <QTemporaryDir>
#include <chrono>
#include <memory>

#include "app/module1.h"
#include "resident_memory.h"
#include "support/albums.h"
#include "viewer/grid_view.h"

namespace {

constexpr int kPhotos = 1'000'000;
constexpr int kPictures = 400;  // the first photos' pictures are there
constexpr int kWorkers = 2;     // GridTiles' own

QString PictureName(long long i) {
    return QString("foto%1.jpg").arg(i);
}

// A million photos; only the first few hundred pictures are there, so
// further on every tile is made, and fails, off the window's thread, and a
// frame's cost is the window's alone.
struct Fixture {
    QTemporaryDir dir;
    QTemporaryDir cache;  // the personal thumbnail cache
    QString album = dir.path() + "/database.mdb";
    AnsweringDialogs dialogs;
    BenchPlatform platform{album};
    Module1 module{dialogs, platform};

    Fixture() {
        WriteAlbum(album, kPhotos, [this](long long i) {
            return PhotoRow{i, "Tramonto a Cefalù n. " + QString::number(i), dir.path(),
                            PictureName(i)};
        });
        for (int i = 1; i <= kPictures; ++i)
            WritePicture(dir.filePath(PictureName(i)), 640, 480,
                         QColor::fromHsv(i % 360, 200, 200));
        module.OpenAlbum();
    }
};

std::unique_ptr<Fixture> shared;
Fixture& Shared() {
    if (!shared) shared = std::make_unique<Fixture>();
    return *shared;
}

// The grid shown on the offscreen screen, as full screen shows it.
std::unique_ptr<viewer::GridView> OpenGrid(Module1& module, long long id,
                                           const QString& cache = {}) {
    auto grid = std::make_unique<viewer::GridView>(module);
    grid->SetThumbnailFolder(cache);
    grid->resize(3840, 2160);
    grid->show();
    grid->Open(store::Value(static_cast<std::int64_t>(id)));
    return grid;
}

// Paints the grid as the screen would, which asks for the tiles in view,
// into one image kept for it (the window's own backing store is kept too).
void Paint(viewer::GridView& grid) {
    static QImage target;
    if (target.size() != grid.viewport()->size())
        target = QImage(grid.viewport()->size(), QImage::Format_RGB32);
    grid.viewport()->render(&target);
    benchmark::DoNotOptimize(target.constBits());
}

bool ScreenCame(viewer::GridView& grid) {
    const auto [first, last] = grid.RowsInView();
    for (int row = first; row <= last; ++row) {
        const viewer::GridModel::Tile* tile = grid.Model().At(row);
        const viewer::GridTiles::Image* image =
            tile ? grid.Tiles().Find(tile->path, grid.TileSide()) : nullptr;
        if (!image || image->early) return false;
    }
    return true;
}

// Waits as the window's event loop does until every tile in view has come,
// then paints them.
void PaintWhenCome(viewer::GridView& grid) {
    while (!ScreenCame(grid)) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    Paint(grid);
}

int TilesInView(const viewer::GridView& grid) {
    return grid.RowsInView().second - grid.RowsInView().first + 1;
}

// The same album's first thousand photos, to set the opening beside.
struct SmallFixture {
    QTemporaryDir dir;
    QString album = dir.path() + "/database.mdb";
    AnsweringDialogs dialogs;
    BenchPlatform platform{album};
    Module1 module{dialogs, platform};

    SmallFixture() {
        WriteAlbum(album, 1000, [this](long long i) {
            return PhotoRow{i, "Tramonto a Cefalù n. " + QString::number(i), dir.path(),
                            PictureName(i)};
        });
        module.OpenAlbum();
    }
};
std::unique_ptr<SmallFixture> small;

// Opening on the middle photo, at range(0) photos.
void BM_OpenGrid(benchmark::State& state) {
    const bool million = state.range(0) == kPhotos;
    if (!million && !small) small = std::make_unique<SmallFixture>();
    Module1& module = million ? Shared().module : small->module;
    for (auto _ : state) {
        auto grid = OpenGrid(module, state.range(0) / 2);
        Paint(*grid);
        state.PauseTiming();
        grid.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_OpenGrid)->Arg(1000)->Arg(kPhotos)->Unit(benchmark::kMillisecond)->Iterations(10);

// A screenful further each frame: every tile new, none made.
void BM_ScrollFrameCold(benchmark::State& state) {
    auto grid = OpenGrid(Shared().module, kPictures + 1);
    Paint(*grid);
    QScrollBar* bar = grid->verticalScrollBar();
    for (auto _ : state) {
        bar->setValue(bar->value() + bar->pageStep());
        Paint(*grid);
    }
    if (bar->value() == 0) state.SkipWithError("the grid did not scroll");
    state.counters["tiles"] = TilesInView(*grid);
}
BENCHMARK(BM_ScrollFrameCold)->Unit(benchmark::kMillisecond)->Iterations(200);

// Back and forth between the first two screenfuls, their thumbnails made.
void BM_ScrollFrameCached(benchmark::State& state) {
    auto grid = OpenGrid(Shared().module, 1);
    QScrollBar* bar = grid->verticalScrollBar();
    const int second = bar->pageStep();
    for (int value : {second, 0}) {
        bar->setValue(value);
        Paint(*grid);
        PaintWhenCome(*grid);
    }
    for (auto _ : state) {
        bar->setValue(bar->value() == 0 ? second : 0);
        Paint(*grid);
    }
    state.counters["tiles"] = TilesInView(*grid);
}
BENCHMARK(BM_ScrollFrameCached)->Unit(benchmark::kMillisecond)->Iterations(200);

void BM_JumpToLast(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        auto grid = OpenGrid(Shared().module, 1);
        Paint(*grid);
        state.ResumeTiming();
        QKeyEvent end(QEvent::KeyPress, Qt::Key_End, Qt::ControlModifier);
        QApplication::sendEvent(grid.get(), &end);
        Paint(*grid);
        state.PauseTiming();
        grid.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_JumpToLast)->Unit(benchmark::kMillisecond)->Iterations(10);

// A scroll that stops on a screenful whose entries the thumbnail cache holds
// and whose tiles are not kept decoded: from the stop to the last tile shown.
void BM_CachedScreenAfterStop(benchmark::State& state) {
    Fixture& f = Shared();
    const auto screen = [](viewer::GridView& grid, int page) {
        grid.verticalScrollBar()->setValue(page * grid.verticalScrollBar()->pageStep());
        Paint(grid);
    };
    {
        // The entries written once.
        auto grid = OpenGrid(f.module, 1, f.cache.path());
        screen(*grid, 1);
        PaintWhenCome(*grid);
    }
    for (auto _ : state) {
        state.PauseTiming();
        auto grid = OpenGrid(f.module, 1, f.cache.path());
        Paint(*grid);
        state.ResumeTiming();
        screen(*grid, 1);
        PaintWhenCome(*grid);
        state.PauseTiming();
        state.counters["tiles"] = TilesInView(*grid);
        grid->Tiles().WaitForDone();
        grid.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_CachedScreenAfterStop)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(10);

// A screenful of 24-megapixel JPEGs (one picture under many names), none
// of them in the thumbnail cache.
struct CameraFixture {
    static constexpr int kCount = 130;
    QTemporaryDir dir;
    QString album = dir.path() + "/database.mdb";
    QString picture = dir.filePath("originale.jpg");
    AnsweringDialogs dialogs;
    BenchPlatform platform{album};
    Module1 module{dialogs, platform};

    CameraFixture() {
        WritePhotoLikeJpeg(picture, 6000, 4000);
        std::vector<PhotoRow> rows;
        for (int i = 1; i <= kCount; ++i) {
            const QString name = PictureName(i);
            if (::link(QFile::encodeName(picture).constData(),
                       QFile::encodeName(dir.filePath(name)).constData()) != 0)
                QFile::copy(picture, dir.filePath(name));
            rows.push_back({i, "Foto " + QString::number(i), dir.path(), name});
        }
        WriteAlbum(album, rows);
        module.OpenAlbum();
    }
};

std::unique_ptr<CameraFixture> camera;
CameraFixture& Camera() {
    if (!camera) camera = std::make_unique<CameraFixture>();
    return *camera;
}

void BM_ColdScreenful24MP(benchmark::State& state) {
    CameraFixture& f = Camera();
    int tiles = 0;
    for (auto _ : state) {
        QTemporaryDir cache;
        auto grid = OpenGrid(f.module, 1, cache.path());
        Paint(*grid);
        PaintWhenCome(*grid);
        tiles = TilesInView(*grid);
        state.PauseTiming();
        grid.reset();
        state.ResumeTiming();
    }
    state.counters["tiles"] = tiles;
    state.counters["tiles_per_s_per_core"] =
        benchmark::Counter(double(tiles) / kWorkers, benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_ColdScreenful24MP)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(2);

// The plain way: the whole picture decoded, then scaled to the tile.
void BM_FullDecodeAndScale24MP(benchmark::State& state) {
    CameraFixture& f = Camera();
    for (auto _ : state) {
        QImageReader reader(f.picture);
        const QImage whole = reader.read();
        benchmark::DoNotOptimize(
            whole.scaled(256, 256, Qt::KeepAspectRatio, Qt::SmoothTransformation).constBits());
    }
    state.counters["tiles_per_s_per_core"] =
        benchmark::Counter(1, benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_FullDecodeAndScale24MP)->Unit(benchmark::kMillisecond)->Iterations(5);

// Every tenth screenful of the album painted in turn, from the first photo
// to the last, as the window's event loop would between frames: the caches
// are filled many times over, and must stay bounded.
void BM_MemoryAfterWholeAlbum(benchmark::State& state) {
    double extra = 0;
    int frames = 0;
    for (auto _ : state) {
        auto grid = OpenGrid(Shared().module, 1);
        Paint(*grid);
        const double before = ResidentMegabytes();
        QScrollBar* bar = grid->verticalScrollBar();
        while (bar->value() < bar->maximum()) {
            bar->setValue(bar->value() + 10 * bar->pageStep());
            Paint(*grid);
            QCoreApplication::processEvents();
            ++frames;
        }
        grid->Tiles().WaitForDone();
        extra = ResidentMegabytes() - before;
    }
    state.counters["frames"] = frames;
    state.counters["extra_resident_MB"] = extra;
}
BENCHMARK(BM_MemoryAfterWholeAlbum)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

int main(int argc, char** argv) {
    return RunWindowBenchmarks(argc, argv, [] {
        shared.reset();
        small.reset();
        camera.reset();
    });
}
