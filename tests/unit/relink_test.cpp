// Finding moved pictures: trees made on disk, albums' missing photos, and
// where each was found, or why not.

#include "store/relink.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <utime.h>

#include <ctime>
#include <filesystem>
#include <map>

#include "store/relink_names.h"
#include "store_test_support.h"

using namespace store_test;
namespace fs = std::filesystem;

namespace {

// "path" or "path@YYYYMMDD" (the file's date), under `root`.
void MakeFile(const std::string& root, const std::string& spec) {
    const std::size_t at = spec.find('@');
    const fs::path path = fs::path(root) / spec.substr(0, at);
    fs::create_directories(path.parent_path());
    WriteBytes(path.string(), "jpeg");
    if (at == std::string::npos) return;
    const int day = std::stoi(spec.substr(at + 1));
    std::tm noon{};
    noon.tm_year = day / 10000 - 1900;
    noon.tm_mon = day / 100 % 100 - 1;
    noon.tm_mday = day % 100;
    noon.tm_hour = 12;
    const utimbuf times{std::mktime(&noon), std::mktime(&noon)};
    ASSERT_EQ(utime(path.c_str(), &times), 0);
}

store::PicturePlace Place(std::size_t row, const std::string& folder, const std::string& name,
                          const std::string& date = "") {
    return {static_cast<std::int64_t>(row), store::Value(0), folder, name, date, std::nullopt};
}

// The folders a walk of `root` cannot read, walked by a user other than root
// (who reads every folder) in a process of its own.
int UnreadableFolders(const std::string& root) {
    store::FolderTree tree;
    if (geteuid() != 0)
        return store::WalkFolders({root}, tree) ? static_cast<int>(tree.unreadable) : -1;
    const pid_t child = fork();
    if (child == 0) {
        const bool walked =
            setgid(65534) == 0 && setuid(65534) == 0 && store::WalkFolders({root}, tree);
        _exit(walked ? static_cast<int>(tree.unreadable) : 100);
    }
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

struct Row {
    std::string folder;
    std::string name;
    std::string expect;  // "@/..." the file found ("@" the root), "?" uncertain, "" missing
    std::string date = "";
};

struct Case {
    const char* what;
    std::vector<std::string> files;
    std::vector<Row> rows;
    std::map<std::string, std::string> mappings;  // old prefix -> new ("@" the root)
};

std::string Rooted(const std::string& path, const std::string& root) {
    return path.rfind(root, 0) == 0 ? "@" + path.substr(root.size()) : path;
}

TEST(Relink, MatchesFoldersByTheirNamesAndFilesNeverByANameAlone) {
    const std::vector<Case> cases = {
        {"a Windows album's tree copied elsewhere",
         {"Foto/Mare 1998/001.jpg", "Foto/Mare 1998/002.jpg", "Foto/Montagna/IMG_0001.JPG",
          "Altro/Montagna/x.jpg"},
         {{"C:\\Documenti\\Foto\\Mare 1998", "001.jpg", "@/Foto/Mare 1998/001.jpg"},
          {"C:\\Documenti\\Foto\\Mare 1998", "002.jpg", "@/Foto/Mare 1998/002.jpg"},
          {"C:\\Documenti\\Foto\\Mare 1998", "003.jpg", ""},
          {"C:\\Documenti\\Foto\\Montagna", "IMG_0001.JPG", "@/Foto/Montagna/IMG_0001.JPG"}},
         {{"C:\\Documenti", "@"}}},
        {"letter case ignored on Windows, drive D:",
         {"foto/Mare/IMG_0001.jpg", "foto/Mare/IMG_0002.jpg"},
         {{"D:\\FOTO\\MARE", "img_0001.JPG", "@/foto/Mare/IMG_0001.jpg"},
          {"d:/Foto/mare/", "IMG_0002.JPG", "@/foto/Mare/IMG_0002.jpg"}},
         {{"D:\\FOTO\\MARE", "@/foto/Mare"}}},
        {"IMG_0001.JPG in every folder",
         {"Foto/Mare/IMG_0001.JPG", "Foto/Mare/IMG_0002.JPG", "Foto/Neve/IMG_0001.JPG",
          "Foto/Sole/IMG_0001.JPG", "IMG_0001.JPG", "Neve/IMG_0003.JPG"},
         {{"C:\\Foto\\Mare", "IMG_0001.JPG", "@/Foto/Mare/IMG_0001.JPG"},
          {"C:\\Foto\\Mare", "IMG_0002.JPG", "@/Foto/Mare/IMG_0002.JPG"},
          {"C:\\Foto\\Neve", "IMG_0001.JPG", "@/Foto/Neve/IMG_0001.JPG"}},
         {{"C:\\", "@"}}},
        {"copies told apart by the day taken, or left alone",
         {"a/Lago/IMG_0001.JPG", "b/Lago/IMG_0001.JPG", "a/Fiume/IMG_0005.JPG@19980812",
          "b/Fiume/IMG_0005.JPG@20050101", "a/Prato/IMG_0009.JPG@20010101",
          "b/Prato/IMG_0009.JPG@20010101"},
         {{"C:\\Gite\\Lago", "IMG_0001.JPG", "?"},
          {"C:\\Gite\\Fiume", "IMG_0005.JPG", "@/a/Fiume/IMG_0005.JPG", "12/08/98"},
          {"C:\\Gite\\Prato", "IMG_0009.JPG", "?", "01/01/2001"}},
         {}},
        {"a prefix learned places a folder its name left tied",
         {"nuovo/Foto/Mare/1.jpg", "nuovo/Foto/Mare/2.jpg", "nuovo/Foto/Gita/IMG_0001.JPG",
          "vecchio/Foto/Gita/IMG_0001.JPG"},
         {{"C:\\Doc\\Foto\\Mare", "1.jpg", "@/nuovo/Foto/Mare/1.jpg"},
          {"C:\\Doc\\Foto\\Mare", "2.jpg", "@/nuovo/Foto/Mare/2.jpg"},
          {"C:\\Doc\\Foto\\Gita", "IMG_0001.JPG", "@/nuovo/Foto/Gita/IMG_0001.JPG"}},
         {{"C:\\Doc", "@/nuovo"}}},
        {"the more of the old folder's files, then the longer run of names",
         {"x/Foto/Mare/1.jpg", "x/Foto/Mare/2.jpg", "y/Mare/1.jpg", "z/Altro/Mare/1.jpg",
          "z/Altro/Mare/2.jpg"},
         {{"C:\\Foto\\Mare", "1.jpg", "@/x/Foto/Mare/1.jpg"},
          {"C:\\Foto\\Mare", "2.jpg", "@/x/Foto/Mare/2.jpg"}},
         {{"C:\\", "@/x"}}},
        {"Windows-1252 names on disk",
         {"Foto/Citt\xE0/caff\xE8.jpg", "Foto/Citt\xE0/pi\xF9.jpg"},
         {{"C:\\Foto\\Città", "caffè.jpg", "@/Foto/Citt\xE0/caff\xE8.jpg"},
          {"C:\\Foto\\Città", "PIÙ.JPG", "@/Foto/Citt\xE0/pi\xF9.jpg"}},
         {{"C:\\Foto\\Città", "@/Foto/Citt\xE0"}}},
        {"a Linux album: case matters, half the names are enough",
         {"Foto/Mare/a.jpg", "Foto/Mare/b.jpg", "Altro/Bosco/1.jpg"},
         {{"/home/anna/Foto/Mare", "a.jpg", "@/Foto/Mare/a.jpg"},
          {"/home/anna/Foto/Mare", "B.jpg", ""},
          {"/home/anna/Foto/Bosco", "1.jpg", ""},
          {"/home/anna/Foto/Bosco", "2.jpg", ""},
          {"/home/anna/Foto/Bosco", "3.jpg", ""}},
         {{"/home/anna", "@"}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir dir;
        for (const std::string& file : c.files) MakeFile(dir.str(), file);
        std::vector<store::PicturePlace> missing;
        for (const Row& row : c.rows) {
            missing.push_back(Place(missing.size() + 1, row.folder, row.name, row.date));
        }
        const store::RelinkResult result = store::FindMovedPictures(missing, {dir.str()});
        std::map<std::int64_t, std::string> found;
        for (const store::PictureMove& move : result.found)
            found[move.row] = Rooted(store::PicturePathOf(move.newFolder, move.newName), dir.str());
        std::int64_t uncertain = 0, stillMissing = 0;
        for (std::size_t i = 0; i < c.rows.size(); ++i) {
            const std::string expect = c.rows[i].expect.rfind('@', 0) == 0 ? c.rows[i].expect : "";
            EXPECT_EQ(found[static_cast<std::int64_t>(i + 1)], expect) << c.rows[i].name;
            uncertain += c.rows[i].expect == "?";
            stillMissing += c.rows[i].expect.empty();
        }
        EXPECT_EQ(result.counts.uncertain, uncertain);
        EXPECT_EQ(result.counts.missing, stillMissing);
        EXPECT_EQ(static_cast<std::int64_t>(result.firstMissing.size()), stillMissing);
        std::map<std::string, std::string> mappings;
        for (const store::RelinkMapping& m : result.mappings)
            mappings[m.oldPrefix] = Rooted(m.newPrefix, dir.str());
        EXPECT_EQ(mappings, c.mappings);
        for (const store::PictureMove& move : result.found) {
            if (c.mappings.empty()) break;
            EXPECT_EQ(store::ApplyMappings(move.oldFolder, result.mappings), move.newFolder)
                << "the mappings place every folder matched";
        }
    }
}

TEST(Relink, WalksPastLinksLoopsFifosAndUnreadableFoldersWithoutOpeningFiles) {
    TempDir dir;
    TempDir outside;
    MakeFile(dir.str(), "Foto/Mare/1.jpg");
    MakeFile(dir.str(), "Foto/Mare/5.jpg");
    MakeFile(outside.str(), "Mare/3.jpg");
    const std::string mare = dir / "Foto/Mare";
    ASSERT_EQ(symlink("..", (mare + "/giro").c_str()), 0);
    ASSERT_EQ(symlink((outside / "Mare/3.jpg").c_str(), (mare + "/3.jpg").c_str()), 0);
    ASSERT_EQ(symlink(outside.str().c_str(), (dir / "fuori").c_str()), 0);
    ASSERT_EQ(mkfifo((mare + "/2.jpg").c_str(), 0600), 0);
    fs::create_directories(dir / "chiusa/Mare");
    MakeFile(dir.str(), "chiusa/Mare/4.jpg");
    ASSERT_EQ(chmod((dir / "chiusa").c_str(), 0), 0);

    std::vector<store::PicturePlace> missing;
    for (const char* name : {"1.jpg", "2.jpg", "3.jpg", "5.jpg"})
        missing.push_back(Place(missing.size() + 1, "C:\\Mare", name));
    std::vector<store::RelinkProgress> told;
    store::RelinkOptions options;
    options.progress = [&](const store::RelinkProgress& p) { told.push_back(p); };
    const store::RelinkResult result = store::FindMovedPictures(missing, {dir.str()}, options);
    ASSERT_EQ(result.found.size(), 2u) << "neither the FIFO nor the link to a file";
    EXPECT_EQ(result.found[0].newFolder, mare);
    EXPECT_EQ(result.counts.missing, 2);
    ASSERT_EQ(chmod(dir.str().c_str(), 0755), 0);
    EXPECT_EQ(UnreadableFolders(dir.str()), 1);
    ASSERT_FALSE(told.empty());
    EXPECT_EQ(told.back().stage, store::RelinkProgress::Stage::Match);
    EXPECT_EQ(told.back().done, told.back().total);

    store::FolderTree tree;
    EXPECT_TRUE(store::WalkFolders({dir.str(), mare}, tree)) << "a folder is walked once";
    EXPECT_EQ(tree.passedOver, 4) << "three links and a FIFO";
    const std::atomic<bool> cancel{true};
    options.cancel = &cancel;
    EXPECT_TRUE(store::FindMovedPictures(missing, {dir.str()}, options).cancelled);
    EXPECT_EQ(ErrorOf([&] { store::FindMovedPictures(missing, {dir / "manca"}); }),
              store::err::PathNotFound);
}

TEST(Relink, TellsItsCountsInItalianAndPlacesFoldersByTheMappings) {
    const std::vector<std::pair<store::RelinkCounts, std::string>> summaries = {
        {{4300, 4210, 87, 3}, "Ritrovate 4.210 foto su 4.300; 87 ancora mancanti; 3 incerte"},
        {{1234567, 1, 1234565, 1},
         "Ritrovata 1 foto su 1.234.567; 1.234.565 ancora mancanti; 1 incerta"},
        {{2, 1, 1, 0}, "Ritrovata 1 foto su 2; 1 ancora mancante"},
        {{5, 5, 0, 0}, "Ritrovate 5 foto su 5"},
        {{0, 0, 0, 0}, "Nessuna foto da ritrovare: ogni immagine è al suo posto"},
    };
    for (const auto& [counts, text] : summaries) EXPECT_EQ(store::RelinkSummary(counts), text);

    const std::vector<store::RelinkMapping> mappings = {
        {"C:\\Documenti", "/home/utente", 0},
        {"C:\\Documenti\\foto", "/home/utente/Foto", 0},
        {"\\", "/media/cdrom", 0},
        {"/home/anna", "/mnt/anna/", 0}};
    const std::vector<std::pair<std::string, std::optional<std::string>>> places = {
        {"c:\\DOCUMENTI\\Mare 1998", "/home/utente/Mare 1998"},
        {"C:\\Documenti\\Foto\\Mare\\", "/home/utente/Foto/Mare"},
        {"C:\\Documenti", "/home/utente"},
        {"\\Foto", "/media/cdrom/Foto"},
        {"/home/anna/Foto", "/mnt/anna/Foto"},
        {"/home/Anna/Foto", std::nullopt},
        {"D:\\Documenti", std::nullopt},
        {"C:\\Documentini", std::nullopt},
    };
    for (const auto& [folder, place] : places)
        EXPECT_EQ(store::ApplyMappings(folder, mappings), place) << folder;
}

TEST(Relink, ReadsNamesAndDatesAsWindowsWroteThem) {
    using namespace store::relink;
    EXPECT_EQ(AsUtf8("caff\xE8 \x80"), "caffè €");
    EXPECT_EQ(AsUtf8("caffè"), "caffè");
    EXPECT_EQ(FoldCase("ÀÉÌÒÙ ŒŠŽ IMG_01.JPG ΣΑ ЖЁ"), "àéìòù œšž img_01.jpg σα жё");
    const std::vector<std::pair<const char*, int>> dates = {{"12/08/98", 19980812},
                                                            {"12-08-1998", 19980812},
                                                            {"1998:08:12 10:00", 19980812},
                                                            {"1/2/03", 20030201},
                                                            {"agosto 1998", 0},
                                                            {"32/01/98", 0},
                                                            {"12/08", 0},
                                                            {"", 0}};
    for (const auto& [text, day] : dates) EXPECT_EQ(DayOfDateText(text), day) << text;
}

}  // namespace
