// Loading the current row's picture and fitting it into the photo frame.
#include <gtest/gtest.h>

#include <QApplication>

#include "album_window/form1.h"
#include "album_window/show_photo.h"
#include "app/picture_path.h"
#include "app/module1.h"
#include "support/albums.h"
#include "support/scripted_dialogs.h"
#include "support/test_platform.h"

namespace {

class ShowPhotoTest : public ::testing::Test {
protected:
    // Opens an album whose rows name the given pictures in the test folder.
    void OpenAlbumOf(const std::vector<PhotoRow>& rows) {
        WriteAlbum(platform.DefaultAlbumPath(), rows);
        module.OpenAlbum();
    }
    QString Dir() const { return platform.Root(); }
    QSizeF Shown() const { return {form.Image1->TwipsWidth(), form.Image1->TwipsHeight()}; }

    ScriptedDialogs dialogs;
    TestPlatform platform;
    Module1 module{dialogs, platform};
    Form1 form{module};
};

TEST(FitToFrame, LongerSideSpansTheFrame) {
    EXPECT_EQ(FitToFrame({640, 480}), QSizeF(6345, 4635));
    const QSizeF upright = FitToFrame({480, 640});
    EXPECT_FLOAT_EQ(upright.height(), 6180);
    EXPECT_FLOAT_EQ(upright.width(), 4758.75f);
    EXPECT_EQ(FitToFrame({500, 500}), QSizeF(6345, 6180));
    // A small picture is enlarged by the same rule.
    EXPECT_EQ(FitToFrame({40, 20}), QSizeF(6345, 3090));
}

TEST(ComposePicturePath, JoinsFolderAndNameAndPutsCdFoldersUnderTheCdRoot) {
    EXPECT_EQ(ComposePicturePath(false, "", "/home/anna/Foto", "mare.jpg"),
              "/home/anna/Foto/mare.jpg");
    EXPECT_EQ(ComposePicturePath(false, "", "C:\\Foto", "mare.jpg"), "C:/Foto/mare.jpg");
    EXPECT_EQ(ComposePicturePath(false, "", "", ""), "/");
    EXPECT_EQ(ComposePicturePath(true, "/media/cdrom", "\\Foto", "mare.jpg"),
              "/media/cdrom/Foto/mare.jpg");
    EXPECT_EQ(ComposePicturePath(true, "/media/cdrom/", "\\Foto\\Estate", "a.bmp"),
              "/media/cdrom/Foto/Estate/a.bmp");
    EXPECT_EQ(ComposePicturePath(true, "/", "\\Foto", "a.jpg"), "/Foto/a.jpg");
}

TEST_F(ShowPhotoTest, FitsEveryOrientationAndHonoursExif) {
    WritePicture(Dir() + "/land.jpg", 640, 480);
    WritePicture(Dir() + "/port.bmp", 480, 640);
    WritePicture(Dir() + "/square.jpg", 300, 300);
    // Stored landscape, turned upright by its EXIF orientation.
    WritePicture(Dir() + "/turned.jpg", 640, 480, Qt::red, 6);
    OpenAlbumOf({{1, "a", Dir(), "land.jpg"},
                 {2, "b", Dir(), "port.bmp"},
                 {3, "c", Dir(), "square.jpg"},
                 {4, "d", Dir(), "turned.jpg"}});

    EXPECT_EQ(Shown(), QSizeF(6345, 4635));
    EXPECT_EQ(form.Image1->geometry(), QRect(12, 42, 423, 309));
    EXPECT_TRUE(form.Image1->isVisible() || !form.isVisible());

    auto& rows = module.Data1.Recordset();
    rows.MoveNext();
    module.ShowPhoto();
    EXPECT_FLOAT_EQ(form.Image1->TwipsWidth(), 4758.75f);
    EXPECT_FLOAT_EQ(form.Image1->TwipsHeight(), 6180);
    EXPECT_EQ(form.Image1->geometry().topLeft(), QPoint(12, 42));

    rows.MoveNext();
    module.ShowPhoto();
    EXPECT_EQ(Shown(), QSizeF(6345, 6180));

    rows.MoveNext();
    module.ShowPhoto();
    EXPECT_EQ(form.Image1->NaturalSize(), QSize(480, 640));
    EXPECT_FLOAT_EQ(form.Image1->TwipsWidth(), 4758.75f);
    EXPECT_FLOAT_EQ(form.Image1->TwipsHeight(), 6180);
    const QRgb shownPixel = form.Image1->GetPicture().pixel(2, 2);
    EXPECT_GT(qRed(shownPixel), 240) << "the picture itself is shown";
    EXPECT_LT(qGreen(shownPixel), 16);
}

TEST_F(ShowPhotoTest, DecodesNoMorePixelsThanTheFrameShows) {
    WritePicture(Dir() + "/big.jpg", 4000, 3000);
    OpenAlbumOf({{1, "grande", Dir(), "big.jpg"}});
    EXPECT_EQ(form.Image1->NaturalSize(), QSize(4000, 3000));
    EXPECT_EQ(Shown(), QSizeF(6345, 4635));
    const QSize decoded = form.Image1->GetPicture().size();
    const qreal ratio = form.devicePixelRatioF();
    EXPECT_LE(decoded.width(), qRound(423 * ratio));
    EXPECT_LE(decoded.height(), qRound(309 * ratio));
}

TEST_F(ShowPhotoTest, FailuresKeepThePreviousPicture) {
    WritePicture(Dir() + "/land.jpg", 640, 480, Qt::green);
    QFile text(Dir() + "/note.jpg");
    ASSERT_TRUE(text.open(QIODevice::WriteOnly));
    text.write("non sono una foto");
    text.close();
    OpenAlbumOf({{1, "buona", Dir(), "land.jpg"},
                 {2, "sparita", Dir(), "manca.jpg"},
                 {3, "finta", Dir(), "note.jpg"},
                 {4, "cartella", Dir(), ""}});
    const QImage first = form.Image1->GetPicture();
    ASSERT_FALSE(first.isNull());

    auto& rows = module.Data1.Recordset();
    for (int i = 0; i < 3; ++i) {
        rows.MoveNext();
        module.ShowPhoto();
        EXPECT_EQ(form.Image1->GetPicture(), first) << "row " << i + 2;
        EXPECT_EQ(Shown(), QSizeF(6345, 4635));
    }
    EXPECT_TRUE(dialogs.shown.empty());
}

TEST_F(ShowPhotoTest, EmptyAlbumLeavesTheFrameAsItWas) {
    WritePicture(Dir() + "/land.jpg", 640, 480);
    OpenAlbumOf({{1, "a", Dir(), "land.jpg"}});
    const QImage before = form.Image1->GetPicture();
    ExecuteSql(module.DatabasePath, "DELETE FROM datab");
    module.Data1.Refresh();
    module.ShowPhoto();
    EXPECT_EQ(form.Image1->GetPicture(), before);
    EXPECT_EQ(Shown(), QSizeF(6345, 4635));
}

TEST_F(ShowPhotoTest, NoPictureAtAllLeavesTheFrameEmpty) {
    OpenAlbumOf({{1, "sparita", Dir(), "manca.jpg"}});
    EXPECT_FALSE(form.Image1->HasPicture());
    EXPECT_FALSE(form.Image1->isVisibleTo(&form));
}

TEST_F(ShowPhotoTest, CdAlbumPicturesComeFromTheCdRoot) {
    QDir(Dir()).mkpath("cd/Foto");
    WritePicture(Dir() + "/cd/Foto/mare.jpg", 480, 640);
    OpenAlbumOf({{1, "mare", "\\Foto", "mare.jpg"}});
    EXPECT_FALSE(form.Image1->HasPicture());

    module.CdMode = true;
    module.CdDriveLetter = Dir() + "/cd";
    module.ShowPhoto();
    EXPECT_EQ(form.Image1->NaturalSize(), QSize(480, 640));
}

}  // namespace
