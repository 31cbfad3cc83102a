// The album object on its own, with no window: what it tells its observers.
#include <gtest/gtest.h>

#include <QFile>
#include <QSignalSpy>

#include "app/module1.h"
#include "support/albums.h"
#include "support/scripted_dialogs.h"
#include "support/test_platform.h"

namespace {

class Module1Test : public ::testing::Test {
protected:
    void Open(const std::vector<PhotoRow>& rows) {
        WriteAlbum(platform.DefaultAlbumPath(), rows);
        module.OpenAlbum();
    }
    // The photo numbers the observers were handed, "" for none.
    QStringList Numbers() const {
        QStringList numbers;
        for (const QList<QVariant>& call : rowSpy)
            numbers << QString::fromStdString(
                call[0].value<std::optional<store::Photo>>().value_or(store::Photo{}).id.toText());
        return numbers;
    }

    ScriptedDialogs dialogs;
    TestPlatform platform;
    Module1 module{dialogs, platform};
    QSignalSpy rowSpy{&module, &Module1::CurrentPhotoChanged};
    QSignalSpy pictureSpy{&module, &Module1::PictureToShow};
    QSignalSpy readOnlySpy{&module, &Module1::ReadOnlyChanged};
};

TEST_F(Module1Test, TheCurrentPhotoTravelsAsAValueWithItsPicturePath) {
    Open({{3, "Tre", "C:\\Foto", "tre.jpg"}, {7, "Sette", "/foto", "sette.bmp"}});
    module.MoveNext();
    module.MoveNext();  // no wrap-around past the last photo
    module.MovePrevious();
    dialogs.Cancel();
    module.JumpToPhoto();  // Cancel changes nothing
    EXPECT_EQ(Numbers(), (QStringList{"3", "7", "", "7", "3"}));
    ASSERT_TRUE(module.CurrentPhoto());
    EXPECT_EQ(module.CurrentPhoto()->texts.titolo, "Tre");

    QStringList pictures;
    for (const QList<QVariant>& call : pictureSpy) pictures << call[0].toString();
    EXPECT_EQ(pictures, (QStringList{"C:/Foto/tre.jpg", "/foto/sette.bmp", "/foto/sette.bmp",
                                     "C:/Foto/tre.jpg"}));
    EXPECT_EQ(dialogs.Messages(), QStringList{});
}

TEST_F(Module1Test, OnePlaceSetsTheReadOnlyStateAndTellsIt) {
    Open({{1, "Uno", "/foto", "uno.jpg"}});
    QFile::setPermissions(platform.DefaultAlbumPath(), QFile::ReadOwner);
    module.Activate();
    EXPECT_TRUE(module.ReadOnly());
    EXPECT_TRUE(module.Data1.ReadOnly);
    // Each opening first allows writing, then learns the file may not be
    // written.
    ASSERT_GE(readOnlySpy.size(), 3);
    EXPECT_FALSE(readOnlySpy.at(readOnlySpy.size() - 2)[0].toBool());
    EXPECT_TRUE(readOnlySpy.last()[0].toBool());
    ASSERT_TRUE(module.CurrentPhoto());
    EXPECT_EQ(module.CurrentPhoto()->texts.titolo, "Uno");
}

}  // namespace
