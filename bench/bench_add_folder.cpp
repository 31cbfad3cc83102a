// Adding a whole folder: 10,000 photos of a 24-megapixel camera, each with
// a camera's full EXIF (and its thumbnail), IPTC, XMP with faces and
// keywords, and GPS named through the gazetteer, in 20 camera folders, into
// an album of 100,000 photos; the batches' writing alone; the same addition
// made again, when every photo is in the album already.
//
// Each photo is 10 MB long, nearly all of it a dummy scan left as a hole in
// the file, so 100 GB of photos take a few hundred megabytes; the addition
// never reads the scan. The photos are in the page cache, as after a copy
// from a camera. Everything is built once per run in $PICTORA_BENCH_DIR (else
// the usual temporary folder), on a disk: each batch's commit waits for it.
#include <SQLiteCpp/SQLiteCpp.h>
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "adding/add_pictures.h"
#include "camera_photo.h"
#include "dated_photos.h"
#include "metadata/gazetteer.h"
#include "store/album_file.h"

namespace fs = std::filesystem;

namespace {

constexpr int kPhotos = 10000;
constexpr int kPerFolder = 500;
constexpr std::int64_t kAlbumPhotos = 100000;
constexpr off_t kPhotoBytes = 10 << 20;

// The texts of the album's own photos, about 150 bytes each.
store::PhotoTexts AlbumTexts(std::int64_t id) {
    const std::string n = std::to_string(id);
    return {"Foto " + n + " delle vacanze",
            "12/08/98",
            "Riva del Garda",
            "Marco, Giulia",
            "Una giornata di sole; la foto numero " + n + " del rullino.",
            "foto" + n + ".jpg",
            "/home/utente/Immagini/album"};
}

class Setup {
public:
    static Setup& Get() {
        static Setup setup;
        return setup;
    }

    ~Setup() {
        std::error_code ec;
        fs::remove_all(root_, ec);
    }

    std::string photos() const { return root_ / "DCIM"; }
    std::string album() const { return root_ / "album.mdb"; }
    // A fresh copy of the album of 100,000 photos.
    std::string FreshAlbum() const {
        const fs::path copy = root_ / "copia.mdb";
        fs::copy_file(album(), copy, fs::copy_options::overwrite_existing);
        return copy;
    }

private:
    Setup() {
        const char* chosen = std::getenv("PICTORA_BENCH_DIR");
        std::string pattern =
            (fs::path(chosen ? chosen : fs::temp_directory_path().string()) / "pictora-add-XXXXXX")
                .string();
        if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp");
        root_ = pattern;
        WritePhotos();
        WriteAlbum();
        // Its first use loads libgeonames' towns: once per process, not per addition.
        metadata::PlaceAt(43.77, 11.25);
    }

    void WritePhotos() {
        const std::string model = root_ / "modello.jpg";
        metadata_test::WriteFile(model, metadata_test::FakeJpeg(6000, 4000, 64));
        metadata_test::WriteCameraTags(
            model,
            {.exif = {{"Exif.Photo.DateTimeOriginal", std::string(adding_test::kTemplateDate)}}});
        std::string head = metadata_test::ReadFile(model);
        head.resize(head.size() - 2);  // the end of image goes at the end of the 10 MB
        for (int i = 0; i < kPhotos; ++i) {
            char folder[32], name[32];
            std::snprintf(folder, sizeof folder, "%03dCANON", 100 + i / kPerFolder);
            std::snprintf(name, sizeof name, "IMG_%04d.JPG", i % kPerFolder);
            fs::create_directories(fs::path(photos()) / folder);
            // Taken in another order than their names'.
            const std::string bytes =
                adding_test::Redated(head, adding_test::NthDate(i * 7919 % kPhotos));
            const std::string path = fs::path(photos()) / folder / name;
            const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            if (fd < 0 || write(fd, bytes.data(), bytes.size()) != ssize_t(bytes.size()) ||
                pwrite(fd, "\xFF\xD9", 2, kPhotoBytes - 2) != 2 || close(fd) != 0)
                throw std::runtime_error("cannot write " + path);
        }
    }

    void WriteAlbum() {
        store::CreateAlbum(album());
        SQLite::Database db(album(), SQLite::OPEN_READWRITE);
        SQLite::Transaction transaction(db);
        SQLite::Statement insert(db, std::string("INSERT INTO datab (") + store::kAlbumColumnList +
                                         ") VALUES (?, ?, ?, ?, ?, ?, ?, ?)");
        for (std::int64_t id = 1; id <= kAlbumPhotos; ++id) {
            const store::PhotoTexts t = AlbumTexts(id);
            insert.bind(1, static_cast<int64_t>(id));
            int column = 2;
            for (const std::string* text : {&t.titolo, &t.data_scatto, &t.luogo, &t.persone,
                                            &t.note, &t.nome_file, &t.percorso_file})
                insert.bind(column++, *text);
            insert.exec();
            insert.reset();
        }
        transaction.commit();
    }

    fs::path root_;
};

// The process's resident memory, or its peak since ResetPeak, in KiB.
std::int64_t StatusKiB(const std::string& field) {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.starts_with(field + ":")) return std::stoll(line.substr(field.size() + 1));
    return 0;
}

void ResetPeak() {
    std::ofstream("/proc/self/clear_refs") << "5";
}

adding::Result Add(const std::string& album) {
    const auto engine = store::MakeSqliteEngine();
    const auto opened = adding::OpenAlbumForAdding(*engine, album);
    return adding::AddPictures(*opened, {Setup::Get().photos()});
}

// The whole addition: the walk, the album's pictures looked up, the fields
// read on every core, the order, 20 batches committed.
void BM_AddFolder(benchmark::State& state) {
    const Setup& setup = Setup::Get();
    double growth = 0;
    for (auto _ : state) {
        state.PauseTiming();
        const std::string album = setup.FreshAlbum();
        ResetPeak();
        const std::int64_t before = StatusKiB("VmRSS");
        state.ResumeTiming();
        const adding::Result result = Add(album);
        state.PauseTiming();
        growth = std::max(growth, double(StatusKiB("VmHWM") - before) / 1024);
        if (result.added != kPhotos) state.SkipWithError("not every photo was added");
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * kPhotos);
    state.counters["peak_rss_growth_MiB"] = growth;
}
// CPU time is the whole process's, the readers' threads with it.
BENCHMARK(BM_AddFolder)
    ->Iterations(2)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime();

// The writing alone: 10,000 photos' texts, as the addition has them, in
// batches of 500.
void BM_InsertBatches(benchmark::State& state) {
    const Setup& setup = Setup::Get();
    std::vector<store::PhotoTexts> photos;
    for (int i = 0; i < kPhotos; ++i)
        photos.push_back({"Tramonto sull'Arno", "14/08/16", "Firenze, Toscana",
                          "Anna, Bruno, Carla", "Dal Ponte Vecchio, con Anna e Bruno",
                          "IMG_" + std::to_string(i) + ".JPG", setup.photos() + "/100CANON"});
    for (auto _ : state) {
        state.PauseTiming();
        const std::string album = setup.FreshAlbum();
        state.ResumeTiming();
        const auto opened = store::MakeSqliteEngine()->Open(album, false);
        for (std::size_t from = 0; from < photos.size(); from += 500)
            opened->InsertPhotos(std::span(photos).subspan(from, 500));
    }
    state.SetItemsProcessed(state.iterations() * kPhotos);
}
BENCHMARK(BM_InsertBatches)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();

// The same addition made again: every photo is found in the album, none read.
void BM_AddAgain(benchmark::State& state) {
    const Setup& setup = Setup::Get();
    for (auto _ : state) {
        state.PauseTiming();
        const std::string album = setup.FreshAlbum();
        Add(album);
        state.ResumeTiming();
        const adding::Result result = Add(album);
        if (result.already != kPhotos || result.added != 0)
            state.SkipWithError("photos added twice");
    }
    state.SetItemsProcessed(state.iterations() * kPhotos);
}
BENCHMARK(BM_AddAgain)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
