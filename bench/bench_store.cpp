// Store speed on a 10-row and a 1,000,000-row album: every operation should
// cost about the same on both, since each is one walk down the id index.
//
// The albums are built once per run in $PICTORA_BENCH_DIR (else the usual
// temporary folder) and removed at the end. Delete and insert commit to disk,
// so their figures are mostly the disk's fsync time: run once with the folder
// on a real disk and once on /dev/shm to see the store's own share.

#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <stdlib.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "store/album_file.h"
#include "store/data_control.h"

namespace fs = std::filesystem;

namespace {

constexpr const char* kInsertSql =
    "INSERT INTO datab (id, titolo, data_scatto, luogo, persone, note, nome_file, "
    "percorso_file) VALUES (?, ?, ?, ?, ?, ?, ?, ?)";

// A plausible row: about 150 bytes, like a real album's.
std::vector<store::Value> RowValues(std::int64_t id) {
    const std::string n = std::to_string(id);
    return {id,
            "Foto " + n + " delle vacanze",
            std::to_string(1 + id % 28) + "/" + std::to_string(1 + id % 12) + "/9" +
                std::to_string(id % 10),
            "Riva del Garda",
            "Marco, Giulia, Anna",
            "Una giornata di sole; la foto numero " + n + " del rullino.",
            "foto" + n + ".jpg",
            "/home/utente/Immagini/album"};
}

class Albums {
public:
    static Albums& Get() {
        static Albums albums;
        return albums;
    }

    // The album with `rows` rows, ids 1..rows, built on first use.
    const std::string& Path(std::int64_t rows) {
        auto it = paths_.find(rows);
        if (it != paths_.end()) return it->second;
        const std::string path = (folder_ / ("album" + std::to_string(rows) + ".mdb")).string();
        Build(path, rows);
        return paths_.emplace(rows, path).first->second;
    }

    ~Albums() {
        std::error_code ec;
        fs::remove_all(folder_, ec);
    }

private:
    Albums() {
        const char* chosen = std::getenv("PICTORA_BENCH_DIR");
        fs::path root = chosen && *chosen ? fs::path(chosen) : fs::temp_directory_path();
        std::string pattern = (root / "pictora-bench-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) {
            std::perror("mkdtemp");
            std::exit(1);
        }
        folder_ = pattern;
    }

    // One transaction of one prepared insert, through SQLite directly.
    static void Build(const std::string& path, std::int64_t rows) {
        const auto start = std::chrono::steady_clock::now();
        store::CreateAlbum(path);
        sqlite3* db = nullptr;
        sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr);
        sqlite3_exec(db, "PRAGMA cache_size = -65536; BEGIN", nullptr, nullptr, nullptr);
        sqlite3_stmt* insert = nullptr;
        sqlite3_prepare_v2(db, kInsertSql, -1, &insert, nullptr);
        for (std::int64_t id = 1; id <= rows; ++id) {
            const auto values = RowValues(id);
            sqlite3_bind_int64(insert, 1, id);
            for (int i = 1; i < 8; ++i) {
                const std::string& text = values[i].text();
                sqlite3_bind_text(insert, i + 1, text.data(), static_cast<int>(text.size()),
                                  SQLITE_TRANSIENT);
            }
            sqlite3_step(insert);
            sqlite3_reset(insert);
        }
        sqlite3_finalize(insert);
        const int rc = sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
        sqlite3_close(db);
        if (rc != SQLITE_OK) {
            std::fprintf(stderr, "impossibile costruire %s\n", path.c_str());
            std::exit(1);
        }
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        std::fprintf(stderr, "album di %lld righe: %.0f MB, costruito in %.1f s\n",
                     static_cast<long long>(rows), fs::file_size(path) / 1e6, seconds);
    }

    fs::path folder_;
    std::map<std::int64_t, std::string> paths_;
};

void Open(store::DataControl& data, std::int64_t rows) {
    data.DatabaseName = Albums::Get().Path(rows);
    data.RecordSource = store::kAlbumQuery;
    data.Refresh();
}

double Since(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void BM_Refresh(benchmark::State& state) {
    store::DataControl data;
    Open(data, state.range(0));
    for (auto _ : state) data.Refresh();
}

void BM_MoveFirst(benchmark::State& state) {
    store::DataControl data;
    Open(data, state.range(0));
    auto& rows = data.Recordset();
    for (auto _ : state) rows.MoveFirst();
}

void BM_MoveLast(benchmark::State& state) {
    store::DataControl data;
    Open(data, state.range(0));
    auto& rows = data.Recordset();
    for (auto _ : state) rows.MoveLast();
}

// From the middle on; the small album wraps round, untimed, at its end.
void BM_MoveNext(benchmark::State& state) {
    store::DataControl data;
    Open(data, state.range(0));
    auto& rows = data.Recordset();
    rows.SeekId(static_cast<double>(state.range(0) / 2));
    for (auto _ : state) {
        rows.MoveNext();
        if (rows.Eof()) {
            state.PauseTiming();
            rows.MoveFirst();
            state.ResumeTiming();
        }
    }
}

void BM_MovePrevious(benchmark::State& state) {
    store::DataControl data;
    Open(data, state.range(0));
    auto& rows = data.Recordset();
    rows.SeekId(static_cast<double>(state.range(0) / 2 + 1));
    for (auto _ : state) {
        rows.MovePrevious();
        if (rows.Bof()) {
            state.PauseTiming();
            rows.MoveLast();
            state.ResumeTiming();
        }
    }
}

// Deletes the middle row and reopens the album, as the delete command does;
// the row goes back in afterwards, untimed, so the album keeps its size.
void BM_DeleteThenRefresh(benchmark::State& state) {
    store::DataControl data;
    Open(data, state.range(0));
    const std::int64_t middle = state.range(0) / 2;
    const auto values = RowValues(middle);
    for (auto _ : state) {
        data.Recordset().SeekId(static_cast<double>(middle));
        const auto start = std::chrono::steady_clock::now();
        data.Recordset().Delete();
        data.Refresh();
        state.SetIterationTime(Since(start));
        data.Database().Execute(kInsertSql, values);
    }
}

// Adds a photo after the last, as the add-photo window does; it is taken out
// again, untimed.
void BM_Insert(benchmark::State& state) {
    store::DataControl data;
    Open(data, state.range(0));
    const std::int64_t id = state.range(0) + 1;
    const auto values = RowValues(id);
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        data.Database().Execute(kInsertSql, values);
        state.SetIterationTime(Since(start));
        data.Database().Execute("DELETE FROM datab WHERE id = ?", {id});
    }
}

constexpr std::int64_t kSmall = 10;
constexpr std::int64_t kLarge = 1'000'000;

BENCHMARK(BM_Refresh)->Arg(kSmall)->Arg(kLarge)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_MoveFirst)->Arg(kSmall)->Arg(kLarge)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_MoveNext)->Arg(kSmall)->Arg(kLarge)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_MovePrevious)->Arg(kSmall)->Arg(kLarge)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_MoveLast)->Arg(kSmall)->Arg(kLarge)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DeleteThenRefresh)
    ->Arg(kSmall)
    ->Arg(kLarge)
    ->UseManualTime()
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Insert)->Arg(kSmall)->Arg(kLarge)->UseManualTime()->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
