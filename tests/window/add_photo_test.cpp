// Adding a photo: the question, the picker and its lists, the five prompts
// and the new row.
#include <gtest/gtest.h>

#include <SQLiteCpp/Database.h>
#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QTest>

#include "add_photo/form2.h"
#include "metadata/metadata_test_support.h"
#include "store/album_file.h"
#include "support/album_window_fixture.h"
#include "support/albums.h"
#include "support/form1_probe.h"
#include "widgets/program_window.h"

namespace {

const QString kConfirm =
    "Ora dovrai compilare dei campi, i quali verranno inseriti nel DataBase. Potrai anche "
    "lasciare i campi vuoti. Vuoi continuare?";
const QStringList kPrompts{"TITOLO DELLA FOTO?", "DATA DELLA FOTO? (gg/mm/aa)", "LUOGO?",
                           "PERSONE PRESENTI?", "NOTE?"};

void Touch(const QString& path) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("x");
}

class AddPhotoTest : public AlbumWindowFixture {
protected:
    void SetUp() override {
        // The picker opens on the process's folder: the test's "foto", on a
        // volume whose root is the test's folder.
        previousFolder_ = QDir::currentPath();
        QDir(Root()).mkpath("foto/sub");
        QDir(Root()).mkpath("foto/vuota");
        WritePicture(Foto() + "/a.jpg", 40, 30, Qt::red);
        WritePicture(Foto() + "/b.jpg", 30, 40, Qt::green);
        WritePicture(Foto() + "/sub/c.bmp", 20, 20, Qt::blue);
        ASSERT_TRUE(QDir::setCurrent(Foto()));
        platform.roots[Root()] = Root();
        WritePicture(Root() + "/primo.jpg", 64, 48, Qt::yellow);
    }

    void TearDown() override {
        QDir::setCurrent(previousFolder_);
        delete Form1Probe::Picker(form).data();
        ProcessDeletes();
    }

    QString Root() const { return platform.Root(); }
    QString Foto() const { return platform.Root() + "/foto"; }
    QString Album() const { return platform.DefaultAlbumPath(); }

    // An album of the given numbers, opened on its first photo.
    void OpenAlbumOf(const std::vector<long long>& ids) {
        std::vector<PhotoRow> rows;
        for (long long id : ids)
            rows.push_back({id, QString("Foto %1").arg(id), Root(), "primo.jpg"});
        WriteAlbum(Album(), rows);
        module.OpenAlbum();
    }

    // The add button, answered Yes.
    Form2* OpenPicker() {
        dialogs.Yes();
        Click(form, "Image6");
        return Form1Probe::Picker(form);
    }

    // Clicks the file list's entry named `name`, as the user does.
    void ClickFile(Form2* picker, const QString& name) {
        const auto items = Control<FileListBox>(*picker, "File1").findItems(name, Qt::MatchExactly);
        ASSERT_EQ(items.size(), 1) << name.toStdString();
        const QRect rect = Control<FileListBox>(*picker, "File1").visualItemRect(items.first());
        QTest::mouseClick(Control<FileListBox>(*picker, "File1").viewport(), Qt::LeftButton, {},
                          rect.center());
    }

    // Opens the folder list's entry for `path`, with a double-click.
    void OpenFolder(Form2* picker, const QString& path) {
        const int row = Control<DirListBox>(*picker, "Dir1").EntryOf(path);
        ASSERT_GE(row, 0) << path.toStdString();
        const QRect rect = Control<DirListBox>(*picker, "Dir1")
                               .visualItemRect(Control<DirListBox>(*picker, "Dir1").item(row));
        QWidget* viewport = Control<DirListBox>(*picker, "Dir1").viewport();
        QTest::mouseClick(viewport, Qt::LeftButton, {}, rect.center());
        QTest::mousePress(viewport, Qt::LeftButton, {}, rect.center());
        QTest::mouseDClick(viewport, Qt::LeftButton, {}, rect.center());
        QTest::mouseRelease(viewport, Qt::LeftButton, {}, rect.center());
    }

    void Answer(const QStringList& answers) {
        for (const QString& a : answers) a.isNull() ? dialogs.Cancel() : dialogs.Type(a);
    }

    static void ProcessDeletes() {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

private:
    QString previousFolder_;
};

TEST_F(AddPhotoTest, NoAtTheQuestionChangesNothing) {
    OpenAlbumOf({1});
    dialogs.No();
    Click(form, "Image6");
    EXPECT_EQ(dialogs.Questions(), QStringList{kConfirm});
    EXPECT_TRUE(dialogs.Inputs().isEmpty());
    EXPECT_EQ(Form1Probe::Picker(form), nullptr);
    EXPECT_EQ(AlbumIds(Album()), std::vector<long long>{1});

    // A disabled add button asks nothing at all.
    Control<Picture>(form, "Image6").SetEnabled(false);
    Control<Picture>(form, "Image6").show();
    QTest::mouseClick(&Control<Picture>(form, "Image6"), Qt::LeftButton);
    Click(form, "Image6");
    EXPECT_EQ(dialogs.Questions().size(), 1);
    EXPECT_EQ(Form1Probe::Picker(form), nullptr);
}

TEST_F(AddPhotoTest, YesOpensTheFramelessPickerCentredOverTheAlbumWindow) {
    form.move(100, 80);
    Form2* picker = OpenPicker();
    ASSERT_NE(picker, nullptr);
    EXPECT_TRUE(picker->isVisible());
    EXPECT_TRUE(picker->isWindow());
    EXPECT_EQ(picker->parentWidget(), nullptr);
    EXPECT_FALSE(picker->isModal());
    EXPECT_TRUE(picker->windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(picker->windowTitle(), "Pictora");
    EXPECT_EQ(picker->size(), QSize(300, 360));
    EXPECT_TRUE(picker->property(kProgramWindowProperty).toBool());
    EXPECT_LE((picker->geometry().center() - form.geometry().center()).manhattanLength(), 1);

    EXPECT_EQ(Control<DriveListBox>(*picker, "Drive1").geometry(), QRect(48, 48, 201, 21));
    EXPECT_EQ(Control<DirListBox>(*picker, "Dir1").geometry(), QRect(48, 80, 201, 111));
    EXPECT_EQ(Control<FileListBox>(*picker, "File1").geometry(), QRect(48, 200, 201, 97));
    EXPECT_EQ(Control<Picture>(*picker, "Image1").geometry(), QRect(128, 312, 32, 32));
    EXPECT_EQ(Control<Picture>(*picker, "Image3").geometry(), QRect(128, 312, 32, 32));
    EXPECT_TRUE(Control<Picture>(*picker, "Image1").isVisible());
    EXPECT_FALSE(Control<Picture>(*picker, "Image3").isVisible());
    EXPECT_EQ(Control<FileListBox>(*picker, "File1").Pattern(), "*.jpg; *.bmp");

    // Tab goes drive, folders, files.
    Control<DriveListBox>(*picker, "Drive1").setFocus();
    QList<QWidget*> order;
    for (QWidget* w = &Control<DriveListBox>(*picker, "Drive1"); order.size() < 3;
         w = w->nextInFocusChain())
        if (w->focusPolicy() & Qt::TabFocus && w->window() == picker && !order.contains(w))
            order << w;
    EXPECT_EQ(order, (QList<QWidget*>{&Control<DriveListBox>(*picker, "Drive1"),
                                      &Control<DirListBox>(*picker, "Dir1"),
                                      &Control<FileListBox>(*picker, "File1")}));
}

TEST_F(AddPhotoTest, TheListsOpenOnTheCurrentFolderAndShowOnlyJpegAndBmp) {
    for (const char* name : {"FOTO.JPG", "x.Bmp", "Z.bmp", "a.jpeg", "a.png", "a.txt", "b.jpg.txt",
                             "c.jpgx", "bmp", ".nascosta.jpg"})
        Touch(Foto() + "/" + name);
    QDir(Foto()).mkdir("d.jpg");

    Form2* picker = OpenPicker();
    EXPECT_EQ(Control<DriveListBox>(*picker, "Drive1").Drive(), Root());
    EXPECT_EQ(Control<DirListBox>(*picker, "Dir1").Path(), Foto());
    EXPECT_EQ(Control<FileListBox>(*picker, "File1").Path(), Foto());
    EXPECT_EQ(Control<FileListBox>(*picker, "File1").Files(),
              (QStringList{"a.jpg", "b.jpg", "FOTO.JPG", "x.Bmp", "Z.bmp"}));

    // From the volume's root down to the folder, then its subfolders.
    QStringList entries;
    for (int i = 0; i < Control<DirListBox>(*picker, "Dir1").count(); ++i)
        entries << Control<DirListBox>(*picker, "Dir1").EntryPath(i);
    EXPECT_EQ(entries,
              (QStringList{Root(), Foto(), Foto() + "/d.jpg", Foto() + "/sub", Foto() + "/vuota"}));
    EXPECT_EQ(Control<DirListBox>(*picker, "Dir1").currentRow(), 1);
}

TEST_F(AddPhotoTest, OpeningAFolderMovesTheFileList) {
    Form2* picker = OpenPicker();
    OpenFolder(picker, Foto() + "/sub");
    EXPECT_EQ(Control<DirListBox>(*picker, "Dir1").Path(), Foto() + "/sub");
    EXPECT_EQ(Control<FileListBox>(*picker, "File1").Path(), Foto() + "/sub");
    EXPECT_EQ(Control<FileListBox>(*picker, "File1").Files(), QStringList{"c.bmp"});

    // Return opens the entry chosen with the keys: up to the root.
    Control<DirListBox>(*picker, "Dir1")
        .setCurrentRow(Control<DirListBox>(*picker, "Dir1").EntryOf(Root()));
    QTest::keyClick(&Control<DirListBox>(*picker, "Dir1"), Qt::Key_Return);
    EXPECT_EQ(Control<DirListBox>(*picker, "Dir1").Path(), Root());
    EXPECT_EQ(Control<FileListBox>(*picker, "File1").Files(), QStringList{"primo.jpg"});

    // A folder without pictures gives an empty file list.
    OpenFolder(picker, Foto());
    OpenFolder(picker, Foto() + "/vuota");
    EXPECT_EQ(Control<FileListBox>(*picker, "File1").count(), 0);
    EXPECT_TRUE(dialogs.Messages().isEmpty());
}

TEST_F(AddPhotoTest, ChoosingADriveMovesBothListsAndAnUnreadableOneKeepsThem) {
    QTemporaryDir other;
    WritePicture(other.path() + "/MARE.JPG", 10, 10);
    Touch(other.path() + "/leggimi.txt");
    platform.roots[other.path()] = other.path();
    const QString missing = Root() + "/cdrom";
    platform.drives = {"/", Root(), other.path(), missing};

    Form2* picker = OpenPicker();
    EXPECT_EQ(Control<DriveListBox>(*picker, "Drive1").Drives(), platform.drives);
    OpenFolder(picker, Foto() + "/sub");

    // Down in the drive list chooses the next drive, as a person does.
    QTest::keyClick(&Control<DriveListBox>(*picker, "Drive1"), Qt::Key_Down);
    EXPECT_EQ(Control<DriveListBox>(*picker, "Drive1").Drive(), other.path());
    EXPECT_EQ(Control<DirListBox>(*picker, "Dir1").Path(), other.path());
    EXPECT_EQ(Control<FileListBox>(*picker, "File1").Files(), QStringList{"MARE.JPG"});

    // A drive with no medium: a message, and both lists stay where they were.
    QTest::keyClick(&Control<DriveListBox>(*picker, "Drive1"), Qt::Key_Down);
    EXPECT_EQ(dialogs.Messages(), QStringList{"Impossibile leggere l'unità " + missing});
    EXPECT_EQ(Control<DriveListBox>(*picker, "Drive1").Drive(), other.path());
    EXPECT_EQ(Control<DriveListBox>(*picker, "Drive1").currentText(), other.path());
    EXPECT_EQ(Control<DirListBox>(*picker, "Dir1").Path(), other.path());
    EXPECT_EQ(Control<FileListBox>(*picker, "File1").Files(), QStringList{"MARE.JPG"});

    // A folder that went away meanwhile: said, and dropped from the list.
    QTest::keyClick(&Control<DriveListBox>(*picker, "Drive1"), Qt::Key_Up);
    ASSERT_EQ(Control<DirListBox>(*picker, "Dir1").Path(), Root());
    OpenFolder(picker, Foto());
    ASSERT_TRUE(QDir(Foto() + "/vuota").removeRecursively());
    OpenFolder(picker, Foto() + "/vuota");
    EXPECT_EQ(dialogs.Messages().last(), "Impossibile leggere la cartella " + Foto() + "/vuota");
    EXPECT_EQ(Control<DirListBox>(*picker, "Dir1").Path(), Foto());
    EXPECT_EQ(Control<DirListBox>(*picker, "Dir1").EntryOf(Foto() + "/vuota"), -1);
}

TEST_F(AddPhotoTest, AFileClickRecordsItsFolderAndNameAndNothingClearsThem) {
    OpenAlbumOf({1});
    Form2* picker = OpenPicker();
    EXPECT_TRUE(module.PickedFolder().isEmpty());
    ClickFile(picker, "a.jpg");
    EXPECT_EQ(module.PickedFolder(), Foto());
    EXPECT_EQ(module.PickedFileName(), "a.jpg");
    ClickFile(picker, "b.jpg");
    EXPECT_EQ(module.PickedFileName(), "b.jpg");
    // The keys select too.
    QTest::keyClick(&Control<FileListBox>(*picker, "File1"), Qt::Key_Up);
    EXPECT_EQ(module.PickedFileName(), "a.jpg");

    // Moving on without choosing keeps the file chosen, with its own folder.
    OpenFolder(picker, Foto() + "/sub");
    EXPECT_EQ(module.PickedFolder(), Foto());
    Answer({"Titolo", "", "", "", ""});
    // The OK at rest takes no click.
    QTest::mouseClick(&Control<Picture>(*picker, "Image1"), Qt::LeftButton);
    EXPECT_TRUE(dialogs.Inputs().isEmpty());
    Click(*picker, "Image3");
    EXPECT_EQ(AlbumRow(Album(), 2).mid(6), (QStringList{"a.jpg", Foto()}));
    EXPECT_EQ(module.PickedFolder(), Foto());
    EXPECT_EQ(module.PickedFileName(), "a.jpg");

    // The next picker is a fresh one on the current folder; OK without a
    // click reuses the last file chosen.
    ProcessDeletes();
    Form2* next = OpenPicker();
    EXPECT_EQ(Control<DirListBox>(*next, "Dir1").Path(), Foto());
    EXPECT_TRUE(Control<FileListBox>(*next, "File1").FileName().isEmpty());
    Answer({"", "", "", "", ""});
    Click(*next, "Image3");
    EXPECT_EQ(AlbumRow(Album(), 3).mid(6), (QStringList{"a.jpg", Foto()}));
}

TEST_F(AddPhotoTest, ASecondYesBringsBackTheSamePickerAsItWasLeft) {
    Form2* picker = OpenPicker();
    OpenFolder(picker, Foto() + "/sub");
    ClickFile(picker, "c.bmp");
    picker->hide();

    EXPECT_EQ(OpenPicker(), picker);
    EXPECT_TRUE(picker->isVisible());
    EXPECT_EQ(Control<DirListBox>(*picker, "Dir1").Path(), Foto() + "/sub");
    EXPECT_EQ(Control<FileListBox>(*picker, "File1").FileName(), "c.bmp");

    // No at the second question leaves it open as it is.
    dialogs.No();
    Click(form, "Image6");
    EXPECT_EQ(Form1Probe::Picker(form), picker);
    EXPECT_TRUE(picker->isVisible());
}

TEST_F(AddPhotoTest, TheRowHoldsTheAnswersExactlyAsTyped) {
    OpenAlbumOf({1, 2, 5});
    Form2* picker = OpenPicker();
    ClickFile(picker, "b.jpg");
    const QStringList answers{"L'isola", "Il \"faro\" 'bianco'", "Città; Straße; Ελλάδα",
                              "\"); DROP TABLE datab; --", "'); DELETE FROM datab; --"};
    Answer(answers);
    Click(*picker, "Image3");

    EXPECT_EQ(dialogs.Inputs(), kPrompts);
    EXPECT_TRUE(dialogs.Messages().isEmpty());
    EXPECT_EQ(AlbumIds(Album()), (std::vector<long long>{1, 2, 5, 6}));
    EXPECT_EQ(AlbumRow(Album(), 6), (QStringList{"6"} + answers + QStringList{"b.jpg", Foto()}));

    // The album window is on the new photo, its picture shown; the picker is
    // gone.
    EXPECT_EQ(Control<LongLineBox>(form, "Text1").text(), "6");
    EXPECT_EQ(Control<LongLineBox>(form, "Text2").text(), "L'isola");
    Settle();
    EXPECT_EQ(Control<Picture>(form, "Image1").NaturalSize(), QSize(30, 40));
    EXPECT_EQ(Form1Probe::Picker(form), nullptr);
    EXPECT_FALSE(picker->isVisible());
    QPointer<Form2> gone = picker;
    ProcessDeletes();
    EXPECT_TRUE(gone.isNull());
}

TEST_F(AddPhotoTest, EmptyAlbumAllCancelledAndNoFileChosenGiveRowOne) {
    OpenAlbumOf({});
    Form2* picker = OpenPicker();
    Answer({QString(), QString(), QString(), QString(), QString()});
    Click(*picker, "Image3");
    EXPECT_EQ(dialogs.Inputs(), kPrompts);
    EXPECT_EQ(AlbumRow(Album(), 1), (QStringList{"1", "", "", "", "", "", "", ""}));
    EXPECT_EQ(Control<LongLineBox>(form, "Text1").text(), "1");
}

TEST_F(AddPhotoTest, AnAlbumWithColumnsOfItsOwnAfterTheEightTakesNewPhotos) {
    OpenAlbumOf({1});
    ExecuteSql(Album(), "ALTER TABLE datab ADD COLUMN valutazione TEXT");
    Form2* picker = OpenPicker();
    Answer({"Nuova", QString(), QString(), QString(), QString()});
    Click(*picker, "Image3");
    EXPECT_TRUE(dialogs.Messages().isEmpty()) << dialogs.Messages().join("; ").toStdString();
    EXPECT_EQ(AlbumRow(Album(), 2).value(1), "Nuova");
}

TEST_F(AddPhotoTest, TheNumberFollowsTheHighestWhicheverPhotoIsShown) {
    OpenAlbumOf({3, 10, 7});
    Data1().Recordset().MoveNext();
    ASSERT_EQ(Control<LongLineBox>(form, "Text1").text(), "7");
    Form2* picker = OpenPicker();
    Answer({"", "", "", "", ""});
    Click(*picker, "Image3");
    EXPECT_EQ(AlbumIds(Album()), (std::vector<long long>{3, 7, 10, 11}));
}

TEST_F(AddPhotoTest, HoverOverOkHighlightsItAndPutsTheAlbumButtonsToRest) {
    OpenAlbumOf({1});
    form.show();
    QApplication::processEvents();
    Form2* picker = OpenPicker();
    // Side by side: the offscreen desktop does not stack windows.
    picker->move(form.geometry().topRight() + QPoint(50, 0));
    auto okHighlighted = [&] {
        return Control<Picture>(*picker, "Image3").isVisible() &&
               !Control<Picture>(*picker, "Image1").isVisible();
    };
    auto albumFirstHighlighted = [&] {
        return Control<Picture>(form, "Image9").isVisible() &&
               !Control<Picture>(form, "Image16").isVisible();
    };
    const QPoint ok(144, 328);

    // The picker's background puts only its own pair to rest.
    Form1Probe::HighlightButton(form, Control<Picture>(form, "Image16"),
                                Control<Picture>(form, "Image9"));
    QTest::mouseMove(picker, QPoint(10, 10));
    EXPECT_FALSE(okHighlighted());
    EXPECT_TRUE(albumFirstHighlighted());

    QTest::mouseMove(picker, ok);
    EXPECT_TRUE(okHighlighted());
    EXPECT_FALSE(albumFirstHighlighted());
    EXPECT_TRUE(Control<Picture>(form, "Image16").isVisible());
    // Moving on inside the button, now over its highlighted picture, keeps it.
    QTest::mouseMove(picker, ok + QPoint(3, 2));
    EXPECT_TRUE(okHighlighted());

    // The lists have no hover action.
    QTest::mouseMove(picker, Control<FileListBox>(*picker, "File1").geometry().center());
    QTest::mouseMove(picker, Control<DirListBox>(*picker, "Dir1").geometry().center());
    EXPECT_TRUE(okHighlighted());

    QTest::mouseMove(picker, QPoint(20, 340));
    EXPECT_FALSE(okHighlighted());
    EXPECT_TRUE(Control<Picture>(*picker, "Image1").isVisible());

    // A click counts only on the highlighted OK.
    QTest::mouseClick(&Control<Picture>(*picker, "Image1"), Qt::LeftButton);
    EXPECT_TRUE(dialogs.Inputs().isEmpty());
    QTest::mouseMove(picker, ok);
    ASSERT_TRUE(okHighlighted());
    Answer({"", "", "", "", ""});
    QTest::mouseClick(&Control<Picture>(*picker, "Image3"), Qt::LeftButton);
    EXPECT_EQ(dialogs.Inputs(), kPrompts);
    EXPECT_EQ(AlbumIds(Album()), (std::vector<long long>{1, 2}));
}

TEST_F(AddPhotoTest, TheQuestionsOfferThePicturesOwnFields) {
    metadata_test::WritePhoto((Foto() + "/tags.jpg").toStdString(),
                              {.exif = {{"Exif.Photo.DateTimeOriginal", "1998:12:25 10:30:00"}},
                               .iptc = {{"Iptc.Application2.ObjectName", "Natale"}}});
    OpenAlbumOf({1});
    Form2* picker = OpenPicker();
    ClickFile(picker, "tags.jpg");
    // The offered title kept, the date replaced, the rest left empty.
    Answer({"Natale", "26/12/98", "", "", ""});
    Click(*picker, "Image3");
    QStringList offered;
    for (const auto& shown : dialogs.shown)
        if (shown.kind == ScriptedDialogs::Kind::Input) offered << shown.text;
    EXPECT_EQ(offered, (QStringList{"Natale", "25/12/98", "", "", ""}));
    EXPECT_EQ(Control<LongLineBox>(form, "Text2").text(), "Natale");
    EXPECT_EQ(Control<LongLineBox>(form, "Text3").text(), "26/12/98");
}

TEST_F(AddPhotoTest, AnAlbumMadeReadOnlyKeepsThePickerOpenAndTheAlbumShown) {
    OpenAlbumOf({1, 2});
    Data1().Recordset().MoveNext();
    Form2* picker = OpenPicker();
    ClickFile(picker, "a.jpg");
    QFile::setPermissions(Album(), QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
    Answer({"Titolo", "", "", "", ""});
    Click(*picker, "Image3");

    EXPECT_EQ(dialogs.Messages(),
              QStringList{"Impossibile aggiungere la foto: il DataBase è di sola lettura."});
    EXPECT_EQ(Form1Probe::Picker(form), picker);
    EXPECT_TRUE(picker->isVisible());
    EXPECT_EQ(AlbumIds(Album()), (std::vector<long long>{1, 2}));
    // Back on the album query, shown for reading, on the photo shown before.
    EXPECT_TRUE(Data1().IsOpen());
    EXPECT_TRUE(module.ReadOnly());
    EXPECT_FALSE(Control<Picture>(form, "Image6").Enabled());
    EXPECT_EQ(Control<LongLineBox>(form, "Text1").text(), "2");
    EXPECT_EQ(Control<LongLineBox>(form, "Text2").text(), "Foto 2");
}

TEST_F(AddPhotoTest, AnAlbumDeletedBeforeOkIsReportedAndThePickerStays) {
    OpenAlbumOf({1});
    Form2* picker = OpenPicker();
    ASSERT_TRUE(QFile::remove(Album()));
    Answer({"Titolo", "", "", "", ""});
    Click(*picker, "Image3");
    EXPECT_EQ(
        dialogs.Messages(),
        QStringList{"Impossibile aggiungere la foto: il file del DataBase non è stato trovato."});
    EXPECT_EQ(Form1Probe::Picker(form), picker);
    EXPECT_TRUE(picker->isVisible());
    EXPECT_FALSE(QFile::exists(Album()));
}

TEST_F(AddPhotoTest, AnAlbumLockedByAnotherProgramIsReportedThenOkTriesAgain) {
    OpenAlbumOf({1});
    Form2* picker = OpenPicker();
    ClickFile(picker, "a.jpg");
    {
        SQLite::Database other(Album().toStdString(), SQLite::OPEN_READWRITE);
        other.exec("BEGIN IMMEDIATE");
        Answer({"Primo tentativo", "", "", "", ""});
        Click(*picker, "Image3");
    }
    EXPECT_EQ(dialogs.Messages(),
              QStringList{
                  "Impossibile aggiungere la foto: il DataBase è bloccato da un altro programma."});
    EXPECT_EQ(Form1Probe::Picker(form), picker);
    EXPECT_EQ(AlbumIds(Album()), std::vector<long long>{1});
    EXPECT_EQ(Control<LongLineBox>(form, "Text1").text(), "1");

    Answer({"Secondo tentativo", "", "", "", ""});
    Click(*picker, "Image3");
    EXPECT_EQ(AlbumRow(Album(), 2).mid(0, 2), (QStringList{"2", "Secondo tentativo"}));
    EXPECT_EQ(Form1Probe::Picker(form), nullptr);
}

TEST_F(AddPhotoTest, AfterTheAdditionTheAlbumWindowReopensOnItsFirstPhoto) {
    OpenAlbumOf({1, 2});
    Focus(&form);
    Form2* picker = OpenPicker();
    ASSERT_TRUE(QTest::qWaitForWindowActive(picker));
    ClickFile(picker, "b.jpg");

    // The questions are boxes the picker owns; the last is gone by the time
    // the album window has the focus again.
    QStringList shownWhile;
    dialogs.whileShown = [&](const ScriptedDialogs::Shown&) {
        shownWhile << Control<LongLineBox>(form, "Text1").text();
    };
    Answer({"Nuova", "", "", "", ""});
    Click(*picker, "Image3");
    EXPECT_EQ(shownWhile, QStringList(5, "1"));
    EXPECT_EQ(Control<LongLineBox>(form, "Text1").text(), "3");
    ProcessDeletes();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    QTRY_COMPARE(Control<LongLineBox>(form, "Text1").text(), QString("1"));
    EXPECT_EQ(Control<LongLineBox>(form, "Text2").text(), "Foto 1");
    EXPECT_EQ(AlbumIds(Album()), (std::vector<long long>{1, 2, 3}));
}

TEST_F(AddPhotoTest, ReturningFromABoxThePickerOwnsCountsAsReturningFromThePicker) {
    // The focus as a window manager moves it after the last question: from the
    // picker to its box, then, with the box closed and gone and the picker
    // hidden and unloaded, straight to the album window.
    OpenAlbumOf({1, 2});
    form.winId();
    Form2* picker = OpenPicker();
    Form1Probe::FocusWindowChanged(form, form.windowHandle());
    Form1Probe::FocusWindowChanged(form, picker->windowHandle());
    auto* box = new QDialog(picker);
    box->winId();
    Form1Probe::FocusWindowChanged(form, box->windowHandle());
    Data1().Recordset().MoveNext();
    delete box;
    Form1Probe::UnloadForm2(form);
    ProcessDeletes();
    Form1Probe::FocusWindowChanged(form, form.windowHandle());
    EXPECT_EQ(Control<LongLineBox>(form, "Text1").text(), "1");

    // A box of the album window's own does not count, gone or not.
    Data1().Recordset().MoveNext();
    auto* own = new QDialog(&form);
    own->winId();
    Form1Probe::FocusWindowChanged(form, own->windowHandle());
    delete own;
    Form1Probe::FocusWindowChanged(form, form.windowHandle());
    EXPECT_EQ(Control<LongLineBox>(form, "Text1").text(), "2");
}

TEST_F(AddPhotoTest, APickerOpenedInAFolderThatWentAwayStartsAtTheRoot) {
    QDir(Root()).mkpath("via");
    ASSERT_TRUE(QDir::setCurrent(Root() + "/via"));
    ASSERT_TRUE(QDir(Root() + "/via").removeRecursively());
    Form2* picker = OpenPicker();
    EXPECT_EQ(Control<DirListBox>(*picker, "Dir1").Path(), "/");
    EXPECT_EQ(Control<FileListBox>(*picker, "File1").Path(), "/");
    EXPECT_EQ(Control<DriveListBox>(*picker, "Drive1").Drive(), "/");
    EXPECT_TRUE(dialogs.Messages().isEmpty());
}

}  // namespace
