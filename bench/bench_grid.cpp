// The grid of thumbnails over a million photos at 3840 x 2160 with 256-pixel
// tiles (offscreen): opening it on a photo in the middle, one frame of a
// scroll with no thumbnail made yet, a jump to the last photo, and the memory
// taken after scrolling through the whole album.
#include <benchmark/benchmark.h>

#include "bench_support.h"

#include <unistd.h>
#include <QKeyEvent>
#include <QScrollBar>
#include <QTemporaryDir>
#include <fstream>
#include <memory>

#include "app/module1.h"
#include "support/albums.h"
#include "viewer/grid_view.h"
#include "resident_memory.h"

namespace {

constexpr int kPhotos = 1'000'000;

// A million photos whose pictures are not there: every tile is made, and
// fails, off the window's thread, so a frame's cost is the window's alone.
struct Fixture {
    QTemporaryDir dir;
    QString album = dir.path() + "/database.mdb";
    AnsweringDialogs dialogs;
    BenchPlatform platform{album};
    Module1 module{dialogs, platform};

    Fixture() {
        WriteAlbum(album, kPhotos, [this](long long i) {
            return PhotoRow{i, "Tramonto a Cefalù n. " + QString::number(i), dir.path(),
                            QString("foto%1.jpg").arg(i)};
        });
        module.OpenAlbum();
    }

    std::unique_ptr<viewer::GridView> Open(long long id) {
        auto grid = std::make_unique<viewer::GridView>(module);
        grid->resize(3840, 2160);
        grid->Open(store::Value(static_cast<std::int64_t>(id)));
        return grid;
    }
};

std::unique_ptr<Fixture> shared;
Fixture& Shared() {
    if (!shared) shared = std::make_unique<Fixture>();
    return *shared;
}

// Paints the grid as the screen would, which asks for the tiles in view.
void Paint(viewer::GridView& grid) {
    benchmark::DoNotOptimize(grid.viewport()->grab().cacheKey());
}

void BM_OpenGrid(benchmark::State& state) {
    Fixture& f = Shared();
    for (auto _ : state) {
        auto grid = f.Open(kPhotos / 2);
        Paint(*grid);
        state.PauseTiming();
        grid.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_OpenGrid)->Unit(benchmark::kMillisecond)->Iterations(5);

// A screenful further each frame: every tile new, none made.
void BM_ScrollFrameCold(benchmark::State& state) {
    auto grid = Shared().Open(1);
    Paint(*grid);
    QScrollBar* bar = grid->verticalScrollBar();
    for (auto _ : state) {
        bar->setValue(bar->value() + bar->pageStep());
        Paint(*grid);
    }
    state.counters["tiles"] = grid->RowsInView().second - grid->RowsInView().first + 1;
}
BENCHMARK(BM_ScrollFrameCold)->Unit(benchmark::kMillisecond)->Iterations(200);

void BM_JumpToLast(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        auto grid = Shared().Open(1);
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
BENCHMARK(BM_JumpToLast)->Unit(benchmark::kMillisecond)->Iterations(5);

// Every tenth screenful of the album painted in turn, from the first photo
// to the last: the caches are filled many times over, and must stay bounded.
void BM_MemoryAfterWholeAlbum(benchmark::State& state) {
    double extra = 0;
    int frames = 0;
    for (auto _ : state) {
        auto grid = Shared().Open(1);
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
    return RunWindowBenchmarks(argc, argv, [] { shared.reset(); });
}
