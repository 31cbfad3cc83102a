// Finding photos by their words on a 1,000,000-photo album with Italian
// captions: the first build of the word index, checking that an index is
// current, a keystroke's answer (the count and the first screenful) for one,
// two and three words both common and rare, the memory of a list of a million
// photos found, and keeping the index up to date after an addition and a
// deletion; beside them, the same answers by a plain LIKE scan of the album.
//
// The album and its index are made in $PICTORA_BENCH_DIR (else the usual
// temporary folder) and removed at the end.

#include <SQLiteCpp/SQLiteCpp.h>
#include <benchmark/benchmark.h>
#include <malloc.h>
#include <unistd.h>

#include <array>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "store/album_file.h"
#include "store/photo_search.h"
#include "resident_memory.h"

namespace fs = std::filesystem;

namespace {

constexpr std::int64_t kPhotos = 1'000'000;
constexpr int kScreenful = 30;

fs::path Folder() {
    const char* dir = std::getenv("PICTORA_BENCH_DIR");
    return (dir ? fs::path(dir) : fs::temp_directory_path()) / "pictora_bench_search";
}
std::string AlbumPath() { return (Folder() / "album.mdb").string(); }
std::string IndexPath() { return (Folder() / "search.index").string(); }

const std::vector<std::string> kPlaces = {
    "Roma", "Milano", "Napoli", "Torino", "Palermo", "Genova", "Bologna", "Firenze", "Bari",
    "Catania", "Venezia", "Verona", "Messina", "Padova", "Trieste", "Taranto", "Brescia",
    "Parma", "Modena", "Reggio Calabria", "Perugia", "Livorno", "Cagliari", "Rimini",
    "Salerno", "Ferrara", "Sassari", "Siracusa", "Pescara", "Bergamo", "Trento", "Vicenza",
    "Bolzano", "Lecce", "Matera", "Assisi", "Cefalù", "Taormina", "Isola d'Elba", "Capri",
    "Positano", "Sorrento", "Portofino", "Cortina d'Ampezzo", "Courmayeur", "Riva del Garda",
    "Lago di Como", "San Gimignano", "Siena", "Lucca", "Pisa", "Urbino", "L'Aquila",
    "Sant'Agata", "Città di Castello", "Alberobello", "Tropea", "Otranto", "Aosta", "Udine"};
const std::vector<std::string> kNames = {
    "Anna", "Marco", "Giuseppe", "Lucia", "Francesca", "Giovanni", "Maria", "Luca",
    "Chiara", "Alessandro", "Giulia", "Andrea", "Sara", "Matteo", "Elena", "Lorenzo",
    "Valentina", "Davide", "Martina", "Simone", "Federica", "Stefano", "Paola", "Roberto",
    "Silvia", "Antonio", "Laura", "Paolo", "Elisa", "Nicola", "Nonna Rosa", "Nonno Pietro",
    "zia Carla", "zio Franco", "Niccolò", "Mattia", "Noemi", "Ilaria", "Beatrice", "Tommaso"};
const std::vector<std::string> kEvents = {
    "Natale", "Compleanno di", "Gita a", "Matrimonio di", "Battesimo di", "Vacanze a",
    "Pasqua a", "Ferragosto a", "Cena con", "Laurea di", "Capodanno a", "Prima comunione di",
    "Passeggiata a", "Festa di", "Pranzo della domenica con", "Concerto a", "Partita a"};
const std::vector<std::string> kNotes = {
    "giornata di sole", "pioggia tutto il giorno", "con i nonni", "l'arrivo al porto",
    "foto scattata dal terrazzo", "tramonto sul mare", "neve in montagna", "la torta",
    "il viaggio in treno", "davanti al duomo", "all'uscita della chiesa", "in spiaggia",
    "col cane", "dopo cena", "la vista dall'albergo", "durante la processione",
    "c'era molta gente", "il mercato del sabato", "sul traghetto", "in piazza"};

// A deterministic sequence, so every run writes the same album.
struct Random {
    std::uint64_t state = 20260101;
    std::size_t Next(std::size_t n) {
        state = state * 6364136223846793005ull + 1442695040888963407ull;
        return static_cast<std::size_t>((state >> 33) % n);
    }
    const std::string& Of(const std::vector<std::string>& list) { return list[Next(list.size())]; }
};

void BuildAlbum() {
    fs::remove_all(Folder());
    fs::create_directories(Folder());
    store::CreateAlbum(AlbumPath());
    SQLite::Database db(AlbumPath(), SQLite::OPEN_READWRITE);
    SQLite::Transaction transaction(db);
    SQLite::Statement insert(db, "INSERT INTO datab VALUES (?, ?, ?, ?, ?, ?, ?, ?)");
    Random random;
    char text[64];
    for (std::int64_t id = 1; id <= kPhotos; ++id) {
        const std::string& event = random.Of(kEvents);
        const bool withName = event.back() == 'i' || event.back() == 'n';
        const std::string& place = random.Of(kPlaces);
        std::string title = event + " " + (withName ? random.Of(kNames) : place);
        std::string people = random.Of(kNames);
        for (std::size_t more = random.Next(3); more > 0; --more) people += ", " + random.Of(kNames);
        std::string note = random.Of(kNotes) + ", " + random.Of(kNotes);
        // A rare word, in one photo in 20,000.
        if (id % 20'000 == 7) note += ", safari a Zanzibar";
        std::snprintf(text, sizeof text, "%02zu/%02zu/%zu", 1 + random.Next(28),
                      1 + random.Next(12), 1970 + random.Next(55));
        const std::string date = text;
        std::snprintf(text, sizeof text, "IMG_%07lld.jpg", static_cast<long long>(id));
        insert.bind(1, static_cast<int64_t>(id));
        insert.bind(2, title);
        insert.bind(3, date);
        insert.bind(4, place);
        insert.bind(5, people);
        insert.bind(6, note);
        insert.bind(7, std::string(text));
        insert.bind(8, "/home/foto/" + std::to_string(1970 + id % 55));
        insert.exec();
        insert.reset();
    }
    transaction.commit();
}

void BM_FirstIndexBuild(benchmark::State& state) {
    for (auto _ : state) {
        fs::remove(IndexPath());
        auto search = store::OpenPhotoSearch(AlbumPath(), IndexPath());
        benchmark::DoNotOptimize(search->Build({}));
    }
    state.counters["index_MB"] = static_cast<double>(fs::file_size(IndexPath())) / 1048576.0;
}
BENCHMARK(BM_FirstIndexBuild)->Unit(benchmark::kSecond)->Iterations(1);

void BM_IndexIsCurrent(benchmark::State& state) {
    for (auto _ : state) {
        // As the list does at each opening: a new search, its first check.
        auto search = store::OpenPhotoSearch(AlbumPath(), IndexPath());
        if (!search->IsCurrent()) state.SkipWithError("index not current");
    }
}
BENCHMARK(BM_IndexIsCurrent)->Unit(benchmark::kMillisecond);

// A keystroke's answer: how many photos, and the first screenful of them.
void BM_Keystroke(benchmark::State& state, const char* words) {
    auto search = store::OpenPhotoSearch(AlbumPath(), IndexPath());
    std::int64_t count = 0;
    for (auto _ : state) {
        auto found = search->Find(words);
        count = found->Count();
        for (int i = 0; i < kScreenful && i < count; ++i) benchmark::DoNotOptimize(found->At(i));
    }
    state.counters["found"] = static_cast<double>(count);
}
BENCHMARK_CAPTURE(BM_Keystroke, one_common_roma, "roma")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Keystroke, one_common_letter_m, "m")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Keystroke, one_rare_zanzibar, "zanzibar")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Keystroke, two_common_natale_anna, "natale anna")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Keystroke, two_rare_zanzibar_anna, "zanzibar anna")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Keystroke, three_common_gita_sole_marco, "gita sole marco")
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Keystroke, three_rare_zanzibar_anna_mare, "zanzibar anna citta")
    ->Unit(benchmark::kMillisecond);

// The same answers by a LIKE scan of the album's six fields.
void BM_LikeScan(benchmark::State& state, const char* words) {
    SQLite::Database db(AlbumPath(), SQLite::OPEN_READONLY);
    std::vector<std::string> patterns;
    for (const std::string& word : store::SearchWords(words)) patterns.push_back(std::string("%").append(word).append("%"));
    // Each word's own parameter.
    std::string sql;
    for (std::size_t i = 0; i < patterns.size(); ++i) {
        const std::string p = std::to_string(i + 1);
        sql.append(i > 0 ? " AND (" : "(");
        for (const char* field : {"titolo", "data_scatto", "luogo", "persone", "note", "nome_file"}) {
            if (sql.back() != '(') sql.append(" OR ");
            sql.append(field).append(" LIKE ?").append(p);
        }
        sql.append(")");
    }
    SQLite::Statement count(db, "SELECT count(*) FROM datab WHERE " + sql);
    SQLite::Statement first(db, "SELECT id, titolo FROM datab WHERE " + sql + " ORDER BY id LIMIT " +
                                    std::to_string(kScreenful));
    std::int64_t found = 0;
    for (auto _ : state) {
        for (std::size_t i = 0; i < patterns.size(); ++i) {
            count.bind(static_cast<int>(i + 1), patterns[i]);
            first.bind(static_cast<int>(i + 1), patterns[i]);
        }
        if (count.executeStep()) found = count.getColumn(0).getInt64();
        count.reset();
        while (first.executeStep()) benchmark::DoNotOptimize(first.getColumn(1).getString());
        first.reset();
    }
    state.counters["found"] = static_cast<double>(found);
}
BENCHMARK_CAPTURE(BM_LikeScan, one_common_roma, "roma")->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK_CAPTURE(BM_LikeScan, one_rare_zanzibar, "zanzibar")->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK_CAPTURE(BM_LikeScan, two_common_natale_anna, "natale anna")
    ->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK_CAPTURE(BM_LikeScan, three_common_gita_sole_marco, "gita sole marco")
    ->Unit(benchmark::kMillisecond)->Iterations(3);

// The memory a list of every photo found takes, beyond what was in use.
void BM_MillionFoundMemory(benchmark::State& state) {
    auto search = store::OpenPhotoSearch(AlbumPath(), IndexPath());
    double extra = 0;
    double heap = 0;
    std::int64_t count = 0;
    for (auto _ : state) {
        const double before = ResidentMegabytes();
        const std::size_t heapBefore = mallinfo2().uordblks;
        auto found = search->Find("img");
        count = found->Count();
        for (int i = 0; i < kScreenful; ++i) benchmark::DoNotOptimize(found->At(i));
        extra = ResidentMegabytes() - before;
        heap = static_cast<double>(mallinfo2().uordblks - heapBefore) / 1048576.0;
    }
    state.counters["found"] = static_cast<double>(count);
    // The resident growth misses memory the heap had already; the heap's
    // own count of bytes in use does not.
    state.counters["extra_resident_MB"] = extra;
    state.counters["extra_heap_MB"] = heap;
}
BENCHMARK(BM_MillionFoundMemory)->Unit(benchmark::kMillisecond)->Iterations(1);

// This program's own addition and deletion, followed in the index.
void BM_UpdateAfterWrite(benchmark::State& state, bool add) {
    auto search = store::OpenPhotoSearch(AlbumPath(), IndexPath());
    SQLite::Database album(AlbumPath(), SQLite::OPEN_READWRITE);
    std::int64_t id = kPhotos + 1;
    for (auto _ : state) {
        state.PauseTiming();
        const std::string before = search->AlbumState();
        if (add) {
            album.exec("INSERT INTO datab (id, titolo, luogo) VALUES (" + std::to_string(id) +
                       ", 'Nuova foto di Marco', 'Sant''Agata')");
        } else {
            album.exec("DELETE FROM datab WHERE id = " + std::to_string(id));
        }
        state.ResumeTiming();
        if (!search->Update({store::Value(id)}, before, search->AlbumState()))
            state.SkipWithError("index not updated");
        ++id;
    }
}
BENCHMARK_CAPTURE(BM_UpdateAfterWrite, add, true)->Unit(benchmark::kMillisecond)->Iterations(200);
BENCHMARK_CAPTURE(BM_UpdateAfterWrite, remove, false)->Unit(benchmark::kMillisecond)->Iterations(200);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    BuildAlbum();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    fs::remove_all(Folder());
    return 0;
}
