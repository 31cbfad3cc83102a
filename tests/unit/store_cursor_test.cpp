#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "store_test_support.h"

using namespace store_test;
using store::DataControl;
using store::ResultSet;
namespace err = store::err;

namespace {

class Cursor : public ::testing::Test {
protected:
    ResultSet& Open(const Ids& ids, const std::string& source = store::kAlbumQuery) {
        MakeAlbum(path, ids);
        data.DatabaseName = path;
        data.RecordSource = source;
        data.Refresh();
        return data.Recordset();
    }

    static Ids WalkForward(ResultSet& rows) {
        Ids ids;
        for (rows.MoveFirst(); !rows.Eof(); rows.MoveNext()) ids.push_back(*CurrentId(rows));
        return ids;
    }

    TempDir dir;
    std::string path = dir / "album.mdb";
    DataControl data;
};

TEST_F(Cursor, EmptyAlbumHasBothFlagsAndEveryMoveRaises) {
    ResultSet& rows = Open({});
    for (const char* column : store::kAlbumColumns) {
        EXPECT_EQ(DataControl::BoundText(&rows, column), "") << column;
    }
    EXPECT_EQ(ErrorOf([&] { rows.MoveFirst(); }), err::NoCurrentRecord);
    EXPECT_EQ(ErrorOf([&] { rows.MoveLast(); }), err::NoCurrentRecord);
    EXPECT_EQ(ErrorOf([&] { rows.MoveNext(); }), err::NoCurrentRecord);
    EXPECT_EQ(ErrorOf([&] { rows.MovePrevious(); }), err::NoCurrentRecord);
    EXPECT_EQ(ErrorOf([&] { rows.Delete(); }), err::NoCurrentRecord);
    EXPECT_EQ(ErrorOf([&] { rows.Fields("id"); }), err::NoCurrentRecord);
    EXPECT_EQ(ErrorOf([&] { rows.Fields("nessuno"); }), err::ItemNotFound);
    EXPECT_FALSE(rows.SeekId(1));
    EXPECT_TRUE(rows.Bof() && rows.Eof() && !rows.HasCurrentRow());
}

TEST_F(Cursor, WalksInIdOrderAndRunsOffEachEndOnceWithoutError) {
    ResultSet& rows = Open({3, 10, 7});
    EXPECT_EQ(*CurrentId(rows), 3);
    EXPECT_FALSE(rows.Bof() || rows.Eof());
    EXPECT_EQ(WalkForward(rows), (Ids{3, 7, 10}));
    EXPECT_TRUE(rows.Eof() && !rows.Bof() && !rows.HasCurrentRow());
    EXPECT_EQ(ErrorOf([&] { rows.Fields("id"); }), err::NoCurrentRecord);
    EXPECT_EQ(ErrorOf([&] { rows.MoveNext(); }), err::NoCurrentRecord);
    rows.MovePrevious();
    EXPECT_EQ(*CurrentId(rows), 10) << "back from past the end onto the last row";
    EXPECT_EQ(rows.Fields("TITOLO").text(), Title(10)) << "names ignore case";

    rows.MoveFirst();
    rows.MovePrevious();
    EXPECT_TRUE(rows.Bof() && !rows.Eof() && !rows.HasCurrentRow());
    EXPECT_EQ(ErrorOf([&] { rows.MovePrevious(); }), err::NoCurrentRecord);
    EXPECT_EQ(ErrorOf([&] { rows.Delete(); }), err::NoCurrentRecord);
    rows.MoveNext();
    EXPECT_EQ(*CurrentId(rows), 3) << "forward from before the first row onto it";
}

TEST_F(Cursor, DeleteTakesTheRowOutOfTheFileAtOnceAndLeavesNoCurrentRow) {
    ResultSet& rows = Open({1, 2, 3, 4, 5});
    ASSERT_TRUE(rows.SeekId(3));
    rows.Delete();
    EXPECT_EQ(IdsInFile(path), (Ids{1, 2, 4, 5}));
    EXPECT_FALSE(rows.HasCurrentRow() || rows.Bof() || rows.Eof());
    EXPECT_EQ(ErrorOf([&] { rows.Fields("id"); }), err::NoCurrentRecord);
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

TEST_F(Cursor, MovesReadTheTableAsItStandsNow) {
    ResultSet& rows = Open({10, 20});
    data.Database().Execute("INSERT INTO datab (id) VALUES (15)");
    rows.MoveNext();
    EXPECT_EQ(CurrentId(rows), 15);
    data.Database().Execute("DELETE FROM datab WHERE id <> 15");
    rows.MoveNext();
    EXPECT_TRUE(rows.Eof());
    rows.MovePrevious();
    EXPECT_EQ(CurrentId(rows), 15);
}

TEST_F(Cursor, QueriesOfSomeColumnsKeepIdOrderAndBindTheRestEmpty) {
    ResultSet& rows = Open({4, 2}, store::kIdQuery);
    EXPECT_EQ(rows.Columns(), std::vector<std::string>{"id"});
    EXPECT_EQ(DataControl::BoundText(&rows, "id"), "2");
    for (const char* column : {"titolo", "note", "percorso_file"}) {
        EXPECT_EQ(DataControl::BoundText(&rows, column), "") << column;
        EXPECT_EQ(ErrorOf([&] { rows.Fields(column); }), err::ItemNotFound) << column;
    }
    rows.MoveNext();
    rows.Delete();
    EXPECT_EQ(IdsInFile(path), Ids{2});
}

TEST_F(Cursor, AcceptsTheProgramsRecordSourcesAndRefusesTheRestWith3075) {
    MakeAlbum(path, {1, 2});
    data.DatabaseName = path;
    for (const char* source : {"datab", "  DATAB ", "select * from datab order by id",
                               " \n SELECT\t*  FROM datab\r\nORDER   BY Id ; ",
                               "SELECT id,titolo , note FROM datab ORDER BY id"}) {
        data.RecordSource = source;
        EXPECT_EQ(ErrorOf([&] { data.Refresh(); }), 0) << source;
        EXPECT_EQ(CurrentId(data.Recordset()), 1) << source;
    }
    for (const char* source :
         {"", "SELECT * FROM datab", "SELECT * FROM datab ORDER BY titolo",
          "SELECT * FROM datab WHERE id > 1 ORDER BY id", "SELECT * FROM datab ORDER BY id DESC",
          "SELECT nessuno FROM datab ORDER BY id", "SELECT FROM datab ORDER BY id",
          "SELECT id, FROM datab ORDER BY id", "SELECT * FROM altro ORDER BY id",
          "datab; DROP TABLE datab", "SELECT \"id\" FROM datab ORDER BY id", "datab datab"}) {
        data.RecordSource = source;
        EXPECT_EQ(ErrorOf([&] { data.Refresh(); }), err::SyntaxError) << source;
        EXPECT_FALSE(data.IsOpen()) << source;
    }
    EXPECT_EQ(IdsInFile(path), (Ids{1, 2}));
}

TEST_F(Cursor, NothingIsOpenBeforeRefreshOrAfterAFailedOne) {
    EXPECT_EQ(ErrorOf([&] { data.Recordset(); }), err::ObjectClosed);
    EXPECT_EQ(ErrorOf([&] { data.Database(); }), err::ObjectClosed);
    ResultSet& rows = Open({1, 2});
    store::Connection& db = data.Database();
    data.DatabaseName = dir / "manca.mdb";
    EXPECT_EQ(ErrorOf([&] { data.Refresh(); }), err::FileNotFound);
    EXPECT_FALSE(data.IsOpen());
    EXPECT_EQ(ErrorOf([&] { data.Recordset(); }), err::ObjectClosed);
    EXPECT_EQ(ErrorOf([&] { data.Database(); }), err::ObjectClosed);
    // References kept from before reach what is open now: nothing, then the album.
    EXPECT_EQ(ErrorOf([&] { rows.MoveNext(); }), err::ObjectClosed);
    EXPECT_EQ(ErrorOf([&] { db.Execute("DELETE FROM datab"); }), err::ObjectClosed);
    data.DatabaseName = path;
    data.Refresh();
    rows.MoveNext();
    EXPECT_EQ(CurrentId(rows), 2);
    db.Execute("DELETE FROM datab WHERE id = ?", {1});
    EXPECT_EQ(IdsInFile(path), Ids{2});
}

TEST_F(Cursor, ListenersHearOfEveryRefreshMoveAndDeleteButNotOfFailures) {
    std::vector<std::string> told;  // the bound id, or "-" for nothing open
    const int listener = data.AddListener([&](const ResultSet* rows) {
        told.push_back(rows ? "[" + DataControl::BoundText(rows, "id") + "]" : "-");
    });
    ResultSet& rows = Open({1, 2});
    rows.MoveNext();
    rows.MoveNext();
    EXPECT_EQ(ErrorOf([&] { rows.MoveNext(); }), err::NoCurrentRecord);
    rows.MoveFirst();
    rows.Delete();
    EXPECT_FALSE(rows.SeekId(1));
    EXPECT_TRUE(rows.SeekId(2));
    data.Database().Execute("INSERT INTO datab (id) VALUES (?)", {3});
    data.DatabaseName = dir / "manca.mdb";
    EXPECT_EQ(ErrorOf([&] { data.Refresh(); }), err::FileNotFound);
    EXPECT_EQ(told, (std::vector<std::string>{"[1]", "[2]", "[]", "[1]", "[]", "[2]", "-"}));
    data.RemoveListener(listener);
    data.DatabaseName = path;
    data.Refresh();
    EXPECT_EQ(told.size(), 7u);
}

// The "go to photo number" command's old linear scan: the first row in album
// order whose id equals the number exactly.
std::optional<std::int64_t> ScanFor(ResultSet& rows, double number) {
    const bool whole = number == std::trunc(number);
    for (rows.MoveFirst(); !rows.Eof(); rows.MoveNext()) {
        const std::int64_t id = rows.Fields("id").integer();
        if (whole && number >= -9223372036854775808.0 && number < 9223372036854775808.0 &&
            static_cast<std::int64_t>(number) == id) {
            return id;
        }
    }
    return std::nullopt;
}

TEST_F(Cursor, SeekIdAgreesWithALinearScanAndAMissMovesNothing) {
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
        ResultSet& rows = Open(albums[a]);
        std::vector<double> numbers = {0.0,
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
                numbers.push_back(static_cast<double>(id) + delta);
        }
        for (double number : numbers) {
            const auto expected = ScanFor(rows, number);
            rows.MoveLast();
            rows.MoveNext();
            ASSERT_EQ(rows.SeekId(number), expected.has_value()) << number;
            EXPECT_EQ(CurrentId(rows), expected) << number;
            EXPECT_EQ(rows.Eof(), !expected) << "a miss leaves the cursor past the end";
        }
    }
}

}  // namespace
