// A move between two photos whose fields hold one unbroken word of 100,000 or
// 1,000,000 characters, in each kind of field box: the one-line boxes (the
// title, the date) and the multi-line ones (the people, the notes). The
// window is shown and painted after every move, so the figure is what a
// person waits for before the fields are on the screen. A move between photos
// of short fields is the yardstick.
#include <benchmark/benchmark.h>

#include "bench_support.h"

#include <QApplication>
#include <QTemporaryDir>
#include <map>
#include <memory>

#include "album_window/form1.h"
#include "album_window/show_photo.h"
#include "app/module1.h"
#include "pictures/picture_loader.h"
#include "support/albums.h"
#include "support/controls.h"

namespace {

enum Field { kShort, kTitolo, kDataScatto, kPersone, kNote };

// Photos 1 and 2, each with `length` letters in `field` (a different letter
// on each photo, so every move changes the text), no picture to read.
struct Album {
    QTemporaryDir dir;
    QString path;

    Album(Field field, long long length) {
        path = dir.path() + "/database.mdb";
        std::vector<PhotoRow> rows;
        for (long long id : {1, 2}) {
            PhotoRow row{id, "Foto", dir.path() + "/manca", "foto.jpg"};
            const QString word(static_cast<qsizetype>(length), QChar(id == 1 ? 'a' : 'b'));
            if (field == kTitolo) row.titolo = word;
            if (field == kDataScatto) row.data_scatto = word;
            if (field == kPersone) row.persone = word;
            if (field == kNote) row.note = word;
            rows.push_back(row);
        }
        WriteAlbum(path, rows);
    }
};

Album& AlbumOf(Field field, long long length) {
    static std::map<std::pair<Field, long long>, std::unique_ptr<Album>> albums;
    auto& album = albums[{field, length}];
    if (!album) album = std::make_unique<Album>(field, length);
    return *album;
}

void BM_MoveBetweenLongFields(benchmark::State& state) {
    const auto field = static_cast<Field>(state.range(0));
    AnsweringDialogs dialogs;
    BenchPlatform platform(AlbumOf(field, state.range(1)).path);
    Module1 module{dialogs, platform};
    pictures::PictureLoader loader{PhotoFrameSize(1), 1};
    Form1 form{module, loader};
    form.show();
    module.OpenAlbum();
    form.repaint();

    bool onFirst = true;
    for (auto _ : state) {
        if (onFirst) {
            Click(form, "Image5");  // Next
        } else {
            Click(form, "Image8");  // Previous
        }
        onFirst = !onFirst;
        form.repaint();
    }
    if (dialogs.messages != 0) state.SkipWithError("a move found no photo");
}
BENCHMARK(BM_MoveBetweenLongFields)
    ->ArgNames({"field", "length"})
    ->Args({kShort, 0})
    ->Args({kTitolo, 100'000})
    ->Args({kTitolo, 1'000'000})
    ->Args({kDataScatto, 1'000'000})
    ->Args({kPersone, 100'000})
    ->Args({kPersone, 1'000'000})
    ->Args({kNote, 1'000'000})
    ->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    return RunWindowBenchmarks(argc, argv);
}
