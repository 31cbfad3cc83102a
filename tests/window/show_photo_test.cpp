// Loading the current row's picture and fitting it into the photo frame.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QPainter>
#include <QSemaphore>
#include <QTest>
#include <atomic>
#include <memory>

#include <sys/stat.h>

#include "app/picture_path.h"
#include "pictures/picture_test_support.h"
#include "support/album_window_fixture.h"
#include "support/albums.h"

namespace {

class ShowPhotoTest : public AlbumWindowFixture {
protected:
    // Opens an album whose rows name the given pictures in the test folder.
    // Then waits for the first picture unless told not to.
    void OpenAlbumOf(const std::vector<PhotoRow>& rows, bool settle = true) {
        WriteAlbum(platform.DefaultAlbumPath(), rows);
        module.OpenAlbum();
        if (settle) Settle();
    }
    QString Dir() const { return platform.Root(); }
    QSizeF ShownSize() const {
        return {Control<Picture>(form, "Image1").TwipsWidth(),
                Control<Picture>(form, "Image1").TwipsHeight()};
    }
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

TEST_F(ShowPhotoTest, AnEmptyAlbumSaysHowToFillItUnlessReadOnly) {
    const QLabel& notice = Control<QLabel>(form, "PictureNoticeLabel");
    const QString album = platform.DefaultAlbumPath();
    WriteAlbum(album, {});
    QFile::setPermissions(album, QFile::ReadOwner | QFile::ReadGroup);
    module.OpenAlbum();
    ASSERT_TRUE(module.ReadOnly());
    EXPECT_FALSE(notice.isVisibleTo(&form));

    QFile::setPermissions(album, QFile::ReadOwner | QFile::WriteOwner);
    module.OpenAlbum();
    ASSERT_FALSE(module.ReadOnly());
    EXPECT_TRUE(notice.isVisibleTo(&form));
    EXPECT_EQ(notice.text(),
              "L'album è vuoto: trascina qui le foto o una cartella, oppure "
              "premi Ctrl+Maiusc+A");
    // A photo takes its place.
    WritePicture(Dir() + "/land.jpg", 640, 480);
    ASSERT_TRUE(QFile::remove(album));
    OpenAlbumOf({{1, "a", Dir(), "land.jpg"}});
    EXPECT_FALSE(notice.isVisibleTo(&form));
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

    EXPECT_EQ(ShownSize(), QSizeF(6345, 4635));
    EXPECT_EQ(Control<Picture>(form, "Image1").geometry(), QRect(12, 42, 423, 309));
    EXPECT_TRUE(Control<Picture>(form, "Image1").isVisible() || !form.isVisible());

    auto& rows = Data1().Recordset();
    rows.MoveNext();
    module.ShowPhoto();
    Settle();
    EXPECT_FLOAT_EQ(Control<Picture>(form, "Image1").TwipsWidth(), 4758.75f);
    EXPECT_FLOAT_EQ(Control<Picture>(form, "Image1").TwipsHeight(), 6180);
    EXPECT_EQ(Control<Picture>(form, "Image1").geometry().topLeft(), QPoint(12, 42));

    rows.MoveNext();
    module.ShowPhoto();
    Settle();
    EXPECT_EQ(ShownSize(), QSizeF(6345, 6180));

    rows.MoveNext();
    module.ShowPhoto();
    Settle();
    EXPECT_EQ(Control<Picture>(form, "Image1").NaturalSize(), QSize(480, 640));
    EXPECT_FLOAT_EQ(Control<Picture>(form, "Image1").TwipsWidth(), 4758.75f);
    EXPECT_FLOAT_EQ(Control<Picture>(form, "Image1").TwipsHeight(), 6180);
    const QRgb shownPixel = Control<Picture>(form, "Image1").GetPicture().pixel(2, 2);
    EXPECT_GT(qRed(shownPixel), 240) << "the picture itself is shown";
    EXPECT_LT(qGreen(shownPixel), 16);
}

TEST_F(ShowPhotoTest, DecodesNoMorePixelsThanTheFrameShows) {
    WritePicture(Dir() + "/big.jpg", 4000, 3000);
    OpenAlbumOf({{1, "grande", Dir(), "big.jpg"}});
    EXPECT_EQ(Control<Picture>(form, "Image1").NaturalSize(), QSize(4000, 3000));
    EXPECT_EQ(ShownSize(), QSizeF(6345, 4635));
    const QSize decoded = Control<Picture>(form, "Image1").GetPicture().size();
    const qreal ratio = form.devicePixelRatioF();
    EXPECT_LE(decoded.width(), qRound(423 * ratio));
    EXPECT_LE(decoded.height(), qRound(309 * ratio));
}

TEST_F(ShowPhotoTest, APictureThatCannotBeShownEmptiesTheFrameAndSaysWhy) {
    WritePicture(Dir() + "/land.jpg", 640, 480, Qt::green);
    WritePicture(Dir() + "/port.jpg", 480, 640, Qt::red);
    picture_test::Write(Dir() + "/note.jpg", "non sono una foto");
    picture_test::Write(Dir() + "/enorme.bmp", picture_test::HeaderBomb("BMP", 30000, 30000));
    picture_test::Write(Dir() + "/enorme.png", picture_test::HeaderBomb("PNG", 20000, 20000));
    const QString longName = "<b>" + QString(5000, 'n') + "<i>.jpg";
    const struct {
        PhotoRow row;
        QString notice;
    } cases[] = {
        {{2, "sparita", Dir(), "manca.jpg"}, "Immagine non trovata: manca.jpg"},
        {{3, "senza cartella", Dir() + "/via", "mare.jpg"}, "Immagine non trovata: mare.jpg"},
        {{4, "finta", Dir(), "note.jpg"}, "Immagine non leggibile: note.jpg"},
        {{5, "enorme", Dir(), "enorme.bmp"}, "Immagine non leggibile: enorme.bmp"},
        {{6, "enorme png", Dir(), "enorme.png"}, "Immagine troppo grande: enorme.png"},
        {{7, "fifo", Dir(), "fifo.jpg"}, "Immagine non leggibile: fifo.jpg"},
        {{8, "cartella", Dir(), "cartella"}, "Immagine non leggibile: cartella"},
        {{9, "senza nome", Dir(), ""}, "Immagine non leggibile"},
        // Longer than any path: told by the name's two ends, as written.
        {{10, "nome lunghissimo", Dir(), longName},
         "Immagine non trovata: " + longName.left(60) + QChar(0x2026) + longName.right(40)},
        {{11, "cartella lunghissima", Dir() + "/" + QString(5000, 'c'), "mare.jpg"},
         "Immagine non trovata: mare.jpg"},
    };
    ASSERT_EQ(mkfifo(QFile::encodeName(Dir() + "/fifo.jpg").constData(), 0600), 0);
    ASSERT_TRUE(QDir(Dir()).mkdir("cartella"));
    std::vector<PhotoRow> rows{{1, "buona", Dir(), "land.jpg"}};
    for (const auto& c : cases) rows.push_back(c.row);
    rows.push_back({12, "di nuovo", Dir(), "port.jpg"});
    OpenAlbumOf(rows);
    ASSERT_TRUE(Control<Picture>(form, "Image1").HasPicture());
    EXPECT_FALSE(Control<QLabel>(form, "PictureNoticeLabel").isVisibleTo(&form));

    for (const auto& c : cases) {
        Click(form, "Image5");
        Settle();
        // Never the previous row's picture beside this row's fields.
        EXPECT_EQ(Control<LongLineBox>(form, "Text2").text(), c.row.titolo);
        EXPECT_FALSE(Control<Picture>(form, "Image1").HasPicture()) << c.notice.toStdString();
        EXPECT_TRUE(Control<QLabel>(form, "PictureNoticeLabel").isVisibleTo(&form));
        EXPECT_EQ(Control<QLabel>(form, "PictureNoticeLabel").text(), c.notice);
        EXPECT_EQ(Control<QLabel>(form, "PictureNoticeLabel").textFormat(), Qt::PlainText);
        // Inside the photo frame, which is still Image1 to the pointer: a
        // click opens the photo list, a press drags nothing.
        EXPECT_EQ(Control<QLabel>(form, "PictureNoticeLabel").geometry(), QRect(12, 42, 423, 412));
        EXPECT_EQ(Control<Picture>(form, "Image1").geometry(), QRect(12, 42, 423, 412));
        EXPECT_EQ(form.childAt(Control<QLabel>(form, "PictureNoticeLabel").geometry().center()),
                  &Control<Picture>(form, "Image1"));
    }
    // The next real picture takes the notice's place.
    Click(form, "Image5");
    Settle();
    EXPECT_EQ(Control<LongLineBox>(form, "Text2").text(), "di nuovo");
    EXPECT_EQ(Control<Picture>(form, "Image1").NaturalSize(), QSize(480, 640));
    EXPECT_TRUE(Control<Picture>(form, "Image1").isVisibleTo(&form));
    EXPECT_FALSE(Control<QLabel>(form, "PictureNoticeLabel").isVisibleTo(&form));
    EXPECT_TRUE(dialogs.shown.empty());
}

// Pictures Qt reads only with care: a BMP stored top down, and a
// camera-size BMP of more than Qt's usual 128 MB to decode.
TEST_F(ShowPhotoTest, TopDownAndLargeBmpsAreShown) {
    // Red above blue, and red left of blue.
    const auto twoColours = [](QSize size, Qt::Orientation split) {
        QImage image(size, QImage::Format_RGB888);
        image.fill(Qt::blue);
        QPainter(&image).fillRect(split == Qt::Vertical
                                      ? QRect(0, 0, size.width(), size.height() / 2)
                                      : QRect(0, 0, size.width() / 2, size.height()),
                                  Qt::red);
        return image;
    };
    picture_test::Write(Dir() + "/alto.bmp",
                        picture_test::TopDownBmp(twoColours({60, 40}, Qt::Vertical)));
    ASSERT_TRUE(twoColours({7000, 5000}, Qt::Horizontal).save(Dir() + "/grande.bmp", "BMP"));
    OpenAlbumOf({{1, "alto", Dir(), "alto.bmp"}, {2, "grande", Dir(), "grande.bmp"}});

    const QImage top = Control<Picture>(form, "Image1").GetPicture();
    EXPECT_EQ(Control<Picture>(form, "Image1").NaturalSize(), QSize(60, 40));
    EXPECT_EQ(top.pixel(30, 2), qRgb(255, 0, 0)) << "upright";
    EXPECT_EQ(top.pixel(30, top.height() - 3), qRgb(0, 0, 255));

    Click(form, "Image5");

    Settle();
    const QImage large = Control<Picture>(form, "Image1").GetPicture();
    EXPECT_EQ(Control<Picture>(form, "Image1").NaturalSize(), QSize(7000, 5000));
    EXPECT_EQ(ShownSize(), FitToFrame({7000, 5000}));
    EXPECT_EQ(large.pixel(large.width() / 4, large.height() / 2), qRgb(255, 0, 0));
    EXPECT_EQ(large.pixel(large.width() * 3 / 4, large.height() / 2), qRgb(0, 0, 255));
    EXPECT_FALSE(Control<QLabel>(form, "PictureNoticeLabel").isVisibleTo(&form));
}

TEST_F(ShowPhotoTest, EmptyAlbumLeavesTheFrameAsItWas) {
    WritePicture(Dir() + "/land.jpg", 640, 480);
    OpenAlbumOf({{1, "a", Dir(), "land.jpg"}});
    const QImage before = Control<Picture>(form, "Image1").GetPicture();
    ExecuteSql(Module1Probe::DatabasePath(module), "DELETE FROM datab");
    Data1().Refresh();
    module.ShowPhoto();
    Settle();
    EXPECT_EQ(Control<Picture>(form, "Image1").GetPicture(), before);
    EXPECT_EQ(ShownSize(), QSizeF(6345, 4635));
}

TEST_F(ShowPhotoTest, NoPictureAtAllLeavesTheFrameEmpty) {
    OpenAlbumOf({{1, "sparita", Dir(), "manca.jpg"}});
    EXPECT_FALSE(Control<Picture>(form, "Image1").HasPicture());
    EXPECT_TRUE(Control<QLabel>(form, "PictureNoticeLabel").isVisibleTo(&form));
}

TEST_F(ShowPhotoTest, CdAlbumPicturesComeFromTheCdRoot) {
    QDir(Dir()).mkpath("cd/Foto");
    WritePicture(Dir() + "/cd/Foto/mare.jpg", 480, 640);
    OpenAlbumOf({{1, "mare", "\\Foto", "mare.jpg"}});
    EXPECT_FALSE(Control<Picture>(form, "Image1").HasPicture());

    Module1Probe::CdMode(module) = true;
    Module1Probe::CdDriveLetter(module) = Dir() + "/cd";
    module.ShowPhoto();
    Settle();
    EXPECT_EQ(Control<Picture>(form, "Image1").NaturalSize(), QSize(480, 640));
}

}  // namespace

namespace {

// Reading ahead: the pictures of the photos a step away are read while the
// user looks at one, so the step shows them at once.
class ReadAheadTest : public ShowPhotoTest {
protected:
    // An album of `count` photos, photo i with a picture of its own colour.
    void OpenAlbumOf(int count, QSize size = {640, 480}, bool settle = true) {
        std::vector<PhotoRow> rows;
        for (int i = 1; i <= count; ++i) {
            const QColor colour = QColor::fromHsv(i * 300 / count, 255, 255);
            const QString name = QString("foto%1.jpg").arg(i);
            WritePicture(Dir() + "/" + name, size.width(), size.height(), colour);
            colours_.push_back(colour);
            rows.push_back({i, "Foto " + QString::number(i), Dir(), name});
        }
        ShowPhotoTest::OpenAlbumOf(rows, settle);
    }
    // The photo whose colour the frame shows, 0 for none or another.
    int ShownPhoto() const {
        const QImage& picture = Control<Picture>(form, "Image1").GetPicture();
        if (picture.isNull()) return 0;
        const QColor shown = picture.pixelColor(picture.width() / 2, picture.height() / 2);
        for (size_t i = 0; i < colours_.size(); ++i)
            if (picture_test::Near(shown, colours_[i], 12)) return static_cast<int>(i + 1);
        return 0;
    }

    std::vector<QColor> colours_;
};

TEST_F(ReadAheadTest, AStepToAReadyPictureDecodesNothing) {
    OpenAlbumOf(2);
    loader.WaitUntilIdle();
    const int decodes = loader.DecodeCount();
    ASSERT_EQ(decodes, 2) << "the first photo, then the second read ahead";

    Click(form, "Image5");
    EXPECT_EQ(Control<LongLineBox>(form, "Text1").text(), "2");
    EXPECT_EQ(ShownPhoto(), 2);
    Click(form, "Image8");
    EXPECT_EQ(ShownPhoto(), 1);
    loader.WaitUntilIdle();
    EXPECT_EQ(loader.DecodeCount(), decodes);
}

TEST_F(ReadAheadTest, AStepShowsTheFieldsAtOnceAndThePictureWhenRead) {
    QSemaphore started, release;
    loader.SetTestHooks({[&](const QString& path) {
        if (!path.endsWith("foto2.jpg")) return;
        started.release();
        // Bounded only so a fault ends the test instead of hanging it.
        release.tryAcquire(1, 30000);
    }});
    OpenAlbumOf(3, {640, 480}, false);
    started.acquire();  // the second photo's read is running, and held
    QTRY_COMPARE(ShownPhoto(), 1);
    const int decodes = loader.DecodeCount();

    Click(form, "Image5");
    EXPECT_EQ(Control<LongLineBox>(form, "Text1").text(), "2");
    EXPECT_EQ(ShownPhoto(), 0) << "an empty frame, never the first photo's picture";
    EXPECT_FALSE(Control<QLabel>(form, "PictureNoticeLabel").isVisibleTo(&form));
    release.release();
    Settle();
    EXPECT_EQ(ShownPhoto(), 2);
    // The step read nothing itself; only the third photo was read ahead.
    EXPECT_EQ(loader.DecodeCount(), decodes + 1);
}

TEST_F(ReadAheadTest, AShownWindowReadsAheadOnceItHasPainted) {
    OpenAlbumOf(3);
    form.show();
    // The activation reopens the album on its first photo.
    QTRY_COMPARE(loader.DecodeCount(), 2);
    loader.WaitUntilIdle();

    Click(form, "Image5");
    loader.WaitUntilIdle();
    EXPECT_EQ(loader.DecodeCount(), 2) << "nothing read before the window painted";
    QTRY_COMPARE(loader.DecodeCount(), 3);
}

TEST_F(ReadAheadTest, FastStepsShowEachRowWithItsOwnPicture) {
    OpenAlbumOf(8, {1600, 1200});
    // Its own picture, or none while it is read.
    const auto expectRow = [this](int photo) {
        EXPECT_EQ(Control<LongLineBox>(form, "Text1").text(), QString::number(photo));
        EXPECT_TRUE(ShownPhoto() == photo || ShownPhoto() == 0) << photo;
    };
    // Clicks as fast as they come: no waiting for the reads ahead.
    for (int photo = 2; photo <= 8; ++photo) {
        Click(form, "Image5");
        expectRow(photo);
    }
    Click(form, "Image9");
    expectRow(1);
    dialogs.Type("6");
    Click(form, "Image4");
    expectRow(6);
    Click(form, "Image8");
    Click(form, "Image8");
    expectRow(4);
    Click(form, "Image10");
    expectRow(8);
    Settle();
    EXPECT_EQ(ShownPhoto(), 8);
}

TEST_F(ReadAheadTest, ABrokenNeighbourIsReadAgainOnItsStep) {
    OpenAlbumOf(3);
    loader.WaitUntilIdle();
    picture_test::Write(Dir() + "/foto2.jpg", "non sono una foto");
    module.MoveFirst();  // reads the broken one ahead, which fails quietly
    loader.WaitUntilIdle();
    const int decodes = loader.DecodeCount();

    Click(form, "Image5");
    Settle();
    EXPECT_EQ(Control<QLabel>(form, "PictureNoticeLabel").text(),
              "Immagine non leggibile: foto2.jpg");
    EXPECT_EQ(ShownPhoto(), 0);
    Click(form, "Image5");
    Settle();
    EXPECT_EQ(ShownPhoto(), 3);
    loader.WaitUntilIdle();
    // The broken picture read again on its step, as if never read ahead;
    // then the third photo ahead, and from there the broken one again.
    EXPECT_EQ(loader.DecodeCount(), decodes + 3);
    EXPECT_TRUE(dialogs.shown.empty());
}

// The program closed while pictures are being read ahead: the window and the
// loader go at once, and nothing touches them afterwards.
TEST(ReadAhead, ClosingWithReadsRunning) {
    ScriptedDialogs dialogs;
    TestPlatform platform;
    std::vector<PhotoRow> rows;
    for (int i = 1; i <= 6; ++i) {
        const QString name = QString("foto%1.jpg").arg(i);
        WritePicture(platform.Root() + "/" + name, 3000, 2000, QColor::fromHsv(i * 50, 255, 255));
        rows.push_back({i, "Foto", platform.Root(), name});
    }
    WriteAlbum(platform.DefaultAlbumPath(), rows);
    Module1 module(dialogs, platform);
    auto loader = std::make_unique<pictures::PictureLoader>(PhotoFrameSize(1), 1);
    auto form = std::make_unique<Form1>(module, *loader);
    QSemaphore started, never;
    // Each read held a moment, so the close finds reads running.
    loader->SetTestHooks({[&](const QString&) {
        started.release();
        never.tryAcquire(1, 100);
    }});
    module.OpenAlbum();
    Click(*form, "Image5");
    Click(*form, "Image5");
    started.acquire();
    form.reset();
    loader.reset();
    module.MoveNext();  // the album goes on without its window
}

}  // namespace
