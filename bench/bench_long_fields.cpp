// A move between two photos whose fields hold long texts of several shapes,
// in each kind of field box: the one-line boxes (the title, the date), the
// multi-line ones (the people, the notes) and the file name, which the
// picture's path is built from. The shapes: one unbroken word; a million
// short lines ending in LF or in CR LF; 10 MB of lines broken every 80
// characters; 10 MB unbroken. The window is shown and painted after every
// move, so the figure is what a person waits for before the fields are on
// the screen. A move between photos of short fields is the yardstick.
#include <benchmark/benchmark.h>

#include "bench_support.h"

#include <QApplication>
#include <QTemporaryDir>
#include <map>
#include <memory>
#include <tuple>

#include "album_window/form1.h"
#include "album_window/show_photo.h"
#include "app/module1.h"
#include "pictures/picture_loader.h"
#include "support/albums.h"
#include "support/controls.h"

namespace {

enum Field { kShort, kTitolo, kDataScatto, kPersone, kNote, kNomeFile };
enum Shape { kWord, kShortLinesLf, kShortLinesCrLf, kLines80, kUnbroken };

constexpr long long kTenMb = 10'000'000;

// `length` characters of `shape` made of `letter`; for the short lines,
// `length` lines of a few letters.
QString Text(Shape shape, long long length, QChar letter) {
    if (shape == kWord || shape == kUnbroken) return QString(static_cast<qsizetype>(length), letter);
    if (shape == kShortLinesLf || shape == kShortLinesCrLf) {
        const QString line = QString(5, letter) + (shape == kShortLinesCrLf ? "\r\n" : "\n");
        return line.repeated(static_cast<qsizetype>(length));
    }
    const QString line = QString(79, letter) + "\n";
    return line.repeated(static_cast<qsizetype>(length / line.size()));
}

// Photos 1 and 2, each with a text of `shape` in `field` (a different letter
// on each photo, so every move changes the text), no picture to read.
struct Album {
    QTemporaryDir dir;
    QString path;

    Album(Field field, Shape shape, long long length) {
        path = dir.path() + "/database.mdb";
        std::vector<PhotoRow> rows;
        for (long long id : {1, 2}) {
            PhotoRow row{id, "Foto", dir.path() + "/manca", "foto.jpg"};
            const QString text = Text(shape, length, QChar(id == 1 ? 'a' : 'b'));
            if (field == kTitolo) row.titolo = text;
            if (field == kDataScatto) row.data_scatto = text;
            if (field == kPersone) row.persone = text;
            if (field == kNote) row.note = text;
            if (field == kNomeFile) row.file = text;
            rows.push_back(row);
        }
        WriteAlbum(path, rows);
    }
};

Album& AlbumOf(Field field, Shape shape, long long length) {
    static std::map<std::tuple<Field, Shape, long long>, std::unique_ptr<Album>> albums;
    auto& album = albums[{field, shape, length}];
    if (!album) album = std::make_unique<Album>(field, shape, length);
    return *album;
}

void BM_MoveBetweenLongFields(benchmark::State& state) {
    const auto field = static_cast<Field>(state.range(0));
    const auto shape = static_cast<Shape>(state.range(1));
    AnsweringDialogs dialogs;
    BenchPlatform platform(AlbumOf(field, shape, state.range(2)).path);
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
        // The neighbours' pictures asked for once the window is painted.
        QCoreApplication::sendPostedEvents();
    }
    if (dialogs.messages != 0) state.SkipWithError("a move found no photo");
}

void Shapes(benchmark::internal::Benchmark* bench) {
    bench->Args({kShort, kWord, 0})
        ->Args({kTitolo, kWord, 100'000})
        ->Args({kTitolo, kWord, 1'000'000})
        ->Args({kDataScatto, kWord, 1'000'000})
        ->Args({kPersone, kWord, 100'000})
        ->Args({kPersone, kWord, 1'000'000})
        ->Args({kNote, kWord, 1'000'000});
    for (const Field field : {kNote, kPersone, kTitolo, kNomeFile}) {
        bench->Args({field, kShortLinesLf, 1'000'000})
            ->Args({field, kShortLinesCrLf, 1'000'000})
            ->Args({field, kLines80, kTenMb})
            ->Args({field, kUnbroken, kTenMb});
    }
}
BENCHMARK(BM_MoveBetweenLongFields)
    ->ArgNames({"field", "shape", "length"})
    ->Apply(Shapes)
    ->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    return RunWindowBenchmarks(argc, argv);
}
