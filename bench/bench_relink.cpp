// Finding moved pictures: an album of 100,000 photos converted from Windows
// ("C:\Documenti\Foto\Anno 1998\Gita 017\IMG_0001.JPG"), whose 500 folders
// moved under a new root that holds 200,000 files in all: the 100,000
// pictures, copies of half of some folders under the same names, and other
// folders of camera files. Every folder names its files IMG_0001.JPG on.
//
// Timed: the walk of the new root alone, the matching alone, and the whole
// relink as `pictora-album relink` does it (reading the album, looking at
// every picture, walking, matching, writing the 100,000 rows in one
// transaction). The tree and the album are made once in $PICTORA_BENCH_DIR
// (else the usual temporary folder) and removed at the end.

#include <SQLiteCpp/SQLiteCpp.h>
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "store/album.h"
#include "store/album_file.h"
#include "store/relink.h"

namespace fs = std::filesystem;

namespace {

constexpr int kFolders = 500;
constexpr int kPerFolder = 200;

std::string Camera(int i) {
    char name[16];
    std::snprintf(name, sizeof name, "IMG_%04d.JPG", i);
    return name;
}

std::string Trip(int folder) {
    char name[32];
    std::snprintf(name, sizeof name, "Anno %d/Gita %03d", 1990 + folder / 25, folder);
    return name;
}

void Touch(const fs::path& folder, const std::string& name) {
    const int fd = open((folder / name).c_str(), O_CREAT | O_WRONLY | O_CLOEXEC, 0644);
    if (fd < 0) throw std::runtime_error("impossibile creare " + (folder / name).string());
    close(fd);
}

// The folders and files; the original album.
struct Setup {
    fs::path dir;
    std::string root;
    std::string album;
    std::vector<store::PicturePlace> missing;

    Setup() {
        const char* base = std::getenv("PICTORA_BENCH_DIR");
        std::string pattern =
            ((base ? fs::path(base) : fs::temp_directory_path()) / "pictora-relink-XXXXXX")
                .string();
        if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp");
        dir = pattern;
        root = (dir / "nuovo").string();
        for (int f = 0; f < kFolders; ++f) {
            // The pictures; a copy of the first half of every other folder;
            // and folders of another camera.
            const fs::path moved = fs::path(root) / "Foto" / Trip(f);
            const fs::path copy = fs::path(root) / "Copie" / Trip(f).substr(10);
            const fs::path other = fs::path(root) / "Varie" / ("Cartella " + std::to_string(f));
            for (const fs::path& p : {moved, copy, other}) fs::create_directories(p);
            for (int i = 1; i <= kPerFolder; ++i) Touch(moved, Camera(i));
            for (int i = 1; f % 2 == 0 && i <= kPerFolder / 2; ++i) Touch(copy, Camera(i));
            for (int i = 1; i <= (f % 2 == 0 ? 100 : 200); ++i)
                Touch(other, "DSC_" + std::to_string(i) + ".JPG");
        }
        album = (dir / "album.mdb").string();
        store::CreateAlbum(album);
        SQLite::Database db(album, SQLite::OPEN_READWRITE);
        SQLite::Transaction transaction(db);
        SQLite::Statement insert(
            db, "INSERT INTO datab (id, titolo, percorso_file, nome_file) VALUES (?, ?, ?, ?)");
        for (int f = 0, id = 1; f < kFolders; ++f) {
            std::string folder = "C:\\Documenti\\Foto\\" + Trip(f);
            folder[folder.find('/')] = '\\';
            for (int i = 1; i <= kPerFolder; ++i, ++id) {
                insert.bind(1, id);
                insert.bind(2, "Foto " + std::to_string(id));
                insert.bind(3, folder);
                insert.bind(4, Camera(i));
                insert.exec();
                insert.reset();
                missing.push_back({id, store::Value(id), folder, Camera(i), "", std::nullopt});
            }
        }
        transaction.commit();
    }
    ~Setup() {
        std::error_code ec;
        fs::remove_all(dir, ec);
    }
};

Setup& Tree() {
    static Setup setup;
    return setup;
}

void BM_Walk(benchmark::State& state) {
    const Setup& setup = Tree();
    std::size_t files = 0;
    for (auto _ : state) {
        store::FolderTree tree;
        store::WalkFolders({setup.root}, tree);
        files = tree.files.size();
    }
    state.counters["files"] = static_cast<double>(files);
}
BENCHMARK(BM_Walk)->Unit(benchmark::kMillisecond);

void BM_Match(benchmark::State& state) {
    const Setup& setup = Tree();
    store::FolderTree tree;
    store::WalkFolders({setup.root}, tree);
    store::RelinkResult result;
    for (auto _ : state) result = store::MatchMovedPictures(setup.missing, tree);
    state.counters["found"] = static_cast<double>(result.counts.found);
    state.counters["uncertain"] = static_cast<double>(result.counts.uncertain);
}
BENCHMARK(BM_Match)->Unit(benchmark::kMillisecond);

// The whole relink, on a fresh copy of the album each time.
void BM_RelinkAll(benchmark::State& state) {
    const Setup& setup = Tree();
    const std::string copy = (setup.dir / "copia.mdb").string();
    std::size_t written = 0;
    for (auto _ : state) {
        state.PauseTiming();
        fs::copy_file(setup.album, copy, fs::copy_options::overwrite_existing);
        state.ResumeTiming();
        const auto album = store::MakeSqliteEngine()->Open(copy, false);
        std::vector<store::PicturePlace> missing;
        for (store::PicturePlace& place : album->ReadPicturePlaces()) {
            if (!store::PictureIsThere(place.folder, place.name))
                missing.push_back(std::move(place));
        }
        written = album->RelinkPictures(store::FindMovedPictures(missing, {setup.root}).found);
    }
    state.counters["written"] = static_cast<double>(written);
}
BENCHMARK(BM_RelinkAll)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
