#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "store/sqlite_support.h"
#include "store_test_support.h"

using namespace store_test;
using store::DataControl;
using store::Value;
namespace err = store::err;

namespace {

class Execute : public ::testing::Test {
protected:
    void SetUp() override {
        MakeAlbum(path, {1});
        data.DatabaseName = path;
        data.Refresh();
    }

    std::string TitleInFile(std::int64_t id) {
        SQLite::Database db(path, SQLite::OPEN_READONLY);
        SQLite::Statement query(db, "SELECT titolo FROM datab WHERE id = ?");
        query.bind(1, id);
        return query.executeStep() ? query.getColumn(0).getString() : "<nessuna riga>";
    }

    TempDir dir;
    std::string path = dir / "album.mdb";
    DataControl data;
};

TEST_F(Execute, BoundValuesAreStoredExactlyNeverRunAsSql) {
    const std::vector<std::string> titles = {
        "l'isola d'Elba",
        "il \"Duomo\" di Milano",
        "primo; secondo;",
        "\"); DROP TABLE datab; --",
        "'); DELETE FROM datab; --",
        "Città, perché è così",
        "due\nrighe\tcon tabulazione",
        "",
        "?",
    };
    std::int64_t id = 10;
    for (const std::string& title : titles) {
        data.Database().Execute("INSERT INTO datab (id, titolo, luogo) VALUES (?, ?, ?)",
                                {id, title, title});
        EXPECT_EQ(TitleInFile(id), title);
        ++id;
    }
    data.Refresh();
    store::ResultSet& rows = data.Recordset();
    ASSERT_TRUE(rows.SeekId(10));
    for (const std::string& title : titles) {
        EXPECT_EQ(rows.Fields("titolo").text(), title);
        EXPECT_EQ(DataControl::BoundText(&rows, "luogo"), title);
        rows.MoveNext();
    }
    EXPECT_TRUE(rows.Eof());
    EXPECT_EQ(IdsInFile(path).size(), titles.size() + 1) << "no statement hidden in a value ran";
}

TEST_F(Execute, EveryKindOfValueGoesInAndComesBack) {
    data.Database().Execute("UPDATE datab SET titolo = ?, luogo = ?, note = ? WHERE id = ?",
                            {Value(2.5), Value(std::int64_t{1} << 40), Value("testo"), 1});
    data.Database().Execute("INSERT INTO datab (id) VALUES (?)", {Value(6.0)});
    data.Refresh();
    store::ResultSet& rows = data.Recordset();
    // The text columns keep numbers as text, as their declared type asks.
    EXPECT_EQ(rows.Fields("titolo").text(), "2.5");
    EXPECT_EQ(rows.Fields("luogo").text(), "1099511627776");
    EXPECT_EQ(rows.Fields("id").integer(), 1);
    rows.MoveNext();
    EXPECT_EQ(rows.Fields("id"), Value(6));
    EXPECT_EQ(ErrorOf([&] {
                  data.Database().Execute("UPDATE datab SET note = ? WHERE id = 6", {Value()});
              }),
              err::General)
        << "NOT NULL holds";
}

TEST_F(Execute, FailuresMapToTheirNumbersAndChangeNothing) {
    auto& db = data.Database();
    EXPECT_EQ(ErrorOf([&] {
                  db.Execute("INSERT INTO datab (id, titolo) VALUES (?, ?)", {1, "x"});
              }),
              err::DuplicateKey);
    EXPECT_EQ(TitleInFile(1), Title(1));
    EXPECT_EQ(ErrorOf([&] { db.Execute("INSERT INTO datab (id) VALUES (1)"); }), err::DuplicateKey);
    EXPECT_EQ(ErrorOf([&] { db.Execute("INSRT INTO datab (id) VALUES (?)", {2}); }),
              err::SyntaxError);
    EXPECT_EQ(ErrorOf([&] { db.Execute("INSERT INTO datab (id) VALUES (?"); }), err::SyntaxError);
    EXPECT_EQ(ErrorOf([&] { db.Execute(""); }), err::SyntaxError);
    EXPECT_EQ(
        ErrorOf([&] { db.Execute("INSERT INTO datab (id) VALUES (?); DELETE FROM datab", {3}); }),
        err::SyntaxError)
        << "one statement at a time";
    EXPECT_EQ(ErrorOf([&] { db.Execute("INSERT INTO datab (id) VALUES (?)"); }), err::General)
        << "a placeholder without a value";
    EXPECT_EQ(ErrorOf([&] {
                  db.Execute("INSERT INTO datab (id) VALUES (?)", {4, 5});
              }),
              err::General);
    EXPECT_EQ(IdsInFile(path), std::vector<std::int64_t>{1});
    // Still usable after every failure; a closing ";" or comment is fine.
    db.Execute("INSERT INTO datab (id) VALUES (?); -- la seconda foto", {2});
    EXPECT_EQ(IdsInFile(path), (std::vector<std::int64_t>{1, 2}));
}

TEST_F(Execute, SameStatementRunsAgainWithNewValues) {
    for (int id = 2; id <= 40; ++id) {
        data.Database().Execute("INSERT INTO datab (id, titolo) VALUES (?, ?)", {id, Title(id)});
        // Other statements in between push it around the prepared cache.
        data.Database().Execute("UPDATE datab SET note = ? WHERE id = " + std::to_string(id),
                                {"n"});
    }
    const auto ids = IdsInFile(path);
    ASSERT_EQ(ids.size(), 40u);
    EXPECT_EQ(TitleInFile(40), Title(40));
}

TEST_F(Execute, WaitsForAnotherWriterInsteadOfFailing) {
    DataControl other;
    other.DatabaseName = path;
    other.Refresh();
    other.Database().Execute("BEGIN IMMEDIATE");
    other.Database().Execute("INSERT INTO datab (id) VALUES (?)", {50});
    std::thread finisher([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        other.Database().Execute("COMMIT");
    });
    const auto start = std::chrono::steady_clock::now();
    const int error =
        ErrorOf([&] { data.Database().Execute("INSERT INTO datab (id) VALUES (?)", {51}); });
    const auto waited = std::chrono::steady_clock::now() - start;
    finisher.join();
    EXPECT_EQ(error, 0);
    EXPECT_GE(waited, std::chrono::milliseconds(200)) << "it did wait for the lock";
    EXPECT_EQ(IdsInFile(path), (std::vector<std::int64_t>{1, 50, 51}));
}

TEST(SqliteErrors, MapToTheNumbersTheWindowsTest) {
    using store::sqlite::ErrorNumber;
    EXPECT_EQ(ErrorNumber(SQLITE_READONLY), err::ReadOnlyDatabase);
    EXPECT_EQ(ErrorNumber(SQLITE_READONLY_DIRECTORY), err::ReadOnlyDatabase);
    EXPECT_EQ(ErrorNumber(SQLITE_BUSY), err::Locked);
    EXPECT_EQ(ErrorNumber(SQLITE_BUSY_SNAPSHOT), err::Locked);
    EXPECT_EQ(ErrorNumber(SQLITE_LOCKED), err::Locked);
    EXPECT_EQ(ErrorNumber(SQLITE_CONSTRAINT_PRIMARYKEY), err::DuplicateKey);
    EXPECT_EQ(ErrorNumber(SQLITE_CONSTRAINT_UNIQUE), err::DuplicateKey);
    EXPECT_EQ(ErrorNumber(SQLITE_CONSTRAINT_NOTNULL), err::General);
    EXPECT_EQ(ErrorNumber(SQLITE_FULL), err::DiskFull);
    EXPECT_EQ(ErrorNumber(SQLITE_CANTOPEN), err::CannotOpenForWriting);
    EXPECT_EQ(ErrorNumber(SQLITE_CORRUPT), err::NotValidAlbum);
    EXPECT_EQ(ErrorNumber(SQLITE_NOTADB), err::NotValidAlbum);
    EXPECT_EQ(ErrorNumber(SQLITE_IOERR_SHORT_READ), err::NotValidAlbum);
    EXPECT_EQ(ErrorNumber(SQLITE_IOERR_WRITE), err::General);
    EXPECT_EQ(ErrorNumber(SQLITE_ERROR, err::SyntaxError), err::SyntaxError);
    EXPECT_EQ(ErrorNumber(SQLITE_ERROR), err::General);
}

}  // namespace
