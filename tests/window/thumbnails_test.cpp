// Pictures shown from the desktop's thumbnail cache: in the photo frame at
// once, and in full screen until the picture itself is read.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>

#include "pictures/picture_test_support.h"
#include "pictures/thumbnail_cache.h"
#include "support/album_window_fixture.h"
#include "support/albums.h"
#include "support/full_screen_probe.h"
#include "viewer/full_screen.h"
#include "widgets/picture.h"

namespace {

bool Blue(const QImage& image) {
    const QColor c = image.pixelColor(image.width() / 2, image.height() / 2);
    return c.blue() > 200 && c.red() < 50;
}

bool Red(const QImage& image) {
    const QColor c = image.pixelColor(image.width() / 2, image.height() / 2);
    return c.red() > 200 && c.blue() < 50;
}

// Photos 1 and 2, red pictures larger than the frame, each with a blue
// x-large entry in the cache.
class ThumbnailsTest : public AlbumWindowFixture {
protected:
    void SetUp() override {
        const QString root = platform.Root() + "/cache/thumbnails";
        loader.SetThumbnailFolder(root);
        std::vector<PhotoRow> rows;
        for (long long id = 1; id <= 2; ++id) {
            const QString name = QString("foto%1.jpg").arg(id);
            WritePicture(platform.Root() + "/" + name, 1600, 1200, Qt::red);
            QImage entry(512, 384, QImage::Format_RGB32);
            entry.fill(Qt::blue);
            pictures::FileStamp file;
            pictures::StampOf(platform.Root() + "/" + name, file);
            pictures::ThumbnailCache(root).Write(file, "x-large", entry, {1600, 1200});
            rows.push_back({id, "Foto", platform.Root(), name});
        }
        WriteAlbum(platform.DefaultAlbumPath(), rows);
    }
};

TEST_F(ThumbnailsTest, TheFrameShowsTheEntryInTheSameTurnAndDecodesNothing) {
    module.OpenAlbum();
    const auto& frame = Control<Picture>(form, "Image1");
    ASSERT_TRUE(frame.HasPicture());
    EXPECT_TRUE(Blue(frame.GetPicture()));
    Click(form, "Image5");
    ASSERT_TRUE(frame.HasPicture()) << "no turn of the event loop between";
    EXPECT_TRUE(Blue(frame.GetPicture()));
    Settle();
    EXPECT_TRUE(Blue(frame.GetPicture()));
    EXPECT_EQ(loader.DecodeCount(), 0);
}

TEST_F(ThumbnailsTest, FullScreenShowsTheEntryUntilItsOwnReadEnds) {
    module.OpenAlbum();
    Focus(&form);
    QTest::keyClick(&Control(form, "Text2"), Qt::Key_F11);
    auto* view = form.findChild<viewer::FullScreenView*>();
    ASSERT_TRUE(view && view->isVisible());
    EXPECT_TRUE(view->Provisional());
    EXPECT_EQ(view->Shown().natural, QSize(1600, 1200));
    EXPECT_TRUE(Blue(view->Shown().image));
    SettlePictures(FullScreenProbe::Loader(*view));
    EXPECT_FALSE(view->Provisional());
    EXPECT_TRUE(Red(view->Shown().image));
    view->hide();
}

// A picture rewritten with its size and time kept (cp -p) shows anew at the
// next step and at the next start, never as its old entry.
TEST_F(ThumbnailsTest, APictureRewrittenWithItsTimeKeptShowsAnew) {
    module.OpenAlbum();
    const auto& frame = Control<Picture>(form, "Image1");
    ASSERT_TRUE(Blue(frame.GetPicture()));
    const QString path = platform.Root() + "/foto1.jpg";
    picture_test::RewriteKeepingTime(
        path, picture_test::Bytes(picture_test::Filled({800, 600}, Qt::green), "JPEG"), false);
    const auto green = [](const QImage& image) {
        return picture_test::Near(image.pixelColor(image.width() / 2, image.height() / 2),
                                  Qt::green, 40);
    };
    Click(form, "Image5");
    Settle();
    Click(form, "Image8");
    Settle();
    EXPECT_TRUE(green(frame.GetPicture())) << "the next step";

    pictures::PictureLoader restarted{PhotoFrameSize(1), 1};
    restarted.SetThumbnailFolder(loader.ThumbnailFolder());
    restarted.Want(path);
    restarted.WaitUntilIdle();
    const auto shown = restarted.Want(path);
    ASSERT_TRUE(shown.has_value());
    EXPECT_TRUE(green(shown->image)) << "the next start";
}

}  // namespace
