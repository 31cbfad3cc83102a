// "Cerca le foto spostate…": the pictures of photos that moved found again
// from the album window, for an album written and one never written.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QAction>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <cstdio>
#include <fstream>

#include "access/access_fixtures.h"
#include "support/album_window_fixture.h"
#include "support/albums.h"
#include "support/form1_probe.h"

namespace {

class FindMovedTest : public AlbumWindowFixture {
protected:
    FindMovedTest() : AlbumWindowFixture(Albums::AccessToo) {}
    void TearDown() override { EXPECT_EQ(dialogs.Pending(), 0) << "answers left unused"; }

    QString Dir() const { return platform.Root(); }
    // Whether `window` shows a picture, and offers the search in its place.
    bool Shown(Form1& window, pictures::PictureLoader& pictures) {
        SettlePictures(pictures);
        return Control<Picture>(window, "Image1").HasPicture();
    }
    bool Offered(Form1& window) {
        return Control<QPushButton>(window, "FindMovedButton").isVisibleTo(&window);
    }
    void ChooseFromMenu() {
        std::unique_ptr<QMenu> menu(Form1Probe::PhotoMenu(form));
        for (QAction* action : menu->actions())
            if (action->text() == "Cerca le foto spostate…") return action->trigger();
        FAIL() << "the photo menu does not offer the search";
    }
    std::pair<int, std::string> Tool(const std::string& arguments) const {
        return access_test::Shell("XDG_CONFIG_HOME=" + access_test::Quoted(Dir().toStdString()) +
                                  "/config " + PICTORA_ALBUM_TOOL + " " + arguments);
    }
};

TEST_F(FindMovedTest, TheNoticeOffersTheSearchAndANativeAlbumIsRewritten) {
    const QString moved = Dir() + "/nuovo/Foto/Mare";
    QDir().mkpath(moved);
    WritePicture(moved + "/a.bmp", 40, 30, Qt::red);
    WritePicture(moved + "/b.bmp", 40, 30, Qt::green);
    const QString old = Dir() + "/vecchio/Foto/Mare";
    WriteAlbum(platform.DefaultAlbumPath(),
               {{1, "a", old, "a.bmp"}, {2, "b", old, "b.bmp"}, {3, "c", Dir(), "c.bmp"}});
    module.OpenAlbum();
    ASSERT_FALSE(Shown(form, loader));
    ASSERT_TRUE(Offered(form));
    // Reached by the keyboard; a chooser cancelled changes nothing.
    QPushButton& offer = Control<QPushButton>(form, "FindMovedButton");
    EXPECT_EQ(offer.shortcut(), QKeySequence(Qt::ALT | Qt::Key_C));
    dialogs.Cancel();
    QTest::keyClick(&offer, Qt::Key_Space);
    EXPECT_TRUE(dialogs.Messages().isEmpty());
    EXPECT_TRUE(Offered(form));

    dialogs.Type(Dir() + "/nuovo");
    QTest::keyClick(&offer, Qt::Key_Space);
    EXPECT_EQ(dialogs.Messages(), QStringList{"Ritrovate 2 foto su 3; 1 ancora mancante\n\n"
                                              "Ancora mancanti:\n3: " +
                                              Dir() + "/c.bmp"});
    EXPECT_TRUE(AlbumRow(platform.DefaultAlbumPath(), 2).contains(moved));
    EXPECT_TRUE(Shown(form, loader));
    EXPECT_FALSE(Offered(form));
    EXPECT_EQ(Control<LongLineBox>(form, "Text1").text(), "1");
    // The photo menu offers it too; nothing is left to find under the folder.
    dialogs.Clear();
    dialogs.Type(Dir() + "/nuovo");
    ChooseFromMenu();
    EXPECT_EQ(dialogs.Messages()[0].section('\n', 0, 0),
              "Ritrovate 0 foto su 1; 1 ancora mancante");
}

// An album in the earlier versions' format, with Windows folders: never
// written, its folders found are kept in the settings, for the next start too,
// where pictora-album lists and forgets them.
TEST_F(FindMovedTest, AReadOnlyAlbumKeepsItsFoldersInTheSettingsAcrossARestart) {
    const QString copy = Dir() + "/copia/Foto/Mare 1998";
    QDir().mkpath(copy);
    WritePicture(copy + "/a.bmp", 40, 30, Qt::red);
    WritePicture(copy + "/b.bmp", 40, 30, Qt::green);
    const std::string rows = (Dir() + "/rows.tsv").toStdString();
    std::ofstream(rows) << "1\tSpiaggia\t\t\t\t\ta.bmp\tC:\\\\Documenti\\\\Foto\\\\Mare 1998\n"
                        << "2\tOnde\t\t\t\t\tb.bmp\tc:\\\\documenti\\\\FOTO\\\\mare 1998\n";
    const std::string album = platform.DefaultAlbumPath().toStdString();
    access_test::WriteRowsFile(rows, album, "--jet4");
    const std::string before = access_test::ReadBytes(album);
    module.OpenAlbum();
    ASSERT_TRUE(module.ReadOnly());
    ASSERT_FALSE(Shown(form, loader));
    ASSERT_TRUE(Offered(form));
    dialogs.Type(Dir() + "/copia");
    ChooseFromMenu();
    EXPECT_EQ(dialogs.Messages(), QStringList{"Ritrovate 2 foto su 2"});
    EXPECT_TRUE(Shown(form, loader));
    EXPECT_EQ(access_test::ReadBytes(album), before) << "the album file was changed";

    const auto restart = [&] {
        Module1 again(dialogs, platform, Engine());
        pictures::PictureLoader pictures{PhotoFrameSize(1), 1};
        Form1 window(again, pictures);
        again.OpenAlbum();
        again.MoveNext();
        return Shown(window, pictures);
    };
    EXPECT_TRUE(restart());
    const auto [listed, list] = Tool("relink --list " + access_test::Quoted(album));
    EXPECT_EQ(listed, 0);
    EXPECT_NE(list.find(" -> " + Dir().toStdString() + "/copia"), std::string::npos) << list;
    EXPECT_EQ(Tool("relink --forget " + access_test::Quoted(album)).first, 0);
    EXPECT_NE(Tool("relink --list " + access_test::Quoted(album)).second.find("Nessuna"),
              std::string::npos);
    EXPECT_FALSE(restart());
}

// A folder found on a disk copied from old Windows may be named by
// Windows-1252 bytes: the row holding those bytes shows its picture.
TEST_F(FindMovedTest, AFolderNamedInWindows1252BytesShowsItsPicture) {
    const QByteArray folder = QFile::encodeName(Dir()) + "/Caff\xe8";
    ASSERT_EQ(::mkdir(folder.constData(), 0755), 0);
    WritePicture(Dir() + "/a.bmp", 40, 30, Qt::red);
    ASSERT_EQ(::rename(QFile::encodeName(Dir() + "/a.bmp").constData(), folder + "/a.bmp"), 0);
    WriteAlbum(platform.DefaultAlbumPath(), {{1, "a", "x", "a.bmp"}});
    const std::string sql =
        "UPDATE datab SET percorso_file = CAST(X'" + folder.toHex().toStdString() + "' AS TEXT)";
    ExecuteSql(platform.DefaultAlbumPath(), sql.c_str());
    module.OpenAlbum();
    EXPECT_TRUE(Shown(form, loader));
    // Qt's removal of the test's folder does not reach a name that is not UTF-8.
    ::unlink(folder + "/a.bmp");
    ::rmdir(folder.constData());
}

}  // namespace
