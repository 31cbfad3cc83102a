#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <functional>

#include "store/sqlite_engine.h"
#include "store_test_support.h"

using namespace store_test;
using namespace std::string_literals;
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

    // The names in a folder: a journal left behind would show here.
    static std::vector<std::string> FilesIn(const std::string& folder) {
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
    for (bool readOnly : {false, true}) {
        EXPECT_EQ(RefreshError("", readOnly), err::FileNotFound);
        EXPECT_EQ(RefreshError(dir / "manca.mdb", readOnly), err::FileNotFound);
        EXPECT_EQ(RefreshError(dir / "cartella/manca.mdb", readOnly), err::FileNotFound);
    }
    EXPECT_TRUE(FilesIn(dir.str()).empty());
}

TEST_F(Opening, FilesThatAreNoAlbumGive3055AndStayByteForByteAsTheyWere) {
    const std::vector<std::pair<std::string, std::string>> files = {
        {"vuoto.mdb", ""},
        {"testo.mdb", "Questo non è un album, è un file di testo.\n"},
        {"foto.mdb", "\xFF\xD8\xFF\xE0\x00\x10JFIF\x00\x01\x01\x00\x00\x01\x00\x01\x00\x00"s +
                         std::string(2000, '\x11') + "\xFF\xD9"},
        {"testata.mdb", "SQLite format 3\0"s + std::string(4080, 'Z')},
    };
    const std::vector<std::pair<std::string, std::string>> schemas = {
        {"senza.mdb", "CREATE TABLE foto (id INTEGER PRIMARY KEY, titolo TEXT)"},
        {"corta.mdb",
         "CREATE TABLE datab (id INTEGER PRIMARY KEY, titolo, data_scatto, luogo, "
         "persone, note, nome_file)"},
        {"ordine.mdb",
         "CREATE TABLE datab (id INTEGER PRIMARY KEY, titolo, luogo, data_scatto, "
         "persone, note, nome_file, percorso_file)"},
        {"vista.mdb",
         "CREATE TABLE t ("s + store::kAlbumColumnList + "); CREATE VIEW datab AS SELECT * FROM t"},
    };
    for (const auto& [name, bytes] : files) WriteBytes(dir / name, bytes);
    for (const auto& [name, sql] : schemas) {
        SQLite::Database(dir / name, SQLite::OPEN_READWRITE | SQLite::OPEN_CREATE).exec(sql);
    }
    fs::create_directory(dir / "cartella.mdb");
    const auto before = FilesIn(dir.str());
    for (const std::string& name : before) {
        const std::string bytes = ReadBytes(dir / name);
        for (bool readOnly : {false, true}) {
            EXPECT_EQ(RefreshError(dir / name, readOnly), err::NotValidAlbum) << name;
            EXPECT_FALSE(data.IsOpen());
        }
        EXPECT_EQ(ReadBytes(dir / name), bytes) << name;
    }
    EXPECT_EQ(fs::file_size(dir / "vuoto.mdb"), 0u);
    EXPECT_EQ(FilesIn(dir.str()), before);
}

TEST_F(Opening, AlbumOfTheRightShapeMadeElsewhereOpens) {
    // Other capitals and a ninth column are still an album.
    SQLite::Database(dir / "altrove.mdb", SQLite::OPEN_READWRITE | SQLite::OPEN_CREATE)
        .exec(
            "CREATE TABLE DATAB (ID INTEGER PRIMARY KEY, Titolo, Data_Scatto, Luogo, Persone, "
            "Note, Nome_File, Percorso_File, extra); INSERT INTO DATAB (ID, Titolo) "
            "VALUES (4, 'quattro')");
    ASSERT_EQ(RefreshError(dir / "altrove.mdb", false), 0);
    EXPECT_EQ(data.Recordset().Current().texts.titolo, "quattro");
    EXPECT_EQ(data.InsertPhoto(Titled("cinque")), store::Value(5));
    data.Recordset().MoveLast();
    EXPECT_EQ(data.Recordset().Current().texts, Titled("cinque"));
}

TEST_F(Opening, TruncatedAlbumGives3055AndADamagedPage3049) {
    const std::string path = dir / "grande.mdb";
    Ids ids;
    for (std::int64_t id = 1; id <= 3000; ++id) ids.push_back(id);
    MakeAlbum(path, ids, std::string(200, 'n'));
    const std::string whole = ReadBytes(path);
    ASSERT_GT(whole.size(), 100u * 4096u);
    for (std::size_t size : {whole.size() / 2, whole.size() - 4096, whole.size() - 1000,
                             std::size_t{4096}, std::size_t{100}}) {
        WriteBytes(path, whole.substr(0, size));
        EXPECT_EQ(RefreshError(path, false), err::NotValidAlbum) << size;
        EXPECT_EQ(RefreshError(path, true), err::NotValidAlbum) << size;
        EXPECT_EQ(fs::file_size(path), size);
    }
    // A page wiped in the middle: header and both ends are sound, so the
    // damage shows only when a move reaches it.
    std::string damaged = whole;
    const std::size_t middle = whole.size() / 4096 / 2 * 4096;
    std::fill(damaged.begin() + middle, damaged.begin() + middle + 4096, '\0');
    WriteBytes(path, damaged);
    ASSERT_EQ(RefreshError(path, true), 0);
    int error = 0;
    for (auto& rows = data.Recordset(); error == 0 && !rows.Eof();) {
        error = ErrorOf([&] { rows.MoveNext(); });
    }
    EXPECT_EQ(error, err::AlbumDamaged);
}

class ReadOnlyAlbum : public Opening {
protected:
    // 3051 for writing; for reading it opens, and every change fails with
    // 3027 leaving the file's bytes and folder as they were.
    void ExpectReadsButNeverWrites(const std::string& path, const std::string& folder) {
        const std::string before = ReadBytes(path);
        const auto files = FilesIn(folder);
        EXPECT_EQ(RefreshError(path, false), err::CannotOpenForWriting);
        EXPECT_FALSE(data.IsOpen());
        ASSERT_EQ(RefreshError(path, true), 0);
        store::Cursor& rows = data.Recordset();
        rows.MoveLast();
        EXPECT_EQ(rows.Current().texts.titolo, Title(2));
        EXPECT_EQ(ErrorOf([&] { rows.Delete(); }), err::ReadOnlyDatabase);
        EXPECT_EQ(CurrentId(rows), 2) << "a refused Delete leaves the cursor on its row";
        EXPECT_EQ(ErrorOf([&] { data.InsertPhoto(Titled("nuova")); }), err::ReadOnlyDatabase);
        EXPECT_EQ(data.OpenPhotoIndex()->Count(), 2);
        data.Refresh();
        EXPECT_EQ(ReadBytes(path), before);
        EXPECT_EQ(FilesIn(folder), files);
    }
};

TEST_F(ReadOnlyAlbum, FileWithoutWriteBits) {
    MakeAlbum(dir / "album.mdb", {1, 2});
    ASSERT_EQ(chmod((dir / "album.mdb").c_str(), 0444), 0);
    ExpectReadsButNeverWrites(dir / "album.mdb", dir.str());
}

TEST_F(ReadOnlyAlbum, FileInAFolderWithoutWriteBits) {
    fs::create_directory(dir / "chiusa");
    MakeAlbum(dir / "chiusa/album.mdb", {1, 2});
    ASSERT_EQ(chmod((dir / "chiusa").c_str(), 0555), 0);
    ExpectReadsButNeverWrites(dir / "chiusa/album.mdb", dir / "chiusa");
}

TEST_F(ReadOnlyAlbum, LinkToAnAlbumInAFolderWithoutWriteBits) {
    // The journal would go beside the real file, not beside the link.
    fs::create_directory(dir / "chiusa");
    MakeAlbum(dir / "chiusa/album.mdb", {1, 2});
    fs::create_symlink(dir / "chiusa/album.mdb", dir / "collegamento.mdb");
    ASSERT_EQ(chmod((dir / "chiusa").c_str(), 0555), 0);
    ExpectReadsButNeverWrites(dir / "collegamento.mdb", dir / "chiusa");
}

TEST_F(ReadOnlyAlbum, AlbumInWalModeInAFolderWithoutWriteBits) {
    // Read as a file nobody changes: not even the log's index is made.
    fs::create_directory(dir / "chiusa");
    MakeAlbum(dir / "chiusa/album.mdb", {1, 2});
    SQLite::Database(dir / "chiusa/album.mdb", SQLite::OPEN_READWRITE)
        .exec("PRAGMA journal_mode = WAL");
    ASSERT_EQ(chmod((dir / "chiusa").c_str(), 0555), 0);
    ExpectReadsButNeverWrites(dir / "chiusa/album.mdb", dir / "chiusa");
}

TEST_F(ReadOnlyAlbum, AlbumWithTriggers) {
    // A trigger that empties the album when one photo goes never runs.
    MakeAlbum(dir / "album.mdb", {1, 2});
    SQLite::Database(dir / "album.mdb", SQLite::OPEN_READWRITE)
        .exec("CREATE TRIGGER svuota AFTER DELETE ON datab BEGIN DELETE FROM datab; END");
    ExpectReadsButNeverWrites(dir / "album.mdb", dir.str());
    EXPECT_EQ(IdsInFile(dir / "album.mdb"), (Ids{1, 2}));
}

TEST_F(Opening, AlbumSchemaCannotBeWrittenThroughTheAlbum) {
    // Defensive: a schema writable by hand in the file is not honoured, and
    // functions of the schema are not trusted.
    MakeAlbum(dir / "album.mdb", {1, 2});
    ASSERT_EQ(RefreshError(dir / "album.mdb", false), 0);
    auto db = store::sqlite::OpenAlbumFile(dir / "album.mdb", false);
    db->exec("PRAGMA writable_schema = ON");
    EXPECT_THROW(db->exec("UPDATE sqlite_master SET sql = 'x' WHERE name = 'datab'"),
                 SQLite::Exception);
    EXPECT_EQ(db->execAndGet("PRAGMA trusted_schema").getInt(), 0);
}

TEST_F(Opening, AlbumFileDeletedEmptiedOrReplacedIsToldSo) {
    const std::string path = dir / "album.mdb";
    const std::string other = dir / "altro.mdb";
    const struct {
        const char* what;
        std::function<void()> change;
        int error;
    } cases[] = {
        {"deleted", [&] { fs::remove(path); }, err::FileNotFound},
        {"emptied", [&] { fs::resize_file(path, 0); }, err::AlbumReplaced},
        {"replaced",
         [&] {
             MakeAlbum(other, {7});
             fs::rename(other, path);
         },
         err::AlbumReplaced},
    };
    for (const auto& c : cases) {
        fs::remove(path);
        MakeAlbum(path, {1, 2, 3});
        ASSERT_EQ(RefreshError(path, false), 0) << c.what;
        c.change();
        store::Cursor& rows = data.Recordset();
        EXPECT_EQ(ErrorOf([&] { rows.MoveNext(); }), c.error) << c.what;
        EXPECT_EQ(ErrorOf([&] { rows.Delete(); }), c.error) << c.what;
        EXPECT_EQ(ErrorOf([&] { data.InsertPhoto(Titled("nuova")); }), c.error) << c.what;
        EXPECT_EQ(CurrentId(rows), 1) << c.what;
    }
}

TEST(CreateAlbum, WritesTheEightColumnsInOrderWithEmptyTextDefaults) {
    TempDir dir;
    store::CreateAlbum(dir / "nuovo.mdb");
    SQLite::Database db(dir / "nuovo.mdb", SQLite::OPEN_READONLY);
    SQLite::Statement info(db,
                           "SELECT name, type, \"notnull\", dflt_value, pk "
                           "FROM pragma_table_info('datab') ORDER BY cid");
    std::vector<std::string> columns;
    while (info.executeStep()) {
        columns.push_back(info.getColumn(0).getString());
        const bool id = columns.size() == 1;
        EXPECT_EQ(info.getColumn(1).getString(), id ? "INTEGER" : "TEXT");
        EXPECT_EQ(info.getColumn(2).getInt(), id ? 0 : 1);
        EXPECT_EQ(info.getColumn(3).getString(), id ? "" : "''");
        EXPECT_EQ(info.getColumn(4).getInt(), id ? 1 : 0);
    }
    EXPECT_EQ(columns,
              std::vector<std::string>(store::kAlbumColumns.begin(), store::kAlbumColumns.end()));
    EXPECT_EQ(db.execAndGet("PRAGMA journal_mode").getString(), "delete");
}

TEST(CreateAlbum, RefusesATakenPathAndUnwritableOrMissingFolders) {
    TempDir dir;
    WriteBytes(dir / "preso.mdb", "mio");
    EXPECT_EQ(ErrorOf([&] { store::CreateAlbum(dir / "preso.mdb"); }), err::AlbumExists);
    EXPECT_EQ(ReadBytes(dir / "preso.mdb"), "mio");
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
