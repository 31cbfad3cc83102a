#include "support/album_window_fixture.h"

using Form1Layout = AlbumWindowFixture;

TEST_F(Form1Layout, OpensAtItsFixedSizeWithoutAFrame) {
    EXPECT_EQ(form.size(), QSize(622, 467));
    EXPECT_TRUE(form.windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(form.windowTitle(), "Pictora");
}
