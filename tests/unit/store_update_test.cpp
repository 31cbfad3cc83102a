// Correcting one text of the current photo: what reaches the file, and the
// refusals that leave it as it was.

#include <gtest/gtest.h>

#include <functional>
#include <future>

#include "store_test_support.h"

using namespace store_test;
using store::DataControl;
using store::Field;
namespace err = store::err;

namespace {

using Table = std::vector<std::vector<std::string>>;

// Every row of the file, its row key first, then its columns; a null apart
// from an empty text.
Table Dump(const std::string& path) {
    SQLite::Database db(path, SQLite::OPEN_READONLY);
    const bool keyed = db.execAndGet("SELECT NOT wr FROM pragma_table_list('datab')").getInt();
    SQLite::Statement query(db, keyed ? "SELECT _rowid_, * FROM datab ORDER BY id, _rowid_"
                                      : "SELECT NULL, * FROM datab ORDER BY id");
    Table rows;
    while (query.executeStep()) {
        rows.emplace_back();
        for (int i = 0; i < 9; ++i) {
            const SQLite::Column value = query.getColumn(i);
            rows.back().push_back(value.isNull() ? "<null>" : value.getString());
        }
    }
    return rows;
}

// Albums as Pictora makes them, as another program may (no type, no index,
// two photos numbered 2), and without rowid.
enum class Made { ByPictora, Elsewhere, WithoutRowid };

void Make(const std::string& path, Made made) {
    if (made == Made::ByPictora) return MakeAlbum(path, {1, 2, 3}, "nota");
    if (made == Made::Elsewhere) return MakeLooseAlbum(path, {1, 2, 2, 3});
    SQLite::Database db(path, SQLite::OPEN_READWRITE | SQLite::OPEN_CREATE);
    db.exec(std::string("CREATE TABLE datab (") + store::kAlbumColumnList +
            ", PRIMARY KEY (id)) WITHOUT ROWID");
    for (int id : {1, 2, 3})
        db.exec("INSERT INTO datab (id, titolo) VALUES (" + std::to_string(id) + ", '" + Title(id) +
                "')");
}

struct Case {
    const char* what;
    Field field;
    std::string text;
    // Done to the album behind the program's back before the save; `row`
    // names the row of the photo shown.
    std::function<void(SQLite::Database& other, const std::string& row)> meanwhile;
    bool readOnly = false;
    int error = 0;        // the error expected, or 0
    bool changed = true;  // what a save without error answers
    Made made = Made::ByPictora;
};

TEST(UpdateField, WritesOneColumnOfOneRowVerbatimOrRefusesWritingNothing) {
    const std::string tricky = "Città d'Alba \"là\"; DROP TABLE datab; --";
    const std::vector<Case> cases = {
        {"title with quotes and accents", Field::Title, tricky, nullptr},
        {"notes on three lines", Field::Notes, "prima\nseconda è\n\tterza", nullptr},
        {"the same text", Field::Title, Title(2), nullptr, false, 0, false},
        {"album opened for reading", Field::Title, "x", nullptr, true, err::ReadOnlyDatabase},
        {"album locked by another program", Field::Notes, "x",
         [](SQLite::Database& other, auto&) { other.exec("BEGIN IMMEDIATE"); }, false, err::Locked},
        {"photo deleted by another program", Field::Title, "x",
         [](SQLite::Database& other, auto&) { other.exec("DELETE FROM datab WHERE id = 2"); },
         false, err::PhotoGone},
        {"photo renumbered by another program", Field::Title, "x",
         [](SQLite::Database& other, auto&) { other.exec("UPDATE datab SET id = 7 WHERE id = 2"); },
         false, err::PhotoGone},
        {"another photo put in its row, of the same title", Field::Title, "x",
         [](SQLite::Database& other, auto&) {
             other.exec("DELETE FROM datab WHERE id = 2");
             other.exec("INSERT INTO datab (id, titolo, nome_file) VALUES (2, '" + Title(2) +
                        "', 'altra.jpg')");
         },
         false, err::PhotoGone},
        {"its text changed by another program", Field::Title, "x",
         [](SQLite::Database& other, auto&) {
             other.exec("UPDATE datab SET titolo = 'altro' WHERE id = 2");
         },
         false, err::TextChanged},
        {"one of two photos numbered 2", Field::Title, "x", nullptr, false, 0, true,
         Made::Elsewhere},
        {"one of two photos numbered 2, renumbered meanwhile", Field::Title, "x",
         [](SQLite::Database& other, const std::string& row) {
             other.exec("UPDATE datab SET id = 5 WHERE _rowid_ = " + row);
         },
         false, err::PhotoGone, true, Made::Elsewhere},
        {"an album without rowid", Field::Notes, "x", nullptr, false, 0, true, Made::WithoutRowid},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir dir;
        const std::string path = dir / "album.mdb";
        Make(path, c.made);
        DataControl data;
        data.DatabaseName = path;
        data.ReadOnly = c.readOnly;
        data.Refresh();
        data.Recordset().MoveNext();
        int told = 0;
        data.AddListener([&](const store::Photo*) { ++told; });
        SQLite::Database other(path, SQLite::OPEN_READWRITE);
        const auto row = data.Recordset().Current().row;
        ASSERT_EQ(row.has_value(), c.made != Made::WithoutRowid);
        if (c.meanwhile) c.meanwhile(other, std::to_string(row.value_or(0)));
        const Table before = Dump(path);
        const std::string bytes = ReadBytes(path);

        bool changed = false;
        auto save = std::async(std::launch::async, [&] {
            return ErrorOf([&] { changed = data.Recordset().UpdateField(c.field, c.text); });
        });
        EXPECT_EQ(save.get(), c.error);
        if (c.error == err::Locked) other.exec("ROLLBACK");

        Table expected = before;
        const std::size_t column = 2 + static_cast<std::size_t>(c.field);
        std::size_t shownRow = 1;
        while (row && shownRow < before.size() && before[shownRow][0] != std::to_string(*row))
            ++shownRow;
        if (c.error == 0 && c.changed) expected.at(shownRow)[column] = c.text;
        EXPECT_EQ(Dump(path), expected) << "no other row or column changes";
        if (c.error != 0 || !c.changed) {
            EXPECT_EQ(ReadBytes(path), bytes) << "nothing written";
        }
        // A text changed meanwhile is shown as it now is.
        EXPECT_EQ(told, c.error == 0 || c.error == err::TextChanged ? 1 : 0);
        if (told == 0) continue;
        EXPECT_EQ(changed, c.changed && c.error == 0);
        EXPECT_EQ(data.Recordset().Current().row, row) << "the same row";
        EXPECT_EQ(store::TextOf(data.Recordset().Current().texts, c.field),
                  expected.at(shownRow)[column]);
    }
}

// Deleting the photo shown: exactly its row goes, or nothing does.
TEST(Delete, TakesOutTheRowShownOrRefusesWritingNothing) {
    using Meanwhile = std::function<void(SQLite::Database & other, const std::string& row)>;
    const struct {
        const char* what;
        Made made;
        Meanwhile meanwhile;
        int error;
    } cases[] = {
        {"a photo of Pictora's", Made::ByPictora, nullptr, 0},
        {"one of two photos numbered 2", Made::Elsewhere, nullptr, 0},
        {"an album without rowid", Made::WithoutRowid, nullptr, 0},
        {"deleted by another program", Made::ByPictora,
         [](auto& other, auto&) { other.exec("DELETE FROM datab WHERE id = 2"); }, err::PhotoGone},
        {"another picture put in its row", Made::ByPictora,
         [](auto& other, auto&) { other.exec("UPDATE datab SET nome_file = 'altra.jpg'"); },
         err::PhotoGone},
        {"one of two photos numbered 2, renumbered", Made::Elsewhere,
         [](auto& other, auto& row) {
             other.exec("UPDATE datab SET id = 5 WHERE _rowid_ = " + row);
         },
         err::PhotoGone},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir dir;
        const std::string path = dir / "album.mdb";
        Make(path, c.made);
        DataControl data;
        data.DatabaseName = path;
        data.Refresh();
        data.Recordset().MoveNext();
        const auto row = data.Recordset().Current().row;
        SQLite::Database other(path, SQLite::OPEN_READWRITE);
        if (c.meanwhile) c.meanwhile(other, std::to_string(row.value_or(0)));
        Table expected = Dump(path);
        const std::string bytes = ReadBytes(path);

        EXPECT_EQ(ErrorOf([&] { data.Recordset().Delete(); }), c.error);
        if (c.error != 0) {
            EXPECT_EQ(ReadBytes(path), bytes) << "nothing written";
            continue;
        }
        expected.erase(expected.begin() + 1);
        EXPECT_EQ(Dump(path), expected) << "the second row in album order, and no other";
    }
}

}  // namespace
