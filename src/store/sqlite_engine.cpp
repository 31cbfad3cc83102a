// The album store on SQLite: the album object, over the cursor
// (sqlite_cursor.cpp), the insertion of photos (sqlite_insert.cpp) and the
// opening of the file (sqlite_open.cpp).

#include "store/sqlite_engine.h"

#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "store/album.h"
#include "store/album_file_watch.h"
#include "store/sqlite_cursor.h"
#include "store/sqlite_insert.h"
#include "store/sqlite_pictures.h"
#include "store/sqlite_rows.h"

namespace store {

namespace {

using sqlite::AlbumFileWatch;

class SqliteAlbum final : public Album {
public:
    SqliteAlbum(std::string path, bool readOnly, std::shared_ptr<SQLite::Database> db)
        : path_(std::move(path)), readOnly_(readOnly), db_(std::move(db)), file_(path_) {
        try {
            rowKey_ = sqlite::RowKeyOf(*db_);
        } catch (const SQLite::Exception& e) {
            file_.Raise(e, "'" + path_ + "' non leggibile");
        }
    }

    std::unique_ptr<Cursor> OpenCursor() override {
        return sqlite::OpenSqliteCursor(db_, readOnly_, file_, rowKey_);
    }

    Value InsertPhoto(const PhotoTexts& texts) override {
        return Write("nessuna foto aggiunta", "impossibile aggiungere la foto",
                     [&] { return inserter_.Insert(texts); });
    }
    std::vector<Value> InsertPhotos(std::span<const PhotoTexts> photos) override {
        return Write("nessuna foto aggiunta", "impossibile aggiungere le foto",
                     [&] { return sqlite::InsertPhotos(*db_, photos); });
    }

    void VisitPicturePlaces(const PicturePlaceVisitor& visit) override {
        Read("impossibile leggere l'album", [&] { sqlite::VisitPicturePlaces(*db_, visit); });
    }
    std::vector<PicturePlace> ReadPicturePlaces() override {
        return Read("impossibile leggere l'album", [&] { return sqlite::ReadPicturePlaces(*db_); });
    }
    std::size_t RelinkPictures(const std::vector<PictureMove>& moves) override {
        return Write("nessuna foto ricollegata", "impossibile ricollegare le foto",
                     [&] { return sqlite::RelinkPictures(*db_, moves); });
    }

    std::unique_ptr<PhotoIndex> OpenPhotoIndex() override { return store::OpenPhotoIndex(path_); }
    std::unique_ptr<PhotoIndex> OpenPictureIndex() override {
        return store::OpenPhotoIndex(path_, 256, IndexFields::TitlesAndPictures);
    }

    std::unique_ptr<PhotoSearch> OpenSearch(const std::string& indexPath) override {
        return OpenPhotoSearch(path_, indexPath);
    }

    std::optional<std::int64_t> ChangesByOthers() override {
        // Never waits: an album locked now cannot be told about.
        db_->setBusyTimeout(0);
        std::optional<std::int64_t> count;
        try {
            count = db_->execAndGet("PRAGMA data_version").getInt64();
        } catch (const SQLite::Exception&) {
            // Locked or unreadable: nothing can be told.
        }
        db_->setBusyTimeout(sqlite::kBusyTimeoutMs);
        return count;
    }

private:
    // `read` on the album file, still the one opened; its failure told as
    // `failed`.
    template <typename Call>
    auto Read(const char* failed, Call read) -> decltype(read()) {
        file_.CheckStillThere();
        try {
            return read();
        } catch (const SQLite::Exception& e) {
            file_.Raise(e, failed);
        }
    }

    // The same for a change, refused (`nothing` done) in an album open only
    // for reading.
    template <typename Call>
    auto Write(const char* nothing, const char* failed, Call write) -> decltype(write()) {
        if (readOnly_) {
            throw StoreError(err::ReadOnlyDatabase,
                             "'" + path_ + "' è aperto in sola lettura: " + nothing);
        }
        return Read(failed, write);
    }

    std::string path_;
    bool readOnly_;
    std::shared_ptr<SQLite::Database> db_;
    AlbumFileWatch file_;
    std::string rowKey_;  // see sqlite::RowKeyOf
    sqlite::PhotoInserter inserter_{*db_};
};

class SqliteEngine final : public Engine {
public:
    std::unique_ptr<Album> Open(const std::string& path, bool readOnly) override {
        return std::make_unique<SqliteAlbum>(path, readOnly, sqlite::OpenAlbumFile(path, readOnly));
    }
};

}  // namespace

std::unique_ptr<Engine> MakeSqliteEngine() {
    return std::make_unique<SqliteEngine>();
}

}  // namespace store
