// The album window's keys, and the full screen view: its keys, slideshow and
// zoom.
#include <gtest/gtest.h>

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMenu>
#include <QTest>
#include <QThread>
#include <QWheelEvent>
#include <atomic>

#include "support/album_window_fixture.h"
#include "support/albums.h"
#include "support/form1_probe.h"
#include "support/full_screen_probe.h"
#include "viewer/full_screen.h"
#include "widgets/artwork.h"

namespace {

// An album of photos 1 to 4, each picture larger than the screen, the window
// shown and active on photo 1.
class ViewerTest : public AlbumWindowFixture {
protected:
    void SetUp() override {
        std::vector<PhotoRow> rows;
        for (long long id = 1; id <= 4; ++id) {
            const QString name = QString("foto%1.bmp").arg(id);
            WritePicture(platform.Root() + "/" + name, 1600, 1200,
                         QColor::fromHsv(id * 60, 255, 255));
            rows.push_back({id, "Foto " + QString::number(id), platform.Root(), name});
        }
        WriteAlbum(platform.DefaultAlbumPath(), rows);
        ASSERT_NO_FATAL_FAILURE(Focus(&form));
        dialogs.Clear();
    }
    void TearDown() override {
        if (Form1Probe::FullScreen(form)) Form1Probe::FullScreen(form)->hide();
    }

    void Reopen(const std::vector<PhotoRow>& rows) {
        QFile::remove(platform.DefaultAlbumPath());
        WriteAlbum(platform.DefaultAlbumPath(), rows);
        module.OpenAlbum();
        dialogs.Clear();
    }
    QString Field() const { return Control<LongLineBox>(form, "Text1").text(); }
    viewer::FullScreenView& View() { return *Form1Probe::FullScreen(form); }
    // The photo the full screen view shows, by its file.
    QString Viewed() { return QFileInfo(View().ShownPath()).completeBaseName(); }
    void EnterFullScreen() {
        QTest::keyClick(&Control<LongLineBox>(form, "Text2"), Qt::Key_F11);
        ASSERT_TRUE(Form1Probe::FullScreen(form) && View().isVisible());
        Settle();
    }
    // Lets the frame's and the view's reads reach them.
    void Settle() {
        AlbumWindowFixture::Settle();
        if (Form1Probe::FullScreen(form)) SettlePictures(FullScreenProbe::Loader(View()));
    }
};

TEST_F(ViewerTest, AlbumKeysRunTheButtonsFromEveryFieldBox) {
    for (QWidget* box : {static_cast<QWidget*>(&Control<LongLineBox>(form, "Text1")),
                         static_cast<QWidget*>(&Control<LongLineBox>(form, "Text2")),
                         static_cast<QWidget*>(&Control<LongLineBox>(form, "Text3")),
                         static_cast<QWidget*>(&Control<LongLineBox>(form, "Text4")),
                         static_cast<QWidget*>(&Control<LongTextBox>(form, "Text5")),
                         static_cast<QWidget*>(&Control<LongTextBox>(form, "Text6"))}) {
        box->setFocus();
        QTest::keyClick(box, Qt::Key_PageDown);
        EXPECT_EQ(Field(), "2");
        QTest::keyClick(box, Qt::Key_End, Qt::ControlModifier);
        EXPECT_EQ(Field(), "4");
        QTest::keyClick(box, Qt::Key_PageDown);
        EXPECT_EQ(Field(), "4") << "no wrap";
        QTest::keyClick(box, Qt::Key_PageUp);
        EXPECT_EQ(Field(), "3");
        QTest::keyClick(box, Qt::Key_Home, Qt::ControlModifier);
        EXPECT_EQ(Field(), "1");

        dialogs.No().Cancel();
        QTest::keyClick(box, Qt::Key_Delete);
        QTest::keyClick(box, Qt::Key_G, Qt::ControlModifier);
        EXPECT_EQ(dialogs.Questions(), QStringList{"Eliminare questa foto dal database?"});
        EXPECT_EQ(dialogs.Inputs(), QStringList{"Salta alla foto numero?"});
        EXPECT_EQ(dialogs.Pending(), 0);
        dialogs.Clear();
    }
    EXPECT_EQ(AlbumIds(platform.DefaultAlbumPath()).size(), 4u);
}

TEST_F(ViewerTest, TheBoxesKeepTheirOwnKeys) {
    Control<LongLineBox>(form, "Text2").setFocus();
    QTest::keyClick(&Control<LongLineBox>(form, "Text2"), Qt::Key_End);
    EXPECT_EQ(Control<LongLineBox>(form, "Text2").cursorPosition(),
              Control<LongLineBox>(form, "Text2").text().size());
    QTest::keyClick(&Control<LongLineBox>(form, "Text2"), Qt::Key_Left);
    QTest::keyClick(&Control<LongLineBox>(form, "Text2"), Qt::Key_Home);
    EXPECT_EQ(Control<LongLineBox>(form, "Text2").cursorPosition(), 0);
    EXPECT_EQ(Field(), "1");
    EXPECT_TRUE(dialogs.shown.empty());
}

TEST_F(ViewerTest, F11ShowsTheSamePhotoAndEscComesBackOnTheOneShown) {
    QTest::keyClick(&Control<LongLineBox>(form, "Text1"), Qt::Key_PageDown);
    EnterFullScreen();
    EXPECT_EQ(Viewed(), "foto2");
    EXPECT_TRUE(View().Shown().ok());
    QTest::keyClick(&View(), Qt::Key_Right);
    Settle();
    EXPECT_EQ(Viewed(), "foto3");
    EXPECT_EQ(Field(), "3");
    QTest::keyClick(&View(), Qt::Key_Escape);
    Settle();
    EXPECT_FALSE(View().isVisible());
    EXPECT_EQ(Field(), "3");
    // The frame shows the photo the view ended on.
    const QImage& frame = Control<Picture>(form, "Image1").GetPicture();
    EXPECT_EQ(frame.pixelColor(frame.width() / 2, frame.height() / 2).hue(), 180);
}

TEST_F(ViewerTest, ViewKeysStepThroughTheAlbumWithoutWrapping) {
    EnterFullScreen();
    const std::pair<Qt::Key, const char*> steps[] = {
        {Qt::Key_Left, "foto1"},   {Qt::Key_Right, "foto2"},     {Qt::Key_Space, "foto3"},
        {Qt::Key_Down, "foto4"},   {Qt::Key_PageDown, "foto4"},  {Qt::Key_Up, "foto3"},
        {Qt::Key_PageUp, "foto2"}, {Qt::Key_Backspace, "foto1"}, {Qt::Key_End, "foto4"},
        {Qt::Key_Home, "foto1"},
    };
    for (const auto& [key, photo] : steps) {
        QTest::keyClick(&View(), key);
        EXPECT_EQ(Viewed(), photo) << QKeySequence(key).toString().toStdString();
    }
    EXPECT_TRUE(dialogs.shown.empty());
    QTest::keyClick(&View(), Qt::Key_F11);
    EXPECT_FALSE(View().isVisible());
}

TEST_F(ViewerTest, TheSlideshowStopsAtTheLastPhotoOrAtAKey) {
    EnterFullScreen();
    QTest::keyClick(&View(), Qt::Key_F5);
    ASSERT_TRUE(FullScreenProbe::SlideshowTimer(View()).isActive());
    for (const char* photo : {"foto2", "foto3", "foto4"}) {
        QMetaObject::invokeMethod(&FullScreenProbe::SlideshowTimer(View()), "timeout");
        EXPECT_EQ(Viewed(), photo);
    }
    EXPECT_FALSE(FullScreenProbe::SlideshowTimer(View()).isActive());

    QTest::keyClick(&View(), Qt::Key_Home);
    QTest::keyClick(&View(), Qt::Key_F5);
    QTest::keyClick(&View(), Qt::Key_Right);
    EXPECT_FALSE(FullScreenProbe::SlideshowTimer(View()).isActive());
    EXPECT_EQ(Viewed(), "foto1") << "the key only ends the show";
}

TEST_F(ViewerTest, ZToggles100PercentAroundThePointAndBack) {
    EnterFullScreen();
    const QPointF at = QPointF(View().rect().center()) + QPointF(100, 80);
    const QPointF pixel = (at - View().Origin()) / View().Scale();
    ASSERT_FALSE(View().Zoomed());
    View().ToggleZoom(at);
    EXPECT_TRUE(View().Zoomed());
    EXPECT_DOUBLE_EQ(View().Scale() * View().devicePixelRatioF(), 1.0);
    const QPointF after = (at - View().Origin()) / View().Scale();
    EXPECT_NEAR(after.x(), pixel.x(), 1);
    EXPECT_NEAR(after.y(), pixel.y(), 1);
    View().ToggleZoom(at);
    EXPECT_FALSE(View().Zoomed());

    // The wheel zooms in; a drag then pans; the wheel back out fits again.
    QWheelEvent in(at, View().mapToGlobal(at), {}, QPoint(0, 240), Qt::NoButton, Qt::NoModifier,
                   Qt::NoScrollPhase, false);
    QApplication::sendEvent(&View(), &in);
    ASSERT_TRUE(View().Zoomed());
    const QPointF before = View().Origin();
    QTest::mousePress(&View(), Qt::LeftButton, {}, at.toPoint());
    QMouseEvent drag(QEvent::MouseMove, at - QPointF(30, 20),
                     View().mapToGlobal(at - QPointF(30, 20)), Qt::NoButton, Qt::LeftButton,
                     Qt::NoModifier);
    QApplication::sendEvent(&View(), &drag);
    QTest::mouseRelease(&View(), Qt::LeftButton, {}, (at - QPointF(30, 20)).toPoint());
    EXPECT_EQ(View().Origin(), before - QPointF(30, 20));
    QWheelEvent out(at, View().mapToGlobal(at), {}, QPoint(0, -2400), Qt::NoButton, Qt::NoModifier,
                    Qt::NoScrollPhase, false);
    QApplication::sendEvent(&View(), &out);
    EXPECT_FALSE(View().Zoomed());
}

TEST_F(ViewerTest, AZoomEnlargesTheScreenPictureAtOnceUntilTheWholeOneIsRead) {
    EnterFullScreen();
    std::atomic<QThread*> readOn{nullptr};
    FullScreenProbe::FullLoader(View()).SetTestHooks(
        {[&](const QString&) { readOn = QThread::currentThread(); }});
    const QPointF at = QPointF(View().rect().center()) + QPointF(100, 80);
    View().ToggleZoom(at);
    ASSERT_TRUE(View().Zoomed());
    EXPECT_TRUE(View().AtOwnSize().isNull()) << "the loader delivers it later";
    const qreal scale = View().Scale();
    const QPointF origin = View().Origin();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !View().AtOwnSize().isNull(); }));
    EXPECT_EQ(View().AtOwnSize().size(), QSize(1600, 1200));
    EXPECT_NE(readOn.load(), QCoreApplication::instance()->thread());
    EXPECT_EQ(View().Scale(), scale);
    EXPECT_EQ(View().Origin(), origin);

    // A step meanwhile drops it; one that cannot be read whole leaves the
    // screen's picture zoomed, without a notice.
    View().ToggleZoom(at);
    QTest::keyClick(&View(), Qt::Key_Right);
    Settle();
    View().ToggleZoom(at);
    QTest::keyClick(&View(), Qt::Key_Right);
    SettlePictures(FullScreenProbe::FullLoader(View()));
    EXPECT_EQ(Viewed(), "foto3");
    EXPECT_TRUE(View().AtOwnSize().isNull());
    ASSERT_TRUE(QFile::remove(platform.Root() + "/foto3.bmp"));
    View().ToggleZoom(at);
    SettlePictures(FullScreenProbe::FullLoader(View()));
    EXPECT_TRUE(View().Zoomed());
    EXPECT_TRUE(View().AtOwnSize().isNull());
    EXPECT_FALSE(FullScreenProbe::Notice(View()).isVisible());
}

TEST_F(ViewerTest, TheCaptionHidesWhileTheMouseRests) {
    EnterFullScreen();
    EXPECT_TRUE(FullScreenProbe::Caption(View()).isVisible());
    EXPECT_EQ(FullScreenProbe::Caption(View()).text(),
              "1   ·   Foto 1   ·   01/01/01   ·   Palermo");
    QMetaObject::invokeMethod(&FullScreenProbe::CaptionTimer(View()), "timeout");
    EXPECT_FALSE(FullScreenProbe::Caption(View()).isVisible());
    QMouseEvent move(QEvent::MouseMove, QPointF(50, 50), View().mapToGlobal(QPointF(50, 50)),
                     Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(&View(), &move);
    EXPECT_TRUE(FullScreenProbe::Caption(View()).isVisible());
}

// Which of the photo menu's items are enabled, in order.
QList<bool> Enabled(QMenu* menu) {
    QList<bool> enabled;
    for (QAction* action : menu->actions()) enabled << action->isEnabled();
    return enabled;
}

// The menu key, as the desktop delivers it: to the focused box, or to the
// window. A box being corrected keeps its own menu, and a right press alone
// opens nothing (its release may be a drag's).
TEST_F(ViewerTest, TheMenuKeyOpensThePhotoMenu) {
    auto& title = Control<LongLineBox>(form, "Text2");
    const struct {
        const char* what;
        QWidget* target;
        QContextMenuEvent::Reason reason;
        bool editing;
        bool photoMenu;
    } cases[] = {
        {"field box", &title, QContextMenuEvent::Keyboard, false, true},
        {"notes box", &Control<LongTextBox>(form, "Text6"), QContextMenuEvent::Keyboard, false,
         true},
        {"window", &form, QContextMenuEvent::Keyboard, false, true},
        {"box being corrected", &title, QContextMenuEvent::Keyboard, true, false},
        {"right press on the photo", &Control<Picture>(form, "Image1"), QContextMenuEvent::Mouse,
         false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        if (c.editing) QTest::keyClick(&title, Qt::Key_F2);
        QContextMenuEvent key(c.reason, QPoint(2, 2), c.target->mapToGlobal(QPoint(2, 2)));
        QApplication::sendEvent(c.target, &key);
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        EXPECT_EQ(menu && menu->actions()[0]->text() == "Schermo intero", c.photoMenu);
        if (menu) menu->close();
        if (c.editing) QTest::keyClick(&title, Qt::Key_Escape);
    }
}

TEST_F(ViewerTest, ThePhotoMenuCopiesThePictureAndItsPath) {
    Settle();
    std::unique_ptr<QMenu> menu(Form1Probe::PhotoMenu(form));
    const QStringList items = {"Schermo intero",
                               "Provini",
                               "Apri la cartella della foto",
                               "Copia immagine",
                               "Copia percorso",
                               "Cerca le foto spostate…",
                               "",
                               "Aggiungi una cartella…"};
    ASSERT_EQ(menu->actions().size(), items.size());
    for (int i = 0; i < items.size(); ++i) EXPECT_EQ(menu->actions()[i]->text(), items[i]);
    EXPECT_EQ(Enabled(menu.get()), QList<bool>({true, true, true, true, true, true, true, true}));

    menu->actions()[4]->trigger();
    EXPECT_EQ(QApplication::clipboard()->text(),
              QDir::toNativeSeparators(platform.Root() + "/foto1.bmp"));
    QApplication::clipboard()->clear();
    menu->actions()[3]->trigger();
    EXPECT_TRUE(QApplication::clipboard()->image().isNull()) << "read off the window's thread";
    EXPECT_TRUE(QTest::qWaitFor([] { return !QApplication::clipboard()->image().isNull(); }));
    EXPECT_EQ(QApplication::clipboard()->image().size(), QSize(1600, 1200)) << "at full size";
    menu->actions()[0]->trigger();
    EXPECT_TRUE(View().isVisible());
}

TEST_F(ViewerTest, ThePhotoMenuDisablesWhatCannotAct) {
    // A photo on a CD that is not inserted: its folder is not there.
    Reopen({{7, "Sul CD", "/nessun/cd", "foto.jpg"}});
    std::unique_ptr<QMenu> missing(Form1Probe::PhotoMenu(form));
    EXPECT_EQ(Enabled(missing.get()),
              QList<bool>({true, true, false, false, true, true, true, true}));
    // The frame's notice is there for screen readers.
    QAccessibleInterface* notice =
        QAccessible::queryAccessibleInterface(&Control<QLabel>(form, "PictureNoticeLabel"));
    EXPECT_EQ(notice->text(QAccessible::Name), "Immagine non trovata: foto.jpg");
    // Full screen says the same, on black.
    Form1Probe::ShowFullScreen(form);
    EXPECT_TRUE(FullScreenProbe::Notice(View()).isVisible());
    EXPECT_EQ(FullScreenProbe::Notice(View()).text(), "Immagine non trovata: foto.jpg");
    QTest::keyClick(&View(), Qt::Key_Escape);

    Reopen({});
    std::unique_ptr<QMenu> none(Form1Probe::PhotoMenu(form));
    // A folder may be added to an empty album.
    EXPECT_EQ(Enabled(none.get()),
              QList<bool>({false, false, false, false, false, false, true, true}));
}

TEST_F(ViewerTest, ButtonsAndBoxesHaveItalianNames) {
    const std::pair<QWidget*, const char*> names[] = {
        {&Control<Picture>(form, "Image5"), "Foto successiva"},
        {&Control<Picture>(form, "Image18"), "Foto successiva"},
        {&Control<Picture>(form, "Image8"), "Foto precedente"},
        {&Control<Picture>(form, "Image9"), "Prima foto"},
        {&Control<Picture>(form, "Image10"), "Ultima foto"},
        {&Control<Picture>(form, "Image12"), "Cancella foto"},
        {&Control<HoverLabel>(form, "Label2"), "Chiudi"},
        {&Control<LongLineBox>(form, "Text3"), "Data dello scatto"},
    };
    for (const auto& [widget, name] : names) {
        QAccessibleInterface* a = QAccessible::queryAccessibleInterface(widget);
        EXPECT_EQ(a->text(QAccessible::Name), QString::fromUtf8(name));
        EXPECT_EQ(a->role() == QAccessible::Button, widget != &Control<LongLineBox>(form, "Text3"))
            << name;
    }
    // A screen reader's press acts on the picture shown, and its pair takes
    // the click; a hidden highlighted picture is no button to press.
    const QString press = QAccessibleActionInterface::pressAction();
    const struct {
        const char* picture;
        bool pressable;
        const char* shown;
    } presses[] = {
        {"Image18", true, "2"},  // next, at rest
        {"Image5", false, "2"},  // its highlighted picture, hidden
        {"Image16", true, "1"},  // first
        {"Image9", false, "1"},
    };
    for (const auto& p : presses) {
        QAccessibleActionInterface* button =
            QAccessible::queryAccessibleInterface(&Control<Picture>(form, p.picture))
                ->actionInterface();
        EXPECT_EQ(button->actionNames().contains(press), p.pressable) << p.picture;
        button->doAction(press);
        EXPECT_EQ(Field(), p.shown) << p.picture;
    }
    // So is the picker's OK pair.
    Form2* picker = Form1Probe::LoadForm2(form);
    picker->show();
    for (const auto& [name, pressable] : {std::pair{"Image1", true}, std::pair{"Image3", false}}) {
        QAccessibleInterface* ok = QAccessible::queryAccessibleInterface(&Control(*picker, name));
        EXPECT_EQ(ok->text(QAccessible::Name), "OK");
        EXPECT_EQ(ok->actionInterface()->actionNames().contains(press), pressable) << name;
    }
    Form1Probe::UnloadForm2(form);
    EXPECT_EQ(QAccessible::queryAccessibleInterface(&Control<Picture>(form, "Image1"))->role(),
              QAccessible::Client);
    EXPECT_FALSE(Control<Picture>(form, "Image7").accessibleDescription().isEmpty());
}

}  // namespace

// Dense screens get the pictures drawn at twice the pixels, shown at the
// same size.
TEST(Artwork, TwiceThePixelsAtRatio2) {
    for (const char* name : {"form1_background.jpg", "next_on.ico", "caption_luogo.bmp",
                             "minimise_on.jpg", "form2_background.jpg", "ok_off.ico"}) {
        const QImage once = Artwork(name, 1);
        const QImage twice = Artwork(name, 2);
        EXPECT_EQ(twice.size(), once.size() * 2) << name;
        EXPECT_EQ(twice.deviceIndependentSize(), once.deviceIndependentSize()) << name;
    }
}
