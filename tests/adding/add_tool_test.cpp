// pictora-album add, run as a user or a script runs it, and killed.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <set>
#include <thread>

#include "adding_test_support.h"

namespace fs = std::filesystem;
using namespace adding_test;
using store_test::TempDir;

namespace {

struct ToolRun {
    int code;
    std::string out;
    std::string errors;
};

ToolRun Tool(const TempDir& dir, const std::string& arguments) {
    const std::string out = dir / "stdout.txt", errors = dir / "stderr.txt";
    const std::string command = std::string("'") + PICTORA_ALBUM_TOOL + "' " + arguments + " >'" +
                                out + "' 2>'" + errors + "'";
    const int status = std::system(command.c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, store_test::ReadBytes(out),
            store_test::ReadBytes(errors)};
}

std::string Quoted(const std::string& path) {
    return "'" + path + "'";
}

TEST(AlbumToolAdd, TellsWhatItDidInWordsCountsAndExitCodes) {
    TempDir dir;
    const std::string album = Quoted(dir / "album.mdb"), folder = Quoted(dir / "foto");
    store::CreateAlbum(dir / "album.mdb");
    fs::create_directories(dir / "foto");
    for (const char* name : {"a.jpg", "b.jpg", "c.jpg"})
        WriteTaken(dir / ("foto/" + std::string(name)), "2020:01:01 10:00:00");
    store_test::MakeAlbum(dir / "sola-lettura.mdb", {1});
    chmod((dir / "sola-lettura.mdb").c_str(), 0444);
    metadata_test::WriteFile(dir / "vecchio.mdb",
                             std::string("\0\1\0\0Standard Jet DB\0", 20) + std::string(20, '\0'));
    // In this order: each runs on the album as the ones before left it.
    const std::tuple<std::string, int, const char*, const char*> runs[] = {
        {"add", 2, "", "Uso:"},
        {"add " + album, 2, "", "Uso:"},
        {"add " + album + " " + folder, 0,
         "Aggiunte 3 foto\n@foto 3\n@gia 0\n@non-leggibili 0\n@non-immagini 0\n", ""},
        {"add " + album + " " + folder + " " + Quoted(dir / "manca"), 5,
         "Nessuna foto aggiunta; 3 già nell'album; 1 non leggibile\n@foto 0\n@gia 3\n",
         "Non leggibile: "},
        {"add " + Quoted(dir / "sola-lettura.mdb") + " " + folder, 1, "", "sola lettura"},
        {"add " + Quoted(dir / "vecchio.mdb") + " " + folder, 1, "", "pictora-album import"}};
    for (const auto& [arguments, code, out, errors] : runs) {
        const ToolRun run = Tool(dir, arguments);
        EXPECT_EQ(run.code, code) << arguments << "\n" << run.errors;
        EXPECT_TRUE(run.out.starts_with(out)) << arguments << "\n" << run.out;
        EXPECT_NE(run.errors.find(errors), std::string::npos) << arguments << "\n" << run.errors;
    }
    EXPECT_EQ(RowsOf(dir / "album.mdb").size(), 3u);
}

// The album's row count, read apart from the tool; 0 while it is locked.
std::size_t Count(const std::string& album) {
    try {
        SQLite::Database db(album, SQLite::OPEN_READONLY);
        return static_cast<std::size_t>(db.execAndGet("SELECT COUNT(*) FROM datab").getInt64());
    } catch (const SQLite::Exception&) {
        return 0;
    }
}

TEST(AlbumToolAdd, KilledAtAnyMomentLeavesWholeBatchesAndRunningAgainAddsTheRest) {
    // The album on a disk rather than in memory: each batch waits for it.
    metadata_test::TempFolder disk;
    TempDir dir;
    constexpr int kPhotos = 3000;
    const std::string album = disk.File("album.mdb"), whole = dir / "intero.mdb";
    store::CreateAlbum(album);
    store::CreateAlbum(whole);
    fs::create_directories(dir / "foto");
    metadata_test::WritePhoto(
        dir / "modello.jpg", {.exif = {{"Exif.Photo.DateTimeOriginal", std::string(kTemplateDate)}},
                              .iptc = {{"Iptc.Application2.ObjectName", "Gita"}}});
    const std::string model = metadata_test::ReadFile(dir / "modello.jpg");
    for (int i = 0; i < kPhotos; ++i)
        metadata_test::WriteFile(
            dir / ("foto/" + std::to_string(i % 7) + "_" + std::to_string(i) + ".jpg"),
            Redated(model, NthDate(i)));

    const pid_t tool = fork();
    if (tool == 0) {
        const int null = open("/dev/null", O_WRONLY);
        dup2(null, STDOUT_FILENO);
        execl(PICTORA_ALBUM_TOOL, PICTORA_ALBUM_TOOL, "add", album.c_str(), (dir / "foto").c_str(),
              nullptr);
        _exit(127);
    }
    ASSERT_GT(tool, 0);
    // Killed as soon as a batch is in, or when it is done already.
    int status = 0;
    while (Count(album) == 0 && waitpid(tool, &status, WNOHANG) == 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    kill(tool, SIGKILL);
    waitpid(tool, &status, 0);
    const std::vector<Row> kept = RowsOf(album);
    EXPECT_TRUE(kept.size() % 500 == 0 || kept.size() == kPhotos) << kept.size();

    ASSERT_EQ(Tool(dir, "add " + Quoted(album) + " " + Quoted(dir / "foto")).code, 0);
    ASSERT_EQ(Tool(dir, "add " + Quoted(whole) + " " + Quoted(dir / "foto")).code, 0);
    const std::vector<Row> rows = RowsOf(album);
    EXPECT_EQ(rows, RowsOf(whole)) << "killed after " << kept.size();
    EXPECT_EQ(std::vector<Row>(rows.begin(), rows.begin() + kept.size()), kept);
    std::set<std::string> names;
    for (const auto& [id, texts] : rows) names.insert(texts.nome_file);
    EXPECT_EQ(names.size(), std::size_t{kPhotos});
    EXPECT_EQ(rows.at(kPhotos - 1).second.data_scatto, "13/05/01");
    EXPECT_EQ(rows.at(kPhotos - 1).second.titolo, "Gita");
}

}  // namespace
