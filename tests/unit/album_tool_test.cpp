// The pictora-album tool, run as a user would run it.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <filesystem>
#include <set>

#include "store_test_support.h"

using namespace store_test;
using store::DataControl;
namespace fs = std::filesystem;

namespace {

// The exit code, and what the tool wrote on stderr.
std::pair<int, std::string> RunTool(const TempDir& dir, const std::string& arguments) {
    const std::string errors = dir / "stderr.txt";
    const std::string command =
        std::string("'") + PICTORA_ALBUM_TOOL + "' " + arguments + " >/dev/null 2>'" + errors + "'";
    const int status = std::system(command.c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadBytes(errors)};
}

// The exit code, and all the tool wrote.
std::pair<int, std::string> RunToolOutput(const TempDir& dir, const std::string& arguments) {
    const std::string output = dir / "output.txt";
    const std::string command =
        std::string("'") + PICTORA_ALBUM_TOOL + "' " + arguments + " >'" + output + "' 2>&1";
    const int status = std::system(command.c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadBytes(output)};
}

std::string Quoted(const std::string& path) {
    return "'" + path + "'";
}

// Width, height and EXIF orientation (0 if none) from a BMP's info header, or
// from a JPEG's frame header and an Exif APP1 segment before it.
std::tuple<int, int, int> PictureSize(const std::string& b) {
    auto u8 = [&](std::size_t i) { return static_cast<unsigned char>(b.at(i)); };
    auto be16 = [&](std::size_t i) { return u8(i) << 8 | u8(i + 1); };
    if (b.compare(0, 2, "BM") == 0) return {u8(18) | u8(19) << 8, u8(22) | u8(23) << 8, 0};
    int orientation = 0;
    for (std::size_t i = 2; i + 9 < b.size() && u8(i) == 0xFF; i += 2 + be16(i + 2)) {
        if (u8(i + 1) == 0xE1 && b.compare(i + 4, 10, std::string("Exif\0\0MM\0\x2A", 10)) == 0 &&
            be16(i + 20) == 0x0112) {
            orientation = be16(i + 28);
        }
        if (u8(i + 1) >= 0xC0 && u8(i + 1) <= 0xC3) return {be16(i + 7), be16(i + 5), orientation};
    }
    return {0, 0, 0};
}

TEST(AlbumTool, CreateWritesAnEmptyAlbumAndRefusesBadPathsAndUsage) {
    TempDir dir;
    const std::string path = dir / "vuoto.mdb";
    ASSERT_EQ(RunTool(dir, "create " + Quoted(path)).first, 0);
    DataControl data;
    data.DatabaseName = path;
    data.Refresh();
    EXPECT_TRUE(data.Recordset().Bof() && data.Recordset().Eof());

    const std::string before = ReadBytes(path);
    const auto [code, errors] = RunTool(dir, "create " + Quoted(path));
    EXPECT_EQ(code, 1);
    EXPECT_NE(errors.find("Impossibile creare l'album"), std::string::npos) << errors;
    EXPECT_EQ(ReadBytes(path), before);
    EXPECT_EQ(RunTool(dir, "create " + Quoted(dir / "manca/a.mdb")).first, 1);
    for (const char* usage : {"", "create", "crea x.mdb", "create a b"}) {
        const auto [usageCode, usageErrors] = RunTool(dir, usage);
        EXPECT_EQ(usageCode, 2) << usage;
        EXPECT_NE(usageErrors.find("Uso:"), std::string::npos) << usage;
    }
}

TEST(AlbumTool, DemoWritesADozenPhotosWithVariedPicturesAndOneMissing) {
    TempDir dir;
    const std::string folder = dir / "prova/album";
    ASSERT_EQ(RunTool(dir, "demo " + Quoted(folder)).first, 0);
    DataControl data;
    data.DatabaseName = folder + "/database.mdb";
    data.Refresh();
    Ids ids;
    std::set<std::string> folders, kinds;
    std::string text;
    int missing = 0;
    for (auto& rows = data.Recordset(); !rows.Eof(); rows.MoveNext()) {
        const store::Photo& photo = rows.Current();
        ids.push_back(photo.id.integer());
        const store::PhotoTexts& t = photo.texts;
        text += t.titolo + t.data_scatto + t.luogo + t.persone + t.note;
        EXPECT_FALSE(t.titolo.empty() || t.data_scatto.empty() || t.nome_file.empty());
        const fs::path where = t.percorso_file;
        EXPECT_TRUE(where.is_absolute()) << where;
        folders.insert(where.string());
        const fs::path picture = where / t.nome_file;
        if (!fs::exists(picture)) {
            ++missing;
            continue;
        }
        const auto [width, height, orientation] = PictureSize(ReadBytes(picture.string()));
        ASSERT_GT(width, 0) << picture;
        kinds.insert(picture.extension().string());
        if (orientation == 6) {
            kinds.insert("upright by EXIF");
            EXPECT_EQ(std::pair(width, height), std::pair(800, 600)) << "stored on its side";
        } else {
            kinds.insert(width > height ? "landscape" : width < height ? "portrait" : "square");
            if (width >= 3000) kinds.insert("large");
            if (width <= 160) kinds.insert("small");
        }
    }
    EXPECT_EQ(ids, (Ids{1, 2, 3, 4, 5, 6, 8, 9, 10, 11, 12, 13}));
    EXPECT_EQ(missing, 1) << "exactly one photo has lost its picture";
    EXPECT_EQ(folders.size(), 2u) << "the album's folder and a subfolder";
    EXPECT_EQ(kinds, (std::set<std::string>{".bmp", ".jpg", "landscape", "portrait", "square",
                                            "large", "small", "upright by EXIF"}));
    for (const char* part : {"'", "\"", "è", "ò"}) EXPECT_NE(text.find(part), std::string::npos);

    const std::string before = ReadBytes(folder + "/database.mdb");
    EXPECT_EQ(RunTool(dir, "demo " + Quoted(folder)).first, 1) << "the album is there already";
    EXPECT_EQ(ReadBytes(folder + "/database.mdb"), before);
}

TEST(AlbumTool, RelinkWritesWherePicturesMovedAndTellsWhatIsStillMissing) {
    TempDir dir;
    const std::string album = dir / "album.mdb";
    MakeAlbum(album, {1, 2, 3, 4});
    SQLite::Database(album, SQLite::OPEN_READWRITE)
        .exec(
            "UPDATE datab SET percorso_file = 'C:\\Foto\\Mare 1998', "
            "nome_file = 'IMG_000' || id || '.JPG'");
    const std::string moved = dir / "nuovo/Foto/Mare 1998";
    fs::create_directories(moved);
    for (const char* name : {"IMG_0001.JPG", "IMG_0002.JPG", "IMG_0003.JPG"})
        WriteBytes(moved + "/" + name, "jpeg");
    const std::string relink = "relink " + Quoted(album) + " " + Quoted(dir / "nuovo");
    // A shell command run first, the tool's arguments, its exit code and words.
    const std::vector<std::tuple<std::string, std::string, int, std::string>> runs = {
        {"", relink, 5,
         "Ritrovate 3 foto su 4; 1 ancora mancante\nCartelle ritrovate:\n  C:\\ -> " +
             dir / "nuovo" + "\nAncora mancanti:\n  4  C:/Foto/Mare 1998/IMG_0004.JPG\n"},
        {"", relink, 5, "Ritrovate 0 foto su 1; 1 ancora mancante"},
        {"touch " + Quoted(moved + "/IMG_0004.JPG"), relink, 0, "Ritrovata 1 foto su 1\n"},
        {"", relink, 0, "Nessuna foto da ritrovare"},
        {"", "relink " + Quoted(album), 2, "Uso:"},
        {"", relink + " " + Quoted(dir / "manca"), 1, "non è una cartella"},
        {"", "relink " + Quoted(dir / "nuovo") + " " + Quoted(dir.str()), 1, "Impossibile aprire"},
        {"chmod a-w " + Quoted(album), relink, 1, "Impossibile aprire l'album"},
    };
    for (const auto& [before, arguments, code, output] : runs) {
        SCOPED_TRACE(arguments);
        if (!before.empty()) {
            ASSERT_EQ(std::system(before.c_str()), 0);
        }
        const auto [runCode, runOutput] = RunToolOutput(dir, arguments);
        EXPECT_EQ(runCode, code);
        EXPECT_NE(runOutput.find(output), std::string::npos) << runOutput;
    }
    DataControl data;
    data.DatabaseName = album;
    data.ReadOnly = true;
    data.Refresh();
    for (auto& rows = data.Recordset(); !rows.Eof(); rows.MoveNext())
        EXPECT_EQ(rows.Current().texts.percorso_file, moved);
}

}  // namespace
