// Access-format albums through the store's engine as the program opens them:
// read-only, photos in number order with their texts verbatim, the photo list.

#include <gtest/gtest.h>

#include <SQLiteCpp/SQLiteCpp.h>

#include <filesystem>
#include <fstream>

#include "access_fixtures.h"
#include "store/access_engine.h"
#include "store/album_file.h"
#include "store/store_error.h"

using namespace access_test;
namespace fs = std::filesystem;

namespace {

class AccessAlbumTest : public testing::Test {
protected:
    AccessAlbumTest() : engine(store::MakeAlbumEngine({(dir / "cache"), PICTORA_ALBUM_TOOL, {}})) {}

    int OpenError(const std::string& path, bool readOnly) {
        try {
            engine->Open(path, readOnly);
        } catch (const store::StoreError& e) {
            return e.number();
        }
        return 0;
    }

    TempDir dir;
    std::unique_ptr<store::Engine> engine;
};

Row RowOf(const store::Photo& photo) {
    const store::PhotoTexts& t = photo.texts;
    return {photo.id.integer(),
            {t.titolo, t.data_scatto, t.luogo, t.persone, t.note, t.nome_file, t.percorso_file}};
}

TEST_F(AccessAlbumTest, WalksThePhotosInNumberOrderWithTheirTextsVerbatim) {
    for (const char* fixture : {"small", "accents", "nulls", "gaps"}) {
        for (const char* format : {"--jet3", "--jet4"}) {
            const std::string album = dir / (std::string(fixture) + format + ".mdb");
            ASSERT_NO_FATAL_FAILURE(WriteFixture(fixture, album, format));
            const auto expected = InNumberOrder(FixtureRows(fixture));

            auto opened = engine->Open(album, true);
            auto cursor = opened->OpenCursor();
            std::vector<Row> forward;
            for (; !cursor->Eof(); cursor->MoveNext()) forward.push_back(RowOf(cursor->Current()));
            EXPECT_EQ(forward, expected) << album;
            cursor->MoveLast();
            EXPECT_EQ(RowOf(cursor->Current()), expected.back());
            cursor->MovePrevious();
            EXPECT_EQ(RowOf(cursor->Current()), expected[expected.size() - 2]);
            EXPECT_TRUE(cursor->SeekId(store::Value(expected.front().id)));
            EXPECT_EQ(RowOf(cursor->Current()), expected.front());

            auto index = opened->OpenPhotoIndex();
            ASSERT_EQ(index->Count(), static_cast<std::int64_t>(expected.size()));
            for (std::size_t i = 0; i < expected.size(); ++i) {
                const store::PhotoEntry* entry = index->At(static_cast<std::int64_t>(i));
                ASSERT_NE(entry, nullptr);
                EXPECT_EQ(entry->id, store::Value(expected[i].id));
                EXPECT_EQ(entry->titolo, expected[i].texts[0]);
            }
        }
    }
}

TEST_F(AccessAlbumTest, IsReadOnly) {
    const std::string album = dir / "database.mdb";
    ASSERT_NO_FATAL_FAILURE(WriteFixture("small", album, "--jet4"));
    const std::string before = ReadBytes(album);

    EXPECT_EQ(OpenError(album, false), store::err::CannotOpenForWriting);
    auto opened = engine->Open(album, true);
    auto cursor = opened->OpenCursor();
    try {
        cursor->Delete();
        ADD_FAILURE() << "deleted";
    } catch (const store::StoreError& e) {
        EXPECT_EQ(e.number(), store::err::ReadOnlyDatabase);
    }
    try {
        opened->InsertPhoto({"t", "d", "l", "p", "n", "f.jpg", "/f"});
        ADD_FAILURE() << "inserted";
    } catch (const store::StoreError& e) {
        EXPECT_EQ(e.number(), store::err::ReadOnlyDatabase);
    }
    try {
        cursor->UpdateField(store::Field::Title, "corretto");
        ADD_FAILURE() << "corrected";
    } catch (const store::StoreError& e) {
        EXPECT_EQ(e.number(), store::err::ReadOnlyDatabase);
    }
    EXPECT_EQ(ReadBytes(album), before);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 2)
        << "only the album and the cache folder";
}

TEST_F(AccessAlbumTest, AFileWithoutDatabOrDamagedIsNotAValidAlbum) {
    const std::string other = dir / "altro.mdb";
    ASSERT_NO_FATAL_FAILURE(WriteFixture("small", other, "--jet4 --table foto"));
    const std::string good = dir / "buono.mdb";
    ASSERT_NO_FATAL_FAILURE(WriteFixture("small", good, "--jet3"));
    const std::string truncated = dir / "troncato.mdb";
    std::ofstream(truncated, std::ios::binary) << ReadBytes(good).substr(0, 3000);
    const std::pair<std::string, int> cases[] = {{other, store::err::NotValidAlbum},
                                                 {truncated, store::err::AlbumDamaged}};
    for (const auto& [file, number] : cases) {
        EXPECT_EQ(OpenError(file, true), number) << file;
        EXPECT_EQ(OpenError(file, false), store::err::CannotOpenForWriting) << file;
    }
}

TEST_F(AccessAlbumTest, NativeAlbumsStillOpenForWriting) {
    const std::string album = dir / "nativo.mdb";
    store::CreateAlbum(album);
    auto opened = engine->Open(album, false);
    EXPECT_EQ(opened->InsertPhoto({"t", "d", "l", "p", "n", "f.jpg", "/f"}), store::Value(1));
    EXPECT_EQ(OpenError(dir / "manca.mdb", true), store::err::FileNotFound);
}

}  // namespace
