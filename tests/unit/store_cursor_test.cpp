#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "store_test_support.h"

using namespace store_test;
using store::Cursor;
using store::DataControl;
using store::Value;
namespace err = store::err;

namespace {

class Moves : public ::testing::Test {
protected:
    Cursor& Open(const Ids& ids) {
        MakeAlbum(path, ids);
        data.DatabaseName = path;
        data.Refresh();
        return data.Recordset();
    }

    static Ids WalkForward(Cursor& rows) {
        Ids ids;
        for (rows.MoveFirst(); !rows.Eof(); rows.MoveNext()) ids.push_back(*CurrentId(rows));
        return ids;
    }

    TempDir dir;
    std::string path = dir / "album.mdb";
    DataControl data;
};

TEST_F(Moves, EmptyAlbumHasBothFlagsAndEveryMoveRaises) {
    Cursor& rows = Open({});
    EXPECT_EQ(ErrorOf([&] { rows.MoveFirst(); }), err::NoCurrentRecord);
    EXPECT_EQ(ErrorOf([&] { rows.MoveLast(); }), err::NoCurrentRecord);
    EXPECT_EQ(ErrorOf([&] { rows.MoveNext(); }), err::NoCurrentRecord);
    EXPECT_EQ(ErrorOf([&] { rows.MovePrevious(); }), err::NoCurrentRecord);
    EXPECT_EQ(ErrorOf([&] { rows.Delete(); }), err::NoCurrentRecord);
    EXPECT_EQ(ErrorOf([&] { rows.Current(); }), err::NoCurrentRecord);
    EXPECT_FALSE(rows.SeekId(Value(1)));
    EXPECT_FALSE(rows.PhotoBefore(Value(1)) || rows.PhotoAfter(Value(1)));
    EXPECT_TRUE(rows.Bof() && rows.Eof() && !rows.HasCurrentRow());
}

TEST_F(Moves, WalksInIdOrderAndRunsOffEachEndOnceWithoutError) {
    Cursor& rows = Open({3, 10, 7});
    EXPECT_EQ(*CurrentId(rows), 3);
    EXPECT_FALSE(rows.Bof() || rows.Eof());
    EXPECT_EQ(WalkForward(rows), (Ids{3, 7, 10}));
    EXPECT_TRUE(rows.Eof() && !rows.Bof() && !rows.HasCurrentRow());
    EXPECT_EQ(ErrorOf([&] { rows.Current(); }), err::NoCurrentRecord);
    EXPECT_EQ(ErrorOf([&] { rows.MoveNext(); }), err::NoCurrentRecord);
    rows.MovePrevious();
    EXPECT_EQ(*CurrentId(rows), 10) << "back from past the end onto the last row";
    EXPECT_EQ(rows.Current().texts.titolo, Title(10));

    rows.MoveFirst();
    rows.MovePrevious();
    EXPECT_TRUE(rows.Bof() && !rows.Eof() && !rows.HasCurrentRow());
    EXPECT_EQ(ErrorOf([&] { rows.MovePrevious(); }), err::NoCurrentRecord);
    EXPECT_EQ(ErrorOf([&] { rows.Delete(); }), err::NoCurrentRecord);
    rows.MoveNext();
    EXPECT_EQ(*CurrentId(rows), 3) << "forward from before the first row onto it";
}

TEST_F(Moves, DeleteTakesTheRowOutOfTheFileAtOnceAndLeavesNoCurrentRow) {
    Cursor& rows = Open({1, 2, 3, 4, 5});
    ASSERT_TRUE(rows.SeekId(Value(3)));
    rows.Delete();
    EXPECT_EQ(IdsInFile(path), (Ids{1, 2, 4, 5}));
    EXPECT_FALSE(rows.HasCurrentRow() || rows.Bof() || rows.Eof());
    EXPECT_EQ(ErrorOf([&] { rows.Current(); }), err::NoCurrentRecord);
    EXPECT_EQ(ErrorOf([&] { rows.Delete(); }), err::NoCurrentRecord) << "already deleted";
    rows.MoveNext();
    EXPECT_EQ(*CurrentId(rows), 4) << "goes on from the deleted row's place";
    rows.Delete();
    rows.MovePrevious();
    EXPECT_EQ(*CurrentId(rows), 2);

    rows.MoveFirst();
    rows.Delete();
    data.Refresh();
    EXPECT_EQ(CurrentId(data.Recordset()), 2) << "first remaining row";
    EXPECT_EQ(IdsInFile(path), (Ids{2, 5}));
}

TEST_F(Moves, MovesReadTheAlbumAsItStandsNow) {
    Cursor& rows = Open({10, 20});
    SQLite::Database other(path, SQLite::OPEN_READWRITE);  // another program
    other.exec("INSERT INTO datab (id) VALUES (15)");
    rows.MoveNext();
    EXPECT_EQ(CurrentId(rows), 15);
    other.exec("DELETE FROM datab WHERE id <> 15");
    rows.MoveNext();
    EXPECT_TRUE(rows.Eof());
    rows.MovePrevious();
    EXPECT_EQ(CurrentId(rows), 15);
    EXPECT_EQ(data.InsertPhoto({}), Value(16));
    EXPECT_EQ(CurrentId(rows), 15) << "adding a photo leaves the cursor where it is";
    rows.MoveNext();
    EXPECT_EQ(CurrentId(rows), 16);
}

TEST_F(Moves, NothingIsOpenBeforeRefreshOrAfterAFailedOne) {
    auto everyUse = [&] {
        return std::vector<int>{ErrorOf([&] { data.Recordset(); }),
                                ErrorOf([&] { data.InsertPhoto({}); }),
                                ErrorOf([&] { data.OpenPhotoIndex(); })};
    };
    const std::vector<int> closed(3, err::ObjectClosed);
    EXPECT_EQ(everyUse(), closed);
    Cursor& rows = Open({1, 2});
    data.DatabaseName = dir / "manca.mdb";
    EXPECT_EQ(ErrorOf([&] { data.Refresh(); }), err::FileNotFound);
    EXPECT_FALSE(data.IsOpen());
    EXPECT_EQ(everyUse(), closed);
    // A reference kept from before reaches what is open now: nothing, then the album.
    EXPECT_EQ(ErrorOf([&] { rows.MoveNext(); }), err::ObjectClosed);
    EXPECT_EQ(ErrorOf([&] { rows.PhotoAfter(Value(1)); }), err::ObjectClosed);
    data.DatabaseName = path;
    data.Refresh();
    rows.MoveNext();
    EXPECT_EQ(CurrentId(rows), 2);
    rows.Delete();
    EXPECT_EQ(IdsInFile(path), Ids{1});
}

TEST_F(Moves, ListenersHearOfEveryRefreshMoveAndDeleteButNotOfFailures) {
    std::vector<std::string> told;  // the current photo's id, or "-" for none
    const int listener = data.AddListener([&](const store::Photo* photo) {
        told.push_back(photo ? photo->id.toText() + "/" + photo->texts.titolo : "-");
    });
    Cursor& rows = Open({1, 2});
    rows.MoveNext();
    rows.MoveNext();
    EXPECT_EQ(ErrorOf([&] { rows.MoveNext(); }), err::NoCurrentRecord);
    rows.MoveFirst();
    rows.Delete();
    EXPECT_FALSE(rows.SeekId(Value(1)));
    EXPECT_TRUE(rows.SeekId(Value(2)));
    data.InsertPhoto({});
    rows.PhotoAfter(Value(1));
    data.DatabaseName = dir / "manca.mdb";
    EXPECT_EQ(ErrorOf([&] { data.Refresh(); }), err::FileNotFound);
    const std::string one = "1/" + Title(1), two = "2/" + Title(2);
    EXPECT_EQ(told, (std::vector<std::string>{one, two, "-", one, "-", two, "-"}));
    data.RemoveListener(listener);
    data.DatabaseName = path;
    data.Refresh();
    EXPECT_EQ(told.size(), 7u);
}

TEST_F(Moves, PhotoBeforeAndAfterReadTheNeighboursWithoutMoving) {
    Cursor& rows = Open({2, 5, 9});
    rows.MoveLast();
    struct Case {
        Value id;
        std::optional<std::int64_t> before, after;
    };
    const Case cases[] = {
        {Value(2), std::nullopt, 5},
        {Value(9), 5, std::nullopt},
        {Value(5), 2, 9},
        {Value(3), 2, 5},
        {Value(4.5), 2, 5},
        {Value(-100), std::nullopt, 2},
        {Value(100), 9, std::nullopt},
        {Value(std::int64_t{1} << 62), 9, std::nullopt},
    };
    for (const auto& [id, before, after] : cases) {
        EXPECT_EQ(IdOf(rows.PhotoBefore(id)), before) << id.toText();
        EXPECT_EQ(IdOf(rows.PhotoAfter(id)), after) << id.toText();
        EXPECT_EQ(IdOf(rows.PicturePlaceBefore(id)), before) << id.toText();
        EXPECT_EQ(IdOf(rows.PicturePlaceAfter(id)), after) << id.toText();
    }
    EXPECT_EQ(rows.PhotoAfter(Value(2))->texts.titolo, Title(5));
    // Of the neighbours' picture places, only the folder and the name.
    SQLite::Database(path, SQLite::OPEN_READWRITE)
        .exec("UPDATE datab SET nome_file = 'a.jpg', percorso_file = '/foto' WHERE id = 5");
    const auto place = rows.PicturePlaceAfter(Value(2));
    EXPECT_EQ(place->texts.nome_file, "a.jpg");
    EXPECT_EQ(place->texts.percorso_file, "/foto");
    EXPECT_EQ(place->texts.titolo, "");
    EXPECT_EQ(CurrentId(rows), 9) << "the cursor stays";
}

// The "go to photo number" command's old linear scan: the first row in album
// order whose id equals the number exactly.
// An int64 number compares exactly.
std::optional<std::int64_t> ScanFor(Cursor& rows, const Value& number) {
    std::optional<std::int64_t> whole;
    if (number.isInteger()) {
        whole = number.integer();
    } else if (const double d = number.real();
               d == std::trunc(d) && d >= -9223372036854775808.0 && d < 9223372036854775808.0) {
        whole = static_cast<std::int64_t>(d);
    }
    for (rows.MoveFirst(); !rows.Eof(); rows.MoveNext()) {
        if (whole == rows.Current().id.integer()) return whole;
    }
    return std::nullopt;
}

TEST_F(Moves, SeekIdAgreesWithALinearScanAndAMissMovesNothing) {
    constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
    constexpr std::int64_t kMin = std::numeric_limits<std::int64_t>::min();
    const std::vector<Ids> albums = {
        {1, 2, 3, 5, 8, 13, 21, 100},
        {-7, -1, 0, 4},
        {kMin, -(std::int64_t{1} << 53) - 1, 1'000'000'000'000, (std::int64_t{1} << 53) + 1,
         std::int64_t{1} << 62, kMax},
    };
    for (std::size_t a = 0; a < albums.size(); ++a) {
        path = dir / ("seek" + std::to_string(a) + ".mdb");
        Cursor& rows = Open(albums[a]);
        std::vector<Value> numbers = {0.0,
                                      -0.0,
                                      2.5,
                                      -1.5,
                                      1e300,
                                      -1e300,
                                      6.0,
                                      9.3e18,
                                      std::numeric_limits<double>::quiet_NaN(),
                                      std::numeric_limits<double>::infinity()};
        for (std::int64_t id : albums[a]) {
            for (double delta : {0.0, 0.5, -1.0})
                numbers.emplace_back(static_cast<double>(id) + delta);
            // As typed: every digit counts, beyond 2^53 too.
            for (std::int64_t delta : {0, 1, -1}) {
                if ((delta <= 0 || id < kMax) && (delta >= 0 || id > kMin)) {
                    numbers.emplace_back(id + delta);
                }
            }
        }
        for (const Value& number : numbers) {
            const auto expected = ScanFor(rows, number);
            rows.MoveLast();
            rows.MoveNext();
            ASSERT_EQ(rows.SeekId(number), expected.has_value()) << number.toText();
            EXPECT_EQ(CurrentId(rows), expected) << number.toText();
            EXPECT_EQ(rows.Eof(), !expected) << "a miss leaves the cursor past the end";
        }
    }
}

TEST(SeekId, FindsRealNumbersAsNumbersInAnAlbumMadeElsewhere) {
    TempDir dir;
    MakeLooseAlbum(dir / "a.mdb", {Value(1), Value(2.5), Value(1e16), Value(4)});
    DataControl data;
    data.DatabaseName = dir / "a.mdb";
    data.Refresh();
    Cursor& rows = data.Recordset();
    EXPECT_TRUE(rows.SeekId(Value(2.5)));
    EXPECT_EQ(rows.Current().texts.titolo, "Foto numero 2.5");
    EXPECT_EQ(rows.PhotoAfter(Value(2.5))->id, Value(4));
    EXPECT_EQ(rows.PhotoBefore(Value(2.5))->id, Value(1));
    EXPECT_FALSE(rows.SeekId(Value(3.5)));
    EXPECT_TRUE(rows.SeekId(Value(4.0))) << "a whole real finds the whole id";
    EXPECT_EQ(rows.Current().id, Value(4));
}

// An album made elsewhere may number several photos alike: each has its own
// place, by its number, then by its row, with or without an index on id.
TEST(Twins, EveryRowIsVisitedOnceEitherWayAndSeekFindsTheFirst) {
    for (const bool indexed : {false, true}) {
        SCOPED_TRACE(indexed ? "indexed" : "not indexed");
        TempDir dir;
        // Rows 1 to 5 numbered 2, 1, 2, 3, 2: in album order, rows 2, 1, 3, 5, 4.
        MakeLooseAlbum(dir / "a.mdb", {Value(2), Value(1), Value(2), Value(3), Value(2)});
        if (indexed)
            SQLite::Database(dir / "a.mdb", SQLite::OPEN_READWRITE)
                .exec("CREATE INDEX i ON datab(id)");
        DataControl data;
        data.DatabaseName = dir / "a.mdb";
        data.Refresh();
        Cursor& rows = data.Recordset();
        Ids forward, back;
        for (rows.MoveFirst(); !rows.Eof(); rows.MoveNext()) forward.push_back(*rows.Current().row);
        for (rows.MoveLast(); !rows.Bof(); rows.MovePrevious()) back.push_back(*rows.Current().row);
        EXPECT_EQ(forward, (Ids{2, 1, 3, 5, 4}));
        EXPECT_EQ(back, (Ids{4, 5, 3, 1, 2}));

        ASSERT_TRUE(rows.SeekId(Value(2)));
        EXPECT_EQ(rows.Current().row, 1);
        EXPECT_EQ(rows.PhotoAfter(rows.Current())->row, 3);
        EXPECT_EQ(rows.PicturePlaceBefore(rows.Current())->row, 2);
        EXPECT_EQ(rows.PhotoAfter(Value(2))->row, 4) << "a number stands for all its photos";
        rows.MoveNext();
        rows.Delete();
        EXPECT_EQ(IdsInFile(dir / "a.mdb"), (Ids{1, 2, 2, 3}));
        rows.MoveNext();
        EXPECT_EQ(rows.Current().row, 5) << "on from the deleted row's place";
        rows.MovePrevious();
        EXPECT_EQ(rows.Current().row, 1);
    }
}

}  // namespace
