// What the album object tells the photo frame to read ahead: the neighbours'
// pictures, and the first picture of the album to be opened at start-up.
#include <gtest/gtest.h>

#include <QFile>

#include "app/module1.h"
#include "support/albums.h"
#include "support/module1_probe.h"
#include "support/scripted_dialogs.h"
#include "support/test_platform.h"

namespace {

class ReadAheadPathsTest : public ::testing::Test {
protected:
    ScriptedDialogs dialogs;
    TestPlatform platform;
    Module1 module{dialogs, platform};
};

TEST_F(ReadAheadPathsTest, NeighboursInNumberOrderWithoutMovingTheCursor) {
    WriteAlbum(platform.DefaultAlbumPath(), {{2, "Due", "/foto", "due.jpg"},
                                             {5, "Cinque", "\\foto", "cinque.jpg"},
                                             {9, "Nove", "/foto", "nove.bmp"}});
    EXPECT_TRUE(module.NeighbourPicturePaths().isEmpty()) << "nothing open";
    module.OpenAlbum();
    EXPECT_EQ(module.NeighbourPicturePaths(), QStringList{"/foto/cinque.jpg"});
    module.MoveNext();
    EXPECT_EQ(module.NeighbourPicturePaths(), (QStringList{"/foto/due.jpg", "/foto/nove.bmp"}));
    EXPECT_EQ(Module1Probe::Data1(module).Recordset().Current().texts.titolo, "Cinque");
    module.MoveLast();
    EXPECT_EQ(module.NeighbourPicturePaths(), QStringList{"/foto/cinque.jpg"});

    // The album emptied behind the program's back.
    ExecuteSql(platform.DefaultAlbumPath(), "DELETE FROM datab");
    EXPECT_TRUE(module.NeighbourPicturePaths().isEmpty());
    EXPECT_TRUE(dialogs.shown.empty());
}

TEST_F(ReadAheadPathsTest, StartupPictureIsFoundWithoutAskingOrOpening) {
    // No album anywhere: nothing, and nobody asked.
    EXPECT_EQ(module.StartupPicturePath(), "");

    const QString named = platform.Root() + "/altro.mdb";
    WriteAlbum(named, {{3, "Altro", "/foto", "altro.jpg"}});
    QFile pathdb(platform.PathdbPath());
    ASSERT_TRUE(pathdb.open(QIODevice::WriteOnly));
    pathdb.write(named.toUtf8() + "\r\n");
    pathdb.close();
    EXPECT_EQ(module.StartupPicturePath(), "/foto/altro.jpg");

    // The usual album comes first; an empty one has no picture.
    WriteAlbum(platform.DefaultAlbumPath(), {});
    EXPECT_EQ(module.StartupPicturePath(), "");
    QFile::remove(platform.DefaultAlbumPath());
    WriteAlbum(platform.DefaultAlbumPath(), {{1, "Uno", "C:\\Foto", "uno.jpg"}});
    EXPECT_EQ(module.StartupPicturePath(), "C:/Foto/uno.jpg");

    // A file that is no album gives nothing, and no message.
    QFile::remove(platform.DefaultAlbumPath());
    QFile bad(platform.DefaultAlbumPath());
    ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
    bad.write("non sono un album");
    bad.close();
    EXPECT_EQ(module.StartupPicturePath(), "");

    EXPECT_TRUE(dialogs.shown.empty());
    EXPECT_FALSE(Module1Probe::Data1(module).IsOpen());
}

}  // namespace
