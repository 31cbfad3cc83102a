// The album object on its own, with no window: what it tells its observers.
#include <gtest/gtest.h>

#include <QFile>
#include <QSignalSpy>
#include <limits>

#include "app/module1.h"
#include "store/album.h"
#include "support/albums.h"
#include "support/scripted_dialogs.h"
#include "support/test_platform.h"

namespace {

class Module1Test : public ::testing::Test {
protected:
    void Open(const std::vector<PhotoRow>& rows) {
        WriteAlbum(platform.DefaultAlbumPath(), rows);
        module.OpenAlbum();
    }
    // The photo numbers the observers were handed, "" for none.
    QStringList Numbers() const {
        QStringList numbers;
        for (const QList<QVariant>& call : rowSpy)
            numbers << QString::fromStdString(
                call[0].value<std::optional<store::Photo>>().value_or(store::Photo{}).id.toText());
        return numbers;
    }

    ScriptedDialogs dialogs;
    TestPlatform platform;
    Module1 module{dialogs, platform};
    QSignalSpy rowSpy{&module, &Module1::CurrentPhotoChanged};
    QSignalSpy pictureSpy{&module, &Module1::PictureToShow};
    QSignalSpy readOnlySpy{&module, &Module1::ReadOnlyChanged};
};

TEST_F(Module1Test, TheCurrentPhotoTravelsAsAValueWithItsPicturePath) {
    Open({{3, "Tre", "C:\\Foto", "tre.jpg"}, {7, "Sette", "/foto", "sette.bmp"}});
    module.MoveNext();
    module.MoveNext();  // no wrap-around past the last photo
    module.MovePrevious();
    dialogs.Cancel();
    module.JumpToPhoto();  // Cancel changes nothing
    EXPECT_EQ(Numbers(), (QStringList{"3", "7", "", "7", "3"}));
    ASSERT_TRUE(module.CurrentPhoto());
    EXPECT_EQ(module.CurrentPhoto()->texts.titolo, "Tre");

    QStringList pictures;
    for (const QList<QVariant>& call : pictureSpy) pictures << call[0].toString();
    EXPECT_EQ(pictures, (QStringList{"C:/Foto/tre.jpg", "/foto/sette.bmp", "/foto/sette.bmp",
                                     "C:/Foto/tre.jpg"}));
    EXPECT_EQ(dialogs.Messages(), QStringList{});
}

TEST_F(Module1Test, OnePlaceSetsTheReadOnlyStateAndTellsIt) {
    Open({{1, "Uno", "/foto", "uno.jpg"}});
    QFile::setPermissions(platform.DefaultAlbumPath(), QFile::ReadOwner);
    module.Activate();
    EXPECT_TRUE(module.ReadOnly());
    EXPECT_TRUE(module.ReadOnly());
    // Each opening first allows writing, then learns the file may not be
    // written.
    ASSERT_GE(readOnlySpy.size(), 3);
    EXPECT_FALSE(readOnlySpy.at(readOnlySpy.size() - 2)[0].toBool());
    EXPECT_TRUE(readOnlySpy.last()[0].toBool());
    ASSERT_TRUE(module.CurrentPhoto());
    EXPECT_EQ(module.CurrentPhoto()->texts.titolo, "Uno");
}

// New numbers are counted as whole numbers, exactly past 2^53 and up to the
// highest one; an album whose highest number cannot grow says so plainly and
// is left as it was.
TEST_F(Module1Test, NewPhotoNumbersAreExactUpToTheTopOfTheRange) {
    constexpr long long kTop = std::numeric_limits<long long>::max();
    constexpr long long kTwoTo53 = 9007199254740992LL;
    const struct {
        std::vector<long long> ids;
        std::optional<long long> added;
    } cases[] = {
        {{1, kTwoTo53}, kTwoTo53 + 1},
        {{-5, kTop - 1}, kTop},
        {{1, kTop}, std::nullopt},
    };
    for (const auto& c : cases) {
        std::vector<PhotoRow> rows;
        for (long long id : c.ids) rows.push_back({id, "Foto", "/foto", "a.jpg"});
        QFile::remove(platform.DefaultAlbumPath());
        Open(rows);
        dialogs.Clear();
        module.PickFile(QString(), "nuova.jpg");
        for (int i = 0; i < 5; ++i) dialogs.Type("Nuova");

        std::vector<long long> expected = c.ids;
        if (c.added) expected.push_back(*c.added);
        EXPECT_EQ(module.AddPhotoRecord(), c.added.has_value()) << c.ids.back();
        EXPECT_EQ(AlbumIds(platform.DefaultAlbumPath()), expected);
        EXPECT_EQ(dialogs.Messages(),
                  c.added ? QStringList{}
                          : QStringList{"Impossibile aggiungere la foto: il DataBase ha già "
                                        "raggiunto il numero di foto più alto possibile."});
    }
}

// The album files as SQLite keeps them, but whose cursors' deletions and
// corrections fail with `error`, as on a disk with no room left for the
// journal.
class FailingDeleteEngine : public store::Engine {
public:
    explicit FailingDeleteEngine(int error) : error_(error) {}
    std::unique_ptr<store::Album> Open(const std::string& path, bool readOnly) override {
        return std::make_unique<AlbumOf>(sqlite_->Open(path, readOnly), error_);
    }

private:
    class CursorOf : public store::Cursor {
    public:
        CursorOf(std::unique_ptr<store::Cursor> rows, int error)
            : rows_(std::move(rows)), error_(error) {}
        bool Bof() const override { return rows_->Bof(); }
        bool Eof() const override { return rows_->Eof(); }
        bool HasCurrentRow() const override { return rows_->HasCurrentRow(); }
        void MoveFirst() override { rows_->MoveFirst(); }
        void MoveLast() override { rows_->MoveLast(); }
        void MoveNext() override { rows_->MoveNext(); }
        void MovePrevious() override { rows_->MovePrevious(); }
        void Delete() override { throw store::StoreError(error_, "scrittura non riuscita"); }
        bool UpdateField(store::Field, const std::string&) override {
            throw store::StoreError(error_, "scrittura non riuscita");
        }
        const store::Photo& Current() const override { return rows_->Current(); }
        bool SeekId(const store::Value& number) override { return rows_->SeekId(number); }
        std::optional<store::Photo> PhotoBefore(const store::OrderKey& place) override {
            return rows_->PhotoBefore(place);
        }
        std::optional<store::Photo> PhotoAfter(const store::OrderKey& place) override {
            return rows_->PhotoAfter(place);
        }

    private:
        std::unique_ptr<store::Cursor> rows_;
        int error_;
    };
    class AlbumOf : public store::Album {
    public:
        AlbumOf(std::unique_ptr<store::Album> album, int error)
            : album_(std::move(album)), error_(error) {}
        std::unique_ptr<store::Cursor> OpenCursor() override {
            return std::make_unique<CursorOf>(album_->OpenCursor(), error_);
        }
        store::Value InsertPhoto(const store::PhotoTexts& texts) override {
            return album_->InsertPhoto(texts);
        }
        std::unique_ptr<store::PhotoIndex> OpenPhotoIndex() override {
            return album_->OpenPhotoIndex();
        }

    private:
        std::unique_ptr<store::Album> album_;
        int error_;
    };

    std::unique_ptr<store::Engine> sqlite_ = store::MakeSqliteEngine();
    int error_;
};

// Photos 1 and 2 behind a FailingDeleteEngine, the album on photo 2.
struct FailingAlbum {
    explicit FailingAlbum(int error)
        : module{dialogs, platform, std::make_unique<FailingDeleteEngine>(error)} {
        WriteAlbum(platform.DefaultAlbumPath(),
                   {{1, "Uno", "/foto", "uno.jpg"}, {2, "Due", "/foto", "due.jpg"}});
        module.OpenAlbum();
        module.MoveNext();
    }
    ScriptedDialogs dialogs;
    TestPlatform platform;
    Module1 module;
};

TEST(Module1Delete, ARefusedDeletionNamesItsCauseAsAddingDoes) {
    const struct {
        int error;
        QString message;
    } cases[] = {
        {store::err::DiskFull, "Il disco è pieno: la foto non è stata eliminata."},
        {store::err::Locked,
         "Il DataBase è bloccato da un altro programma: la foto non è stata eliminata."},
        {store::err::ReadOnlyDatabase,
         "Il DataBase è di sola lettura: la foto non è stata eliminata."},
        {store::err::General, "La foto non è stata eliminata."},
    };
    for (const auto& c : cases) {
        FailingAlbum album(c.error);
        auto& [dialogs, platform, module] = album;

        dialogs.Yes();
        module.DeleteCurrentPhoto();
        EXPECT_EQ(dialogs.Messages(), QStringList{c.message}) << c.error;
        EXPECT_EQ(AlbumIds(platform.DefaultAlbumPath()), (std::vector<long long>{1, 2}));
        ASSERT_TRUE(module.CurrentPhoto());
        EXPECT_EQ(module.CurrentPhoto()->texts.titolo, "Due") << "the photo stays current";
    }
}

TEST(Module1Edit, ARefusedSaveNamesItsCauseAndKeepsTheOldText) {
    const struct {
        int error;
        QString message;
        std::string shownAfter;  // once the edit is given up: a photo gone, as after a deletion
    } cases[] = {
        {store::err::DiskFull, "Il disco è pieno: la modifica non è stata salvata.", "Due"},
        {store::err::Locked,
         "Il DataBase è bloccato da un altro programma: la modifica non è stata salvata.", "Due"},
        {store::err::ReadOnlyDatabase,
         "Il DataBase è di sola lettura: la modifica non è stata salvata.", "Due"},
        {store::err::PhotoGone,
         "La foto è stata eliminata, rinumerata o sostituita da un altro programma: la modifica "
         "non è stata salvata.",
         "Uno"},
    };
    for (const auto& c : cases) {
        FailingAlbum album(c.error);
        auto& [dialogs, platform, module] = album;

        EXPECT_FALSE(module.SavePhotoField(store::Field::Title, "Nuovo")) << c.error;
        EXPECT_EQ(dialogs.Messages(), QStringList{c.message}) << c.error;
        EXPECT_EQ(AlbumRow(platform.DefaultAlbumPath(), 2).value(1), "Due");
        ASSERT_TRUE(module.CurrentPhoto());
        EXPECT_EQ(module.CurrentPhoto()->texts.titolo, "Due") << "shown while the box is open";
        module.EditDropped();
        ASSERT_TRUE(module.CurrentPhoto());
        EXPECT_EQ(module.CurrentPhoto()->texts.titolo, c.shownAfter) << c.error;
        EXPECT_FALSE(module.CanUndoEdit());
    }
}

}  // namespace
