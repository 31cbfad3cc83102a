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

// Every row and column of the file; a null apart from an empty text.
Table Dump(const std::string& path) {
    SQLite::Database db(path, SQLite::OPEN_READONLY);
    SQLite::Statement query(db, "SELECT * FROM datab ORDER BY id");
    Table rows;
    while (query.executeStep()) {
        rows.emplace_back();
        for (int i = 0; i < 8; ++i) {
            const SQLite::Column value = query.getColumn(i);
            rows.back().push_back(value.isNull() ? "<null>" : value.getString());
        }
    }
    return rows;
}

struct Case {
    const char* what;
    Field field;
    std::string text;
    // Done to the album behind the program's back before the save.
    std::function<void(SQLite::Database& other)> meanwhile;
    bool readOnly = false;
    int error = 0;        // the error expected, or 0
    bool changed = true;  // what a save without error answers
};

TEST(UpdateField, WritesOneColumnOfOneRowVerbatimOrRefusesWritingNothing) {
    const std::string tricky = "Città d'Alba \"là\"; DROP TABLE datab; --";
    const std::vector<Case> cases = {
        {"title with quotes and accents", Field::Title, tricky, nullptr},
        {"notes on three lines", Field::Notes, "prima\nseconda è\n\tterza", nullptr},
        {"the same text", Field::Title, Title(2), nullptr, false, 0, false},
        {"album opened for reading", Field::Title, "x", nullptr, true, err::ReadOnlyDatabase},
        {"album locked by another program", Field::Notes, "x",
         [](SQLite::Database& other) { other.exec("BEGIN IMMEDIATE"); }, false, err::Locked},
        {"photo deleted by another program", Field::Title, "x",
         [](SQLite::Database& other) { other.exec("DELETE FROM datab WHERE id = 2"); }, false,
         err::PhotoGone},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir dir;
        const std::string path = dir / "album.mdb";
        MakeAlbum(path, {1, 2, 3}, "nota");
        DataControl data;
        data.DatabaseName = path;
        data.ReadOnly = c.readOnly;
        data.Refresh();
        data.Recordset().MoveNext();
        int told = 0;
        data.AddListener([&](const store::Photo*) { ++told; });
        SQLite::Database other(path, SQLite::OPEN_READWRITE);
        if (c.meanwhile) c.meanwhile(other);
        const Table before = Dump(path);
        const std::string bytes = ReadBytes(path);

        bool changed = false;
        auto save = std::async(std::launch::async, [&] {
            return ErrorOf([&] { changed = data.Recordset().UpdateField(c.field, c.text); });
        });
        EXPECT_EQ(save.get(), c.error);
        if (c.error == err::Locked) other.exec("ROLLBACK");

        Table expected = before;
        if (c.error == 0 && c.changed) {
            expected[1][1 + static_cast<int>(c.field)] = c.text;
        }
        EXPECT_EQ(Dump(path), expected) << "no other row or column changes";
        if (c.error != 0 || !c.changed) {
            EXPECT_EQ(ReadBytes(path), bytes) << "nothing written";
        }
        if (c.error != 0) continue;
        EXPECT_EQ(changed, c.changed);
        EXPECT_EQ(told, 1) << "the photo is shown anew";
        const store::PhotoTexts& shown = data.Recordset().Current().texts;
        EXPECT_EQ(c.field == Field::Notes ? shown.note : shown.titolo, c.text);
    }
}

}  // namespace
