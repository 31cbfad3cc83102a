// A move between two photos whose fields hold long texts of several shapes,
// in each kind of field box: the one-line boxes (the title, the date), the
// multi-line ones (the people, the notes) and the file name, which the
// picture's path is built from. The shapes: one unbroken word; a million
// short lines ending in LF or in CR LF; 10 MB of lines broken every 80
// characters; 10 MB unbroken. A move between photos of short fields is the
// yardstick.
//
// painted:1 is what a person waits for: from the click until the window has
// painted the field through its own event loop and the display server holds
// the pixels. Run it on an X server (xvfb-run -a -s "-screen 0 1280x1024x24"
// bench_long_fields): with DISPLAY set the window is a real X window,
// otherwise it is offscreen. painted:0 is the click and a forced repaint of
// the window, without waiting for the display.
#include <benchmark/benchmark.h>

#include "bench_support.h"

#include <QAbstractScrollArea>
#include <QApplication>
#include <QElapsedTimer>
#include <QScreen>
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
    if (shape == kWord || shape == kUnbroken)
        return QString(static_cast<qsizetype>(length), letter);
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

// Counts the paint events a widget gets.
class PaintCount : public QObject {
public:
    explicit PaintCount(QWidget& widget) { widget.installEventFilter(this); }
    int count = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) ++count;
        return false;
    }
};

// The widget that shows `field`: the box, or for a multi-line box its view;
// the file name is seen in the frame's notice (the picture is missing).
QWidget& ShownIn(Form1& form, Field field) {
    switch (field) {
        case kShort:
            return Control(form, "Text1");
        case kTitolo:
            return Control(form, "Text2");
        case kDataScatto:
            return Control(form, "Text3");
        case kPersone:
            return *Control<QAbstractScrollArea>(form, "Text5").viewport();
        case kNote:
            return *Control<QAbstractScrollArea>(form, "Text6").viewport();
        case kNomeFile:
            return Control(form, "PictureNoticeLabel");
    }
    return form;
}

// Runs the window's events until `paints` has grown past `before`, then
// asks the display server for one of the window's pixels: it answers only
// once every drawing sent before the question is done, so the new fields
// are on the screen. False after 60 s without the paint.
bool PaintedOnScreen(Form1& form, const PaintCount& paints, int before) {
    QElapsedTimer waited;
    waited.start();
    while (paints.count == before) {
        if (waited.elapsed() > 60'000) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    }
    form.screen()->grabWindow(form.winId(), 0, 0, 1, 1);
    return true;
}

// With `painted` (1), the step runs from the click until the new fields are
// on the screen, through the window's own painting as a person sees it;
// without (0), it is the click and a forced repaint of the window alone.
void BM_MoveBetweenLongFields(benchmark::State& state) {
    const auto field = static_cast<Field>(state.range(0));
    const auto shape = static_cast<Shape>(state.range(1));
    const bool painted = state.range(3) != 0;
    AnsweringDialogs dialogs;
    BenchPlatform platform(AlbumOf(field, shape, state.range(2)).path);
    Module1 module{dialogs, platform};
    pictures::PictureLoader loader{PhotoFrameSize(1), 1};
    Form1 form{module, loader};
    form.show();
    module.OpenAlbum();
    const PaintCount paints(ShownIn(form, field));
    form.repaint();
    if (!PaintedOnScreen(form, paints, 0)) state.SkipWithError("the window never painted");

    bool onFirst = true;
    for (auto _ : state) {
        const int before = paints.count;
        Click(form, onFirst ? "Image5" : "Image8");  // Next, Previous
        onFirst = !onFirst;
        if (painted) {
            if (!PaintedOnScreen(form, paints, before)) state.SkipWithError("a step never painted");
        } else {
            form.repaint();
            // The neighbours' pictures asked for once the window is painted.
            QCoreApplication::sendPostedEvents();
        }
    }
    if (dialogs.messages != 0) state.SkipWithError("a move found no photo");
}

void Shapes(benchmark::internal::Benchmark* bench) {
    for (const long long painted : {0, 1}) {
        bench->Args({kShort, kWord, 0, painted})
            ->Args({kTitolo, kWord, 100'000, painted})
            ->Args({kTitolo, kWord, 1'000'000, painted})
            ->Args({kDataScatto, kWord, 1'000'000, painted})
            ->Args({kPersone, kWord, 100'000, painted})
            ->Args({kPersone, kWord, 1'000'000, painted})
            ->Args({kNote, kWord, 300'000, painted})
            ->Args({kNote, kWord, 1'000'000, painted});
        for (const Field field : {kNote, kPersone, kTitolo, kNomeFile}) {
            bench->Args({field, kShortLinesLf, 1'000'000, painted})
                ->Args({field, kShortLinesCrLf, 1'000'000, painted})
                ->Args({field, kLines80, kTenMb, painted})
                ->Args({field, kUnbroken, kTenMb, painted});
        }
    }
}
BENCHMARK(BM_MoveBetweenLongFields)
    ->ArgNames({"field", "shape", "length", "painted"})
    ->Apply(Shapes)
    ->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    return RunWindowBenchmarks(argc, argv, {}, true);
}
