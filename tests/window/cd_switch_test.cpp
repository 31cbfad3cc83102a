// Switching the album window to an album kept on CD, and back.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <SQLiteCpp/SQLiteCpp.h>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>

#include "support/album_window_fixture.h"
#include "support/albums.h"
#include "widgets/long_line_box.h"

namespace {

const QString kCdPrompt =
    "Specificare il nuovo percorso del DataBase su CD: (es. e:\\database.mdb). Cliccando su "
    "ANNULLA si ritornerà al DataBase iniziale.";

void Protect(const QString& path) {
    QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
}
bool Writable(const QString& path) {
    return QFile::permissions(path) & QFile::WriteOwner;
}

class CdSwitchTest : public AlbumWindowFixture {
protected:
    void SetUp() override {
        const QString foto = platform.Root() + "/foto";
        QDir().mkpath(foto);
        WritePicture(foto + "/usuale.bmp", 40, 30, Qt::red);
        WriteAlbum(platform.DefaultAlbumPath(),
                   {{1, "Usuale", foto, "usuale.bmp"}, {2, "Seconda", foto, "usuale.bmp"}});

        // A CD as the program sees one: the album at its root, the pictures
        // under \Foto, everything write-protected.
        cd = platform.Root() + "/cd";
        QDir().mkpath(cd + "/Foto");
        WritePicture(cd + "/Foto/mare.bmp", 40, 30, Qt::green);
        WriteAlbum(cd + "/database.mdb",
                   {{3, "Dal CD", "\\Foto", "mare.bmp"}, {8, "Ottava", "\\Foto", "mare.bmp"}});
        Protect(cd + "/database.mdb");
        platform.roots[cd] = cd;

        module.OpenAlbum();
    }
    void TearDown() override { EXPECT_EQ(dialogs.Pending(), 0) << "answers left unused"; }

    QString CdAlbum() const { return cd + "/database.mdb"; }
    QString Copy() const { return platform.LocalCopyPath(); }

    void SwitchToCd() {
        dialogs.Type(CdAlbum());
        Click(form, "Image7");
        ASSERT_TRUE(Module1Probe::CdMode(module));
        ASSERT_EQ(Control<LongLineBox>(form, "Text2").text(), "Dal CD");
        dialogs.Clear();
    }

    void ExpectUsualAlbum() {
        EXPECT_FALSE(Module1Probe::CdMode(module));
        EXPECT_EQ(Control<LongLineBox>(form, "Text2").text(), "Usuale");
        EXPECT_FALSE(module.ReadOnly());
        EXPECT_TRUE(Control<Picture>(form, "Image6").Enabled());
        EXPECT_EQ(Shown(), QColor(Qt::red).rgb());
    }

    QString cd;
};

TEST_F(CdSwitchTest, CancelReopensTheUsualAlbumOnItsFirstPhoto) {
    Data1().Recordset().MoveNext();
    dialogs.Cancel();
    Click(form, "Image7");
    EXPECT_EQ(dialogs.Inputs(), QStringList{kCdPrompt});
    EXPECT_TRUE(dialogs.Messages().isEmpty());
    ExpectUsualAlbum();
    EXPECT_FALSE(QFile::exists(Copy()));
}

TEST_F(CdSwitchTest, MissingFileOrFolderAsksAgainSilentlyThenTheCdAlbumIsShownReadOnly) {
    // The working copy's folder is made when missing.
    QDir(QFileInfo(Copy()).absolutePath()).removeRecursively();
    dialogs.Type(cd + "/nessuno.mdb").Type(cd).Type(CdAlbum());
    Click(form, "Image7");

    EXPECT_EQ(dialogs.Inputs(), QStringList({kCdPrompt, kCdPrompt, kCdPrompt}));
    EXPECT_TRUE(dialogs.Messages().isEmpty());
    EXPECT_TRUE(Module1Probe::CdMode(module));
    EXPECT_EQ(Module1Probe::CdDatabasePath(module), CdAlbum());
    EXPECT_EQ(Module1Probe::CdDriveLetter(module), cd);
    EXPECT_EQ(Data1().DatabaseName, Copy().toStdString());
    EXPECT_TRUE(module.ReadOnly());
    EXPECT_FALSE(Control<Picture>(form, "Image6").Enabled());
    EXPECT_EQ(Control<LongLineBox>(form, "Text1").text(), "3");
    EXPECT_EQ(Control<LongLineBox>(form, "Text2").text(), "Dal CD");
    // The picture is found below the CD's root, not below "/".
    EXPECT_EQ(Shown(), QColor(Qt::green).rgb());

    // The copy is the CD's album, made writable; the CD is left as it was.
    EXPECT_EQ(AlbumIds(Copy()), (std::vector<long long>{3, 8}));
    EXPECT_TRUE(Writable(Copy()));
    EXPECT_FALSE(Writable(CdAlbum()));

    // A click on the disabled add button starts nothing.
    Control<Picture>(form, "Image6").show();
    QTest::mouseClick(&Control<Picture>(form, "Image6"), Qt::LeftButton);
    EXPECT_TRUE(dialogs.Questions().isEmpty());
}

TEST_F(CdSwitchTest, SecondClickReturnsToTheUsualAlbumAndKeepsTheWorkingCopy) {
    SwitchToCd();
    Click(form, "Image7");
    EXPECT_TRUE(dialogs.shown.empty());
    ExpectUsualAlbum();
    EXPECT_EQ(AlbumIds(Copy()), (std::vector<long long>{3, 8}));
}

TEST_F(CdSwitchTest, AWorkingCopyLeftReadOnlyNeverBlocksASwitch) {
    // Left by an earlier run, write-protected: replaced all the same.
    WriteAlbum(Copy(), {{99, "Vecchia copia", "\\Foto", "mare.bmp"}});
    Protect(Copy());
    SwitchToCd();
    EXPECT_EQ(AlbumIds(Copy()), (std::vector<long long>{3, 8}));

    // Made read-only while shown: the way back cannot reopen it for writing,
    // so the prompt comes again, with the album read-only meanwhile.
    Protect(Copy());
    bool readOnlyWhileAsked = false;
    bool addEnabledWhileAsked = true;
    dialogs.whileShown = [&](const ScriptedDialogs::Shown&) {
        readOnlyWhileAsked = module.ReadOnly();
        addEnabledWhileAsked = Control<Picture>(form, "Image6").Enabled();
    };
    dialogs.Cancel();
    Click(form, "Image7");
    EXPECT_EQ(dialogs.Inputs(), QStringList{kCdPrompt});
    EXPECT_TRUE(dialogs.Messages().isEmpty());
    EXPECT_TRUE(readOnlyWhileAsked);
    EXPECT_FALSE(addEnabledWhileAsked);
    ExpectUsualAlbum();

    // Typing the CD again at that prompt replaces the protected copy.
    dialogs.whileShown = nullptr;
    dialogs.Clear();
    Protect(Copy());
    dialogs.Type(CdAlbum());
    Click(form, "Image7");
    EXPECT_TRUE(Module1Probe::CdMode(module));
    EXPECT_EQ(Control<LongLineBox>(form, "Text2").text(), "Dal CD");
    EXPECT_TRUE(Writable(Copy()));
}

TEST_F(CdSwitchTest, AFileThatIsNoAlbumIsReportedAndTheUserAskedAgain) {
    const QString text = cd + "/leggimi.txt";
    QFile file(text);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("non sono un album\n");
    file.close();

    dialogs.Type(text).Cancel();
    Click(form, "Image7");
    EXPECT_EQ(dialogs.Messages(), QStringList{"File non valido"});
    EXPECT_EQ(dialogs.Inputs().size(), 2);
    ExpectUsualAlbum();
}

TEST_F(CdSwitchTest, AnAlbumBurnedMidWriteIsCopiedWithItsJournalAndReadAsItWas) {
    QFile::remove(CdAlbum());
    WriteCutShortAlbum(CdAlbum(), {{3, "Dal CD", "\\Foto", "mare.bmp"}});
    Protect(CdAlbum());
    Protect(CdAlbum() + "-journal");

    dialogs.Type(CdAlbum());
    Click(form, "Image7");
    EXPECT_TRUE(dialogs.Messages().isEmpty());
    EXPECT_TRUE(Module1Probe::CdMode(module));
    EXPECT_EQ(Control<LongLineBox>(form, "Text2").text(), "Dal CD");
}

TEST_F(CdSwitchTest, APathThatCannotNameAReadableFileIsReportedAndTheUserAskedAgain) {
    const QString fifo = cd + "/tubo";
    ASSERT_EQ(mkfifo(QFile::encodeName(fifo).constData(), 0644), 0);
    dialogs.Type(QString("e:") + QChar(0) + "database.mdb")
        .Type(cd + "/" + QString(300, 'x') + ".mdb")
        .Type("/" + QString(5000, 'x'))
        .Type(fifo)
        .Type(CdAlbum());
    Click(form, "Image7");
    EXPECT_EQ(dialogs.Messages(), QStringList(4, "Impossibile accedere al file"));
    EXPECT_EQ(dialogs.Inputs().size(), 5);
    EXPECT_EQ(Control<LongLineBox>(form, "Text2").text(), "Dal CD");
}

TEST_F(CdSwitchTest, ACopyThatFailsTwiceIsReportedAndTheUsualAlbumReopened) {
    // A folder where the working copy goes: nothing can be copied there.
    QFile::remove(Copy());
    QDir().mkpath(Copy());
    dialogs.Type(CdAlbum());
    Click(form, "Image7");

    EXPECT_EQ(dialogs.Inputs().size(), 1);
    ASSERT_EQ(dialogs.Messages().size(), 1);
    EXPECT_TRUE(dialogs.Messages()[0].startsWith("Impossibile aprire il DataBase su CD: "))
        << dialogs.Messages()[0].toStdString();
    EXPECT_TRUE(dialogs.Messages()[0].contains(Copy()));
    ExpectUsualAlbum();
    EXPECT_EQ(Data1().DatabaseName, platform.DefaultAlbumPath().toStdString());
}

TEST_F(CdSwitchTest, TheWayBackNeedsNoWorkingCopy) {
    SwitchToCd();
    QFile::remove(Copy());
    Click(form, "Image7");
    EXPECT_TRUE(dialogs.shown.empty());
    ExpectUsualAlbum();
}

TEST_F(CdSwitchTest, TheWorkingCopyTypedAsTheCdIsOpenedAsItIs) {
    SwitchToCd();
    Click(form, "Image7");
    dialogs.Type(Copy());
    Click(form, "Image7");
    EXPECT_TRUE(dialogs.Messages().isEmpty());
    EXPECT_TRUE(Module1Probe::CdMode(module));
    EXPECT_EQ(Control<LongLineBox>(form, "Text2").text(), "Dal CD");
}

}  // namespace
