// The photo list's reader: every photo by position, read a block at a time.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <numeric>
#include <random>

#include "store/album_columns.h"
#include "store/data_control.h"
#include "store/photo_index.h"
#include "store_test_support.h"

namespace {

using store_test::MakeAlbum;
using store_test::TempDir;
using store_test::Title;

// Ids with gaps, written in a shuffled order.
std::vector<std::int64_t> GappedIds(int count) {
    std::vector<std::int64_t> ids(count);
    for (int i = 0; i < count; ++i) ids[i] = 5 + 3 * i + (i % 7 == 0 ? 1 : 0);
    std::shuffle(ids.begin(), ids.end(), std::mt19937(7));
    return ids;
}

void ExpectAt(store::PhotoIndex& index, const std::vector<std::int64_t>& sorted,
              std::int64_t position) {
    const store::PhotoEntry* photo = index.At(position);
    ASSERT_NE(photo, nullptr) << "position " << position;
    EXPECT_EQ(photo->id, store::Value(sorted[position])) << "position " << position;
    EXPECT_EQ(photo->titolo, Title(sorted[position]));
}

TEST(PhotoIndex, GivesEveryPhotoByPositionInWhateverOrderItIsAskedFor) {
    TempDir dir;
    std::vector<std::int64_t> ids = GappedIds(500);
    MakeAlbum(dir / "a.mdb", ids);
    std::sort(ids.begin(), ids.end());
    const auto count = static_cast<std::int64_t>(ids.size());

    // Small blocks, so positions are reached from either end, from blocks
    // read before and past blocks already dropped.
    auto index = store::OpenPhotoIndex(dir / "a.mdb", 3);
    EXPECT_EQ(index->Count(), count);
    for (std::int64_t p = count - 1; p >= 0; --p) ExpectAt(*index, ids, p);
    for (std::int64_t p = 0; p < count; ++p) ExpectAt(*index, ids, p);

    index = store::OpenPhotoIndex(dir / "a.mdb", 4);
    ExpectAt(*index, ids, count / 2);
    ExpectAt(*index, ids, count - 1);
    ExpectAt(*index, ids, count / 2 - 1);
    std::vector<std::int64_t> order(count);
    std::iota(order.begin(), order.end(), 0);
    std::shuffle(order.begin(), order.end(), std::mt19937(11));
    for (std::int64_t p : order) ExpectAt(*index, ids, p);

    EXPECT_EQ(index->At(-1), nullptr);
    EXPECT_EQ(index->At(count), nullptr);
}

TEST(PhotoIndex, PhotosNumberedAlikeEachHaveAPlaceOfTheirOwn) {
    TempDir dir;
    // An album made by another program: numbers thrice over, some with a
    // fraction.
    SQLite::Database db(dir / "a.mdb", SQLite::OPEN_READWRITE | SQLite::OPEN_CREATE);
    db.exec("CREATE TABLE datab (" + std::string(store::kAlbumColumnList) +
            "); WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 90)"
            " INSERT INTO datab (id, titolo) SELECT CASE WHEN i % 10 = 0 THEN i / 3 + 0.5"
            " ELSE i / 3 END, 'T' || i FROM n");
    std::vector<std::string> sorted;
    SQLite::Statement read(db, "SELECT titolo FROM datab ORDER BY id, rowid");
    while (read.executeStep()) sorted.push_back(read.getColumn(0).getString());
    for (int block : {2, 4}) {
        auto index = store::OpenPhotoIndex(dir / "a.mdb", block);
        // From the end, then from the start, so blocks are found both ways.
        for (std::int64_t p = index->Count() - 1; p >= 0; --p)
            EXPECT_EQ(index->At(p)->titolo, sorted[static_cast<std::size_t>(p)]) << p;
        for (std::size_t p = 0; p < sorted.size(); ++p)
            EXPECT_EQ(index->At(static_cast<std::int64_t>(p))->titolo, sorted[p]) << p;
    }
}

TEST(PhotoIndex, AnEmptyAlbumHasNoPhotos) {
    TempDir dir;
    MakeAlbum(dir / "a.mdb", {});
    auto index = store::OpenPhotoIndex(dir / "a.mdb");
    EXPECT_EQ(index->Count(), 0);
    EXPECT_EQ(index->At(0), nullptr);
}

TEST(PhotoIndex, FilesThatAreNoAlbumAreRefusedByNumber) {
    TempDir dir;
    auto number = [](const std::string& path) {
        try {
            store::OpenPhotoIndex(path);
        } catch (const store::StoreError& e) {
            return e.number();
        }
        return 0;
    };
    EXPECT_EQ(number(dir / "nessuno.mdb"), store::err::FileNotFound);
    std::ofstream(dir / "testo.mdb") << "non sono un album\n";
    EXPECT_EQ(number(dir / "testo.mdb"), store::err::NotValidAlbum);
    std::ofstream(dir / "vuoto.mdb").close();
    EXPECT_EQ(number(dir / "vuoto.mdb"), store::err::NotValidAlbum);
}

TEST(PhotoIndex, HoldsNoLockAndSurvivesChangesToTheAlbum) {
    TempDir dir;
    MakeAlbum(dir / "a.mdb", {1, 2, 3, 4, 5, 6, 7, 8});
    auto index = store::OpenPhotoIndex(dir / "a.mdb", 2);
    ASSERT_NE(index->At(0), nullptr);
    ASSERT_NE(index->At(5), nullptr);

    // The album window deletes photos while the list is open.
    store::DataControl data;
    data.DatabaseName = dir / "a.mdb";
    data.Refresh();
    auto& rows = data.Recordset();
    for (rows.SeekId(store::Value(3)); !rows.Eof(); rows.MoveNext()) rows.Delete();

    // Positions no longer in the file have no photo; nothing fails.
    EXPECT_EQ(index->At(7), nullptr);
    EXPECT_EQ(index->Count(), 8);
    EXPECT_EQ(index->At(1)->id, store::Value(std::int64_t{2}));
}

// The place of a number, guessed from the numbers at both ends, then halved
// to: numbered 1, 2, 3..., one number far from the others, gapped, alike.
TEST(PhotoIndex, FindsThePlaceOfANumberHoweverTheNumbersAreSpread) {
    TempDir dir;
    std::vector<std::int64_t> counted(300);
    std::iota(counted.begin(), counted.end(), 1);
    const std::vector<std::vector<std::int64_t>> albums = {
        counted, {1, 2, 3, 4, 5, 6, 1000, 1000000}, GappedIds(300), {1, 2, 2, 2, 2, 3, 5}};
    for (std::size_t a = 0; a < albums.size(); ++a) {
        const std::string path = dir / ("a" + std::to_string(a) + ".mdb");
        std::vector<store::Value> loose;
        for (std::int64_t id : albums[a]) loose.emplace_back(id);
        if (a == 3)
            store_test::MakeLooseAlbum(path, loose);
        else
            MakeAlbum(path, albums[a]);
        std::vector<std::int64_t> sorted = albums[a];
        std::sort(sorted.begin(), sorted.end());
        for (const std::int64_t wanted :
             {std::int64_t{-5}, sorted.front(), sorted[sorted.size() / 2],
              sorted[sorted.size() / 2] + 1, std::int64_t{999}, sorted.back(), sorted.back() + 1}) {
            auto index = store::OpenPhotoIndex(path, 4);
            EXPECT_EQ(index->PositionOf(store::Value(wanted)),
                      std::lower_bound(sorted.begin(), sorted.end(), wanted) - sorted.begin())
                << "album " << a << ", number " << wanted;
        }
    }
}

}  // namespace

TEST(PhotoIndex, TheDataControlOpensItForTheAlbumNowOpen) {
    TempDir dir;
    MakeAlbum(dir / "a.mdb", {4, 2, 9});
    store::DataControl data;
    try {
        data.OpenPhotoIndex();
        ADD_FAILURE() << "no album is open yet";
    } catch (const store::StoreError& e) {
        EXPECT_EQ(e.number(), store::err::ObjectClosed);
    }
    data.DatabaseName = dir / "a.mdb";
    data.Refresh();
    auto index = data.OpenPhotoIndex();
    ASSERT_EQ(index->Count(), 3);
    EXPECT_EQ(index->At(0)->id, store::Value(std::int64_t{2}));
    EXPECT_EQ(index->At(2)->titolo, Title(9));
    // The grid's carries each photo's picture as its row names it, a null as
    // empty text; the list's carries none.
    EXPECT_FALSE(index->At(2)->picture);
    SQLite::Database(dir / "a.mdb", SQLite::OPEN_READWRITE)
        .exec("UPDATE datab SET percorso_file = 'C:\\Foto', nome_file = 'a.jpg' WHERE id = 9");
    auto pictures = data.OpenPictureIndex();
    ASSERT_TRUE(pictures->At(2)->picture && pictures->At(0)->picture);
    EXPECT_EQ(pictures->At(2)->picture->folder, "C:\\Foto");
    EXPECT_EQ(pictures->At(2)->picture->name, "a.jpg");
    EXPECT_EQ(pictures->At(0)->picture->name, "");
}
