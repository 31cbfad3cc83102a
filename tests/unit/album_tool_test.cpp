// The pictora-album tool, run as a user would run it.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <set>

#include "store_test_support.h"

using namespace store_test;
using store::DataControl;
namespace fs = std::filesystem;

namespace {

struct Outcome {
    int exitCode;
    std::string errors;
};

Outcome RunTool(const TempDir& dir, const std::string& arguments) {
    const std::string errors = dir / "stderr.txt";
    const std::string command =
        std::string("'") + PICTORA_ALBUM_TOOL + "' " + arguments + " >/dev/null 2>'" + errors + "'";
    const int status = std::system(command.c_str());
    Outcome outcome{WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadBytes(errors)};
    fs::remove(errors);
    return outcome;
}

std::string Quoted(const std::string& path) {
    return "'" + path + "'";
}

struct Size {
    int width = 0;
    int height = 0;
    int orientation = 0;  // the EXIF tag, 0 when absent
};

// Width and height from a JPEG's frame header or a BMP's info header, and the
// EXIF orientation when an APP1 segment carries one.
Size PictureSize(const std::string& bytes) {
    auto u8 = [&](std::size_t i) { return static_cast<unsigned char>(bytes.at(i)); };
    auto be16 = [&](std::size_t i) { return u8(i) << 8 | u8(i + 1); };
    Size size;
    if (bytes.compare(0, 2, "BM") == 0) {
        size.width = u8(18) | u8(19) << 8 | u8(20) << 16 | u8(21) << 24;
        size.height = std::abs(static_cast<std::int32_t>(u8(22) | u8(23) << 8 | u8(24) << 16 |
                                                         static_cast<std::uint32_t>(u8(25)) << 24));
        return size;
    }
    std::size_t i = 2;
    while (i + 9 < bytes.size() && u8(i) == 0xFF) {
        const int marker = u8(i + 1);
        const int length = be16(i + 2);
        if (marker == 0xE1 && bytes.compare(i + 4, 6, std::string("Exif\0\0", 6)) == 0) {
            const std::size_t tiff = i + 10;
            if (bytes.compare(tiff, 4, std::string("MM\0\x2A", 4)) == 0 &&
                be16(tiff + 10) == 0x0112) {
                size.orientation = be16(tiff + 18);
            }
        }
        if (marker >= 0xC0 && marker <= 0xC3) {
            size.height = be16(i + 5);
            size.width = be16(i + 7);
            return size;
        }
        i += 2 + length;
    }
    return size;
}

TEST(AlbumTool, CreateWritesAnEmptyAlbumAndRefusesToOverwrite) {
    TempDir dir;
    const std::string path = dir / "vuoto.mdb";
    ASSERT_EQ(RunTool(dir, "create " + Quoted(path)).exitCode, 0);
    DataControl data;
    data.DatabaseName = path;
    data.Refresh();
    EXPECT_TRUE(data.Recordset().Bof() && data.Recordset().Eof());
    EXPECT_EQ(data.Recordset().Columns().size(), store::kAlbumColumns.size());

    const std::string before = ReadBytes(path);
    const Outcome again = RunTool(dir, "create " + Quoted(path));
    EXPECT_EQ(again.exitCode, 1);
    EXPECT_NE(again.errors.find("Impossibile creare l'album"), std::string::npos) << again.errors;
    EXPECT_EQ(ReadBytes(path), before);

    EXPECT_EQ(RunTool(dir, "create " + Quoted(dir / "manca/a.mdb")).exitCode, 1);
    EXPECT_FALSE(fs::exists(dir / "manca"));
    EXPECT_EQ(RunTool(dir, "").exitCode, 2);
    EXPECT_EQ(RunTool(dir, "create").exitCode, 2);
    EXPECT_EQ(RunTool(dir, "crea " + Quoted(dir / "b.mdb")).exitCode, 2);
    EXPECT_NE(RunTool(dir, "").errors.find("Uso:"), std::string::npos);
}

TEST(AlbumTool, DemoWritesADozenPhotosWithTheirPictures) {
    TempDir dir;
    const std::string folder = dir / "prova/album";
    ASSERT_EQ(RunTool(dir, "demo " + Quoted(folder)).exitCode, 0);

    DataControl data;
    data.DatabaseName = folder + "/database.mdb";
    data.Refresh();
    store::ResultSet& rows = data.Recordset();
    std::vector<std::int64_t> ids;
    std::set<std::string> folders;
    std::string allText;
    int missing = 0;
    bool landscape = false, portrait = false, square = false, large = false, small = false;
    bool jpeg = false, bmp = false, turned = false;
    for (; !rows.Eof(); rows.MoveNext()) {
        ids.push_back(rows.Fields("id").integer());
        for (const char* column : store::kAlbumColumns) {
            allText += DataControl::BoundText(&rows, column) + "\n";
        }
        EXPECT_FALSE(rows.Fields("data_scatto").text().empty());
        const fs::path where = rows.Fields("percorso_file").text();
        EXPECT_TRUE(where.is_absolute()) << where;
        folders.insert(where.string());
        const fs::path picture = where / rows.Fields("nome_file").text();
        if (!fs::exists(picture)) {
            ++missing;
            continue;
        }
        const Size size = PictureSize(ReadBytes(picture.string()));
        ASSERT_GT(size.width, 0) << picture;
        jpeg |= picture.extension() == ".jpg";
        bmp |= picture.extension() == ".bmp";
        if (size.orientation == 6) {
            turned = true;
            EXPECT_EQ(size.width, 800);  // stored on its side, upright 600x800
            EXPECT_EQ(size.height, 600);
            continue;
        }
        landscape |= size.width > size.height;
        portrait |= size.width < size.height;
        square |= size.width == size.height;
        large |= size.width >= 3000;
        small |= size.width <= 160;
    }
    EXPECT_EQ(ids, (std::vector<std::int64_t>{1, 2, 3, 4, 5, 6, 8, 9, 10, 11, 12, 13}));
    EXPECT_EQ(missing, 1) << "exactly one photo has lost its picture";
    EXPECT_EQ(folders.size(), 2u) << "the album's folder and a subfolder";
    EXPECT_TRUE(jpeg && bmp);
    EXPECT_TRUE(landscape && portrait && square && large && small);
    EXPECT_TRUE(turned) << "one JPEG carries EXIF orientation 6";
    EXPECT_NE(allText.find('\''), std::string::npos);
    EXPECT_NE(allText.find('"'), std::string::npos);
    EXPECT_NE(allText.find("è"), std::string::npos);

    // A second demo into the same folder leaves the album alone.
    const std::string before = ReadBytes(folder + "/database.mdb");
    EXPECT_EQ(RunTool(dir, "demo " + Quoted(folder)).exitCode, 1);
    EXPECT_EQ(ReadBytes(folder + "/database.mdb"), before);
}

}  // namespace
