// pictora-album import, run as a user would run it, on Access-format albums.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <tuple>

#include "access_fixtures.h"
#include "store/access_engine.h"

using namespace access_test;
namespace fs = std::filesystem;

namespace {

std::pair<int, std::string> Import(const std::string& from, const std::string& to) {
    return Shell(std::string(PICTORA_ALBUM_TOOL) + " import " + Quoted(from) + " " + Quoted(to));
}

std::set<std::string> Names(const fs::path& folder) {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) names.insert(entry.path().filename());
    return names;
}

struct Case {
    const char* fixture;
    const char* options;
};

class ImportTest : public testing::TestWithParam<Case> {};

// Every row, values verbatim, in number order; the old file untouched and
// nothing written beside it.
TEST_P(ImportTest, ConvertsEveryRowVerbatimAndLeavesTheOldFileAlone) {
    const Case c = GetParam();
    TempDir dir;
    fs::create_directory(dir / "cd");
    const std::string old = dir / "cd/database.mdb";
    ASSERT_NO_FATAL_FAILURE(WriteFixture(c.fixture, old, c.options));
    const std::string before = ReadBytes(old);
    const auto beside = Names(dir / "cd");

    const std::string converted = dir / "nuovo.mdb";
    const auto [code, output] = Import(old, converted);
    ASSERT_EQ(code, 0) << output;
    const auto expected = InNumberOrder(FixtureRows(c.fixture));
    EXPECT_NE(output.find("Convertite " + std::to_string(expected.size()) + " foto"),
              std::string::npos)
        << output;
    EXPECT_NE(output.find("\n@foto " + std::to_string(expected.size()) + "\n"), std::string::npos)
        << output;
    // How far it came, for the program's progress box.
    const std::string n = std::to_string(expected.size());
    EXPECT_NE(output.find("@avanzamento " + n + " " + std::to_string(2 * expected.size())),
              std::string::npos)
        << output;
    EXPECT_EQ(NativeRows(converted), expected);
    EXPECT_EQ(ReadBytes(old), before);
    EXPECT_EQ(Names(dir / "cd"), beside);
}

INSTANTIATE_TEST_SUITE_P(
    Fixtures, ImportTest,
    testing::Values(Case{"small", "--jet4"}, Case{"small", "--jet3"}, Case{"accents", "--jet4"},
                    Case{"accents", "--jet3"}, Case{"nulls", "--jet4"}, Case{"nulls", "--jet3"},
                    Case{"gaps", "--jet4"}, Case{"gaps", "--jet3"},
                    // Names in capitals, and every whole-number type for id.
                    Case{"gaps", "--jet4 --upper"}, Case{"gaps", "--jet3 --id-type byte"},
                    Case{"gaps", "--jet4 --id-type integer"},
                    Case{"gaps", "--jet4 --id-type single"},
                    Case{"gaps", "--jet3 --id-type double"},
                    Case{"gaps", "--jet4 --id-type currency"}),
    [](const testing::TestParamInfo<Case>& info) {
        std::string name = std::string(info.param.fixture) + info.param.options;
        for (char& ch : name) {
            if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
        }
        return name;
    });

// What the tool refuses, with a message, writing nothing: exit code 4 for a
// file that is no album, 1 for anything else.
TEST(ImportTool, RefusesFilesThatAreNoAlbumAndNeverOverwrites) {
    TempDir dir;
    const std::string album = dir / "album.mdb";
    ASSERT_NO_FATAL_FAILURE(WriteFixture("small", album, "--jet4"));
    const std::string other = dir / "altro.mdb";
    ASSERT_NO_FATAL_FAILURE(WriteFixture("small", other, "--jet4 --table foto"));
    const std::string text = dir / "testo.mdb";
    std::ofstream(text) << "non sono un database\n";
    const std::string rows = dir / "righe.tsv";
    std::ofstream(rows) << "2.5\tmezza\t\t\t\t\ta.jpg\tf\n";
    const std::string fraction = dir / "frazione.mdb";
    ASSERT_EQ(Shell(std::string(WRITE_ACCESS_ALBUM) + " --id-type double " + Quoted(fraction) +
                    " " + Quoted(rows))
                  .first,
              0);
    std::ofstream(rows) << "4\tuno\t\t\t\t\ta.jpg\tf\n4\tdue\t\t\t\t\tb.jpg\tf\n";
    const std::string twice = dir / "doppio.mdb";
    ASSERT_EQ(
        Shell(std::string(WRITE_ACCESS_ALBUM) + " " + Quoted(twice) + " " + Quoted(rows)).first, 0);
    std::ofstream(rows) << "\\N\tsenza numero\t\t\t\t\ta.jpg\tf\n";
    const std::string nameless = dir / "senza.mdb";
    ASSERT_EQ(
        Shell(std::string(WRITE_ACCESS_ALBUM) + " " + Quoted(nameless) + " " + Quoted(rows)).first,
        0);

    const int notAnAlbum = store::kAlbumToolNotAnAlbum;
    const std::tuple<std::string, const char*, int> refused[] = {
        {other, "non contiene la tabella datab", notAnAlbum},
        {text, "non è un file di Access", notAnAlbum},
        {fraction, "non è intero", notAnAlbum},
        {twice, "il numero 4 appartiene a più foto", notAnAlbum},
        {nameless, "una foto non ha numero", notAnAlbum},
        {dir / "manca.mdb", "non esiste", 1},
    };
    for (const auto& [file, why, expected] : refused) {
        const std::string before = ReadBytes(file);
        const std::string target = dir / "nuovo.mdb";
        const auto [code, output] = Import(file, target);
        EXPECT_EQ(code, expected) << file << ": " << output;
        EXPECT_NE(output.find(why), std::string::npos) << file << ": " << output;
        EXPECT_FALSE(fs::exists(target)) << file;
        EXPECT_EQ(ReadBytes(file), before) << file;
    }

    // An existing NEW stays as it was, whatever it is.
    const std::string taken = dir / "preso.mdb";
    std::ofstream(taken) << "mio";
    const auto [code, output] = Import(album, taken);
    EXPECT_EQ(code, 1);
    EXPECT_NE(output.find("esiste già"), std::string::npos) << output;
    EXPECT_EQ(ReadBytes(taken), "mio");

    for (const char* usage : {"import", "import a", "import a b c"}) {
        const auto [usageCode, usageOutput] = Shell(std::string(PICTORA_ALBUM_TOOL) + " " + usage);
        EXPECT_EQ(usageCode, 2) << usage;
        EXPECT_NE(usageOutput.find("Uso:"), std::string::npos) << usage;
    }
}

// A damaged album is refused with exit code 3 and the reason, never
// converted in part.
TEST(ImportTool, RefusesADamagedAlbumWithTheReason) {
    TempDir dir;
    const std::string album = dir / "rovinato.mdb";
    const std::string target = dir / "nuovo.mdb";
    for (const Damage damage : {Damage::CutAt60Percent, Damage::LastPageZeroed}) {
        ASSERT_NO_FATAL_FAILURE(WriteDamagedAlbum(album, damage));
        const auto [code, output] = Import(album, target);
        EXPECT_EQ(code, 3) << output;
        EXPECT_NE(output.find("' è danneggiato: "), std::string::npos) << output;
        EXPECT_FALSE(fs::exists(target));
    }
    // Only its first bytes: half a page.
    const std::string start = ReadBytes(album).substr(0, 100);
    std::ofstream(album, std::ios::binary | std::ios::trunc) << start;
    const auto [code, output] = Import(album, target);
    EXPECT_EQ(code, 3) << output;
    EXPECT_NE(output.find("il file è troncato"), std::string::npos) << output;
}

// An album brought from Windows, its photo folders copied anywhere: converted
// and relinked in one step, Windows folders matched whatever their case.
TEST(ImportTool, WithPhotosRelinksTheWindowsFoldersAtOnce) {
    TempDir dir;
    const std::string old = dir / "database.mdb";
    ASSERT_NO_FATAL_FAILURE(WriteFixture("windows", old, "--jet4"));
    const std::string sea = dir / "copia/Foto/Mare 1998",
                      hills = dir / "copia/Archivio/foto/MONTAGNA";
    for (const std::string& file :
         {sea + "/IMG_0001.JPG", sea + "/IMG_0002.JPG", hills + "/IMG_0001.JPG"}) {
        fs::create_directories(fs::path(file).parent_path());
        std::ofstream(file) << "jpeg";
    }
    const std::string tool = std::string(PICTORA_ALBUM_TOOL) + " import " + Quoted(old) + " ";
    const auto [missingCode, missing] =
        Shell(tool + Quoted(dir / "no.mdb") + " --photos " + Quoted(dir / "manca"));
    EXPECT_EQ(missingCode, 1) << missing;
    EXPECT_FALSE(fs::exists(dir / "no.mdb"));

    const std::string converted = dir / "nuovo.mdb";
    const auto [code, output] =
        Shell(tool + Quoted(converted) + " --photos " + Quoted(dir / "copia"));
    EXPECT_EQ(code, 5) << output;
    EXPECT_NE(output.find("Ritrovate 3 foto su 4; 1 ancora mancante"), std::string::npos) << output;
    std::vector<std::string> folders;
    for (const Row& row : NativeRows(converted)) folders.push_back(row.texts[6]);
    EXPECT_EQ(folders, (std::vector<std::string>{sea, sea, hills, "D:\\FOTO\\Montagna"}));
}

}  // namespace
