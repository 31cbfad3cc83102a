// When the album window counts as activated, and so reopens the album.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QTest>

#include "add_photo/form2.h"
#include "album_window/form1.h"
#include "album_window/show_photo.h"
#include "app/module1.h"
#include "pictures/picture_loader.h"
#include "support/albums.h"
#include "support/controls.h"
#include "support/form1_probe.h"
#include "support/module1_probe.h"
#include "support/scripted_dialogs.h"
#include "support/test_platform.h"

namespace {

class ActivationTest : public ::testing::Test {
protected:
    void SetUp() override {
        WriteAlbum(platform.DefaultAlbumPath(), {{1, "Primo", platform.Root(), "a.jpg"},
                                                 {2, "Secondo", platform.Root(), "b.jpg"}});
    }

    void Focus(QWidget* window) {
        window->activateWindow();
        QApplication::processEvents();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    }

    // Moves the album away from its first photo, so a reopening shows.
    void StepOn() {
        Module1Probe::Data1(module).Recordset().MoveNext();
        ASSERT_EQ(Control<LongLineBox>(form, "Text2").text(), "Secondo");
    }

    ScriptedDialogs dialogs;
    TestPlatform platform;
    Module1 module{dialogs, platform};
    pictures::PictureLoader loader{PhotoFrameSize(1), 1};
    Form1 form{module, loader};
};

TEST_F(ActivationTest, FirstShowingOpensTheAlbum) {
    form.show();
    QApplication::processEvents();
    EXPECT_EQ(Control<LongLineBox>(form, "Text2").text(), "Primo");
    EXPECT_FALSE(Module1Probe::CdMode(module));
}

TEST_F(ActivationTest, ReturnFromAnotherProgramWindowReopens) {
    form.show();
    Focus(&form);
    StepOn();
    Module1Probe::CdMode(module) = true;

    Form2* picker = Form1Probe::LoadForm2(form);
    picker->show();
    Focus(picker);
    EXPECT_EQ(Control<LongLineBox>(form, "Text2").text(), "Secondo");
    Focus(&form);
    EXPECT_EQ(Control<LongLineBox>(form, "Text2").text(), "Primo");
    EXPECT_FALSE(Module1Probe::CdMode(module));
}

TEST_F(ActivationTest, ClosingABoxOrComingBackFromAnotherApplicationDoesNot) {
    form.show();
    Focus(&form);
    StepOn();

    // A message box is a window of the program, but not one that counts.
    QDialog box(&form);
    box.show();
    Focus(&box);
    box.close();
    Focus(&form);
    EXPECT_EQ(Control<LongLineBox>(form, "Text2").text(), "Secondo");

    // Focus leaves for another application, then comes back.
    Form1Probe::FocusWindowChanged(form, nullptr);
    Form1Probe::FocusWindowChanged(form, form.windowHandle());
    EXPECT_EQ(Control<LongLineBox>(form, "Text2").text(), "Secondo");
}

}  // namespace
