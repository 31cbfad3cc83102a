#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>
#include <QWidget>

#include "album_window/form1.h"
#include "album_window/show_photo.h"
#include "app/module1.h"
#include "pictures/picture_loader.h"
#include "store/access_engine.h"
#include "support/controls.h"
#include "support/module1_probe.h"
#include "support/scripted_dialogs.h"
#include "support/settle_pictures.h"
#include "support/test_platform.h"
#include "widgets/picture.h"

// The album window as the window tests meet it: scripted boxes, a desktop of
// the test's own, the album object, the photo frame's loader and the window,
// made in that order (and gone in the reverse one).
class AlbumWindowFixture : public ::testing::Test {
protected:
    // Which albums the album object opens: native ones only, or those of the
    // Access format of earlier versions too, read into the test's cache.
    enum class Albums { Native, AccessToo };
    explicit AlbumWindowFixture(Albums albums = Albums::Native) : albums_(albums) {}

    // Lets the pictures the frame waits for arrive.
    void Settle() { SettlePictures(loader); }
    // The colour of the photo frame's picture, once it came.
    QRgb Shown() {
        Settle();
        return Control<Picture>(form, "Image1").GetPicture().pixel(2, 2) | 0xff000000;
    }
    // Shows `window` when hidden and makes it the active one.
    static void Focus(QWidget* window) {
        window->show();
        window->activateWindow();
        QApplication::processEvents();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    }
    store::DataControl& Data1() { return Module1Probe::Data1(module); }
    // An engine for the albums the fixture was made for.
    std::unique_ptr<store::Engine> Engine() const {
        if (albums_ == Albums::Native) return store::MakeSqliteEngine();
        return store::MakeAlbumEngine(
            {platform.AccessCacheFolder().toStdString(), PICTORA_ALBUM_TOOL});
    }

private:
    Albums albums_;

protected:
    ScriptedDialogs dialogs;
    TestPlatform platform;
    Module1 module{dialogs, platform, Engine()};
    pictures::PictureLoader loader{PhotoFrameSize(1), 1};
    Form1 form{module, loader};
};
