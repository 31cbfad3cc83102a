// The photo list: opening it, what it lists, and picking a photo from it.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QTest>

#include "photo_list/form3.h"
#include "support/album_window_fixture.h"
#include "support/albums.h"
#include "support/form1_probe.h"
#include "widgets/program_window.h"

namespace {

class PhotoListTest : public AlbumWindowFixture {
protected:
    void SetUp() override {
        const QString foto = platform.Root() + "/foto";
        QDir().mkpath(foto);
        for (const auto& [name, color] : {std::pair{"tre", Qt::red},
                                          {"sette", Qt::green},
                                          {"dieci", Qt::blue},
                                          {"dodici", Qt::yellow}})
            WritePicture(foto + "/" + name + ".bmp", 40, 30, color);
        // Written out of order: the list follows the numbers.
        WriteAlbum(platform.DefaultAlbumPath(), {{3, "Tre", foto, "tre.bmp"},
                                                 {10, "Dieci", foto, "dieci.bmp"},
                                                 {7, "Sette", foto, "sette.bmp"},
                                                 {12, "Tramonto a Cefalù", foto, "dodici.bmp"}});
        module.OpenAlbum();
    }

    Form3* OpenList() {
        Click(form, "Image1");
        Form3* list = Form1Probe::PhotoList(form);
        EXPECT_TRUE(list && list->isVisible());
        return list;
    }

    QStringList Entries() const { return ListEntries(*Form1Probe::PhotoList(form), "List1"); }

    void ClickEntry(int row) {
        QListView* list = &Control<QListView>(*Form1Probe::PhotoList(form), "List1");
        const QRect entry = list->visualRect(list->model()->index(row, 0));
        ASSERT_TRUE(list->viewport()->rect().contains(entry.center()));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, entry.center());
    }

    void Execute(const char* sql) { ExecuteSql(Module1Probe::DatabasePath(module), sql); }
};

TEST_F(PhotoListTest, OneWindowAtMostOpenedFromThePhotoOrTheCornerLabel) {
    Focus(&form);
    Form3* list = OpenList();
    ASSERT_TRUE(list);
    EXPECT_EQ(list->windowTitle(), "Form3");
    EXPECT_FALSE(list->windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(list->size(), QSize(310, 211));
    EXPECT_EQ(Control<QListView>(*list, "List1").geometry(), QRect(16, 24, 241, 160));
    EXPECT_TRUE(list->property(kProgramWindowProperty).toBool());

    Focus(&form);
    QTest::mouseClick(&Control<HoverLabel>(form, "Label3"), Qt::LeftButton);
    EXPECT_EQ(Form1Probe::PhotoList(form), list);
    int lists = 0;
    for (QWidget* window : QApplication::topLevelWidgets())
        lists += qobject_cast<Form3*>(window) != nullptr;
    EXPECT_EQ(lists, 1);
    EXPECT_TRUE(QTest::qWaitForWindowActive(list));

    // Its close button unloads it; the next opening loads a new one.
    list->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(Form1Probe::PhotoList(form).isNull());
    EXPECT_EQ(Control<QListView>(*OpenList(), "List1").model()->rowCount(), 4);
}

TEST_F(PhotoListTest, ListsEveryPhotoInAlbumOrderAsEachOpeningFindsTheAlbum) {
    OpenList();
    EXPECT_EQ(Entries(), QStringList({"3 Tre", "7 Sette", "10 Dieci", "12 Tramonto a Cefalù"}));

    Execute("DELETE FROM datab WHERE id = 7");
    Click(form, "Label3");
    EXPECT_EQ(Entries(), QStringList({"3 Tre", "10 Dieci", "12 Tramonto a Cefalù"}));

    // An empty album gives an empty list, where a click does nothing.
    Execute("DELETE FROM datab");
    Click(form, "Image1");
    EXPECT_TRUE(Entries().isEmpty());
    QTest::mouseClick(Control<QListView>(*Form1Probe::PhotoList(form), "List1").viewport(),
                      Qt::LeftButton, {}, QPoint(10, 10));
    EXPECT_TRUE(Form1Probe::PhotoList(form)->isVisible());
    EXPECT_TRUE(dialogs.shown.empty());
}

TEST_F(PhotoListTest, PickMakesThePhotoCurrentShowsItAndHidesTheList) {
    OpenList();
    ClickEntry(2);
    EXPECT_EQ(Control<LongLineBox>(form, "Text1").text(), "10");
    EXPECT_EQ(Control<LongLineBox>(form, "Text2").text(), "Dieci");
    EXPECT_EQ(Shown(), QColor(Qt::blue).rgb());
    ASSERT_TRUE(Form1Probe::PhotoList(form));
    EXPECT_FALSE(Form1Probe::PhotoList(form)->isVisible());
    EXPECT_TRUE(dialogs.shown.empty());

    // Hidden, not unloaded: the next opening shows the same window again.
    Form3* list = Form1Probe::PhotoList(form);
    EXPECT_EQ(OpenList(), list);
}

TEST_F(PhotoListTest, APhotoAnotherProgramDeletedIsToldTheListRefreshedAndTheShownPhotoKept) {
    OpenList();
    const struct {
        const char* deletion;
        int row;
        const char* told;
        QStringList entries;
        const char* shown;  // the album window's photo, fields and picture alike
        QRgb colour;
    } cases[] = {
        {"DELETE FROM datab WHERE id = 7",
         1,
         "La foto 7 non è più nell'album.",
         {"3 Tre", "10 Dieci", "12 Tramonto a Cefalù"},
         "3",
         QColor(Qt::red).rgb()},
        // The photo shown went too: the first one stands in.
        {"DELETE FROM datab WHERE id IN (3, 10)",
         1,
         "La foto 10 non è più nell'album.",
         {"12 Tramonto a Cefalù"},
         "12",
         QColor(Qt::yellow).rgb()},
    };
    for (const auto& c : cases) {
        Execute(c.deletion);
        dialogs.shown.clear();
        ClickEntry(c.row);
        EXPECT_TRUE(Form1Probe::PhotoList(form)->isVisible());
        ASSERT_EQ(dialogs.shown.size(), 1u) << c.deletion;
        EXPECT_EQ(dialogs.shown[0].prompt, c.told);
        EXPECT_EQ(Entries(), c.entries);
        EXPECT_EQ(Control<LongLineBox>(form, "Text1").text(), c.shown);
        EXPECT_EQ(Shown(), c.colour) << c.deletion;
    }
}

TEST_F(PhotoListTest, TheNumberIsWhatStandsBeforeTheFirstBlank) {
    Form3* list = OpenList();
    list->Pick("12");  // no blank: read whole
    EXPECT_EQ(Control<LongLineBox>(form, "Text1").text(), "12");
    EXPECT_FALSE(list->isVisible());

    list->show();
    list->Pick("10abc def");
    EXPECT_EQ(Control<LongLineBox>(form, "Text1").text(), "10");

    // A leading blank reads as 0: no photo 0 yet, then one.
    list->show();
    list->Pick(" 10 Dieci");
    EXPECT_TRUE(list->isVisible());
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].prompt, "La foto 0 non è più nell'album.");
    dialogs.shown.clear();
    Execute("INSERT INTO datab (id, titolo) VALUES (0, 'Zero')");
    list->Pick(" 10 Dieci");
    EXPECT_EQ(Control<LongLineBox>(form, "Text1").text(), "0");
    EXPECT_FALSE(list->isVisible());

    // Numbers a double cannot tell apart are picked exactly, as listed.
    Execute(
        "INSERT INTO datab (id, titolo) VALUES (9223372036854775806, 'A'), "
        "(9223372036854775807, 'B'), (-9007199254740993, 'C'), (-9007199254740992, 'D')");
    for (const char* number :
         {"9223372036854775806", "9223372036854775807", "-9007199254740993", "-9007199254740992"}) {
        list->show();
        list->Pick(QString(number) + " x");
        EXPECT_EQ(Control<LongLineBox>(form, "Text1").text(), number);
    }
    EXPECT_TRUE(dialogs.shown.empty());
}

TEST_F(PhotoListTest, AlbumEmptiedWhileTheListIsOpenMakesAPickSaySo) {
    OpenList();
    Execute("DELETE FROM datab");
    ClickEntry(0);
    EXPECT_TRUE(Form1Probe::PhotoList(form)->isVisible());
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].prompt, "La foto 3 non è più nell'album.");
    EXPECT_TRUE(Entries().isEmpty());
    EXPECT_EQ(Control<LongLineBox>(form, "Text1").text(), "");
}

TEST_F(PhotoListTest, ThePickedPhotoStaysCurrentOnceTheAlbumWindowIsActiveAgain) {
    Focus(&form);
    Form3* list = OpenList();
    Focus(list);

    // The album window's activation reopens the album on its first photo,
    // then returns to the picked one.
    // The current photo after each change of the album, kept by the
    // listener, which may outlive the test's body.
    auto seen = std::make_shared<QStringList>();
    Data1().AddListener([seen](const store::Photo* photo) {
        *seen << (photo ? QString::fromStdString(photo->id.toText()) : QString());
    });
    ClickEntry(3);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    QApplication::processEvents();
    const qsizetype picked = seen->indexOf("12");
    ASSERT_GE(picked, 0);
    EXPECT_TRUE(seen->mid(picked).contains("3"))
        << "no reopening: " << seen->join(",").toStdString();
    EXPECT_EQ(seen->last(), "12");
    EXPECT_EQ(Control<LongLineBox>(form, "Text2").text(), "Tramonto a Cefalù");
    EXPECT_EQ(Shown(), QColor(Qt::yellow).rgb());
    EXPECT_FALSE(module.PickedPhotoId());

    // Forgotten once back: the next return from the list opens the first photo.
    Focus(list = OpenList());
    Focus(&form);
    EXPECT_EQ(Control<LongLineBox>(form, "Text1").text(), "3");
}

TEST_F(PhotoListTest, APickInAnAlbumOnCdGivesWayToTheUsualAlbumOnReturn) {
    const QString cd = platform.Root() + "/cd";
    QDir().mkpath(cd);
    WriteAlbum(cd + "/database.mdb", {{3, "Dal CD", "\\Foto", "mare.bmp"}, {8, "Ottava", "", ""}});
    platform.roots[cd] = cd;
    Focus(&form);
    dialogs.Type(cd + "/database.mdb");
    Click(form, "Image7");
    ASSERT_TRUE(Module1Probe::CdMode(module));

    Form3* list = OpenList();
    EXPECT_EQ(Entries(), QStringList({"3 Dal CD", "8 Ottava"}));
    Focus(list);
    ClickEntry(1);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    QApplication::processEvents();
    EXPECT_FALSE(Module1Probe::CdMode(module));
    EXPECT_EQ(Control<LongLineBox>(form, "Text2").text(), "Tre");
    EXPECT_EQ(Shown(), QColor(Qt::red).rgb());
}

}  // namespace
