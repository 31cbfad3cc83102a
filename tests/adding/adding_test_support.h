#pragma once

// What the tests of many photos added at once share: albums and pictures
// made at test time (JPEGs carrying metadata, BMPs), the rows read back.

#include <SQLiteCpp/SQLiteCpp.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "adding/add_pictures.h"
#include "dated_photos.h"
#include "metadata_test_support.h"
#include "store/album.h"
#include "store_test_support.h"

namespace adding_test {

using Row = std::pair<std::int64_t, store::PhotoTexts>;

// Every row of the album, in number order, read apart from the store.
inline std::vector<Row> RowsOf(const std::string& album) {
    SQLite::Database db(album, SQLite::OPEN_READONLY);
    SQLite::Statement query(
        db, std::string("SELECT ") + store::kAlbumColumnList + " FROM datab ORDER BY id");
    std::vector<Row> rows;
    while (query.executeStep()) {
        auto text = [&](int i) { return query.getColumn(i).getString(); };
        rows.push_back({query.getColumn(0).getInt64(),
                        {text(1), text(2), text(3), text(4), text(5), text(6), text(7)}});
    }
    return rows;
}

// A 1 x 1 BMP.
inline void WriteBmp(const std::string& path) {
    std::string bmp("BM\x3A\0\0\0\0\0\0\0\x36\0\0\0\x28\0\0\0\1\0\0\0\1\0\0\0\1\0\x18\0", 30);
    bmp += std::string(24, '\0') + std::string("\xFF\xFF\xFF\0", 4);
    metadata_test::WriteFile(path, bmp);
}

// A JPEG whose only metadata is its date taken, an EXIF text.
inline void WriteTaken(const std::string& path, const std::string& exifDate) {
    metadata_test::WritePhoto(path, {.exif = {{"Exif.Photo.DateTimeOriginal", exifDate}}});
}

inline adding::Result AddTo(const std::string& album, const std::vector<std::string>& paths,
                            const adding::Options& options = {}) {
    const auto engine = store::MakeSqliteEngine();
    const auto opened = adding::OpenAlbumForAdding(*engine, album);
    return adding::AddPictures(*opened, paths, options);
}

}  // namespace adding_test
