// The album window as the user meets it: its controls and where they sit, the
// button highlighting under the pointer, dragging, minimising and closing.
// The pointer goes through the window, as the windowing system sends it, so
// each event lands on whatever control lies under it.
#include <gtest/gtest.h>

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QFontInfo>
#include <QMap>
#include <QMenu>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QTextBlock>
#include <QTextLayout>
#include <QTimer>
#include <QToolTip>
#include <cmath>
#include <functional>
#include <string_view>

#include "add_photo/form2.h"
#include "photo_list/form3.h"
#include "support/album_window_fixture.h"
#include "support/albums.h"
#include "support/form1_probe.h"

namespace {

int Px(int twips) {
    return static_cast<int>(std::lround(twips / 15.0));
}

// A button: its normal and highlighted picture.
struct Button {
    const char* name;
    const char* normal;
    const char* highlighted;
};

const Button kButtons[] = {
    {"first", "Image16", "Image9"}, {"previous", "Image19", "Image8"},
    {"next", "Image18", "Image5"},  {"last", "Image17", "Image10"},
    {"add", "Image14", "Image6"},   {"delete", "Image11", "Image12"},
    {"jump", "Image13", "Image4"},  {"other", "Image15", "Image7"},
};

class AlbumWindowTest : public AlbumWindowFixture {
protected:
    // Which picture buttons and glyphs are out of their rest state: "rest", a
    // button's name, "minimise" or "close", or several of these.
    QString Lit() const {
        QStringList lit;
        for (const Button& b : kButtons) {
            const bool normal = Control<Picture>(form, b.normal).isVisible();
            const bool highlighted = Control<Picture>(form, b.highlighted).isVisible();
            if (normal && !highlighted) continue;
            lit << (!normal && highlighted ? QString(b.name)
                                           : QString("%1 (normal %2, highlighted %3)")
                                                 .arg(b.name)
                                                 .arg(normal)
                                                 .arg(highlighted));
        }
        if (Control<Picture>(form, "Image2").isVisible()) lit << "minimise";
        if (Control<Picture>(form, "Image3").isVisible()) lit << "close";
        return lit.isEmpty() ? "rest" : lit.join(", ");
    }
};

// ---------------------------------------------------------------------------
// Layout

struct Placed {
    const char* name;
    QWidget* control;
    int left, top, width, height;
    bool shown;
};

TEST_F(AlbumWindowTest, EveryControlSitsAtItsTwipsAndStartsShownOrHidden) {
    const Placed controls[] = {
        {"Text7", &Control<LongLineBox>(form, "Text7"), 2760, 120, 2055, 285, false},
        {"Text8", &Control<LongLineBox>(form, "Text8"), 2340, 240, 2055, 285, false},
        {"Text6", &Control<LongTextBox>(form, "Text6"), 6900, 5280, 2055, 795, true},
        {"Text5", &Control<LongTextBox>(form, "Text5"), 6900, 4260, 2055, 555, true},
        {"Text4", &Control<LongLineBox>(form, "Text4"), 6840, 3540, 2055, 285, true},
        {"Text3", &Control<LongLineBox>(form, "Text3"), 6840, 2820, 2055, 285, true},
        {"Text2", &Control<LongLineBox>(form, "Text2"), 6840, 2100, 2055, 285, true},
        {"Text1", &Control<LongLineBox>(form, "Text1"), 6840, 1380, 855, 285, true},
        {"Label3", &Control<HoverLabel>(form, "Label3"), 90, 90, 525, 465, true},
        {"Image25", &Control<Picture>(form, "Image25"), 6780, 4920, 2250, 300, true},
        {"Image24", &Control<Picture>(form, "Image24"), 6780, 3900, 2250, 300, true},
        {"Image23", &Control<Picture>(form, "Image23"), 6780, 3180, 2250, 300, true},
        {"Image22", &Control<Picture>(form, "Image22"), 6780, 1740, 2250, 300, true},
        {"Image21", &Control<Picture>(form, "Image21"), 6780, 2460, 2250, 300, true},
        {"Image20", &Control<Picture>(form, "Image20"), 6780, 1020, 2250, 300, true},
        {"Image3", &Control<Picture>(form, "Image3"), 9030, 70, 195, 195, false},
        {"Image2", &Control<Picture>(form, "Image2"), 8810, 60, 195, 210, false},
        {"Image1", &Control<Picture>(form, "Image1"), 180, 630, 6345, 6180, true},
        {"Label2", &Control<HoverLabel>(form, "Label2"), 9000, 90, 195, 225, true},
        {"Label1", &Control<HoverLabel>(form, "Label1"), 8790, 60, 195, 225, true},
        {"Image14", &Control<Picture>(form, "Image14"), 6840, 6180, 480, 480, true},
        {"Image6", &Control<Picture>(form, "Image6"), 6840, 6180, 480, 480, false},
        {"Image11", &Control<Picture>(form, "Image11"), 7380, 6210, 480, 480, true},
        {"Image12", &Control<Picture>(form, "Image12"), 7380, 6210, 480, 480, false},
        {"Image13", &Control<Picture>(form, "Image13"), 7890, 6180, 480, 480, true},
        {"Image4", &Control<Picture>(form, "Image4"), 7890, 6180, 480, 480, false},
        {"Image19", &Control<Picture>(form, "Image19"), 7710, 585, 240, 240, true},
        {"Image8", &Control<Picture>(form, "Image8"), 7710, 585, 240, 240, false},
        {"Image18", &Control<Picture>(form, "Image18"), 8010, 570, 240, 240, true},
        {"Image5", &Control<Picture>(form, "Image5"), 8010, 570, 240, 240, false},
        {"Image17", &Control<Picture>(form, "Image17"), 8310, 435, 480, 480, true},
        {"Image10", &Control<Picture>(form, "Image10"), 8310, 435, 480, 480, false},
        {"Image16", &Control<Picture>(form, "Image16"), 7200, 465, 480, 480, true},
        {"Image9", &Control<Picture>(form, "Image9"), 7200, 465, 480, 480, false},
        {"Image15", &Control<Picture>(form, "Image15"), 8520, 6180, 480, 480, true},
        {"Image7", &Control<Picture>(form, "Image7"), 8520, 6180, 480, 480, false},
    };
    // As the window opens, before the album fills it.
    for (const Placed& c : controls) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.control->parentWidget(), &form);
        EXPECT_EQ(c.control->geometry(), QRect(Px(c.left), Px(c.top), Px(c.width), Px(c.height)));
        EXPECT_EQ(c.control->isVisibleTo(&form), c.shown);
    }
    EXPECT_EQ(form.size(), QSize(622, 467));
    EXPECT_EQ(form.minimumSize(), form.maximumSize()) << "the user cannot resize it";
    EXPECT_FALSE(Control<Picture>(form, "Image1").HasPicture());
}

TEST_F(AlbumWindowTest, ControlsShownTogetherDoNotOverlap) {
    QList<QWidget*> shown;
    for (QWidget* w : form.findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        if (w->isVisibleTo(&form)) shown << w;
    ASSERT_EQ(shown.size(), 6 + 6 + 3 + 1 + 8) << "fields, captions, labels, photo, buttons";
    for (QWidget* a : shown) {
        for (QWidget* b : shown) {
            if (a == b) continue;
            EXPECT_FALSE(a->geometry().intersects(b->geometry()))
                << a->geometry().x() << "," << a->geometry().y() << " and " << b->geometry().x()
                << "," << b->geometry().y();
        }
    }
    // The glyphs, once shown, lie over their zones and are the ones hit.
    Control<Picture>(form, "Image2").show();
    Control<Picture>(form, "Image3").show();
    EXPECT_TRUE(Control<Picture>(form, "Image2")
                    .geometry()
                    .intersects(Control<HoverLabel>(form, "Label1").geometry()));
    EXPECT_EQ(form.childAt(Control<Picture>(form, "Image2").geometry().center()),
              &Control<Picture>(form, "Image2"));
    EXPECT_TRUE(Control<Picture>(form, "Image3")
                    .geometry()
                    .intersects(Control<HoverLabel>(form, "Label2").geometry()));
    EXPECT_EQ(form.childAt(Control<Picture>(form, "Image3").geometry().center()),
              &Control<Picture>(form, "Image3"));
}

TEST_F(AlbumWindowTest, EveryPictureIsDrawnAtItsOwnSizeInItsBox) {
    Picture* pictures[] = {&Control<Picture>(form, "Image2"),  &Control<Picture>(form, "Image3"),
                           &Control<Picture>(form, "Image4"),  &Control<Picture>(form, "Image5"),
                           &Control<Picture>(form, "Image6"),  &Control<Picture>(form, "Image7"),
                           &Control<Picture>(form, "Image8"),  &Control<Picture>(form, "Image9"),
                           &Control<Picture>(form, "Image10"), &Control<Picture>(form, "Image11"),
                           &Control<Picture>(form, "Image12"), &Control<Picture>(form, "Image13"),
                           &Control<Picture>(form, "Image14"), &Control<Picture>(form, "Image15"),
                           &Control<Picture>(form, "Image16"), &Control<Picture>(form, "Image17"),
                           &Control<Picture>(form, "Image18"), &Control<Picture>(form, "Image19"),
                           &Control<Picture>(form, "Image20"), &Control<Picture>(form, "Image21"),
                           &Control<Picture>(form, "Image22"), &Control<Picture>(form, "Image23"),
                           &Control<Picture>(form, "Image24"), &Control<Picture>(form, "Image25")};
    for (Picture* p : pictures) {
        SCOPED_TRACE(p->geometry().topLeft().x());
        ASSERT_TRUE(p->HasPicture());
        EXPECT_EQ(p->NaturalSize(), p->size());
    }
    // Grey at rest, coloured when highlighted.
    for (const Button& b : kButtons) {
        SCOPED_TRACE(b.name);
        const QImage normal = Control<Picture>(form, b.normal).GetPicture();
        const QImage lit = Control<Picture>(form, b.highlighted).GetPicture();
        auto saturation = [](const QImage& image) {
            int most = 0;
            for (int y = 0; y < image.height(); ++y)
                for (int x = 0; x < image.width(); ++x)
                    if (qAlpha(image.pixel(x, y)) > 0)
                        most = qMax(most, QColor(image.pixel(x, y)).hsvSaturation());
            return most;
        };
        EXPECT_LT(saturation(normal), 60);
        EXPECT_GT(saturation(lit), 120);
    }
}

TEST_F(AlbumWindowTest, BackgroundIsDrawnUnscaledFromTheTopLeftCorner) {
    const QImage background(":/form1_background.jpg");
    ASSERT_EQ(background.size(), QSize(621, 466));
    const QImage shown = form.grab().toImage();
    // Bare background: the top strip, the left margin, between photo and
    // fields, and the bottom right corner.
    for (QPoint p : {QPoint(0, 0), QPoint(300, 20), QPoint(5, 300), QPoint(440, 300),
                     QPoint(620, 465), QPoint(200, 460)}) {
        SCOPED_TRACE(p.x());
        EXPECT_EQ(shown.pixel(p), background.pixel(p));
    }
}

TEST_F(AlbumWindowTest, FieldBoxesArePurpleBoldArialAndReadOnly) {
    QWidget* boxes[] = {&Control<LongLineBox>(form, "Text1"), &Control<LongLineBox>(form, "Text2"),
                        &Control<LongLineBox>(form, "Text3"), &Control<LongLineBox>(form, "Text4"),
                        &Control<LongTextBox>(form, "Text5"), &Control<LongTextBox>(form, "Text6")};
    for (QWidget* box : boxes) {
        SCOPED_TRACE(box->geometry().y());
        const QFontInfo font(box->font());
        EXPECT_TRUE(font.family() == "Arial" || font.family() == "Liberation Sans")
            << font.family().toStdString();
        EXPECT_EQ(box->font().pointSize(), 9);
        EXPECT_TRUE(font.bold());
        EXPECT_EQ(box->palette().color(QPalette::Text), QColor(128, 0, 128));
    }
    for (QLineEdit* box :
         {&Control<LongLineBox>(form, "Text1"), &Control<LongLineBox>(form, "Text2"),
          &Control<LongLineBox>(form, "Text3"), &Control<LongLineBox>(form, "Text4")})
        EXPECT_TRUE(box->isReadOnly());
    for (QPlainTextEdit* box :
         {&Control<LongTextBox>(form, "Text5"), &Control<LongTextBox>(form, "Text6")}) {
        EXPECT_TRUE(box->isReadOnly());
        EXPECT_EQ(box->lineWrapMode(), QPlainTextEdit::WidgetWidth);
        EXPECT_EQ(box->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
        EXPECT_EQ(box->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    }
}

TEST_F(AlbumWindowTest, TypingIntoTheFieldsChangesNothing) {
    WriteAlbum(platform.DefaultAlbumPath(), {{1, "Mare", platform.Root(), "a.jpg"}});
    module.OpenAlbum();
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    QTest::keyClicks(&Control<LongLineBox>(form, "Text2"), "xyz");
    QTest::keyClick(&Control<LongLineBox>(form, "Text2"), Qt::Key_Backspace);
    QTest::keyClicks(&Control<LongTextBox>(form, "Text5"), "xyz");
    QTest::keyClick(&Control<LongTextBox>(form, "Text5"), Qt::Key_Return);
    EXPECT_EQ(Control<LongLineBox>(form, "Text2").text(), "Mare");
    EXPECT_EQ(Control<LongTextBox>(form, "Text5").toPlainText(), "Anna");
}

TEST_F(AlbumWindowTest, ALongTitleShowsItsBeginning) {
    const QString title = "Tramonto sul lago di Garda visto dalla terrazza dell'albergo";
    WriteAlbum(platform.DefaultAlbumPath(),
               {{1, title, platform.Root(), "a.jpg"}, {2, title, platform.Root(), "b.jpg"}});
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    QApplication::processEvents();
    Data1().Recordset().MoveNext();
    ASSERT_EQ(Control<LongLineBox>(form, "Text2").text(), title);
    // The box is scrolled to its first character.
    EXPECT_EQ(Control<LongLineBox>(form, "Text2").cursorPosition(), 0);
    EXPECT_LT(
        Control<LongLineBox>(form, "Text2").inputMethodQuery(Qt::ImCursorRectangle).toRect().left(),
        8);
}

// A field of a million characters, one unbroken word or lines of prose,
// shows whole in every kind of box (the one-line boxes scroll to every
// character), and is copied out of it as it is.
TEST_F(AlbumWindowTest, AFieldOfAMillionCharactersShowsWhole) {
    QString word(1'000'000, 'x');
    word.replace(LongTextBox::kPieceLength - 1, 2, QString::fromUtf8("\U0001F600"));
    QString prose = "Anna e Marco\r\n";
    for (int i = 0; i < 3000; ++i) prose += "parola" + QString::number(i) + ' ';
    prose += "\nfine";
    WriteAlbum(platform.DefaultAlbumPath(),
               {{1, "Mare", platform.Root(), "a.jpg"},
                {2, word, platform.Root(), "b.jpg", word, word, prose, word}});
    module.OpenAlbum();
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    Click(form, "Image5");

    for (LongLineBox* box :
         {&Control<LongLineBox>(form, "Text2"), &Control<LongLineBox>(form, "Text3"),
          &Control<LongLineBox>(form, "Text4")}) {
        EXPECT_TRUE(box->Text() == word);
        EXPECT_EQ(box->StretchStart() + box->cursorPosition(), 0);
        // Every character can be scrolled to with the keys: a step past the
        // end of what the box holds moves it along.
        box->setCursorPosition(static_cast<int>(box->text().size()));
        QTest::keyClick(box, Qt::Key_Right);
        EXPECT_EQ(box->StretchStart() + box->cursorPosition(), LongLineBox::kStretch + 1);
        EXPECT_TRUE(box->text() == word.mid(box->StretchStart(), box->text().size()));
        QTest::keyClick(box, Qt::Key_End);
        EXPECT_EQ(box->StretchStart() + box->text().size(), word.size());
        EXPECT_EQ(box->cursorPosition(), box->text().size());
        QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(box, Qt::Key_C, Qt::ControlModifier);
        EXPECT_TRUE(QGuiApplication::clipboard()->text() == word);
        QTest::keyClick(box, Qt::Key_Home);
        EXPECT_EQ(box->StretchStart() + box->cursorPosition(), 0);
    }
    // The multi-line boxes hold the stretch around the view; copied, the
    // whole text as given, its CR LF line ends kept.
    for (LongTextBox* box :
         {&Control<LongTextBox>(form, "Text5"), &Control<LongTextBox>(form, "Text6")}) {
        const QString text = box == &Control<LongTextBox>(form, "Text5") ? prose : word;
        EXPECT_TRUE(box->Text() == text);
        QString shown = box->toPlainText();
        QString held = text.mid(box->StretchStart(), box->StretchEnd() - box->StretchStart());
        EXPECT_TRUE(shown.remove('\n') == held.remove('\r').remove('\n'));
        QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);  // Select All
        box->copy();
        EXPECT_TRUE(QGuiApplication::clipboard()->text() == text);
    }
    // Prose wraps at its words.
    const QTextBlock words = Control<LongTextBox>(form, "Text5").document()->firstBlock().next();
    words.document()->documentLayout()->blockBoundingRect(words);
    ASSERT_GT(words.layout()->lineCount(), 1);
    for (int i = 0; i < words.layout()->lineCount(); ++i) {
        const QTextLine line = words.layout()->lineAt(i);
        EXPECT_EQ(words.text().at(line.textStart() + line.textLength() - 1), ' ') << i;
    }
    // A box holds the text it is given, not a copy of it.
    LongTextBox notes;
    LongLineBox title;
    notes.ShowText(word);
    title.ShowText(word);
    EXPECT_EQ(notes.Text().constData(), word.constData());
    EXPECT_EQ(title.Text().constData(), word.constData());
}

TEST_F(AlbumWindowTest, TabGoesThroughTheSixFieldsInOrder) {
    WriteAlbum(platform.DefaultAlbumPath(), {{1, "Mare", platform.Root(), "a.jpg"}});
    Focus(&form);
    QApplication::processEvents();

    EXPECT_EQ(QApplication::focusWidget(), &Control<LongLineBox>(form, "Text1"))
        << "the first field has the focus";
    QWidget* expected[] = {
        &Control<LongLineBox>(form, "Text2"), &Control<LongLineBox>(form, "Text3"),
        &Control<LongLineBox>(form, "Text4"), &Control<LongTextBox>(form, "Text5"),
        &Control<LongTextBox>(form, "Text6"), &Control<LongLineBox>(form, "Text1")};
    for (QWidget* next : expected) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        EXPECT_EQ(QApplication::focusWidget(), next);
    }
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
    EXPECT_EQ(QApplication::focusWidget(), &Control<LongTextBox>(form, "Text6"));
}

TEST_F(AlbumWindowTest, TooltipsSitOnTheFourHighlightedActionPicturesOnly) {
    QMap<QWidget*, QString> tips;
    for (QWidget* w : form.findChildren<QWidget*>())
        if (!w->toolTip().isEmpty()) tips[w] = w->toolTip();
    const QMap<QWidget*, QString> expected{
        {&Control<Picture>(form, "Image6"), "Aggiungi foto"},
        {&Control<Picture>(form, "Image12"), "Cancella foto"},
        {&Control<Picture>(form, "Image4"), "Cerca foto"},
        {&Control<Picture>(form, "Image7"), "Connetti con un altro DataBase"},
    };
    EXPECT_EQ(tips, expected);
}

TEST_F(AlbumWindowTest, PointerOverTheBookIsTheHand) {
    const QCursor cursor = Control<HoverLabel>(form, "Label3").cursor();
    ASSERT_EQ(cursor.shape(), Qt::BitmapCursor) << "the program's own hand, not a stock one";
    EXPECT_EQ(cursor.hotSpot(), QPoint(12, 1));
    EXPECT_EQ(cursor.pixmap().size(), QSize(32, 32));
    EXPECT_EQ(form.cursor().shape(), Qt::ArrowCursor);
    EXPECT_EQ(Control<Picture>(form, "Image1").cursor().shape(), Qt::ArrowCursor);
}

TEST_F(AlbumWindowTest, WindowHasItsIconAndNoFrame) {
    EXPECT_FALSE(form.windowIcon().isNull());
    EXPECT_TRUE(form.windowIcon().availableSizes().contains(QSize(32, 32)));
    EXPECT_TRUE(form.windowIcon().availableSizes().contains(QSize(128, 128)));
    EXPECT_TRUE(form.windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(form.windowFlags() & Qt::WindowType_Mask, Qt::Window) << "a taskbar button";
}

// ---------------------------------------------------------------------------
// The pointer

// The album window on screen with a three-photo album open on its second
// photo, and the pointer outside it.
class AlbumWindowPointerTest : public AlbumWindowTest {
protected:
    void SetUp() override {
        const QString folder = platform.Root();
        WritePicture(folder + "/a.jpg", 640, 480);
        WritePicture(folder + "/b.jpg", 640, 480);
        WritePicture(folder + "/c.jpg", 640, 480);
        WriteAlbum(platform.DefaultAlbumPath(),
                   {{1, "Primo", folder, "a.jpg"},
                    {2, "Secondo", folder, "b.jpg"},
                    {3, "Terzo", folder, "c.jpg", "01/01/01", "Palermo", "Anna",
                     "Una nota lunga che va a capo più volte e fa comparire la barra di "
                     "scorrimento del campo delle note, perché non ci sta tutta."}});
        form.move(50, 50);
        Focus(&form);
        QApplication::processEvents();
        ASSERT_EQ(Control<LongLineBox>(form, "Text2").text(), "Primo");
        Data1().Recordset().MoveNext();
        ASSERT_EQ(Control<LongLineBox>(form, "Text2").text(), "Secondo");
        ASSERT_TRUE(Control<Picture>(form, "Image1").isVisible());
        MoveTo(background_);
    }
    void TearDown() override {
        // Leave no button held down for the next test.
        for (Qt::MouseButton b : {Qt::LeftButton, Qt::RightButton, Qt::MiddleButton})
            if (QGuiApplication::mouseButtons() & b)
                QTest::mouseRelease(Window(), b, {}, background_);
    }

    QWindow* Window() { return form.windowHandle(); }
    // A point of `control` (its centre by default) in the window's coordinates.
    QPoint On(QWidget* control, QPoint offset = QPoint(-1, -1)) {
        return control->mapTo(&form, offset == QPoint(-1, -1) ? control->rect().center() : offset);
    }
    QPoint On(const char* control) { return On(&Control<Picture>(form, control)); }
    void MoveTo(QPoint p) { QTest::mouseMove(Window(), p); }
    void ClickAt(QPoint p, Qt::MouseButton button = Qt::LeftButton) {
        MoveTo(p);
        QTest::mouseClick(Window(), button, {}, p);
    }

    // Points of bare background: beside the photo, above the fields, below
    // the title.
    const QPoint background_ = QPoint(440, 300);
    const QPoint background2_ = QPoint(300, 20);
};

TEST_F(AlbumWindowPointerTest, MovingOntoAButtonHighlightsItAndNothingElse) {
    for (const Button& b : kButtons) {
        SCOPED_TRACE(b.name);
        MoveTo(background_);
        ASSERT_EQ(Lit(), "rest");
        Picture* normal = &Control<Picture>(form, b.normal);
        MoveTo(On(normal, QPoint(2, 2)));
        EXPECT_EQ(Lit(), b.name);
        // The pointer now lies over the highlighted picture; moving about in
        // the button keeps it lit, right to its far corner.
        for (QPoint p : {normal->rect().center(), QPoint(normal->width() - 1, normal->height() - 1),
                         QPoint(0, 0)}) {
            MoveTo(On(normal, p));
            EXPECT_EQ(QApplication::widgetAt(form.mapToGlobal(On(normal, p))),
                      &Control<Picture>(form, b.highlighted));
            EXPECT_EQ(Lit(), b.name);
        }
    }
}

// Counts the times a widget is hidden or shown.
class ShowHideCounter : public QObject {
public:
    explicit ShowHideCounter(QWidget* w) { w->installEventFilter(this); }
    int count = 0;

protected:
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Show || e->type() == QEvent::Hide) ++count;
        return false;
    }
};

TEST_F(AlbumWindowPointerTest, ALitButtonNeverFlickersAndShowsItsTooltip) {
    const std::pair<const char*, const char*> actions[] = {
        {"Image14", "Aggiungi foto"},
        {"Image11", "Cancella foto"},
        {"Image13", "Cerca foto"},
        {"Image15", "Connetti con un altro DataBase"},
    };
    for (const auto& [normal, tip] : actions) {
        SCOPED_TRACE(tip);
        MoveTo(On(normal));
        ShowHideCounter normalShown(&Control<Picture>(form, normal));
        ShowHideCounter lit(QApplication::widgetAt(form.mapToGlobal(On(normal))));
        for (int step = 1; step <= 4; ++step) MoveTo(On(normal) + QPoint(step, step / 2));
        EXPECT_EQ(normalShown.count + lit.count, 0) << "hidden and shown again under the pointer";
        // The pointer rests: the tooltip comes up.
        EXPECT_TRUE(
            QTest::qWaitFor([&] { return QToolTip::isVisible() && QToolTip::text() == tip; }, 3000))
            << QToolTip::text().toStdString();
        MoveTo(background_);
        QToolTip::hideText();
        EXPECT_TRUE(QTest::qWaitFor([] { return !QToolTip::isVisible(); }));
    }
}

TEST_F(AlbumWindowPointerTest, FromButtonToNeighbourAndToTheBackground) {
    MoveTo(On("Image16"));
    EXPECT_EQ(Lit(), "first");
    MoveTo(On("Image19"));
    EXPECT_EQ(Lit(), "previous");
    MoveTo(On("Image18"));
    EXPECT_EQ(Lit(), "next");
    MoveTo(On("Image17"));
    EXPECT_EQ(Lit(), "last");
    MoveTo(background2_);
    EXPECT_EQ(Lit(), "rest");

    MoveTo(On("Image14"));
    EXPECT_EQ(Lit(), "add");
    MoveTo(On("Image11"));
    EXPECT_EQ(Lit(), "delete");
    MoveTo(On("Image13"));
    EXPECT_EQ(Lit(), "jump");
    MoveTo(On("Image15"));
    EXPECT_EQ(Lit(), "other");
    // The gap between two buttons is background.
    MoveTo(On(&Control<Picture>(form, "Image15"), QPoint(-2, 10)));
    EXPECT_EQ(Lit(), "rest");
}

TEST_F(AlbumWindowPointerTest, ControlsWithoutAHoverActionLeaveTheHighlightAlone) {
    Data1().Recordset().MoveNext();  // the row whose note needs the scroll bar
    QApplication::processEvents();
    ASSERT_GT(Control<LongTextBox>(form, "Text6").verticalScrollBar()->maximum(), 0);
    QScrollBar* noteBar = Control<LongTextBox>(form, "Text6").verticalScrollBar();
    const std::pair<const char*, QPoint> places[] = {
        {"Text1", On(&Control<LongLineBox>(form, "Text1"))},
        {"Text2", On(&Control<LongLineBox>(form, "Text2"))},
        {"Text3", On(&Control<LongLineBox>(form, "Text3"))},
        {"Text4", On(&Control<LongLineBox>(form, "Text4"))},
        {"Text5", On(Control<LongTextBox>(form, "Text5").viewport())},
        {"Text6", On(Control<LongTextBox>(form, "Text6").viewport())},
        {"Text5 scroll bar", On(Control<LongTextBox>(form, "Text5").verticalScrollBar())},
        {"Text6 scroll bar", On(noteBar)},
        {"Text6 scroll bar arrow", On(noteBar, QPoint(noteBar->width() / 2, 2))},
        {"Image20", On(&Control<Picture>(form, "Image20"))},
        {"Image21", On(&Control<Picture>(form, "Image21"))},
        {"Image22", On(&Control<Picture>(form, "Image22"))},
        {"Image23", On(&Control<Picture>(form, "Image23"))},
        {"Image24", On(&Control<Picture>(form, "Image24"))},
        {"Image25", On(&Control<Picture>(form, "Image25"))},
        {"photo", On(&Control<Picture>(form, "Image1"))},
        {"photo corner", On(&Control<Picture>(form, "Image1"), QPoint(0, 0))},
        {"Label3", On(&Control<HoverLabel>(form, "Label3"))},
    };
    for (const auto& [what, where] : places) {
        SCOPED_TRACE(what);
        MoveTo(On("Image13"));
        ASSERT_EQ(Lit(), "jump");
        MoveTo(where);
        EXPECT_EQ(Lit(), "jump");
        MoveTo(where + QPoint(1, 1));
        EXPECT_EQ(Lit(), "jump");
    }
    // Nothing in the way stops the background from resetting.
    MoveTo(background_);
    EXPECT_EQ(Lit(), "rest");
}

TEST_F(AlbumWindowPointerTest, MinimiseAndCloseZonesShowTheirGlyphs) {
    MoveTo(On("Image17"));
    ASSERT_EQ(Lit(), "last");

    // Onto the minimise zone: its glyph lights, the button goes back.
    MoveTo(On(&Control<HoverLabel>(form, "Label1"), QPoint(0, 0)));
    EXPECT_EQ(Lit(), "minimise");
    // The glyph lies over the zone and takes the pointer from it.
    const QPoint shared = On(&Control<Picture>(form, "Image2"));
    EXPECT_EQ(form.childAt(shared), &Control<Picture>(form, "Image2"));
    MoveTo(shared);
    EXPECT_EQ(Lit(), "minimise");
    MoveTo(shared + QPoint(2, 1));
    EXPECT_EQ(Lit(), "minimise");
    MoveTo(background2_);
    EXPECT_EQ(Lit(), "rest");

    MoveTo(On(&Control<HoverLabel>(form, "Label2"),
              QPoint(Control<HoverLabel>(form, "Label2").width() - 1,
                     Control<HoverLabel>(form, "Label2").height() - 1)));
    EXPECT_EQ(Lit(), "close");
    EXPECT_EQ(form.childAt(On(&Control<Picture>(form, "Image3"))),
              &Control<Picture>(form, "Image3"));
    MoveTo(On(&Control<Picture>(form, "Image3")));
    EXPECT_EQ(Lit(), "close");

    // From one zone straight to the other.
    MoveTo(On(&Control<HoverLabel>(form, "Label1"), QPoint(0, 5)));
    EXPECT_EQ(Lit(), "minimise");
    MoveTo(On(&Control<HoverLabel>(form, "Label2"),
              QPoint(Control<HoverLabel>(form, "Label2").width() - 1, 8)));
    EXPECT_EQ(Lit(), "close");
    // And from a glyph onto a button.
    MoveTo(On("Image17"));
    EXPECT_EQ(Lit(), "last");
}

TEST_F(AlbumWindowPointerTest, DisabledAddButtonStaysLitButNeverAdds) {
    Control<Picture>(form, "Image6").SetEnabled(false);
    QSignalSpy clicks(&Control<Picture>(form, "Image6"), &Picture::Click);
    MoveTo(On("Image14"));
    EXPECT_EQ(Lit(), "add");
    MoveTo(On("Image14") + QPoint(3, 3));
    EXPECT_EQ(Lit(), "add") << "moves over the disabled picture count as moves over it";
    ClickAt(On("Image14"));
    EXPECT_EQ(clicks.count(), 0);
    EXPECT_TRUE(dialogs.shown.empty());
    EXPECT_FALSE(Form1Probe::Picker(form));
    EXPECT_EQ(Lit(), "add");
}

TEST_F(AlbumWindowPointerTest, ClicksLandOnTheHighlightedPicture) {
    for (const Button& b : kButtons) {
        SCOPED_TRACE(b.name);
        Picture* highlighted = &Control<Picture>(form, b.highlighted);
        // Only where the click lands matters here, not what the button does.
        QObject::disconnect(highlighted, &Picture::Click, &form, nullptr);
        QSignalSpy clicks(highlighted, &Picture::Click);
        ClickAt(On(&Control<Picture>(form, b.normal)));
        EXPECT_EQ(clicks.count(), 1);
        EXPECT_EQ(Lit(), b.name);
    }
    EXPECT_TRUE(dialogs.shown.empty());
}

TEST_F(AlbumWindowPointerTest, WhereOnlyANormalPictureShowsAClickDoesNothing) {
    // A press and release straight on each shown normal picture, and on the
    // glyph zones, without the hover that would have swapped them.
    QWidget* places[] = {
        &Control<Picture>(form, "Image16"),   &Control<Picture>(form, "Image19"),
        &Control<Picture>(form, "Image18"),   &Control<Picture>(form, "Image17"),
        &Control<Picture>(form, "Image14"),   &Control<Picture>(form, "Image11"),
        &Control<Picture>(form, "Image13"),   &Control<Picture>(form, "Image15"),
        &Control<HoverLabel>(form, "Label1"), &Control<HoverLabel>(form, "Label2")};
    for (QWidget* place : places) {
        SCOPED_TRACE(place->geometry().x());
        QTest::mouseClick(place, Qt::LeftButton);
        QTest::mouseClick(place, Qt::LeftButton, {}, QPoint(1, 1));
    }
    EXPECT_EQ(Control<LongLineBox>(form, "Text2").text(), "Secondo");
    EXPECT_TRUE(dialogs.shown.empty());
    EXPECT_FALSE(Form1Probe::Picker(form));
    EXPECT_FALSE(Form1Probe::PhotoList(form));
    EXPECT_FALSE(form.isMinimized());
    EXPECT_TRUE(form.isVisible());
    EXPECT_EQ(Lit(), "rest");
}

TEST_F(AlbumWindowPointerTest, HiddenFieldsAndTheDataControlNeverShow) {
    auto nothingShown = [&] {
        EXPECT_FALSE(Control<LongLineBox>(form, "Text7").isVisible());
        EXPECT_FALSE(Control<LongLineBox>(form, "Text8").isVisible());
        // Nothing at all where Text7, Text8 and Data1 were laid out.
        for (QPoint p : {QPoint(Px(2760) + 5, Px(120) + 5), QPoint(Px(2340) + 5, Px(240) + 10),
                         QPoint(Px(5040) + 5, Px(120) + 5), QPoint(Px(5040) + 90, Px(120) + 20)})
            EXPECT_EQ(form.childAt(p), nullptr);
    };
    nothingShown();
    for (const Button& b : kButtons) MoveTo(On(&Control<Picture>(form, b.normal)));
    MoveTo(On(&Control<HoverLabel>(form, "Label1")));
    MoveTo(On(&Control<HoverLabel>(form, "Label2")));
    MoveTo(On(&Control<LongLineBox>(form, "Text7"), QPoint(3, 3)));
    QTest::mousePress(Window(), Qt::LeftButton, {}, QPoint(300, 20));
    MoveTo(QPoint(310, 25));
    QTest::mouseRelease(Window(), Qt::LeftButton, {}, QPoint(300, 20));
    module.OpenAlbum();
    Data1().Recordset().MoveLast();
    nothingShown();
    EXPECT_EQ(Control<LongLineBox>(form, "Text8").text(), "c.jpg")
        << "hidden, yet bound to the row";
    // Tab never stops on them.
    for (int i = 0; i < 8; ++i) {
        ASSERT_NE(QApplication::focusWidget(), nullptr);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        EXPECT_NE(QApplication::focusWidget(), &Control<LongLineBox>(form, "Text7"));
        EXPECT_NE(QApplication::focusWidget(), &Control<LongLineBox>(form, "Text8"));
    }
}

// ---------------------------------------------------------------------------
// Dragging

TEST_F(AlbumWindowPointerTest, DraggingTheBackgroundMovesTheWindowByThePointersDisplacement) {
    const QPoint start = form.pos();
    QTest::mousePress(Window(), Qt::LeftButton, {}, background_);
    EXPECT_EQ(form.pos(), start);
    // 300 twips right and 150 down: 20 and 10 pixels.
    MoveTo(background_ + QPoint(20, 10));
    EXPECT_EQ(form.pos(), start + QPoint(20, 10));
    // The pointer kept its place on the window, so the next move adds only
    // its own displacement, also across controls and outside the window;
    // and every move puts the buttons back to rest.
    MoveTo(background_ + QPoint(-7, 3));
    EXPECT_EQ(form.pos(), start + QPoint(13, 13));
    Control<Picture>(form, "Image16").hide();
    Control<Picture>(form, "Image9").show();
    const QPoint field = On(&Control<LongLineBox>(form, "Text2"));
    MoveTo(field);
    EXPECT_EQ(form.pos(), start + QPoint(13, 13) + field - background_);
    EXPECT_EQ(Lit(), "rest");
    MoveTo(background_ + QPoint(-700, 20));
    EXPECT_EQ(form.pos(), start + QPoint(13, 13) + field - background_ + QPoint(-700, 20));
    QTest::mouseRelease(Window(), Qt::LeftButton, {}, background_);

    // After the release the window stays where it is.
    const QPoint dropped = form.pos();
    MoveTo(background_ + QPoint(40, 40));
    MoveTo(background_ + QPoint(-40, 10));
    EXPECT_EQ(form.pos(), dropped);
}

TEST_F(AlbumWindowPointerTest, AnyButtonDragsAndNothingKeepsTheWindowOnScreen) {
    const QPoint start = form.pos();
    QTest::mousePress(Window(), Qt::RightButton, {}, background_);
    MoveTo(background_ + QPoint(20, 10));
    EXPECT_EQ(form.pos(), start + QPoint(20, 10));
    // Far past the screen's top-left corner.
    MoveTo(background_ - QPoint(1000, 900));
    EXPECT_EQ(form.pos(), start + QPoint(20, 10) - QPoint(1000, 900));
    QTest::mouseRelease(Window(), Qt::RightButton, {}, background_);
    EXPECT_FALSE(Form1Probe::DragActive(form));

    const QPoint far = form.pos();
    QTest::mousePress(Window(), Qt::MiddleButton, {}, background2_);
    MoveTo(background2_ + QPoint(1, 2));
    QTest::mouseRelease(Window(), Qt::MiddleButton, {}, background2_);
    EXPECT_EQ(form.pos(), far + QPoint(1, 2));
    EXPECT_FALSE(form.isMinimized());
    EXPECT_TRUE(dialogs.shown.empty());
}

TEST_F(AlbumWindowPointerTest, APressOnAControlStartsNoDrag) {
    const QPoint start = form.pos();
    const std::pair<const char*, QPoint> places[] = {
        {"button", On("Image13")},
        {"field", On(&Control<LongLineBox>(form, "Text3"))},
        {"notes", On(Control<LongTextBox>(form, "Text6").viewport())},
        {"notes scroll bar", On(Control<LongTextBox>(form, "Text6").verticalScrollBar())},
        {"caption", On(&Control<Picture>(form, "Image22"))},
        {"photo", On(&Control<Picture>(form, "Image1"))},
        {"book", On(&Control<HoverLabel>(form, "Label3"))},
        {"minimise zone", On(&Control<HoverLabel>(form, "Label1"), QPoint(0, 0))},
    };
    for (Qt::MouseButton button : {Qt::LeftButton, Qt::RightButton}) {
        for (const auto& [what, where] : places) {
            SCOPED_TRACE(what);
            // The right button drags by the photo (below).
            if (button == Qt::RightButton && std::string_view(what) == "photo") continue;
            MoveTo(where);
            // A right press on a field opens its context menu, which waits
            // for the user; it is sent away.
            QTimer::singleShot(100, [] {
                if (QWidget* popup = QApplication::activePopupWidget()) popup->close();
            });
            QTest::mousePress(Window(), button, {}, where);
            EXPECT_FALSE(Form1Probe::DragActive(form));
            MoveTo(where + QPoint(15, 12));
            MoveTo(where + QPoint(-30, -20));
            QTest::mouseRelease(Window(), button, {}, where + QPoint(-30, -20));
            EXPECT_EQ(form.pos(), start);
        }
    }
    EXPECT_TRUE(dialogs.shown.empty());
    EXPECT_EQ(Control<LongLineBox>(form, "Text2").text(), "Secondo");
}

// The right button drags the window by the photo and by the frame around it,
// as by any background; a right click that does not drag opens the photo's
// menu there, and only there.
TEST_F(AlbumWindowPointerTest, TheRightButtonDragsByThePhotoAndItsClickOpensTheMenu) {
    Settle();
    Picture& photo = Control<Picture>(form, "Image1");
    ASSERT_LT(photo.height(), Px(6180)) << "no frame left below the photo";
    const struct {
        const char* what;
        QPoint where;
        bool menu;
    } places[] = {
        {"photo", On(&photo), true},
        {"frame below the photo", On(&photo, QPoint(5, photo.height() + 20)), true},
        {"background", background_, false},
    };
    for (const auto& [what, where, menu] : places) {
        SCOPED_TRACE(what);
        const QPoint start = form.pos();
        MoveTo(where);
        QTest::mousePress(Window(), Qt::RightButton, {}, where);
        MoveTo(where + QPoint(20, 10));
        EXPECT_EQ(form.pos(), start + QPoint(20, 10));
        QTest::mouseRelease(Window(), Qt::RightButton, {}, where);
        EXPECT_EQ(QApplication::activePopupWidget(), nullptr) << "a drag opens no menu";

        ClickAt(where, Qt::RightButton);
        auto* popup = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        EXPECT_EQ(popup != nullptr, menu);
        if (popup) {
            EXPECT_EQ(popup->actions()[0]->text(), "Schermo intero");
            popup->close();
        }
        EXPECT_EQ(form.pos(), start + QPoint(20, 10));
    }
    EXPECT_TRUE(dialogs.shown.empty());
}

// ---------------------------------------------------------------------------
// Minimise and close

TEST_F(AlbumWindowPointerTest, MinimiseGlyphMinimisesAndStaysLit) {
    ClickAt(On(&Control<HoverLabel>(form, "Label1"), QPoint(1, 1)));
    EXPECT_TRUE(form.isMinimized());
    EXPECT_TRUE(Control<Picture>(form, "Image2").isVisible());
    form.showNormal();
    EXPECT_EQ(Lit(), "minimise") << "still lit after the window comes back";
    EXPECT_EQ(Control<LongLineBox>(form, "Text2").text(), "Secondo");
    EXPECT_TRUE(dialogs.shown.empty());
}

TEST_F(AlbumWindowPointerTest, CloseGlyphEndsTheProgramWithEveryWindow) {
    // A working copy from an album on CD stays on disk after the end.
    QFile copy(platform.LocalCopyPath());
    ASSERT_TRUE(copy.open(QIODevice::WriteOnly));
    copy.close();
    Form2* picker = Form1Probe::LoadForm2(form);
    Form3* list = Form1Probe::LoadForm3(form);
    picker->show();
    list->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(picker));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(list));
    QApplication::processEvents();

    bool clicked = false;
    QString shownBefore;
    QTimer::singleShot(0, [&] {
        shownBefore = Control<LongLineBox>(form, "Text2").text();
        ClickAt(On(&Control<HoverLabel>(form, "Label2"), QPoint(5, 5)));
        clicked = true;
    });
    // Should the click not end the loop, this does, with another code.
    QTimer watchdog;
    watchdog.setSingleShot(true);
    QObject::connect(&watchdog, &QTimer::timeout, [] { QApplication::exit(7); });
    watchdog.start(10000);
    const int code = QApplication::exec();

    EXPECT_TRUE(clicked);
    EXPECT_EQ(code, 0);
    EXPECT_FALSE(form.isVisible());
    EXPECT_FALSE(picker->isVisible());
    EXPECT_FALSE(list->isVisible());
    EXPECT_TRUE(dialogs.shown.empty()) << "no question, no message";
    EXPECT_TRUE(QFile::exists(platform.LocalCopyPath()));
    EXPECT_EQ(Control<LongLineBox>(form, "Text2").text(), shownBefore)
        << "the album is not reopened on the way out";
}

TEST_F(AlbumWindowPointerTest, ClosingTheAlbumWindowFromOutsideEndsTheProgramToo) {
    Form2* picker = Form1Probe::LoadForm2(form);
    picker->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(picker));

    QTimer::singleShot(0, [&] { form.close(); });
    QTimer watchdog;
    watchdog.setSingleShot(true);
    QObject::connect(&watchdog, &QTimer::timeout, [] { QApplication::exit(7); });
    watchdog.start(10000);
    EXPECT_EQ(QApplication::exec(), 0);
    EXPECT_FALSE(picker->isVisible());
    EXPECT_TRUE(dialogs.shown.empty());
}

}  // namespace
