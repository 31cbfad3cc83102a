// Adding photos: their numbers, their texts, and two programs at one album.

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <chrono>
#include <future>
#include <limits>
#include <set>
#include <thread>

#include "store/sqlite_engine.h"
#include "store_test_support.h"

using namespace store_test;
using store::DataControl;
using store::PhotoTexts;
using store::Value;
namespace err = store::err;
namespace fs = std::filesystem;

namespace {

constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
constexpr std::int64_t kTwoTo53 = std::int64_t{1} << 53;

class Insert : public ::testing::Test {
protected:
    DataControl& Open(DataControl& data) {
        data.DatabaseName = path;
        data.Refresh();
        return data;
    }

    TempDir dir;
    std::string path = dir / "album.mdb";
    DataControl data;
};

TEST_F(Insert, TextsAreStoredExactlyAndNeverRunAsSql) {
    MakeAlbum(path, {1});
    Open(data);
    const std::vector<std::string> titles = {"l'isola d'Elba",
                                             "il \"Duomo\" di Milano",
                                             "primo; secondo;",
                                             "\"); DROP TABLE datab; --",
                                             "'); DELETE FROM datab; --",
                                             "Città, perché è così",
                                             "due\nrighe\tcon tabulazione",
                                             "",
                                             "?"};
    for (const std::string& title : titles) {
        data.InsertPhoto({title, "1/2/03", title, "p", "n", "f.jpg", "/c"});
    }
    EXPECT_EQ(IdsInFile(path).size(), titles.size() + 1) << "no statement hidden in a text ran";
    store::Cursor& rows = data.Recordset();
    for (const std::string& title : titles) {
        rows.MoveNext();
        EXPECT_EQ(rows.Current().texts,
                  (PhotoTexts{title, "1/2/03", title, "p", "n", "f.jpg", "/c"}));
    }
}

TEST_F(Insert, NumbersAreTheHighestPlusOneExactlyOrTheRangeIsFull) {
    struct Case {
        std::vector<Value> ids;  // written as given into an album whose id has no type
        Value next;              // Value() when the highest number cannot grow
    };
    const std::vector<Case> cases = {
        {{}, Value(1)},
        {{Value(1), Value(2), Value(5)}, Value(6)},  // gaps stay gaps
        {{Value(-9), Value(-5)}, Value(-4)},
        {{Value(kTwoTo53)}, Value(kTwoTo53 + 1)},
        {{Value(kMax - 1)}, Value(kMax)},
        {{Value(3), Value(kMax)}, Value()},
        {{Value(1), Value(2.5)}, Value(3.5)},  // a real grows as a real
        {{Value(6.0)}, Value(7)},
        {{Value(9007199254740992.0)}, Value(kTwoTo53 + 1)},
        {{Value(1e300)}, Value()},
    };
    for (std::size_t i = 0; i < cases.size(); ++i) {
        const Case& c = cases[i];
        const std::string file = dir / ("numeri" + std::to_string(i) + ".mdb");
        MakeLooseAlbum(file, c.ids);
        DataControl album;
        album.DatabaseName = file;
        album.Refresh();
        const std::string before = ReadBytes(file);
        Value given;
        const int error = ErrorOf([&] { given = album.InsertPhoto(Titled("nuova")); });
        if (c.next.isNull()) {
            EXPECT_EQ(error, err::NumberRangeFull) << i;
            EXPECT_EQ(ReadBytes(file), before) << i << ": nothing written";
            EXPECT_FALSE(fs::exists(file + "-journal")) << i;
            continue;
        }
        ASSERT_EQ(error, 0) << i;
        EXPECT_EQ(given, c.next) << i;
        album.Recordset().MoveLast();
        EXPECT_EQ(album.Recordset().Current().id, c.next) << i << ": stored as given";
        EXPECT_EQ(album.Recordset().Current().texts.titolo, "nuova") << i;
    }
}

TEST_F(Insert, ABatchIsNumberedAsSingleAdditionsAndWrittenWholeOrNotAtAll) {
    const std::vector<std::vector<Value>> albums = {{},
                                                    {Value(1), Value(2), Value(5)},
                                                    {Value(1), Value(2.5)},
                                                    {Value(kMax - 2)},
                                                    {Value(kMax - 1)}};
    const std::vector<PhotoTexts> photos = {Titled("prima"), Titled("seconda")};
    const auto engine = store::MakeSqliteEngine();
    const auto rows = [](const std::string& file) {
        SQLite::Database db(file, SQLite::OPEN_READONLY);
        SQLite::Statement query(db, "SELECT quote(id) || ' ' || titolo FROM datab ORDER BY rowid");
        std::vector<std::string> all;
        while (query.executeStep()) all.push_back(query.getColumn(0).getString());
        return all;
    };
    for (std::size_t i = 0; i < albums.size(); ++i) {
        const std::string one = dir / ("uno" + std::to_string(i)),
                          all = dir / ("tutte" + std::to_string(i));
        MakeLooseAlbum(one, albums[i]);
        MakeLooseAlbum(all, albums[i]);
        std::vector<Value> singly;
        const auto single = engine->Open(one, false);
        const int error = ErrorOf([&] {
            for (const PhotoTexts& photo : photos) singly.push_back(single->InsertPhoto(photo));
        });
        const std::vector<std::string> before = rows(all);
        std::vector<Value> batch;
        EXPECT_EQ(ErrorOf([&] { batch = engine->Open(all, false)->InsertPhotos(photos); }), error);
        if (error == 0) {
            EXPECT_EQ(batch, singly) << i;
            EXPECT_EQ(rows(all), rows(one)) << i;
        } else {
            EXPECT_EQ(rows(all), before) << i << ": not even the first";
        }
    }
    MakeAlbum(path, {1});
    EXPECT_EQ(ErrorOf([&] { engine->Open(path, true)->InsertPhotos(photos); }),
              err::ReadOnlyDatabase);
    EXPECT_EQ(rows(path), std::vector<std::string>{"1 Foto numero 1"});
}

TEST_F(Insert, TwoProgramsAddingAtOnceNeverShareANumber) {
    MakeAlbum(path, {});
    constexpr int kEach = 40;
    auto add = [&] {
        DataControl mine;
        Open(mine);
        std::vector<std::int64_t> numbers;
        for (int i = 0; i < kEach; ++i) numbers.push_back(mine.InsertPhoto(Titled("t")).integer());
        return numbers;
    };
    auto first = std::async(std::launch::async, add);
    auto second = std::async(std::launch::async, add);
    std::set<std::int64_t> given;
    for (auto* numbers : {&first, &second}) {
        for (std::int64_t number : numbers->get()) {
            EXPECT_TRUE(given.insert(number).second) << number << " given twice";
        }
    }
    Ids all;
    for (std::int64_t id = 1; id <= 2 * kEach; ++id) all.push_back(id);
    EXPECT_EQ(IdsInFile(path), all);
}

TEST_F(Insert, WaitsForAnotherWriterAndNumbersAfterItsPhoto) {
    MakeAlbum(path, {1});
    Open(data);
    SQLite::Database other(path, SQLite::OPEN_READWRITE);
    SQLite::Transaction adding(other, SQLite::TransactionBehavior::IMMEDIATE);
    other.exec("INSERT INTO datab (id) VALUES (50)");
    auto inserted = std::async(std::launch::async, [&] { return data.InsertPhoto(Titled("mia")); });
    // Still waiting for the lock rather than failing at once.
    EXPECT_EQ(inserted.wait_for(std::chrono::milliseconds(100)), std::future_status::timeout);
    adding.commit();
    EXPECT_EQ(inserted.get(), Value(51));
    EXPECT_EQ(IdsInFile(path), (Ids{1, 50, 51}));
}

TEST_F(Insert, ALockedAlbumAnswersEveryCommandWith3260AndChangesNothing) {
    MakeAlbum(path, {1, 2});
    DataControl deleting, refreshing;
    Open(data);
    Open(deleting);
    Open(refreshing);
    SQLite::Database other(path, SQLite::OPEN_READWRITE);
    other.exec("BEGIN EXCLUSIVE");
    auto attempt = [](auto command) {
        return std::async(std::launch::async, [command] { return ErrorOf(command); });
    };
    auto insert = attempt([&] { data.InsertPhoto(Titled("x")); });
    auto erase = attempt([&] { deleting.Recordset().Delete(); });
    auto refresh = attempt([&] { refreshing.Refresh(); });
    EXPECT_EQ(insert.get(), err::Locked);
    EXPECT_EQ(erase.get(), err::Locked);
    EXPECT_EQ(refresh.get(), err::Locked);
    other.exec("ROLLBACK");
    EXPECT_EQ(CurrentId(deleting.Recordset()), 1) << "a refused Delete leaves the cursor";
    EXPECT_EQ(IdsInFile(path), (Ids{1, 2}));
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
        {SQLITE_READONLY_DBMOVED, err::AlbumReplaced},
        {SQLITE_CORRUPT, err::AlbumDamaged},
        {SQLITE_NOTADB, err::NotValidAlbum},
        {SQLITE_IOERR_SHORT_READ, err::NotValidAlbum},
        {SQLITE_IOERR_WRITE, err::General},
        {SQLITE_ERROR, err::General},
    };
    for (auto [code, number] : cases) EXPECT_EQ(store::sqlite::ErrorNumber(code), number) << code;
}

}  // namespace
