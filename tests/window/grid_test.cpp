// The grid of thumbnails in full screen: its keys, the photo it returns,
// its search and its tiles.
#include <gtest/gtest.h>

#include <QAccessible>
#include <QFileInfo>
#include <QTest>

#include "pictures/picture_test_support.h"
#include "support/album_window_fixture.h"
#include "support/albums.h"
#include "support/form1_probe.h"
#include "viewer/full_screen.h"
#include "viewer/grid_view.h"

namespace {

// An album of 60 photos, each picture of its own colour, photo 2 shown;
// photos 7 and 8 are of the sea, the picture of photo 5 is missing, that of
// photo 4 a JPEG whose camera thumbnail is grey.
class GridTest : public AlbumWindowFixture {
protected:
    void SetUp() override {
        std::vector<PhotoRow> rows;
        for (long long id = 1; id <= kPhotos; ++id) {
            const QString name = QString("foto%1.%2").arg(id).arg(id == 4 ? "jpg" : "bmp");
            const QColor colour = QColor::fromHsv(int(id * 6 % 360), 255, 255);
            if (id == 4)
                picture_test::Write(
                    platform.Root() + "/" + name,
                    picture_test::WithExif(
                        picture_test::Bytes(picture_test::Filled({160, 120}, colour), "JPEG"),
                        {picture_test::Bytes(picture_test::Filled({32, 24}, Qt::gray), "JPEG")}));
            else if (id != 5)
                WritePicture(platform.Root() + "/" + name, 160, 120, colour);
            const QString title = id == 7 || id == 8 ? "Mare" : "Monti";
            rows.push_back({id, title + " " + QString::number(id), platform.Root(), name});
        }
        WriteAlbum(platform.DefaultAlbumPath(), rows);
        ASSERT_NO_FATAL_FAILURE(Focus(&form));
        QTest::keyClick(&form, Qt::Key_PageDown);
        QTest::keyClick(&form, Qt::Key_F12);
        ASSERT_TRUE(Form1Probe::FullScreen(form) && View().Grid());
        dialogs.Clear();
    }
    void TearDown() override {
        if (Form1Probe::FullScreen(form)) Form1Probe::FullScreen(form)->hide();
    }
    viewer::FullScreenView& View() { return *Form1Probe::FullScreen(form); }
    viewer::GridView& Grid() { return *View().Grid(); }
    // Paints the grid, asking for the tiles in view, and lets them come.
    void Paint() {
        Grid().viewport()->grab();
        Grid().Tiles().WaitForDone();
    }
    QString Field() const { return Control<LongLineBox>(form, "Text1").text(); }
    static constexpr int kPhotos = 60;
};

TEST_F(GridTest, F12FramesTheShownPhotoAndTheKeysMoveTheFrame) {
    EXPECT_EQ(Grid().CurrentNumber(), "2");
    const int columns = Grid().Columns();
    const int last = kPhotos - 1;
    const struct {
        Qt::Key key;
        int row;
    } steps[] = {{Qt::Key_Right, 2},    {Qt::Key_Left, 1}, {Qt::Key_Down, 1 + columns},
                 {Qt::Key_Up, 1},       {Qt::Key_Up, 1},   {Qt::Key_End, last},
                 {Qt::Key_Right, last}, {Qt::Key_Home, 0}, {Qt::Key_Left, 0}};
    for (const auto& step : steps) {
        QTest::keyClick(&Grid(), step.key);
        EXPECT_EQ(Grid().Current(), step.row) << QKeySequence(step.key).toString().toStdString();
        const auto [first, end] = Grid().RowsInView();
        EXPECT_TRUE(first <= step.row && step.row <= end);
    }
    QTest::keyClick(&Grid(), Qt::Key_PageDown);
    EXPECT_GT(Grid().Current(), columns);
    // The frame, in the gap left of the tile and above it.
    const QImage shown = Grid().viewport()->grab().toImage();
    const QRect framed = Grid().TileRect(Grid().Current());
    EXPECT_EQ(shown.pixelColor(framed.left() - 4, framed.center().y()), QColor(80, 160, 255));
    EXPECT_EQ(shown.pixelColor(framed.center().x(), framed.top() - 4), QColor(80, 160, 255));
}

TEST_F(GridTest, ScreenReadersSeeAListOfTilesNamedByNumberAndTitle) {
    QAccessibleInterface* list = QAccessible::queryAccessibleInterface(&Grid());
    ASSERT_TRUE(list);
    EXPECT_EQ(list->role(), QAccessible::List);
    EXPECT_EQ(list->childCount(), kPhotos);
    EXPECT_EQ(list->child(6)->text(QAccessible::Name), "7 Mare 7");
    EXPECT_EQ(list->focusChild()->text(QAccessible::Name), "2 Monti 2");
}

TEST_F(GridTest, EnterShowsTheFramedPhotoAndEscLeavesOnIt) {
    QTest::keyClick(&Grid(), Qt::Key_Right);
    QTest::keyClick(&Grid(), Qt::Key_Return);
    EXPECT_FALSE(View().Grid());
    EXPECT_EQ(QFileInfo(View().ShownPath()).fileName(), "foto3.bmp");
    QTest::keyClick(&View(), Qt::Key_G);
    ASSERT_TRUE(View().Grid());
    EXPECT_EQ(Grid().CurrentNumber(), "3");
    QTest::keyClick(&Grid(), Qt::Key_Right);
    QTest::keyClick(&Grid(), Qt::Key_Escape);
    EXPECT_FALSE(View().isVisible());
    EXPECT_EQ(Field(), "4");
}

TEST_F(GridTest, TypedWordsNarrowTheGridAndEscClearsThemFirst) {
    QTest::keyClicks(&Grid(), "mar");
    EXPECT_TRUE(QTest::qWaitFor([this] { return !Grid().Searching(); }, 20000));
    EXPECT_EQ(Grid().Model().rowCount(), 2);
    EXPECT_EQ(Grid().CurrentNumber(), "7");
    QTest::keyClick(&Grid(), Qt::Key_Escape);
    EXPECT_TRUE(Grid().Words().isEmpty());
    EXPECT_EQ(Grid().Model().rowCount(), kPhotos);
    EXPECT_EQ(Grid().CurrentNumber(), "7");
    QTest::keyClick(&Grid(), Qt::Key_Escape);
    EXPECT_FALSE(View().isVisible());
    EXPECT_EQ(Field(), "7");
}

TEST_F(GridTest, ATileShowsItsOwnPictureOrAPlainOneWithItsNumber) {
    Paint();
    // The framed tile's middle.
    const auto framed = [this] {
        const QImage shown = Grid().viewport()->grab().toImage();
        return shown.pixelColor(Grid().TileRect(Grid().Current()).center() + QPoint(0, 20));
    };
    EXPECT_EQ(framed().hue(), 12);
    // At a size not made yet, until the tiles come.
    QTest::keyClick(&Grid(), Qt::Key_Equal, Qt::ControlModifier);
    EXPECT_EQ(Grid().TileSide(), 512);
    EXPECT_EQ(framed(), QColor(48, 48, 48));
    // What was found takes the places of others, and only its own pictures.
    QTest::keyClicks(&Grid(), "mar");
    EXPECT_TRUE(QTest::qWaitFor([this] { return !Grid().Searching(); }, 20000));
    const bool made = Grid().Tiles().Find(Grid().Model().At(0)->path, 512);
    EXPECT_EQ(made ? framed().hue() : framed().value(), made ? 42 : 48);
    Paint();
    EXPECT_EQ(framed().hue(), 42);
}

TEST_F(GridTest, OnlyTilesInViewAreAskedForAndAMissingPictureFails) {
    Paint();
    const auto [first, last] = Grid().RowsInView();
    ASSERT_LT(last, kPhotos - 1);  // the test needs tiles out of view
    EXPECT_EQ(Grid().Tiles().Queued(), last - first + 1);
    const auto tile = [this](int row) {
        return Grid().Tiles().Find(Grid().Model().At(row)->path, Grid().TileSide());
    };
    ASSERT_TRUE(tile(4) && tile(1));
    EXPECT_TRUE(tile(4)->failed);
    EXPECT_FALSE(tile(1)->failed);
    EXPECT_EQ(tile(1)->image.pixelColor(5, 5).hue(), 12);
    // The camera's thumbnail stands in only until the picture is read.
    ASSERT_TRUE(tile(3));
    EXPECT_FALSE(tile(3)->early);
    EXPECT_NEAR(tile(3)->image.pixelColor(80, 60).hue(), 24, 2);
    EXPECT_EQ(tile(last + 1), nullptr);
}

}  // namespace
