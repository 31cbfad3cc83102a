// When the album window counts as activated, and so reopens the album.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QTest>

#include "add_photo/form2.h"
#include "support/album_window_fixture.h"
#include "support/albums.h"
#include "support/form1_probe.h"

namespace {

class ActivationTest : public AlbumWindowFixture {
protected:
    void SetUp() override {
        WriteAlbum(platform.DefaultAlbumPath(), {{1, "Primo", platform.Root(), "a.jpg"},
                                                 {2, "Secondo", platform.Root(), "b.jpg"}});
    }

    // Moves the album away from its first photo, so a reopening shows.
    void StepOn() {
        Data1().Recordset().MoveNext();
        ASSERT_EQ(Control<LongLineBox>(form, "Text2").text(), "Secondo");
    }
};

TEST_F(ActivationTest, FirstShowingOpensTheAlbum) {
    form.show();
    QApplication::processEvents();
    EXPECT_EQ(Control<LongLineBox>(form, "Text2").text(), "Primo");
    EXPECT_FALSE(Module1Probe::CdMode(module));
}

TEST_F(ActivationTest, ReturnFromAnotherProgramWindowReopens) {
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
