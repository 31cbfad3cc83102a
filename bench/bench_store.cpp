// Store speed on a 10-row and a 1,000,000-row album: every operation should
// cost about the same on both, since each is one walk down the id index.
//
// The albums are built once per run in $PICTORA_BENCH_DIR (else the usual
// temporary folder) and removed at the end. Delete and insert commit to disk,
// so their figures are mostly the disk's fsync time: run once with the folder
// on a real disk and once on /dev/shm to see the store's own share.

#include <SQLiteCpp/SQLiteCpp.h>
#include <benchmark/benchmark.h>
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

const std::string kInsertSql = std::string("INSERT INTO datab (") + store::kAlbumColumnList +
                               ") VALUES (?, ?, ?, ?, ?, ?, ?, ?)";

// A plausible photo: about 150 bytes, like a real album's.
store::PhotoTexts Texts(std::int64_t id) {
    const std::string n = std::to_string(id);
    return {"Foto " + n + " delle vacanze",
            std::to_string(1 + id % 28) + "/" + std::to_string(1 + id % 12) + "/9" +
                std::to_string(id % 10),
            "Riva del Garda",
            "Marco, Giulia, Anna",
            "Una giornata di sole; la foto numero " + n + " del rullino.",
            "foto" + n + ".jpg",
            "/home/utente/Immagini/album"};
}

// Writes photo `id` as another program would, numbered as it likes.
void PutBack(SQLite::Database& db, std::int64_t id) {
    const store::PhotoTexts t = Texts(id);
    SQLite::Statement insert(db, kInsertSql);
    insert.bind(1, static_cast<int64_t>(id));
    int column = 2;
    for (const std::string* text : {&t.titolo, &t.data_scatto, &t.luogo, &t.persone, &t.note,
                                    &t.nome_file, &t.percorso_file}) {
        insert.bind(column++, *text);
    }
    insert.exec();
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
        try {
            SQLite::Database db(path, SQLite::OPEN_READWRITE);
            db.exec("PRAGMA cache_size = -65536");
            SQLite::Transaction transaction(db);
            SQLite::Statement insert(db, kInsertSql);
            for (std::int64_t id = 1; id <= rows; ++id) {
                const store::PhotoTexts t = Texts(id);
                insert.bind(1, static_cast<int64_t>(id));
                int column = 2;
                for (const std::string* text : {&t.titolo, &t.data_scatto, &t.luogo, &t.persone,
                                                &t.note, &t.nome_file, &t.percorso_file}) {
                    insert.bind(column++, *text);
                }
                insert.exec();
                insert.reset();
            }
            transaction.commit();
        } catch (const SQLite::Exception& e) {
            std::fprintf(stderr, "impossibile costruire %s: %s\n", path.c_str(), e.what());
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
    rows.SeekId(store::Value(state.range(0) / 2));
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
    rows.SeekId(store::Value(state.range(0) / 2 + 1));
    for (auto _ : state) {
        rows.MovePrevious();
        if (rows.Bof()) {
            state.PauseTiming();
            rows.MoveLast();
            state.ResumeTiming();
        }
    }
}

// Deletes the middle photo and reopens the album, as the delete command does;
// the photo goes back in afterwards, untimed, so the album keeps its size.
void BM_DeleteThenRefresh(benchmark::State& state) {
    store::DataControl data;
    Open(data, state.range(0));
    SQLite::Database other(data.DatabaseName, SQLite::OPEN_READWRITE);
    const std::int64_t middle = state.range(0) / 2;
    for (auto _ : state) {
        data.Recordset().SeekId(store::Value(middle));
        const auto start = std::chrono::steady_clock::now();
        data.Recordset().Delete();
        data.Refresh();
        state.SetIterationTime(Since(start));
        PutBack(other, middle);
    }
}

// Adds a photo after the last, as the add-photo window does; it is taken out
// again, untimed.
void BM_Insert(benchmark::State& state) {
    store::DataControl data;
    Open(data, state.range(0));
    const auto texts = Texts(state.range(0) + 1);
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        data.InsertPhoto(texts);
        state.SetIterationTime(Since(start));
        data.Recordset().MoveLast();
        data.Recordset().Delete();
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
