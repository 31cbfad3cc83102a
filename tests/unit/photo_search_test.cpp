// Finding photos by their words: the matching rules, and an index that
// follows the album without ever writing it.
#include <gtest/gtest.h>

#include <SQLiteCpp/SQLiteCpp.h>

#include "store/album_file.h"
#include "store/photo_search.h"
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
    EXPECT_TRUE(search->Update({3, 1, 6}, before));
    EXPECT_TRUE(search->IsCurrent());
    EXPECT_EQ(Found("palermo"), Ids({3}));
    EXPECT_EQ(Found("pal"), Ids({3, 6}));
    EXPECT_EQ(Found("natale"), Ids({5}));

    // An index already stale before the write is not patched.
    const std::string stale = search->AlbumState();
    ExecuteSqlOn(album, "DELETE FROM datab WHERE id = 5");
    EXPECT_FALSE(search->Update({5}, stale + "x"));
    EXPECT_FALSE(search->IsCurrent());
}

TEST_F(PhotoSearchTest, AStoppedBuildKeepsTheIndexThatWas) {
    EXPECT_TRUE(search->Build({}));
    ExecuteSqlOn(album, "INSERT INTO datab (id, titolo) SELECT id + 10, titolo FROM datab");
    // Many photos, so the build asks whether to go on.
    ExecuteSqlOn(album, "WITH RECURSIVE n(i) AS (SELECT 100 UNION ALL SELECT i + 1 FROM n"
                        " WHERE i < 9000) INSERT INTO datab (id, titolo) SELECT i, 'x' FROM n");
    EXPECT_FALSE(search->Build([](std::int64_t, std::int64_t) { return false; }));
    EXPECT_FALSE(search->IsCurrent());
    EXPECT_EQ(Found("natale"), Ids({1, 5}));
}

}  // namespace
