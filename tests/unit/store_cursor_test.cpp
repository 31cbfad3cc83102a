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
    // Opens an album holding `ids`, with the program's own query by default.
    ResultSet& Open(const std::vector<std::int64_t>& ids,
                    const std::string& source = store::kAlbumQuery) {
        MakeAlbum(path, ids);
        data.DatabaseName = path;
        data.RecordSource = source;
        data.Refresh();
        return data.Recordset();
    }

    // Every id from the first row on, by MoveNext.
    std::vector<std::int64_t> WalkForward(ResultSet& rows) {
        std::vector<std::int64_t> ids;
        for (rows.MoveFirst(); !rows.Eof(); rows.MoveNext()) ids.push_back(*CurrentId(rows));
        return ids;
    }

    TempDir dir;
    std::string path = dir / "album.mdb";
    DataControl data;
};

TEST_F(Cursor, EmptyAlbumHasBothFlagsAndNoCurrentRow) {
    ResultSet& rows = Open({});
    EXPECT_TRUE(rows.Bof());
    EXPECT_TRUE(rows.Eof());
    EXPECT_FALSE(rows.HasCurrentRow());
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
    // Failed moves leave the flags as they were.
    EXPECT_TRUE(rows.Bof());
    EXPECT_TRUE(rows.Eof());
}

TEST_F(Cursor, RowsComeInIdOrderWhateverTheInsertOrder) {
    ResultSet& rows = Open({3, 10, 7});
    EXPECT_EQ(*CurrentId(rows), 3);
    EXPECT_FALSE(rows.Bof());
    EXPECT_FALSE(rows.Eof());
    EXPECT_EQ(WalkForward(rows), (std::vector<std::int64_t>{3, 7, 10}));
    rows.MoveLast();
    EXPECT_EQ(*CurrentId(rows), 10);
    EXPECT_EQ(rows.Fields("titolo").text(), Title(10));
    EXPECT_EQ(rows.Fields("TITOLO").text(), Title(10)) << "names ignore case";
    EXPECT_TRUE(rows.Fields("luogo").isText());
    EXPECT_EQ(rows.Columns().size(), 8u);
}

TEST_F(Cursor, RunningOffEitherEndSetsTheFlagThenRaises) {
    ResultSet& rows = Open({3, 7, 10});
    rows.MoveLast();
    rows.MoveNext();
    EXPECT_TRUE(rows.Eof());
    EXPECT_FALSE(rows.Bof());
    EXPECT_FALSE(rows.HasCurrentRow());
    EXPECT_EQ(ErrorOf([&] { rows.Fields("id"); }), err::NoCurrentRecord);
    EXPECT_EQ(DataControl::BoundText(&rows, "titolo"), "");
    EXPECT_EQ(ErrorOf([&] { rows.MoveNext(); }), err::NoCurrentRecord);
    EXPECT_TRUE(rows.Eof());
    rows.MovePrevious();
    EXPECT_EQ(*CurrentId(rows), 10) << "back from past the end onto the last row";

    rows.MoveFirst();
    rows.MovePrevious();
    EXPECT_TRUE(rows.Bof());
    EXPECT_FALSE(rows.Eof());
    EXPECT_FALSE(rows.HasCurrentRow());
    EXPECT_EQ(ErrorOf([&] { rows.MovePrevious(); }), err::NoCurrentRecord);
    EXPECT_EQ(ErrorOf([&] { rows.Delete(); }), err::NoCurrentRecord);
    rows.MoveNext();
    EXPECT_EQ(*CurrentId(rows), 3) << "forward from before the first row onto it";
}

TEST_F(Cursor, OneRowAlbumRunsOffBothWays) {
    ResultSet& rows = Open({5});
    rows.MoveNext();
    EXPECT_TRUE(rows.Eof());
    rows.MovePrevious();
    EXPECT_EQ(*CurrentId(rows), 5);
    rows.MovePrevious();
    EXPECT_TRUE(rows.Bof());
    rows.MoveNext();
    EXPECT_EQ(*CurrentId(rows), 5);
}

TEST_F(Cursor, DeleteRemovesTheRowFromTheFileAtOnce) {
    ResultSet& rows = Open({1, 2, 3, 4, 5});
    ASSERT_TRUE(rows.SeekId(3));
    rows.Delete();
    EXPECT_EQ(IdsInFile(path), (std::vector<std::int64_t>{1, 2, 4, 5}));
    EXPECT_FALSE(rows.HasCurrentRow());
    EXPECT_FALSE(rows.Bof());
    EXPECT_FALSE(rows.Eof());
    EXPECT_EQ(ErrorOf([&] { rows.Fields("id"); }), err::NoCurrentRecord);
    EXPECT_EQ(ErrorOf([&] { rows.Delete(); }), err::NoCurrentRecord) << "already deleted";
    EXPECT_EQ(DataControl::BoundText(&rows, "id"), "");
    rows.MoveNext();
    EXPECT_EQ(*CurrentId(rows), 4) << "goes on from the deleted row's place";

    rows.Delete();
    rows.MovePrevious();
    EXPECT_EQ(*CurrentId(rows), 2);

    rows.MoveFirst();
    rows.Delete();
    data.Refresh();
    ResultSet& again = data.Recordset();
    EXPECT_EQ(*CurrentId(again), 2) << "first remaining row";
    EXPECT_EQ(WalkForward(again), (std::vector<std::int64_t>{2, 5}));
    EXPECT_EQ(IdsInFile(path), (std::vector<std::int64_t>{2, 5}));
}

TEST_F(Cursor, DeletingEveryRowLeavesAnEmptyAlbum) {
    ResultSet& rows = Open({8, 9});
    rows.MoveLast();
    rows.Delete();
    rows.MoveNext();
    EXPECT_TRUE(rows.Eof()) << "nothing after the deleted last row";
    rows.MoveFirst();
    rows.Delete();
    rows.MovePrevious();
    EXPECT_TRUE(rows.Bof());
    EXPECT_EQ(ErrorOf([&] { rows.MoveFirst(); }), err::NoCurrentRecord);
    data.Refresh();
    EXPECT_TRUE(data.Recordset().Bof());
    EXPECT_TRUE(data.Recordset().Eof());
    EXPECT_TRUE(IdsInFile(path).empty());
}

TEST_F(Cursor, MovesReadTheTableAsItStandsNow) {
    ResultSet& rows = Open({10, 20});
    data.Database().Execute("INSERT INTO datab (id) VALUES (?)", {15});
    rows.MoveNext();
    EXPECT_EQ(*CurrentId(rows), 15);
    data.Database().Execute("DELETE FROM datab WHERE id = ?", {20});
    rows.MoveNext();
    EXPECT_TRUE(rows.Eof());
    data.Database().Execute("INSERT INTO datab (id) VALUES (?)", {-4});
    rows.MoveFirst();
    EXPECT_EQ(*CurrentId(rows), -4);
}

TEST_F(Cursor, EmptyAtRefreshStillFindsRowsAddedSince) {
    ResultSet& rows = Open({});
    data.Database().Execute("INSERT INTO datab (id, titolo) VALUES (?, ?)", {4, "nuova"});
    EXPECT_EQ(ErrorOf([&] { rows.MoveNext(); }), err::NoCurrentRecord) << "Eof is still true";
    rows.MoveLast();
    EXPECT_EQ(rows.Fields("titolo").text(), "nuova");
}

TEST_F(Cursor, ColumnsMissingFromTheQueryReadEmptyWhenBound) {
    ResultSet& rows = Open({4, 2}, store::kIdQuery);
    EXPECT_EQ(rows.Columns(), std::vector<std::string>{"id"});
    EXPECT_EQ(DataControl::BoundText(&rows, "id"), "2");
    for (const char* column : {"titolo", "note", "percorso_file"}) {
        EXPECT_EQ(DataControl::BoundText(&rows, column), "") << column;
        EXPECT_EQ(ErrorOf([&] { rows.Fields(column); }), err::ItemNotFound) << column;
    }
    rows.MoveNext();
    EXPECT_EQ(*CurrentId(rows), 4);
}

TEST_F(Cursor, SomeColumnsStillMoveInIdOrder) {
    ResultSet& rows = Open({9, 1}, "select TITOLO, luogo from DATAB order by ID");
    EXPECT_EQ(rows.Columns(), (std::vector<std::string>{"TITOLO", "luogo"}));
    EXPECT_EQ(rows.Fields("titolo").text(), Title(1));
    EXPECT_EQ(ErrorOf([&] { rows.Fields("id"); }), err::ItemNotFound);
    rows.MoveNext();
    EXPECT_EQ(rows.Fields("titolo").text(), Title(9));
    rows.Delete();
    EXPECT_EQ(IdsInFile(path), std::vector<std::int64_t>{1});
}

TEST_F(Cursor, RecordSourceFormsTheProgramUses) {
    MakeAlbum(path, {1, 2});
    data.DatabaseName = path;
    for (const char* source :
         {"datab", "  DATAB ", "select * from datab order by id",
          "SELECT id FROM datab ORDER BY id", " \n SELECT\t*  FROM datab\r\nORDER   BY Id ; ",
          "SELECT id,titolo , note FROM datab ORDER BY id"}) {
        data.RecordSource = source;
        EXPECT_EQ(ErrorOf([&] { data.Refresh(); }), 0) << source;
        EXPECT_EQ(*CurrentId(data.Recordset()), 1) << source;
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
    EXPECT_EQ(IdsInFile(path), (std::vector<std::int64_t>{1, 2}));
}

TEST_F(Cursor, NothingOpenBeforeRefreshOrAfterAFailedOne) {
    EXPECT_FALSE(data.IsOpen());
    EXPECT_EQ(ErrorOf([&] { data.Recordset(); }), err::ObjectClosed);
    EXPECT_EQ(ErrorOf([&] { data.Database(); }), err::ObjectClosed);
    Open({1});
    EXPECT_TRUE(data.IsOpen());
    data.DatabaseName = dir / "manca.mdb";
    EXPECT_EQ(ErrorOf([&] { data.Refresh(); }), err::FileNotFound);
    EXPECT_FALSE(data.IsOpen());
    EXPECT_EQ(ErrorOf([&] { data.Recordset(); }), err::ObjectClosed);
    EXPECT_EQ(ErrorOf([&] { data.Database(); }), err::ObjectClosed);
    EXPECT_EQ(DataControl::BoundText(nullptr, "id"), "");
}

TEST_F(Cursor, ListenersAreToldAfterEveryChangeOfPlaceOnly) {
    std::vector<std::string> told;  // the bound id text, or "-" for nothing open
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
    EXPECT_EQ(ErrorOf([&] { rows.Fields("x"); }), err::ItemNotFound);
    EXPECT_EQ(told, (std::vector<std::string>{"[1]", "[2]", "[]", "[1]", "[]", "[2]"}));

    told.clear();
    data.DatabaseName = dir / "manca.mdb";
    EXPECT_EQ(ErrorOf([&] { data.Refresh(); }), err::FileNotFound);
    EXPECT_EQ(told, std::vector<std::string>{"-"}) << "a failed Refresh empties the boxes";

    data.RemoveListener(listener);
    data.DatabaseName = path;
    data.Refresh();
    EXPECT_EQ(told.size(), 1u);
}

// A linear scan in album order with exact numeric equality, the way the
// "go to photo number" command used to look.
std::optional<std::int64_t> ScanFor(ResultSet& rows, double number) {
    for (rows.MoveFirst(); !rows.Eof(); rows.MoveNext()) {
        const std::int64_t id = rows.Fields("id").integer();
        const bool whole = number == std::trunc(number);
        if (whole && number >= -9223372036854775808.0 && number < 9223372036854775808.0 &&
            static_cast<std::int64_t>(number) == id) {
            return id;
        }
    }
    return std::nullopt;
}

TEST_F(Cursor, SeekIdAgreesWithALinearScan) {
    constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
    constexpr std::int64_t kMin = std::numeric_limits<std::int64_t>::min();
    const std::vector<std::vector<std::int64_t>> albums = {
        {1, 2, 3, 5, 8, 13, 21, 100},
        {-7, -1, 0, 4},
        {kMin, -(std::int64_t{1} << 53) - 1, 1'000'000'000'000, (std::int64_t{1} << 53) + 1,
         std::int64_t{1} << 62, kMax},
    };
    int album = 0;
    for (const auto& ids : albums) {
        path = dir / ("seek" + std::to_string(album++) + ".mdb");
        ResultSet& rows = Open(ids);
        std::vector<double> numbers = {0.0,
                                       -0.0,
                                       2.5,
                                       -1.5,
                                       1e300,
                                       -1e300,
                                       4.0,
                                       6.0,
                                       1e12,
                                       9223372036854775808.0,
                                       std::numeric_limits<double>::quiet_NaN(),
                                       std::numeric_limits<double>::infinity()};
        for (std::int64_t id : ids) {
            numbers.push_back(static_cast<double>(id));
            numbers.push_back(static_cast<double>(id) + 0.5);
            numbers.push_back(static_cast<double>(id) - 1);
        }
        for (double number : numbers) {
            const auto expected = ScanFor(rows, number);
            rows.MoveLast();
            const bool found = rows.SeekId(number);
            ASSERT_EQ(found, expected.has_value()) << "number " << number;
            if (found) {
                EXPECT_EQ(*CurrentId(rows), *expected) << "number " << number;
            } else {
                EXPECT_EQ(*CurrentId(rows), ids.back()) << "a miss leaves the cursor alone";
            }
        }
    }
}

TEST_F(Cursor, SeekIdMissLeavesBofAndEofAlone) {
    ResultSet& rows = Open({1, 2});
    rows.MoveLast();
    rows.MoveNext();
    EXPECT_FALSE(rows.SeekId(7));
    EXPECT_TRUE(rows.Eof());
    EXPECT_TRUE(rows.SeekId(1));
    EXPECT_FALSE(rows.Eof());
    EXPECT_EQ(*CurrentId(rows), 1);
}

}  // namespace
