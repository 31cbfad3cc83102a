// The album commands on an album of 10 and of 1,000,000 photos: the jump from
// the answer typed to the photo shown, and next, last and first with the
// photo shown. Every row names the same ordinary photo, so the figures are
// those a person waits for.
#include <benchmark/benchmark.h>

#include "bench_support.h"

#include <QApplication>
#include <QTemporaryDir>
#include <map>
#include <memory>

#include "album_window/form1.h"
#include "album_window/show_photo.h"
#include "app/dialogs.h"
#include "app/module1.h"
#include "app/platform.h"
#include "pictures/picture_loader.h"
#include "support/albums.h"
#include "support/controls.h"
#include "support/module1_probe.h"

namespace {

// A folder with one 1024 x 768 photo and an album of `photos` rows, ids 1 to
// `photos`, all naming it, or, without `pictures`, all naming a missing file,
// which leaves only the album's own work to time. Written once per kind.
struct Album {
    QTemporaryDir dir;
    QString path;

    Album(long long photos, bool pictures) {
        WritePhotoLikeJpeg(dir.path() + "/foto.jpg", 1024, 768, false, 0);
        path = dir.path() + "/database.mdb";
        const QString folder = dir.path() + (pictures ? "" : "/manca");
        WriteAlbum(path, photos, [&folder](long long i) {
            return PhotoRow{i, "Foto " + QString::number(i), folder, "foto.jpg"};
        });
    }
};

Album& AlbumOf(long long photos, bool pictures) {
    static std::map<std::pair<long long, bool>, std::unique_ptr<Album>> albums;
    auto& album = albums[{photos, pictures}];
    if (!album) album = std::make_unique<Album>(photos, pictures);
    return *album;
}

// The album window open on an album of state.range(0) photos, with pictures
// unless state.range(1) is 0.
struct Window {
    AnsweringDialogs dialogs;
    BenchPlatform platform;
    Module1 module{dialogs, platform};
    pictures::PictureLoader loader{PhotoFrameSize(1), 1};
    Form1 form{module, loader};

    explicit Window(const benchmark::State& state)
        : platform(AlbumOf(state.range(0), state.range(1) != 0).path) {
        module.OpenAlbum();
    }
};

void BM_Jump(benchmark::State& state) {
    const long long photos = state.range(0);
    Window w(state);
    // Numbers spread over the whole album, first, middle and last included.
    const QString answers[] = {QString::number(photos), "1", QString::number(photos / 2 + 1),
                               QString::number(photos * 3 / 4 + 1)};
    std::size_t i = 0;
    for (auto _ : state) {
        w.dialogs.answer = answers[i++ % std::size(answers)];
        Click(w.form, "Image4");
        benchmark::DoNotOptimize(Control<Picture>(w.form, "Image1").GetPicture().constBits());
    }
    if (w.dialogs.messages != 0) state.SkipWithError("a jump found no photo");
}
BENCHMARK(BM_Jump)
    ->ArgNames({"photos", "pictures"})
    ->Args({10, 1})
    ->Args({1'000'000, 1})
    ->Args({10, 0})
    ->Args({1'000'000, 0})
    ->Unit(benchmark::kMicrosecond);

void BM_Next(benchmark::State& state) {
    Window w(state);
    Module1Probe::Data1(w.module).Recordset().SeekId(
        store::Value(static_cast<std::int64_t>(state.range(0) / 2)));
    for (auto _ : state) {
        Click(w.form, "Image5");
        benchmark::DoNotOptimize(Control<Picture>(w.form, "Image1").GetPicture().constBits());
    }
}
BENCHMARK(BM_Next)
    ->ArgNames({"photos", "pictures"})
    ->Args({1'000'000, 1})
    ->Args({1'000'000, 0})
    ->Unit(benchmark::kMicrosecond);

void BM_Last(benchmark::State& state) {
    Window w(state);
    for (auto _ : state) {
        Click(w.form, "Image10");
        benchmark::DoNotOptimize(Control<Picture>(w.form, "Image1").GetPicture().constBits());
    }
}
BENCHMARK(BM_Last)
    ->ArgNames({"photos", "pictures"})
    ->Args({1'000'000, 1})
    ->Args({1'000'000, 0})
    ->Unit(benchmark::kMicrosecond);

void BM_First(benchmark::State& state) {
    Window w(state);
    Click(w.form, "Image10");
    for (auto _ : state) {
        Click(w.form, "Image9");
        benchmark::DoNotOptimize(Control<Picture>(w.form, "Image1").GetPicture().constBits());
    }
}
BENCHMARK(BM_First)
    ->ArgNames({"photos", "pictures"})
    ->Args({1'000'000, 1})
    ->Args({1'000'000, 0})
    ->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
    return RunWindowBenchmarks(argc, argv);
}
