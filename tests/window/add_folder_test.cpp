// Many photos at once from the album window: the folder asked for, files
// dropped, the summary, the first photo added shown, a stop, a refusal.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QMimeData>
#include <QSemaphore>
#include <QTest>
#include <QUrl>

#include "adding/add_pictures.h"
#include "metadata/metadata_test_support.h"
#include "support/album_window_fixture.h"
#include "support/albums.h"
#include "support/form1_probe.h"

namespace {

// Photo 1, and a folder of photos taken on the 3rd, 1st and 2nd of May.
class AddFolderTest : public AlbumWindowFixture {
protected:
    void SetUp() override {
        WriteAlbum(platform.DefaultAlbumPath(), {{1, "Uno", platform.Root(), "uno.jpg"}});
        QDir(platform.Root()).mkpath("nuove");
        for (const auto& [name, day] : {std::pair{"a", '3'}, {"b", '1'}, {"c", '2'}})
            metadata_test::WritePhoto(
                (Folder() + "/" + name + ".jpg").toStdString(),
                {.exif = {{"Exif.Photo.DateTimeOriginal",
                           std::string("2020:05:0") + day + " 10:00:00"}},
                 .iptc = {{"Iptc.Application2.ObjectName", std::string("Maggio ") + day}}});
        module.OpenAlbum();
        ASSERT_NO_FATAL_FAILURE(Focus(&form));
    }
    QString Folder() const { return platform.Root() + "/nuove"; }
    QString Shown() const { return Control<LongLineBox>(form, "Text1").text(); }
    void AddWithKey() {
        QTest::keyClick(&form, Qt::Key_A, Qt::ControlModifier | Qt::ShiftModifier);
    }
    void WaitForTheEnd() {
        ASSERT_TRUE(QTest::qWaitFor([this] { return !module.AddingPictures(); }, 30000));
    }
};

// Numbered in the order taken, the first added shown, the word index kept
// up to date rather than built anew.
TEST_F(AddFolderTest, TheKeyAndTheMenuAskForAFolderAndTheFirstPhotoAddedIsShown) {
    module.PrepareSearch();
    ASSERT_TRUE(QTest::qWaitFor([this] { return !module.SearchBuilding(); }, 30000));
    dialogs.Type(Folder());
    AddWithKey();
    WaitForTheEnd();
    EXPECT_EQ(dialogs.shown.front().kind, ScriptedDialogs::Kind::Folder);
    EXPECT_EQ(dialogs.Messages(), QStringList{"Aggiunte 3 foto."});
    EXPECT_EQ(AlbumRow(platform.DefaultAlbumPath(), 2).mid(0, 3),
              (QStringList{"2", "Maggio 1", "01/05/20"}));
    EXPECT_EQ(Shown(), "2");
    const auto found = module.FindPhotos("maggio");
    ASSERT_NE(found, nullptr) << "the index is built anew";
    EXPECT_EQ(found->Count(), 3);

    dialogs.Clear();
    dialogs.Type(Folder()).Cancel();
    std::unique_ptr<QMenu> menu(Form1Probe::PhotoMenu(form));
    menu->actions().last()->trigger();
    WaitForTheEnd();
    AddWithKey();
    EXPECT_EQ(dialogs.Messages(), QStringList{"Nessuna foto aggiunta; 3 già nell'album."});
    EXPECT_EQ(AlbumIds(platform.DefaultAlbumPath()), (std::vector<long long>{1, 2, 3, 4}));
}

TEST_F(AddFolderTest, LocalFilesDroppedAreAddedAndTheUnreadableNamed) {
    const auto drop = [this](QMimeData& data) {
        QDragEnterEvent enter(QPoint(9, 9), Qt::CopyAction, &data, Qt::LeftButton, {});
        QDropEvent dropped(QPointF(9, 9), Qt::CopyAction, &data, Qt::LeftButton, {});
        return QApplication::sendEvent(&form, &enter) && QApplication::sendEvent(&form, &dropped);
    };
    QMimeData text, files;
    text.setText("parole");
    EXPECT_FALSE(drop(text));
    files.setUrls({QUrl::fromLocalFile(Folder() + "/c.jpg"), QUrl::fromLocalFile("/manca.jpg"),
                   QUrl("https://example.org/d.jpg")});
    EXPECT_TRUE(drop(files));
    ASSERT_TRUE(QTest::qWaitFor([this] { return !dialogs.Messages().isEmpty(); }, 30000));
    EXPECT_TRUE(dialogs.Messages()[0].startsWith(
        "Aggiunta 1 foto; 1 non leggibile.\n\nNon leggibili:\n/manca.jpg: "));
    EXPECT_EQ(Shown(), "2");
}

// A stop between two batches keeps the first one whole, as Annulla does.
TEST_F(AddFolderTest, AStopKeepsTheBatchesWritten) {
    std::atomic<bool> stop{false};
    const auto stopWhenAdding = [&](adding::Phase phase, auto, auto) {
        stop = stop || phase == adding::Phase::Adding;
    };
    module.AddPictures({Folder()}, {.progress = stopWhenAdding, .cancel = &stop, .batch = 2});
    WaitForTheEnd();
    EXPECT_EQ(dialogs.Messages(), QStringList{"Aggiunta interrotta: aggiunte 2 foto."});
    EXPECT_EQ(AlbumIds(platform.DefaultAlbumPath()), (std::vector<long long>{1, 2, 3}));
}

// The album object's end stops an addition held in a read of a dead share
// and waits for it only within a bound; the addition ends on its own later.
TEST_F(AddFolderTest, TheEndDoesNotWaitForAnAdditionHeldInARead) {
    QSemaphore held, freed;
    auto first = std::make_shared<std::atomic<bool>>(true);
    auto other = std::make_unique<Module1>(dialogs, platform);
    other->OpenAlbum();
    // Held at its first report until the album object is gone.
    other->AddPictures({Folder()}, {.progress = [&held, &freed, first](adding::Phase, auto, auto) {
                           if (!first->exchange(false)) return;
                           held.release();
                           freed.acquire();
                       }});
    held.acquire();
    other.reset();
    freed.release();
    EXPECT_TRUE(QTest::qWaitFor([&] { return first.use_count() == 1; }, 30000));
    EXPECT_EQ(AlbumIds(platform.DefaultAlbumPath()), std::vector<long long>{1});
}

TEST_F(AddFolderTest, AnAlbumThatMayOnlyBeReadRefusesBeforeTheChooser) {
    QFile::setPermissions(platform.DefaultAlbumPath(), QFile::ReadOwner);
    module.OpenAlbum();
    AddWithKey();
    EXPECT_EQ(dialogs.Messages(),
              QStringList{"Il DataBase è di sola lettura: le foto non sono state aggiunte."});
}

}  // namespace
