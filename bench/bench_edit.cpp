// Saving a corrected title on a 1,000,000-photo album, with the album's usual
// durability: one write transaction, committed to disk.
//
// The album is built once in $PICTORA_BENCH_DIR (else the usual temporary
// folder) and removed at the end; run with the folder on a real disk to count
// the disk's own fsync, on /dev/shm to see the store's share.

#include <SQLiteCpp/SQLiteCpp.h>
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "store/album_file.h"
#include "store/data_control.h"

namespace fs = std::filesystem;

namespace {

constexpr std::int64_t kPhotos = 1'000'000;

std::string AlbumPath() {
    const char* dir = std::getenv("PICTORA_BENCH_DIR");
    return ((dir ? fs::path(dir) : fs::temp_directory_path()) / "pictora_bench_edit.mdb").string();
}

void BuildAlbum(const std::string& path) {
    fs::remove(path);
    store::CreateAlbum(path);
    SQLite::Database db(path, SQLite::OPEN_READWRITE);
    SQLite::Transaction transaction(db);
    SQLite::Statement insert(
        db, "INSERT INTO datab (id, titolo, luogo, note, nome_file) VALUES (?, ?, ?, ?, ?)");
    for (std::int64_t id = 1; id <= kPhotos; ++id) {
        const std::string n = std::to_string(id);
        insert.bind(1, static_cast<int64_t>(id));
        insert.bind(2, "Foto " + n + " delle vacanze");
        insert.bind(3, "Riva del Garda");
        insert.bind(4, "Una giornata di sole; la foto numero " + n + " del rullino.");
        insert.bind(5, "foto" + n + ".jpg");
        insert.exec();
        insert.reset();
    }
    transaction.commit();
}

void BM_SaveTitle(benchmark::State& state) {
    const std::string path = AlbumPath();
    BuildAlbum(path);
    {
        store::DataControl data;
        data.DatabaseName = path;
        data.Refresh();
        data.Recordset().SeekId(store::Value(kPhotos / 2));
        bool flip = false;
        for (auto _ : state) {
            // A different text each time, so every save writes.
            flip = !flip;
            benchmark::DoNotOptimize(data.Recordset().UpdateField(
                store::Field::Title, flip ? "Città d'Alba" : "Città d'Alba, il duomo"));
        }
    }
    fs::remove(path);
}
BENCHMARK(BM_SaveTitle)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
