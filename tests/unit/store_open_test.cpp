#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "store_test_support.h"

using namespace store_test;
using store::DataControl;
namespace err = store::err;
namespace fs = std::filesystem;

namespace {

class Opening : public ::testing::Test {
protected:
    int RefreshError(const std::string& name, bool readOnly) {
        data.DatabaseName = name;
        data.ReadOnly = readOnly;
        return ErrorOf([&] { data.Refresh(); });
    }

    // Nothing but the named files beside each other: no journal left behind.
    std::vector<std::string> FilesIn(const std::string& folder) {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(folder)) {
            names.push_back(entry.path().filename().string());
        }
        std::sort(names.begin(), names.end());
        return names;
    }

    TempDir dir;
    DataControl data;
};

TEST_F(Opening, NoFileNamedGives3024AndCreatesNone) {
    EXPECT_EQ(RefreshError("", false), err::FileNotFound);
    EXPECT_EQ(RefreshError(dir / "manca.mdb", false), err::FileNotFound);
    EXPECT_EQ(RefreshError(dir / "manca.mdb", true), err::FileNotFound);
    EXPECT_EQ(RefreshError(dir / "cartella/manca.mdb", false), err::FileNotFound);
    EXPECT_TRUE(FilesIn(dir.str()).empty());
}

TEST_F(Opening, FilesThatAreNoAlbumGive3055AndStayAsTheyWere) {
    using namespace std::string_literals;
    const std::string jpeg =
        "\xFF\xD8\xFF\xE0\x00\x10JFIF\x00\x01\x01\x00\x00\x01\x00\x01\x00\x00\xFF\xD9"s;
    std::string fakeHeader = "SQLite format 3\0"s;
    fakeHeader += std::string(4096 - 16, '\x5a');
    const std::vector<std::pair<std::string, std::string>> files = {
        {"vuoto.mdb", ""},
        {"testo.mdb", "Questo non è un album, è un file di testo.\n"},
        {"foto.mdb", jpeg + std::string(2000, '\x11')},
        {"testata.mdb", fakeHeader},
    };
    for (const auto& [name, bytes] : files) {
        WriteBytes(dir / name, bytes);
        for (bool readOnly : {false, true}) {
            EXPECT_EQ(RefreshError(dir / name, readOnly), err::NotValidAlbum) << name;
            EXPECT_FALSE(data.IsOpen());
        }
        EXPECT_EQ(ReadBytes(dir / name), bytes) << name;
    }
    fs::create_directory(dir / "cartella.mdb");
    EXPECT_EQ(RefreshError(dir / "cartella.mdb", false), err::NotValidAlbum);
    EXPECT_EQ(RefreshError(dir / "cartella.mdb", true), err::NotValidAlbum);
    EXPECT_EQ(fs::file_size(dir / "vuoto.mdb"), 0u);
    std::vector<std::string> expected = {"cartella.mdb", "foto.mdb", "testata.mdb", "testo.mdb",
                                         "vuoto.mdb"};
    EXPECT_EQ(FilesIn(dir.str()), expected);
}

TEST_F(Opening, DatabasesOfAnotherShapeGive3055AndStayAsTheyWere) {
    const std::vector<std::pair<std::string, std::string>> schemas = {
        {"senza.mdb", "CREATE TABLE foto (id INTEGER PRIMARY KEY, titolo TEXT)"},
        {"corta.mdb",
         "CREATE TABLE datab (id INTEGER PRIMARY KEY, titolo TEXT, data_scatto TEXT, luogo TEXT, "
         "persone TEXT, note TEXT, nome_file TEXT)"},
        {"ordine.mdb",
         "CREATE TABLE datab (id INTEGER PRIMARY KEY, titolo TEXT, luogo TEXT, data_scatto TEXT, "
         "persone TEXT, note TEXT, nome_file TEXT, percorso_file TEXT)"},
        {"vista.mdb",
         "CREATE TABLE t (id INTEGER PRIMARY KEY, titolo, data_scatto, luogo, persone, note, "
         "nome_file, percorso_file); CREATE VIEW datab AS SELECT * FROM t"},
    };
    for (const auto& [name, sql] : schemas) {
        {
            SQLite::Database db(dir / name, SQLite::OPEN_READWRITE | SQLite::OPEN_CREATE);
            db.exec(sql);
        }
        const std::string before = ReadBytes(dir / name);
        for (bool readOnly : {false, true}) {
            EXPECT_EQ(RefreshError(dir / name, readOnly), err::NotValidAlbum) << name;
        }
        EXPECT_EQ(ReadBytes(dir / name), before) << name;
    }
}

TEST_F(Opening, AlbumOfTheRightShapeMadeElsewhereOpens) {
    // Upper-case names and an extra column at the end are still an album.
    {
        SQLite::Database db(dir / "altrove.mdb", SQLite::OPEN_READWRITE | SQLite::OPEN_CREATE);
        db.exec(
            "CREATE TABLE DATAB (ID INTEGER PRIMARY KEY, Titolo TEXT, Data_Scatto TEXT, "
            "Luogo TEXT, Persone TEXT, Note TEXT, Nome_File TEXT, Percorso_File TEXT, "
            "extra TEXT); INSERT INTO DATAB (ID, Titolo) VALUES (4, 'quattro')");
    }
    ASSERT_EQ(RefreshError(dir / "altrove.mdb", false), 0);
    EXPECT_EQ(DataControl::BoundText(&data.Recordset(), "titolo"), "quattro");
    EXPECT_EQ(data.Recordset().Columns().size(), 9u);
}

TEST_F(Opening, TruncatedAlbumGives3055) {
    const std::string path = dir / "grande.mdb";
    std::vector<std::int64_t> ids;
    for (std::int64_t id = 1; id <= 3000; ++id) ids.push_back(id);
    MakeAlbum(path, ids, std::string(200, 'n'));
    const std::string whole = ReadBytes(path);
    ASSERT_GT(whole.size(), 100u * 4096u);
    ASSERT_EQ(RefreshError(path, false), 0);
    data.Refresh();  // closes before the file is cut below
    for (std::size_t size : {whole.size() / 2, whole.size() - 4096, whole.size() - 1000,
                             std::size_t{4096}, std::size_t{100}}) {
        WriteBytes(path, whole.substr(0, size));
        EXPECT_EQ(RefreshError(path, false), err::NotValidAlbum) << size;
        EXPECT_EQ(RefreshError(path, true), err::NotValidAlbum) << size;
        EXPECT_EQ(fs::file_size(path), size);
    }
}

TEST_F(Opening, DamageFoundWhileMovingGives3055) {
    const std::string path = dir / "rovinato.mdb";
    std::vector<std::int64_t> ids;
    for (std::int64_t id = 1; id <= 3000; ++id) ids.push_back(id);
    MakeAlbum(path, ids, std::string(200, 'n'));
    // Wipe a page in the middle: the header and both ends stay sound.
    std::string bytes = ReadBytes(path);
    const std::size_t page = bytes.size() / 4096 / 2;
    std::fill(bytes.begin() + page * 4096, bytes.begin() + (page + 1) * 4096, '\0');
    WriteBytes(path, bytes);
    ASSERT_EQ(RefreshError(path, true), 0);
    int error = 0;
    store::ResultSet& rows = data.Recordset();
    while (error == 0 && !rows.Eof()) error = ErrorOf([&] { rows.MoveNext(); });
    EXPECT_EQ(error, err::NotValidAlbum);
}

class ReadOnlyAlbum : public Opening {
protected:
    void ExpectReadsButNeverWrites(const std::string& path) {
        const std::string before = ReadBytes(path);
        EXPECT_EQ(RefreshError(path, false), err::CannotOpenForWriting);
        EXPECT_FALSE(data.IsOpen());
        ASSERT_EQ(RefreshError(path, true), 0);
        store::ResultSet& rows = data.Recordset();
        EXPECT_EQ(*CurrentId(rows), 1);
        rows.MoveLast();
        EXPECT_EQ(*CurrentId(rows), 2);
        EXPECT_EQ(ErrorOf([&] { rows.Delete(); }), err::ReadOnlyDatabase);
        EXPECT_EQ(*CurrentId(rows), 2) << "a refused Delete leaves the cursor on its row";
        auto& db = data.Database();
        EXPECT_EQ(ErrorOf([&] { db.Execute("INSERT INTO datab (id) VALUES (?)", {3}); }),
                  err::ReadOnlyDatabase);
        EXPECT_EQ(ErrorOf([&] { db.Execute("UPDATE datab SET titolo = ?", {"x"}); }),
                  err::ReadOnlyDatabase);
        EXPECT_EQ(ErrorOf([&] { db.Execute("SELECT count(*) FROM datab"); }), 0);
        rows.MoveFirst();
        EXPECT_EQ(rows.Fields("titolo").text(), Title(1));
        EXPECT_EQ(ReadBytes(path), before);
    }
};

TEST_F(ReadOnlyAlbum, FileWithoutWriteBitsOpensOnlyForReading) {
    const std::string path = dir / "album.mdb";
    MakeAlbum(path, {1, 2});
    ASSERT_EQ(chmod(path.c_str(), 0444), 0);
    ExpectReadsButNeverWrites(path);
    EXPECT_EQ(FilesIn(dir.str()), std::vector<std::string>{"album.mdb"});
}

TEST_F(ReadOnlyAlbum, FileInAFolderWithoutWriteBitsOpensOnlyForReading) {
    fs::create_directory(dir / "chiusa");
    const std::string path = dir / "chiusa/album.mdb";
    MakeAlbum(path, {1, 2});
    ASSERT_EQ(chmod((dir / "chiusa").c_str(), 0555), 0);
    ExpectReadsButNeverWrites(path);
    EXPECT_EQ(FilesIn(dir / "chiusa"), std::vector<std::string>{"album.mdb"});
}

TEST_F(ReadOnlyAlbum, LinkToAnAlbumInAReadOnlyFolderOpensOnlyForReading) {
    // The journal would go beside the real file, not beside the link.
    fs::create_directory(dir / "chiusa");
    MakeAlbum(dir / "chiusa/album.mdb", {1, 2});
    fs::create_symlink(dir / "chiusa/album.mdb", dir / "collegamento.mdb");
    ASSERT_EQ(chmod((dir / "chiusa").c_str(), 0555), 0);
    ExpectReadsButNeverWrites(dir / "collegamento.mdb");
}

TEST(CreateAlbum, WritesTheEightColumnsInOrder) {
    TempDir dir;
    const std::string path = dir / "nuovo.mdb";
    store::CreateAlbum(path);
    SQLite::Database db(path, SQLite::OPEN_READONLY);
    SQLite::Statement info(db,
                           "SELECT name, type, \"notnull\", dflt_value, pk "
                           "FROM pragma_table_info('datab') ORDER BY cid");
    std::size_t i = 0;
    while (info.executeStep()) {
        ASSERT_LT(i, store::kAlbumColumns.size());
        EXPECT_EQ(info.getColumn(0).getString(), store::kAlbumColumns[i]);
        if (i == 0) {
            EXPECT_EQ(info.getColumn(1).getString(), "INTEGER");
            EXPECT_EQ(info.getColumn(4).getInt(), 1) << "id is the primary key";
        } else {
            EXPECT_EQ(info.getColumn(1).getString(), "TEXT");
            EXPECT_EQ(info.getColumn(2).getInt(), 1);
            EXPECT_EQ(info.getColumn(3).getString(), "''");
        }
        ++i;
    }
    EXPECT_EQ(i, store::kAlbumColumns.size());
    EXPECT_EQ(db.execAndGet("PRAGMA journal_mode").getString(), "delete");

    DataControl data;
    data.DatabaseName = path;
    data.Refresh();
    EXPECT_TRUE(data.Recordset().Bof() && data.Recordset().Eof());
    data.Database().Execute("INSERT INTO datab (id) VALUES (?)", {1});
    data.Refresh();
    EXPECT_EQ(DataControl::BoundText(&data.Recordset(), "note"), "")
        << "text columns default empty";
    EXPECT_TRUE(data.Recordset().Fields("note").isText());
}

TEST(CreateAlbum, RefusesATakenPathAndUnwritableFolders) {
    TempDir dir;
    WriteBytes(dir / "preso.mdb", "mio");
    EXPECT_EQ(ErrorOf([&] { store::CreateAlbum(dir / "preso.mdb"); }), err::AlbumExists);
    EXPECT_EQ(ReadBytes(dir / "preso.mdb"), "mio");
    MakeAlbum(dir / "album.mdb", {1});
    EXPECT_EQ(ErrorOf([&] { store::CreateAlbum(dir / "album.mdb"); }), err::AlbumExists);
    EXPECT_EQ(IdsInFile(dir / "album.mdb"), std::vector<std::int64_t>{1});
    fs::create_directory(dir / "cartella");
    EXPECT_EQ(ErrorOf([&] { store::CreateAlbum(dir / "cartella"); }), err::AlbumExists);

    EXPECT_EQ(ErrorOf([&] { store::CreateAlbum(dir / "manca/nuovo.mdb"); }), err::PathNotFound);
    EXPECT_EQ(ErrorOf([&] { store::CreateAlbum(""); }), err::PathNotFound);
    ASSERT_EQ(chmod((dir / "cartella").c_str(), 0555), 0);
    try {
        store::CreateAlbum(dir / "cartella/nuovo.mdb");
        ADD_FAILURE() << "created in a read-only folder";
    } catch (const store::StoreError& e) {
        EXPECT_EQ(e.number(), err::CannotOpenForWriting);
        EXPECT_NE(std::string(e.what()).find("sola lettura"), std::string::npos) << e.what();
    }
    EXPECT_FALSE(fs::exists(dir / "cartella/nuovo.mdb"));
}

}  // namespace
