// Finding photos by their words: the matching rules, and an index that
// follows the album without ever writing it.
#include <gtest/gtest.h>

#include <SQLiteCpp/SQLiteCpp.h>

#include <future>

#include "store/album_columns.h"
#include "store/album_file.h"
#include "store/photo_search.h"
#include "store/search_scratch.h"
#include "store/sqlite_engine.h"
#include "store_test_support.h"

namespace {

using namespace store_test;

void ExecuteSqlOn(const std::string& path, const char* sql) {
    SQLite::Database db(path, SQLite::OPEN_READWRITE);
    db.exec(sql);
}

class PhotoSearchTest : public ::testing::Test {
protected:
    void SetUp() override {
        store::CreateAlbum(album);
        SQLite::Database db(album, SQLite::OPEN_READWRITE);
        db.exec(
            "INSERT INTO datab (id, titolo, data_scatto, luogo, persone, note, nome_file) VALUES"
            " (1, 'Natale in Città', '25/12/2003', 'Milano', 'Anna, Marco', '', 'IMG_0001.jpg'),"
            " (2, 'Gita sull''Isola', '14/08/2004', 'Isola d''Elba', 'Giuseppe', 'mare', 'a.jpg'),"
            " (3, 'Tramonto a Cefalù', '02/06/2005', 'Cefalù', 'Anna', 'NEAR \"il\" porto', 'b.jpg'),"
            " (5, 'Compleanno', '10/03/2006', 'Roma', 'Marco e Lucia', 'torta*', 'natale.png')");
    }

    // The entries found for `words`, as the list shows them.
    std::vector<std::string> Entries(const std::string& words) {
        auto found = search->Find(words);
        std::vector<std::string> entries;
        for (std::int64_t i = 0; i < found->Count(); ++i)
            entries.push_back(found->At(i)->id.toText() + " " + found->At(i)->titolo);
        return entries;
    }

    // The numbers found for `words`.
    Ids Found(const std::string& words) {
        auto found = search->Find(words);
        Ids ids;
        for (std::int64_t i = 0; i < found->Count(); ++i) ids.push_back(found->At(i)->id.integer());
        return ids;
    }

    TempDir dir;
    std::string album = dir / "album.mdb";
    std::string index = dir / "cache/search.index";
    std::unique_ptr<store::PhotoSearch> search = store::OpenPhotoSearch(album, index);
};

TEST_F(PhotoSearchTest, FindsPhotosWhoseFieldsStartWordsWithEveryWordTyped) {
    ASSERT_FALSE(search->IsCurrent());
    ASSERT_TRUE(search->Build({}));
    ASSERT_TRUE(search->IsCurrent());
    const struct {
        const char* words;
        Ids ids;
    } cases[] = {
        {"", {1, 2, 3, 5}},             // no words: every photo
        {"  ,; ", {1, 2, 3, 5}},        // punctuation only: no words either
        {"citta", {1}},                 // accents ignored
        {"CEFALU", {3}},                // and case
        {"natale", {1, 5}},             // title or file name
        {"nat", {1, 5}},                // the start of a word
        {"atale", {}},                  // not its middle
        {"isola", {2}},                 // the apostrophe parts "l'Isola"
        {"d'elba", {2}},                // in the words typed too
        {"sull’isola", {2}},            // a typographic apostrophe parts them as well
        {"anna marco", {1}},            // every word, in any field
        {"marco anna", {1}},            // in any order
        {"2003", {1}},                  // the date's parts
        {"img 0001", {1}},              // the file name's parts
        {"anna zebra", {}},
        {"\"", {1, 2, 3, 5}},           // hostile input is only words, or none
        {"near", {3}},
        {"NEAR(anna cefalu)", {3}},
        {"anna OR giuseppe", {}},
        {"-anna", {1, 3}},
        {"tort*", {5}},
        {"\"il\" porto", {3}},
        {"titolo:natale", {}},
        {"^anna", {1, 3}},
        {"anna AND NOT marco", {}},
        {"\xff\xfe anna", {1, 3}},      // bytes that are no text
    };
    for (const auto& c : cases) EXPECT_EQ(Found(c.words), c.ids) << c.words;
    EXPECT_EQ(search->Find("isola")->At(0)->titolo, "Gita sull'Isola");
}

TEST_F(PhotoSearchTest, NeverWritesTheAlbumAndFollowsChangesOfOtherPrograms) {
    const std::string bytes = ReadBytes(album);
    ASSERT_TRUE(search->Build({}));
    EXPECT_EQ(Found("mare"), Ids({2}));
    EXPECT_EQ(ReadBytes(album), bytes);

    // Another program writes the album: the index is stale until built again.
    ExecuteSqlOn(album, "UPDATE datab SET note = 'montagna' WHERE id = 2");
    EXPECT_FALSE(search->IsCurrent());
    ASSERT_TRUE(search->Build({}));
    EXPECT_TRUE(search->IsCurrent());
    EXPECT_EQ(Found("mare"), Ids({}));
    EXPECT_EQ(Found("montagna"), Ids({2}));

    // A damaged index is not trusted.
    WriteBytes(index, "rovinato");
    EXPECT_FALSE(search->IsCurrent());
    ASSERT_TRUE(search->Build({}));
    EXPECT_EQ(Found("montagna"), Ids({2}));
}

TEST_F(PhotoSearchTest, ThisProgramsOwnWritesUpdateTheIndexInPlace) {
    ASSERT_TRUE(search->Build({}));
    auto db = store::sqlite::OpenAlbumFile(album, false);
    const std::string before = search->AlbumState();
    db->exec("UPDATE datab SET luogo = 'Palermo' WHERE id = 3; DELETE FROM datab WHERE id = 1;"
             "INSERT INTO datab (id, titolo) VALUES (6, 'Palio di Siena')");
    EXPECT_TRUE(search->Update({3, 1, 6}, before, search->AlbumState()));
    EXPECT_TRUE(search->IsCurrent());
    EXPECT_EQ(Found("palermo"), Ids({3}));
    EXPECT_EQ(Found("pal"), Ids({3, 6}));
    EXPECT_EQ(Found("natale"), Ids({5}));

    // An index already stale before the write is not patched.
    const std::string stale = search->AlbumState();
    ExecuteSqlOn(album, "DELETE FROM datab WHERE id = 5");
    EXPECT_FALSE(search->Update({5}, stale + "x", search->AlbumState()));
    EXPECT_FALSE(search->IsCurrent());
}

TEST_F(PhotoSearchTest, AStoppedBuildKeepsTheIndexThatWas) {
    EXPECT_TRUE(search->Build({}));
    ExecuteSqlOn(album, "INSERT INTO datab (id, titolo) SELECT id + 10, titolo FROM datab");
    // Many photos, so the build asks whether to go on.
    ExecuteSqlOn(album, "WITH RECURSIVE n(i) AS (SELECT 100 UNION ALL SELECT i + 1 FROM n"
                        " WHERE i < 9000) INSERT INTO datab (id, titolo) SELECT i, 'x' FROM n");
    EXPECT_FALSE(search->Build([](std::int64_t, std::int64_t, bool) { return false; }));
    EXPECT_FALSE(search->IsCurrent());
    EXPECT_EQ(Found("natale"), Ids({1, 5}));
}

TEST_F(PhotoSearchTest, SymbolsAndEmojiAreWordsOfTheirOwn) {
    ExecuteSqlOn(album,
                 "INSERT INTO datab (id, titolo, note) VALUES (6, 'Pausa caffè ☕', '25°C, 3€'),"
                 " (7, 'Festa 🎉🇮🇹', 'bravi 👍🏽'), (8, 'Caffè al bar', 'a→b')");
    ASSERT_TRUE(search->Build({}));
    const struct {
        const char* words;
        Ids ids;
    } cases[] = {
        {"☕", {6}}, {"caffè ☕", {6}}, {"caffè☕", {6}}, {"caffe", {6, 8}},
        {"🎉", {7}}, {"🇮🇹", {7}},      {"👍", {7}},      {"👍🏽", {7}},
        {"€", {6}}, {"3€", {6}},      {"25°", {6}},    {"°c", {6}},
        {"→", {8}}, {"🎂", {}},        {"☕ bar", {}},   {"\xef\xb8\x8f", {}},
    };
    for (const auto& c : cases) EXPECT_EQ(Found(c.words), c.ids) << c.words;
}

TEST_F(PhotoSearchTest, PhotosNumberedAlikeOrNotWhollyAreAllFoundInNumberOrder) {
    // An album made by another program: its numbers are no row numbers.
    std::filesystem::remove(album);
    SQLite::Database db(album, SQLite::OPEN_READWRITE | SQLite::OPEN_CREATE);
    db.exec(std::string("CREATE TABLE datab (") + store::kAlbumColumnList + ")");
    db.exec(
        "INSERT INTO datab (id, titolo) VALUES (3, 'Mare a Cefalù'), (1, 'Mare di sera'),"
        " (3, 'Mare e monti'), (2.5, 'Mare mosso'), ('x', 'Mare di notte'), (NULL, 'Mare'),"
        " (2, 'Monti')");
    ASSERT_TRUE(search->Build({}));
    EXPECT_EQ(Entries("mare"),
              std::vector<std::string>({" Mare", "1 Mare di sera", "2.5 Mare mosso",
                                        "3 Mare a Cefalù", "3 Mare e monti", "x Mare di notte"}));
    EXPECT_EQ(Entries("monti"), std::vector<std::string>({"2 Monti", "3 Mare e monti"}));

    // This program's writes by number follow every photo so numbered.
    const std::string before = search->AlbumState();
    db.exec(
        "DELETE FROM datab WHERE id = 3; UPDATE datab SET titolo = 'Mare calmo' WHERE id = 2.5;"
        " INSERT INTO datab (id, titolo) VALUES (4, 'Monti innevati')");
    EXPECT_TRUE(search->Update({3, 2.5, 4}, before, search->AlbumState()));
    EXPECT_EQ(Entries("mare"), std::vector<std::string>({" Mare", "1 Mare di sera",
                                                         "2.5 Mare calmo", "x Mare di notte"}));
    EXPECT_EQ(Entries("monti"), std::vector<std::string>({"2 Monti", "4 Monti innevati"}));
}

TEST_F(PhotoSearchTest, ACacheFolderThatCannotBeUsedKeepsTheIndexInMemory) {
    // A file where the folder should be.
    WriteBytes(dir / "cache", "");
    ASSERT_TRUE(search->Build({}));
    EXPECT_TRUE(search->IsCurrent());
    EXPECT_EQ(Found("natale"), Ids({1, 5}));
    const std::string before = search->AlbumState();
    ExecuteSqlOn(album, "UPDATE datab SET luogo = 'Palermo' WHERE id = 2");
    EXPECT_TRUE(search->Update({2}, before, search->AlbumState()));
    // Another search of the same album, as a new opening makes, finds it too.
    EXPECT_EQ(store::OpenPhotoSearch(album, index)->Find("palermo")->Count(), 1);
}

TEST_F(PhotoSearchTest, ALockHeldByAnotherProgramIsWaitedOutAndTheBuildGoesOn) {
    SQLite::Database other(album, SQLite::OPEN_READWRITE);
    other.exec("BEGIN EXCLUSIVE");
    std::promise<void> waited;
    bool told = false;
    auto build = std::async(std::launch::async, [&] {
        return search->Build([&](std::int64_t, std::int64_t, bool waiting) {
            if (waiting && !told) waited.set_value();
            told = told || waiting;
            return true;
        });
    });
    waited.get_future().wait();
    other.exec("UPDATE datab SET titolo = 'Cenone' WHERE id = 1; COMMIT");
    EXPECT_TRUE(build.get());
    EXPECT_EQ(Found("cenone"), Ids({1}));
}

TEST(SearchScratch, FilesOfBuildsStoppedByForceAreRemovedAtTheNextStart) {
    TempDir dir;
    const auto scratch = store::ScratchIndex::Make(dir / "search-1.index");
    ASSERT_TRUE(scratch);
    for (const char* name : {"search-2.index.new-abcdef", "search-3.index.new-123456", "altro.txt"})
        WriteBytes(dir / name, "x");
    std::filesystem::create_symlink(dir / "altro.txt", dir / "search-4.index.new-link");
    store::RemoveAbandonedScratch(dir.str());
    const struct {
        std::string path;
        bool kept;
    } cases[] = {
        {scratch->path(), true},  // a build still under way
        {dir / "search-2.index.new-abcdef", false},
        {dir / "search-3.index.new-123456", false},
        {dir / "altro.txt", true},
        {dir / "search-4.index.new-link", true},  // links are left alone
    };
    for (const auto& c : cases)
        EXPECT_EQ(std::filesystem::exists(std::filesystem::symlink_status(c.path)), c.kept)
            << c.path;
}

}  // namespace
