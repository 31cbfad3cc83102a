// Every album command on an album another program holds locked: for writing
// (BEGIN IMMEDIATE, others may still read) or wholly (BEGIN EXCLUSIVE). The
// time is the whole command; "told_s" is when the first message box opened
// (0 when none did). Each command runs once: it waits on the lock, so there is
// nothing to average.
#include <benchmark/benchmark.h>

#include "bench_support.h"

#include <SQLiteCpp/SQLiteCpp.h>
#include <QTemporaryDir>
#include <chrono>
#include <optional>

#include "album_window/form1.h"
#include "album_window/show_photo.h"
#include "app/module1.h"
#include "pictures/picture_loader.h"
#include "support/albums.h"

namespace {

using Clock = std::chrono::steady_clock;

enum Command { kOpen, kNext, kJump, kDelete, kAdd };
const char* const kLocks[] = {"BEGIN IMMEDIATE", "BEGIN EXCLUSIVE"};

// Answers every question Yes, the album prompt with an album nobody locks,
// the jump with 2; notes when the first message opened.
class TimingDialogs : public Dialogs {
public:
    void Message(const QString&) override {
        if (!told) told = Clock::now();
    }
    bool Question(const QString&) override { return true; }
    QString Input(const QString& prompt, const QString& = QString()) override {
        return prompt.startsWith("Attenzione") ? freeAlbum : QString("2");
    }
    QString Folder(const QString&, const QString&) override { return {}; }

    QString freeAlbum;
    std::optional<Clock::time_point> told;
};

void BM_LockedAlbum(benchmark::State& state) {
    const auto command = static_cast<Command>(state.range(0));
    QTemporaryDir dir;
    const QString album = dir.path() + "/database.mdb";
    std::vector<PhotoRow> rows;
    for (long long id : {1, 2, 3}) rows.push_back({id, "Foto", dir.path(), "manca.jpg"});
    WriteAlbum(album, rows);
    TimingDialogs dialogs;
    dialogs.freeAlbum = dir.path() + "/libero.mdb";
    WriteAlbum(dialogs.freeAlbum, rows);
    BenchPlatform platform(album);
    Module1 module{dialogs, platform};
    pictures::PictureLoader loader{PhotoFrameSize(1), 1};
    Form1 form{module, loader};
    module.OpenAlbum();
    module.PickFile(dir.path(), "nuova.jpg");

    SQLite::Database other(album.toStdString(), SQLite::OPEN_READWRITE);
    other.exec(kLocks[state.range(1)]);
    double told = 0;
    for (auto _ : state) {
        const auto start = Clock::now();
        switch (command) {
            case kOpen:
                module.OpenAlbum();
                break;
            case kNext:
                module.MoveNext();
                break;
            case kJump:
                module.JumpToPhoto();
                break;
            case kDelete:
                module.DeleteCurrentPhoto();
                break;
            case kAdd:
                module.AddPhotoRecord();
                break;
        }
        if (dialogs.told) told = std::chrono::duration<double>(*dialogs.told - start).count();
    }
    state.counters["told_s"] = told;
}
BENCHMARK(BM_LockedAlbum)
    ->ArgNames({"command", "exclusive"})
    ->ArgsProduct({{kOpen, kNext, kJump, kDelete, kAdd}, {0, 1}})
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    return RunWindowBenchmarks(argc, argv);
}
