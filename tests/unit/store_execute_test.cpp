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

    TempDir dir;
    std::string path = dir / "album.mdb";
    DataControl data;
};

TEST_F(Execute, BoundValuesAreStoredExactlyAndNeverRunAsSql) {
    const std::vector<std::string> titles = {"l'isola d'Elba",
                                             "il \"Duomo\" di Milano",
                                             "primo; secondo;",
                                             "\"); DROP TABLE datab; --",
                                             "'); DELETE FROM datab; --",
                                             "Città, perché è così",
                                             "due\nrighe\tcon tabulazione",
                                             "",
                                             "?"};
    for (std::size_t i = 0; i < titles.size(); ++i) {
        data.Database().Execute("INSERT INTO datab (id, titolo, luogo) VALUES (?, ?, ?)",
                                {static_cast<int>(10 + i), titles[i], titles[i]});
    }
    EXPECT_EQ(IdsInFile(path).size(), titles.size() + 1) << "no statement hidden in a value ran";
    SQLite::Database other(path, SQLite::OPEN_READONLY);
    SQLite::Statement query(other, "SELECT titolo, luogo FROM datab WHERE id >= 10 ORDER BY id");
    for (const std::string& title : titles) {
        ASSERT_TRUE(query.executeStep());
        EXPECT_EQ(query.getColumn(0).getString(), title);
        EXPECT_EQ(query.getColumn(1).getString(), title);
    }
    data.Refresh();
    ASSERT_TRUE(data.Recordset().SeekId(13));
    EXPECT_EQ(DataControl::BoundText(&data.Recordset(), "titolo"), titles[3]);
}

TEST_F(Execute, NumbersAndNullGoInAsTheirOwnKinds) {
    data.Database().Execute("UPDATE datab SET titolo = ?, luogo = ?", {2.5, Value(1 << 30)});
    EXPECT_EQ(ErrorOf([&] { data.Database().Execute("UPDATE datab SET note = ?", {Value()}); }),
              err::General)
        << "NOT NULL holds";
    data.Refresh();
    EXPECT_EQ(data.Recordset().Fields("titolo"), Value("2.5")) << "text columns keep text";
    EXPECT_EQ(data.Recordset().Fields("luogo"), Value("1073741824"));
}

TEST_F(Execute, FailuresMapToTheirNumbersAndChangeNothing) {
    auto& db = data.Database();
    const std::vector<std::tuple<std::string, std::vector<Value>, int>> cases = {
        {"INSERT INTO datab (id, titolo) VALUES (?, ?)", {1, "x"}, err::DuplicateKey},
        {"INSERT INTO datab (id) VALUES (1)", {}, err::DuplicateKey},
        {"INSRT INTO datab (id) VALUES (?)", {2}, err::SyntaxError},
        {"INSERT INTO datab (id) VALUES (?", {2}, err::SyntaxError},
        {"", {}, err::SyntaxError},
        {"INSERT INTO datab (id) VALUES (?); DELETE FROM datab", {3}, err::SyntaxError},
        {"INSERT INTO datab (id) VALUES (?)", {}, err::General},
        {"INSERT INTO datab (id) VALUES (?)", {4, 5}, err::General},
    };
    for (const auto& [sql, params, number] : cases) {
        EXPECT_EQ(ErrorOf([&] { db.Execute(sql, params); }), number) << sql;
    }
    EXPECT_EQ(IdsInFile(path), Ids{1});
    EXPECT_EQ(data.Recordset().Fields("titolo").text(), Title(1));
    // Still usable after every failure; a closing ";" and comment are fine.
    db.Execute("INSERT INTO datab (id) VALUES (?); -- la seconda foto", {2});
    EXPECT_EQ(IdsInFile(path), (Ids{1, 2}));
}

TEST_F(Execute, RunsTheSameStatementAgainAfterOthersPushedItOutOfTheCache) {
    for (int id = 2; id <= 40; ++id) {
        data.Database().Execute("INSERT INTO datab (id, titolo) VALUES (?, ?)", {id, Title(id)});
        data.Database().Execute("UPDATE datab SET note = ? WHERE id = " + std::to_string(id),
                                {"n"});
    }
    EXPECT_EQ(IdsInFile(path).size(), 40u);
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
    EXPECT_EQ(IdsInFile(path), (Ids{1, 50, 51}));
}

TEST(SqliteErrors, MapToTheNumbersTheWindowsTest) {
    const std::vector<std::pair<int, int>> cases = {
        {SQLITE_READONLY, err::ReadOnlyDatabase},
        {SQLITE_READONLY_DIRECTORY, err::ReadOnlyDatabase},
        {SQLITE_BUSY, err::Locked},
        {SQLITE_LOCKED, err::Locked},
        {SQLITE_CONSTRAINT_PRIMARYKEY, err::DuplicateKey},
        {SQLITE_CONSTRAINT_UNIQUE, err::DuplicateKey},
        {SQLITE_CONSTRAINT_NOTNULL, err::General},
        {SQLITE_FULL, err::DiskFull},
        {SQLITE_CANTOPEN, err::CannotOpenForWriting},
        {SQLITE_CORRUPT, err::NotValidAlbum},
        {SQLITE_NOTADB, err::NotValidAlbum},
        {SQLITE_IOERR_SHORT_READ, err::NotValidAlbum},
        {SQLITE_IOERR_WRITE, err::General},
        {SQLITE_ERROR, err::General},
    };
    for (auto [code, number] : cases) EXPECT_EQ(store::sqlite::ErrorNumber(code), number) << code;
    EXPECT_EQ(store::sqlite::ErrorNumber(SQLITE_ERROR, err::SyntaxError), err::SyntaxError);
}

}  // namespace
