// An Access-format album of 100,000 photos against a native album of the
// same rows: opening it (the first time a conversion by pictora-album, then
// the cached copy) and stepping through it.
//
// The albums are made in a temporary folder at each run (PICTORA_BENCH_DIR
// chooses where), the Access-format one by the tests' writer.

#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <unistd.h>

#include <SQLiteCpp/SQLiteCpp.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "store/access_engine.h"
#include "store/album.h"
#include "store/album_file.h"

namespace fs = std::filesystem;

namespace {

constexpr int kPhotos = 100'000;

// The two albums, made once for the whole run.
struct Albums {
    std::string folder;
    std::string access;  // Jet 4
    std::string native;
    std::string cache;

    Albums() {
        const char* where = std::getenv("PICTORA_BENCH_DIR");
        std::string pattern =
            (fs::path(where ? where : fs::temp_directory_path().string()) / "pictora-bench-XXXXXX")
                .string();
        if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp");
        folder = pattern;
        access = folder + "/database.mdb";
        native = folder + "/nativo.mdb";
        cache = folder + "/cache";

        // Texts of the lengths a real album has, with accents.
        const std::string rows = folder + "/righe.tsv";
        {
            std::ofstream out(rows);
            for (int i = 1; i <= kPhotos; ++i) {
                out << i << "\tFoto numero " << i << " della gita in città\t" << (i % 28 + 1) << "/"
                    << (i % 12 + 1) << "/99\tCittà di Castello\t"
                    << "Marco, Giulia e Niccolò\tLuce dorata dopo il temporale; è la " << i
                    << "ª foto.\tfoto" << i << ".jpg\t\\Foto\\" << (i / 1000) << "\n";
            }
        }
        const std::string write =
            std::string(WRITE_ACCESS_ALBUM) + " --jet4 '" + access + "' '" + rows + "'";
        if (std::system(write.c_str()) != 0) throw std::runtime_error("write-access-album");

        store::CreateAlbum(native);
        SQLite::Database db(native, SQLite::OPEN_READWRITE);
        SQLite::Transaction transaction(db);
        SQLite::Statement insert(db, "INSERT INTO datab VALUES (?, ?, ?, ?, ?, ?, ?, ?)");
        std::ifstream in(rows);
        for (std::string line; std::getline(in, line);) {
            std::size_t from = 0;
            for (int column = 1; column <= 8; ++column) {
                const std::size_t tab = line.find('\t', from);
                std::string field = line.substr(from, tab - from);
                if (column == 1) {
                    insert.bind(1, static_cast<int64_t>(std::stoll(field)));
                } else {
                    insert.bind(column, field);
                }
                from = tab + 1;
            }
            insert.exec();
            insert.reset();
        }
        transaction.commit();
    }
    ~Albums() {
        std::error_code ec;
        fs::remove_all(folder, ec);
    }

    std::unique_ptr<store::Engine> Engine() const {
        return store::MakeAlbumEngine({cache, PICTORA_ALBUM_TOOL, {}});
    }
};

const Albums& TheAlbums() {
    static const Albums albums;
    return albums;
}

// The first opening: pictora-album reads the whole file into a new copy.
void BM_AccessFirstOpen(benchmark::State& state) {
    const Albums& albums = TheAlbums();
    auto engine = albums.Engine();
    for (auto _ : state) {
        state.PauseTiming();
        std::error_code ec;
        fs::remove_all(albums.cache, ec);
        state.ResumeTiming();
        benchmark::DoNotOptimize(engine->Open(albums.access, true));
    }
}

// Every later opening, as at each activation of the album window.
void BM_AccessReopen(benchmark::State& state) {
    const Albums& albums = TheAlbums();
    auto engine = albums.Engine();
    engine->Open(albums.access, true);
    for (auto _ : state) benchmark::DoNotOptimize(engine->Open(albums.access, true));
}

void BM_NativeOpen(benchmark::State& state) {
    const Albums& albums = TheAlbums();
    auto engine = albums.Engine();
    for (auto _ : state) benchmark::DoNotOptimize(engine->Open(albums.native, true));
}

// One step forward through the album, from the first photo to the last and
// round again; state.range(0) picks the album (0 Access-format, 1 native).
void BM_MoveNext(benchmark::State& state) {
    const Albums& albums = TheAlbums();
    auto engine = albums.Engine();
    auto album = engine->Open(state.range(0) == 0 ? albums.access : albums.native, true);
    auto cursor = album->OpenCursor();
    for (auto _ : state) {
        cursor->MoveNext();
        if (cursor->Eof()) cursor->MoveFirst();
        benchmark::DoNotOptimize(cursor->Current());
    }
    state.SetLabel(state.range(0) == 0 ? "Access" : "native");
}

void BM_MoveLastThenFirst(benchmark::State& state) {
    const Albums& albums = TheAlbums();
    auto engine = albums.Engine();
    auto album = engine->Open(state.range(0) == 0 ? albums.access : albums.native, true);
    auto cursor = album->OpenCursor();
    for (auto _ : state) {
        cursor->MoveLast();
        cursor->MoveFirst();
        benchmark::DoNotOptimize(cursor->Current());
    }
    state.SetLabel(state.range(0) == 0 ? "Access" : "native");
}

// The conversion runs in another process: what counts is the time waited.
BENCHMARK(BM_AccessFirstOpen)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();
BENCHMARK(BM_AccessReopen)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(BM_NativeOpen)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(BM_MoveNext)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_MoveLastThenFirst)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
