// Writing the new places of pictures found again: every row or none, only
// rows whose picture is there and that still hold what was read.

#include <gtest/gtest.h>
#include <signal.h>
#include <sqlite3.h>
#include <sys/wait.h>

#include <filesystem>

#include "store/album.h"
#include "store/sqlite_pictures.h"
#include "store_test_support.h"

using namespace store_test;
namespace err = store::err;

namespace {

using Places = std::vector<std::pair<std::string, std::string>>;

// An album of three photos in "C:\Foto" whose table, as another program may
// make it, refuses any folder holding "vietata", and carries a column named
// rowid of its own; and their pictures, moved into `root`.
void MakeMovedAlbum(const std::string& path, const std::string& root) {
    {
        SQLite::Database db(path, SQLite::OPEN_READWRITE | SQLite::OPEN_CREATE);
        db.exec(
            "CREATE TABLE datab (id INTEGER, titolo, data_scatto, luogo, persone, note, nome_file, "
            "percorso_file CHECK (percorso_file NOT LIKE '%vietata%'), rowid);"
            "INSERT INTO datab VALUES (30, 't', '12/08/98', '', '', '', 'a.jpg', 'C:\\Foto', 2),"
            "(10, 't', '', '', '', '', 'b.jpg', 'C:\\Foto', 1), "
            "(20, 't', '', '', '', '', 'c.jpg', NULL, 1)");
    }
    for (const char* file :
         {"Foto/a.jpg", "Foto/b.jpg", "Foto/c.jpg", "vietata/d.jpg", "Foto/caff\xE8.jpg"}) {
        std::filesystem::create_directories(std::filesystem::path(root + "/" + file).parent_path());
        WriteBytes(root + "/" + file, "jpeg");
    }
}

Places PlacesIn(const std::string& path) {
    Places places;
    for (const store::PicturePlace& p :
         store::MakeSqliteEngine()->Open(path, true)->ReadPicturePlaces())
        places.emplace_back(p.folder, p.name);
    return places;
}

struct Case {
    const char* what;
    std::vector<store::PictureMove> moves;  // "@" stands for the pictures' new root
    Places after;
    std::size_t written = 0;
    int error = 0;
    bool readOnly = false;
};

TEST(RelinkPictures, WritesEveryRowFoundAgainOrNone) {
    const Places before = {{"C:\\Foto", "a.jpg"}, {"C:\\Foto", "b.jpg"}, {"", "c.jpg"}};
    const std::vector<Case> cases = {
        {"every row found",
         {{1, "C:\\Foto", "a.jpg", "@/Foto", "a.jpg"}, {3, "", "c.jpg", "@/Foto", "c.jpg"}},
         {{"@/Foto", "a.jpg"}, {"C:\\Foto", "b.jpg"}, {"@/Foto", "c.jpg"}},
         2},
        {"a row changed meanwhile, a picture gone again: left alone",
         {{1, "C:\\Altro", "a.jpg", "@/Foto", "a.jpg"},
          {2, "C:\\Foto", "b.jpg", "@/Foto", "manca.jpg"},
          {3, "", "c.jpg", "@/Foto", "caff\xE8.jpg"}},
         {{"C:\\Foto", "a.jpg"}, {"C:\\Foto", "b.jpg"}, {"@/Foto", "caff\xE8.jpg"}},
         1},
        {"a row refused halfway: none written",
         {{1, "C:\\Foto", "a.jpg", "@/Foto", "a.jpg"},
          {2, "C:\\Foto", "b.jpg", "@/vietata", "d.jpg"}},
         before,
         0,
         err::General},
        {"an album opened for reading",
         {{1, "C:\\Foto", "a.jpg", "@/Foto", "a.jpg"}},
         before,
         0,
         err::ReadOnlyDatabase,
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir dir;
        const std::string path = dir / "album.mdb";
        MakeMovedAlbum(path, dir / "nuovo");
        ASSERT_EQ(PlacesIn(path), before);
        auto moves = c.moves;
        for (store::PictureMove& move : moves) {
            if (move.newFolder[0] == '@') move.newFolder = dir / "nuovo" + move.newFolder.substr(1);
        }
        std::size_t written = 0;
        EXPECT_EQ(ErrorOf([&] {
                      written =
                          store::MakeSqliteEngine()->Open(path, c.readOnly)->RelinkPictures(moves);
                  }),
                  c.error);
        EXPECT_EQ(written, c.written);
        Places after = PlacesIn(path);
        for (auto& [folder, name] : after) {
            if (folder.rfind(dir / "nuovo", 0) == 0)
                folder = "@" + folder.substr((dir / "nuovo").size());
        }
        EXPECT_EQ(after, c.after);
    }
}

TEST(RelinkPictures, AWriteKilledHalfwayLeavesTheAlbumAsItWas) {
    TempDir dir;
    const std::string path = dir / "album.mdb";
    MakeMovedAlbum(path, dir / "nuovo");
    const Places before = PlacesIn(path);
    const pid_t child = fork();
    if (child == 0) {
        SQLite::Database db(path, SQLite::OPEN_READWRITE);
        // Killed as the second row is written, its transaction open.
        static int updates = 0;
        sqlite3_update_hook(
            db.getHandle(),
            [](void*, int, const char*, const char*, sqlite3_int64) {
                if (++updates == 2) raise(SIGKILL);
            },
            nullptr);
        store::sqlite::RelinkPictures(db, {{1, "C:\\Foto", "a.jpg", dir / "nuovo/Foto", "a.jpg"},
                                           {2, "C:\\Foto", "b.jpg", dir / "nuovo/Foto", "b.jpg"}});
        _exit(0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);
    // Opened for writing first: the journal left is played back.
    const std::vector<store::PicturePlace> places =
        store::MakeSqliteEngine()->Open(path, false)->ReadPicturePlaces();
    EXPECT_EQ(PlacesIn(path), before);
    ASSERT_EQ(places.size(), 3u);
    EXPECT_EQ(places[0].row, 1) << "the file's row identity, not its column named rowid";
    EXPECT_EQ(places[0].id, store::Value(30));
    EXPECT_EQ(places[0].date, "12/08/98");
}

}  // namespace
