// The photo list of an album of a million photos: from the click that opens
// it to its first screen of entries drawn, and jumps of its scroll bar.
#include <benchmark/benchmark.h>

#include "bench_support.h"

#include <QApplication>
#include <QPixmap>
#include <QScrollBar>
#include <QTemporaryDir>
#include <memory>

#include "album_window/form1.h"
#include "album_window/show_photo.h"
#include "app/dialogs.h"
#include "app/module1.h"
#include "app/platform.h"
#include "photo_list/form3.h"
#include "pictures/picture_loader.h"
#include "store/photo_index.h"
#include "support/albums.h"
#include "support/controls.h"
#include "support/form1_probe.h"

namespace {

constexpr int kPhotos = 1'000'000;

// An album of a million photos with titles and folders of a realistic length,
// and the album window open on it.
struct Fixture {
    QTemporaryDir dir;
    QString album = dir.path() + "/database.mdb";
    AnsweringDialogs dialogs;
    BenchPlatform platform{album};
    Module1 module{dialogs, platform};
    pictures::PictureLoader loader{PhotoFrameSize(1), 1};
    Form1 form{module, loader};

    Fixture() {
        WriteAlbum(album, kPhotos, [](long long i) {
            return PhotoRow{i,
                            "Tramonto a Cefalù n. " + QString::number(i),
                            "/home/anna/Immagini/Vacanze 2003",
                            QString("foto%1.jpg").arg(i),
                            "12/08/03",
                            "Cefalù",
                            "Anna, Marco e Lucia",
                            "Una giornata di sole"};
        });
        module.OpenAlbum();
    }

    Form3& List() { return *Form1Probe::PhotoList(form); }
    // Draws the list as the screen would, which reads the entries it shows.
    void Draw() { benchmark::DoNotOptimize(List().grab().cacheKey()); }
    void CloseList() {
        if (Form1Probe::PhotoList(form)) {
            Form1Probe::PhotoList(form)->close();
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        }
    }
};

// Made on first use, and done with before the application ends.
std::unique_ptr<Fixture> shared;
Fixture& Shared() {
    if (!shared) shared = std::make_unique<Fixture>();
    return *shared;
}

// The list not loaded yet: the click makes the window, counts the photos,
// reads the first block and draws the first screen.
void BM_OpenList(benchmark::State& state) {
    Fixture& f = Shared();
    for (auto _ : state) {
        state.PauseTiming();
        f.CloseList();
        state.ResumeTiming();
        Click(f.form, "Image1");
        f.Draw();
    }
    state.counters["entries"] = Control<QListView>(f.List(), "List1").model()->rowCount();
}
BENCHMARK(BM_OpenList)->Unit(benchmark::kMillisecond);

// The list already loaded: a second click fills it afresh.
void BM_ReopenList(benchmark::State& state) {
    Fixture& f = Shared();
    Click(f.form, "Image1");
    for (auto _ : state) {
        Click(f.form, "Label3");
        f.Draw();
    }
}
BENCHMARK(BM_ReopenList)->Unit(benchmark::kMillisecond);

// The scroll bar dragged at once to a fraction of the list, on a list just
// opened (nothing read there yet).
void ScrollTo(benchmark::State& state, double fraction) {
    Fixture& f = Shared();
    for (auto _ : state) {
        state.PauseTiming();
        Click(f.form, "Image1");
        // A fresh list keeps the place it was scrolled to: start at the top.
        Control<QListView>(f.List(), "List1").scrollToTop();
        f.Draw();
        QScrollBar* bar = Control<QListView>(f.List(), "List1").verticalScrollBar();
        const int target = static_cast<int>(bar->maximum() * fraction);
        state.ResumeTiming();
        bar->setValue(target);
        f.Draw();
    }
    // Where the list stands, to show the scroll took place.
    QListView* list = &Control<QListView>(f.List(), "List1");
    state.counters["top_row"] = list->indexAt(QPoint(2, 2)).row();
    state.counters["top_entry_read"] = list->indexAt(QPoint(2, 2)).data().isValid();
}
void BM_ScrollToMiddle(benchmark::State& state) {
    ScrollTo(state, 0.5);
}
void BM_ScrollToEnd(benchmark::State& state) {
    ScrollTo(state, 1.0);
}
void BM_ScrollToThreeQuarters(benchmark::State& state) {
    ScrollTo(state, 0.75);
}
BENCHMARK(BM_ScrollToMiddle)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ScrollToThreeQuarters)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ScrollToEnd)->Unit(benchmark::kMillisecond);

// Scrolling on page by page from the middle, as with the mouse wheel held.
void BM_PageDown(benchmark::State& state) {
    Fixture& f = Shared();
    Click(f.form, "Image1");
    QScrollBar* bar = Control<QListView>(f.List(), "List1").verticalScrollBar();
    bar->setValue(bar->maximum() / 2);
    f.Draw();
    for (auto _ : state) {
        bar->setValue(bar->value() + bar->pageStep());
        f.Draw();
    }
}
BENCHMARK(BM_PageDown)->Unit(benchmark::kMicrosecond);

// The reader alone: opening (with the count) and the first screen of rows.
void BM_PhotoIndexOpen(benchmark::State& state) {
    Fixture& f = Shared();
    for (auto _ : state) {
        auto index = store::OpenPhotoIndex(f.album.toStdString());
        for (int row = 0; row < 10; ++row) benchmark::DoNotOptimize(index->At(row));
    }
}
BENCHMARK(BM_PhotoIndexOpen)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    return RunWindowBenchmarks(argc, argv, [] { shared.reset(); });
}
