#include <gtest/gtest.h>

#include "album_window/form1.h"
#include "album_window/show_photo.h"
#include "app/module1.h"
#include "pictures/picture_loader.h"
#include "support/scripted_dialogs.h"
#include "support/test_platform.h"

TEST(Form1Layout, OpensAtItsFixedSizeWithoutAFrame) {
    ScriptedDialogs dialogs;
    TestPlatform platform;
    Module1 module(dialogs, platform);
    pictures::PictureLoader loader(PhotoFrameSize(1), 1);
    Form1 form(module, loader);
    EXPECT_EQ(form.size(), QSize(622, 467));
    EXPECT_TRUE(form.windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(form.windowTitle(), "Pictora");
}
